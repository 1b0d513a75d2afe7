#include "tests/content/res_reader.h"

#include <bzlib.h>
#include <openssl/evp.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <regex>

namespace ResCheck {
namespace {

Bytes ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Bytes NameKey(const std::string& fileName) {
    Bytes key;
    for (unsigned char c : fileName) {
        // Names here are ASCII; the key is UTF-16LE of the lower-cased name.
        key.push_back(static_cast<std::uint8_t>(c >= 'A' && c <= 'Z' ? c + 32 : c));
        key.push_back(0);
    }
    return key;
}

std::uint32_t Lanes(const std::uint8_t* data, std::size_t size) {
    std::uint8_t lane[4] = {0, 0, 0, 0};
    for (std::size_t i = 0; i < size; ++i)
        lane[i % 4] = static_cast<std::uint8_t>(lane[i % 4] + data[i] + 3 * i);
    return lane[0] | (lane[1] << 8) | (lane[2] << 16) | (static_cast<std::uint32_t>(lane[3]) << 24);
}

} // namespace

std::uint32_t Get32(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t Get16(const Bytes& b, std::size_t at) { return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8)); }

Opened OpenContainer(const std::filesystem::path& file) {
    Opened out;
    const Bytes cipher = ReadFile(file);
    if (cipher.size() <= 12 || cipher.size() % 16 != 0) {
        out.error = "size " + std::to_string(cipher.size()) + " is not a positive multiple of 16 above 12";
        return out;
    }
    const Bytes nameKey = NameKey(file.filename().string());
    Bytes keyInput = nameKey;
    const std::string salt = "3F7E2A90-D5B4-4E17-B2C9-6A1F0D8E3C52";
    keyInput.insert(keyInput.end(), salt.begin(), salt.end());
    keyInput.push_back(0);
    unsigned char key[32];
    unsigned keyLength = 0;
    EVP_Digest(keyInput.data(), keyInput.size(), key, &keyLength, EVP_sha256(), nullptr);
    const unsigned char iv[16] = {};
    Bytes plain(cipher.size() + 16);
    int n1 = 0, n2 = 0;
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    const bool ok = EVP_DecryptInit_ex(ctx, EVP_aes_256_cbc(), nullptr, key, iv) == 1 &&
                    EVP_DecryptUpdate(ctx, plain.data(), &n1, cipher.data(), static_cast<int>(cipher.size())) == 1 &&
                    EVP_DecryptFinal_ex(ctx, plain.data() + n1, &n2) == 1;
    EVP_CIPHER_CTX_free(ctx);
    if (!ok) {
        out.error = "does not decrypt under its own name";
        return out;
    }
    plain.resize(static_cast<std::size_t>(n1 + n2));
    if (plain.size() < 12) {
        out.error = "plain image shorter than its header";
        return out;
    }
    const std::uint32_t packed = Get32(plain, 4), unpacked = Get32(plain, 8);
    if (12 + static_cast<std::size_t>(packed) != plain.size()) {
        out.error = "packed length " + std::to_string(packed) + " does not fill the plain image";
        return out;
    }
    const std::uint32_t check = Lanes(nameKey.data(), nameKey.size()) + Lanes(plain.data() + 4, packed + 8) + 7;
    if (check != Get32(plain, 0)) {
        out.error = "check value differs";
        return out;
    }
    out.payload.resize(unpacked);
    unsigned int produced = unpacked;
    if (unpacked > 0) {
        const int rc = BZ2_bzBuffToBuffDecompress(reinterpret_cast<char*>(out.payload.data()), &produced,
                                                  reinterpret_cast<char*>(plain.data() + 12), packed, 0, 0);
        if (rc != BZ_OK || produced != unpacked) {
            out.error = "bzip2 stream does not give the announced " + std::to_string(unpacked) + " bytes";
            out.payload.clear();
        }
    }
    return out;
}

std::vector<std::string> ListResources(const std::filesystem::path& root) {
    std::vector<std::string> out;
    if (!std::filesystem::is_directory(root))
        return out;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        if (entry.is_regular_file() && entry.path().extension().string().rfind(".zorva-", 0) == 0)
            out.push_back(std::filesystem::relative(entry.path(), root).generic_string());
    std::sort(out.begin(), out.end());
    return out;
}

Dds ReadDds(const Bytes& file) {
    Dds d;
    if (file.size() < 148 || std::string(file.begin(), file.begin() + 4) != "DDS ") {
        d.error = "no DDS magic or shorter than 148 bytes";
        return d;
    }
    if (Get32(file, 4) != 124 || Get32(file, 76) != 32) {
        d.error = "header sizes are not 124 and 32";
        return d;
    }
    if ((Get32(file, 80) & 0x4) == 0 || std::string(file.begin() + 84, file.begin() + 88) != "DX10") {
        d.error = "no DX10 extension header";
        return d;
    }
    d.height = Get32(file, 12);
    d.width = Get32(file, 16);
    d.mipCount = std::max<std::uint32_t>(1, Get32(file, 28));
    d.format = Get32(file, 128);
    d.dimension = Get32(file, 132);
    d.arraySize = Get32(file, 140);
    d.dataOffset = 148;
    return d;
}

std::vector<std::map<std::string, std::string>> XmlElements(const std::string& xml, const std::string& tag) {
    std::vector<std::map<std::string, std::string>> out;
    const std::regex element("<" + tag + "(\\s[^>]*)?/?>");
    const std::regex attribute("([A-Za-z_][A-Za-z0-9_]*)=\"([^\"]*)\"");
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), element); it != std::sregex_iterator(); ++it) {
        std::map<std::string, std::string> attributes;
        const std::string body = (*it)[1];
        for (auto a = std::sregex_iterator(body.begin(), body.end(), attribute); a != std::sregex_iterator(); ++a)
            attributes[(*a)[1]] = (*a)[2];
        out.push_back(std::move(attributes));
    }
    return out;
}

} // namespace ResCheck
