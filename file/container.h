// The resource container: AES-256-CBC (zero IV, PKCS#7 padding) over a 12-byte header and a bzip2
// stream, keyed by the SHA-256 of the file's own lower-cased name and a fixed salt, with a
// name-salted check value.
#pragma once

#include "platform/hresult.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Zorva::File {

// The file's name key: its last path element lower-cased (A-Z), as UTF-16LE bytes.
std::vector<std::uint8_t> NameKeyBytes(std::u16string_view path);

// The check value over the name key and the plain image's bytes 4 .. 12 + packedLength - 1.
std::uint32_t ComputeContainerCheck(const std::vector<std::uint8_t>& plainImage,
                                    const std::vector<std::uint8_t>& nameKey);

// Sizes `out` to the header's unpackedLength (zero-filled) and decompresses the packed stream into
// it; bytes the stream does not produce stay zero.
void DecompressContainer(const std::vector<std::uint8_t>& plainImage, std::vector<std::uint8_t>& out);

// A strict unpacking for tools: true only when the packed stream is one complete bzip2 stream that
// gives exactly unpackedLength bytes.
bool UnpackContainerExactly(const std::vector<std::uint8_t>& plainImage, std::vector<std::uint8_t>& out);

// Builds a container of `data` for the file at `path` (its name is the key) and writes it there.
// True only when every step succeeded.
bool WriteContainerFile(const std::uint8_t* data, std::size_t length, const std::u16string& path);

// The container bytes for `data` under the name key of `path`, without writing a file.
bool BuildContainer(const std::uint8_t* data, std::size_t length, std::u16string_view path,
                    std::vector<std::uint8_t>& out);

// A container whose payload claims more than this is refused as damaged: no real payload comes
// near it, and the size is trusted for an allocation.
inline constexpr std::uint32_t kMaxUnpackedLength = 256u << 20;
inline constexpr std::size_t kContainerHeaderSize = 12;
// The cipher's result for bad padding or a ciphertext that is not whole blocks.
inline constexpr HRESULT kBadDataCode = MakeCode(0x80090005u);
// The cipher library itself failed.
inline constexpr HRESULT kCipherFailureCode = MakeCode(0x80090020u);

// The 32-byte key of a name key: SHA-256 of the name key bytes and the salt text with its zero.
bool DeriveFileKey(const std::vector<std::uint8_t>& nameKey, std::array<std::uint8_t, 32>& key);

// How a read failed: the kind of the exception it raises, its code and its operation text.
enum class ContainerFault {
    None,
    TooSmall,   // IOError "A resource file is corrupt"
    Read,       // IOError "Read File"
    Unwind,     // IOError "Unwind"
    Validation, // FileCorrupt "Validation"
};
struct ContainerError {
    ContainerFault fault = ContainerFault::None;
    HRESULT code = S_OK;
    std::u16string_view operation;
    explicit operator bool() const { return fault != ContainerFault::None; }
};

// The read of a file of `fileSize` bytes, up to its validation, without raising: refuses a file of
// 12 bytes or less, reads it whole into `raw`, decrypts it in place (the pad bytes stay behind the
// plain image) and checks the header and the check value.
ContainerError ReadContainerImage(const std::u16string& path, std::uint64_t fileSize, std::vector<std::uint8_t>& raw);

// The decryption and validation of encrypted bytes in memory, in place.
ContainerError OpenContainerImage(std::vector<std::uint8_t>& raw, const std::vector<std::uint8_t>& nameKey);

// Raises the exception of a failed read (which reports itself).
[[noreturn]] void RaiseContainerError(const ContainerError& error);

} // namespace Zorva::File
