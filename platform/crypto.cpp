#include "platform/crypto.h"

#include <openssl/evp.h>

#include <algorithm>
#include <climits>
#include <memory>

namespace Zorva::Platform {
namespace {

struct CipherContextDeleter {
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};
struct DigestContextDeleter {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};

bool CryptBlocks(const Sha256Digest& key, std::uint8_t* data, std::size_t length, bool encrypt)
{
    if (length % 16 != 0)
        return false;
    if (length == 0)
        return true;
    std::unique_ptr<EVP_CIPHER_CTX, CipherContextDeleter> ctx(EVP_CIPHER_CTX_new());
    if (!ctx)
        return false;
    static const unsigned char zeroIv[16] = {};
    if (EVP_CipherInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr, key.data(), zeroIv, encrypt ? 1 : 0) != 1)
        return false;
    if (EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1)
        return false;
    // EVP counts in int: feed large buffers in slices of whole blocks.
    constexpr std::size_t kSlice = static_cast<std::size_t>(INT_MAX) & ~static_cast<std::size_t>(15);
    std::size_t done = 0;
    while (done < length) {
        const std::size_t n = std::min(kSlice, length - done);
        int out = 0;
        if (EVP_CipherUpdate(ctx.get(), data + done, &out, data + done, static_cast<int>(n)) != 1 ||
            static_cast<std::size_t>(out) != n)
            return false;
        done += n;
    }
    int tail = 0;
    return EVP_CipherFinal_ex(ctx.get(), data + done, &tail) == 1 && tail == 0;
}

} // namespace

bool Sha256(std::initializer_list<std::span<const std::uint8_t>> parts, Sha256Digest& digest)
{
    std::unique_ptr<EVP_MD_CTX, DigestContextDeleter> ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1)
        return false;
    for (const auto& part : parts)
        if (!part.empty() && EVP_DigestUpdate(ctx.get(), part.data(), part.size()) != 1)
            return false;
    unsigned int size = 0;
    return EVP_DigestFinal_ex(ctx.get(), digest.data(), &size) == 1 && size == digest.size();
}

bool Aes256CbcEncryptBlocks(const Sha256Digest& key, std::uint8_t* data, std::size_t length)
{
    return CryptBlocks(key, data, length, true);
}

bool Aes256CbcDecryptBlocks(const Sha256Digest& key, std::uint8_t* data, std::size_t length)
{
    return CryptBlocks(key, data, length, false);
}

} // namespace Zorva::Platform
