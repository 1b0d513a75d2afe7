#include "file/container.h"

#include "kernel/exceptions.h"
#include "kernel/strings.h"
#include "platform/crypto.h"
#include "platform/raw_file.h"

#include <bzlib.h>

#include <cstring>
#include <typeinfo>

namespace Zorva::File {
namespace {

constexpr char kKeySalt[] = "3F7E2A90-D5B4-4E17-B2C9-6A1F0D8E3C52"; // hashed with its zero byte

std::uint32_t ReadLe32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void WriteLe32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Four byte lanes, each summing its bytes plus three times their index.
std::uint32_t LaneSum(const std::uint8_t* bytes, std::size_t count)
{
    std::uint8_t lanes[4] = {};
    for (std::size_t i = 0; i < count; ++i)
        lanes[i % 4] = static_cast<std::uint8_t>(lanes[i % 4] + bytes[i] + 3 * i);
    return ReadLe32(lanes);
}

ContainerError Fail(ContainerFault fault, HRESULT code, std::u16string_view operation)
{
    return ContainerError{fault, code, operation};
}

// PKCS#7: 1 to 16 pad bytes, each holding the pad length.
bool PaddingValid(const std::vector<std::uint8_t>& plain)
{
    if (plain.empty())
        return false;
    const std::uint8_t pad = plain.back();
    if (pad == 0 || pad > 16 || pad > plain.size())
        return false;
    for (std::size_t i = plain.size() - pad; i < plain.size(); ++i)
        if (plain[i] != pad)
            return false;
    return true;
}

} // namespace

std::vector<std::uint8_t> NameKeyBytes(std::u16string_view path)
{
    const size_t slash = path.find_last_of(u'/');
    const std::u16string_view name = slash == std::u16string_view::npos ? path : path.substr(slash + 1);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(name.size() * 2);
    for (char16_t c : name) {
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

std::uint32_t ComputeContainerCheck(const std::vector<std::uint8_t>& plainImage, const std::vector<std::uint8_t>& nameKey)
{
    const std::uint32_t first = LaneSum(nameKey.data(), nameKey.size());
    std::uint32_t second = 0;
    if (plainImage.size() >= kContainerHeaderSize) {
        // Never past the image, whatever the length field claims.
        const std::uint64_t wanted = static_cast<std::uint64_t>(ReadLe32(plainImage.data() + 4)) + 8;
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(wanted, plainImage.size() - 4));
        second = LaneSum(plainImage.data() + 4, count);
    }
    return first + second + 7u;
}

bool DeriveFileKey(const std::vector<std::uint8_t>& nameKey, std::array<std::uint8_t, 32>& key)
{
    const auto* salt = reinterpret_cast<const std::uint8_t*>(kKeySalt);
    return Platform::Sha256({std::span<const std::uint8_t>(nameKey), std::span<const std::uint8_t>(salt, sizeof kKeySalt)},
                            key);
}

void DecompressContainer(const std::vector<std::uint8_t>& plainImage, std::vector<std::uint8_t>& out)
{
    if (plainImage.size() < kContainerHeaderSize) {
        out.clear();
        return;
    }
    const std::uint32_t unpacked = ReadLe32(plainImage.data() + 8);
    if (unpacked > kMaxUnpackedLength)
        throw Exception::FileCorrupt(E_FAIL, u"Validation");
    out.assign(unpacked, 0);
    if (out.empty())
        return;
    const std::size_t available = plainImage.size() - kContainerHeaderSize;
    const std::size_t packed = std::min<std::size_t>(ReadLe32(plainImage.data() + 4), available);
    bz_stream stream{};
    if (BZ2_bzDecompressInit(&stream, 0, 0) != BZ_OK)
        return;
    // The library never writes through next_in.
    stream.next_in = const_cast<char*>(reinterpret_cast<const char*>(plainImage.data() + kContainerHeaderSize));
    stream.avail_in = static_cast<unsigned int>(packed);
    stream.next_out = reinterpret_cast<char*>(out.data());
    stream.avail_out = static_cast<unsigned int>(out.size());
    // One call: the stream either fills the payload or ends early and leaves zeros behind.
    BZ2_bzDecompress(&stream);
    BZ2_bzDecompressEnd(&stream);
}

bool UnpackContainerExactly(const std::vector<std::uint8_t>& plainImage, std::vector<std::uint8_t>& out)
{
    out.clear();
    if (plainImage.size() < kContainerHeaderSize)
        return false;
    const std::uint32_t unpacked = ReadLe32(plainImage.data() + 8);
    const std::uint64_t packed = ReadLe32(plainImage.data() + 4);
    if (unpacked > kMaxUnpackedLength || kContainerHeaderSize + packed > plainImage.size())
        return false;
    // One byte more than promised shows a stream that goes on.
    out.assign(static_cast<std::size_t>(unpacked) + 1, 0);
    bz_stream stream{};
    if (BZ2_bzDecompressInit(&stream, 0, 0) != BZ_OK)
        return false;
    stream.next_in = const_cast<char*>(reinterpret_cast<const char*>(plainImage.data() + kContainerHeaderSize));
    stream.avail_in = static_cast<unsigned int>(packed);
    stream.next_out = reinterpret_cast<char*>(out.data());
    stream.avail_out = static_cast<unsigned int>(out.size());
    const int rc = BZ2_bzDecompress(&stream);
    const std::size_t produced = out.size() - stream.avail_out;
    const bool consumedAll = stream.avail_in == 0;
    BZ2_bzDecompressEnd(&stream);
    out.resize(unpacked);
    return rc == BZ_STREAM_END && produced == unpacked && consumedAll;
}

bool BuildContainer(const std::uint8_t* data, std::size_t length, std::u16string_view path, std::vector<std::uint8_t>& out)
{
    if (length > kMaxUnpackedLength)
        return false;
    const auto capacity = static_cast<std::size_t>(static_cast<double>(length) * 1.01) + 600;
    std::vector<std::uint8_t> buffer(capacity + kContainerHeaderSize + 16, 0);

    bz_stream stream{};
    if (BZ2_bzCompressInit(&stream, 9, 0, 0) != BZ_OK)
        return false;
    stream.next_in = const_cast<char*>(reinterpret_cast<const char*>(length > 0 ? data : buffer.data()));
    stream.avail_in = static_cast<unsigned int>(length);
    stream.next_out = reinterpret_cast<char*>(buffer.data() + kContainerHeaderSize);
    stream.avail_out = static_cast<unsigned int>(capacity);
    const int rc = BZ2_bzCompress(&stream, BZ_FINISH);
    const std::size_t packed = capacity - stream.avail_out;
    BZ2_bzCompressEnd(&stream);
    if (rc != BZ_STREAM_END)
        return false;

    const std::vector<std::uint8_t> nameKey = NameKeyBytes(path);
    Platform::Sha256Digest key{};
    if (!DeriveFileKey(nameKey, key))
        return false;

    const std::size_t plainSize = kContainerHeaderSize + packed;
    const std::size_t size = 16 * (plainSize / 16 + 1);
    buffer.resize(size);
    WriteLe32(buffer.data() + 4, static_cast<std::uint32_t>(packed));
    WriteLe32(buffer.data() + 8, static_cast<std::uint32_t>(length));
    buffer.resize(plainSize);
    WriteLe32(buffer.data(), ComputeContainerCheck(buffer, nameKey));
    const auto pad = static_cast<std::uint8_t>(size - plainSize);
    buffer.resize(size, pad);
    if (!Platform::Aes256CbcEncryptBlocks(key, buffer.data(), buffer.size()))
        return false;
    out = std::move(buffer);
    return true;
}

bool WriteContainerFile(const std::uint8_t* data, std::size_t length, const std::u16string& path)
{
    std::vector<std::uint8_t> bytes;
    if (!BuildContainer(data, length, path, bytes))
        return false;
    try {
        return Platform::ReplaceFileContents(WideToUtf8(path), bytes.data(), bytes.size()) == 0;
    } catch (const std::bad_cast&) {
        return false;
    }
}

ContainerError OpenContainerImage(std::vector<std::uint8_t>& raw, const std::vector<std::uint8_t>& nameKey)
{
    if (raw.size() <= kContainerHeaderSize)
        return Fail(ContainerFault::TooSmall, E_FAIL, u"A resource file is corrupt");
    Platform::Sha256Digest key{};
    if (!DeriveFileKey(nameKey, key))
        return Fail(ContainerFault::Unwind, kCipherFailureCode, u"Unwind");
    if (raw.size() % 16 != 0)
        return Fail(ContainerFault::Unwind, kBadDataCode, u"Unwind");
    if (!Platform::Aes256CbcDecryptBlocks(key, raw.data(), raw.size()))
        return Fail(ContainerFault::Unwind, kCipherFailureCode, u"Unwind");
    if (!PaddingValid(raw))
        return Fail(ContainerFault::Unwind, kBadDataCode, u"Unwind");

    const std::uint64_t packed = ReadLe32(raw.data() + 4);
    if (kContainerHeaderSize + packed > raw.size() || ReadLe32(raw.data() + 8) > kMaxUnpackedLength ||
        ComputeContainerCheck(raw, nameKey) != ReadLe32(raw.data()))
        return Fail(ContainerFault::Validation, E_FAIL, u"Validation");
    return {};
}

ContainerError ReadContainerImage(const std::u16string& path, std::uint64_t fileSize, std::vector<std::uint8_t>& raw)
{
    raw.clear();
    if (fileSize <= kContainerHeaderSize)
        return Fail(ContainerFault::TooSmall, E_FAIL, u"A resource file is corrupt");
    // Nothing that fits the payload bound can be this large once compressed and encrypted.
    if (fileSize > 2ull * kMaxUnpackedLength)
        return Fail(ContainerFault::Validation, E_FAIL, u"Validation");
    std::string path8;
    try {
        path8 = WideToUtf8(path);
    } catch (const std::bad_cast&) {
        return Fail(ContainerFault::Read, E_FAIL, u"Read File");
    }
    raw.resize(static_cast<std::size_t>(fileSize));
    if (Platform::ReadFileBytes(path8, raw.data(), raw.size()) != 0) {
        raw.clear();
        return Fail(ContainerFault::Read, E_FAIL, u"Read File");
    }
    return OpenContainerImage(raw, NameKeyBytes(path));
}

void RaiseContainerError(const ContainerError& error)
{
    switch (error.fault) {
    case ContainerFault::Validation:
        throw Exception::FileCorrupt(error.code, error.operation);
    case ContainerFault::None:
        throw Exception::InvalidCall(E_UNEXPECTED, u"Container");
    default:
        throw Exception::IOError(error.code, error.operation);
    }
}

} // namespace Zorva::File
