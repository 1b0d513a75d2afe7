// The resource container: AES-256-CBC (zero IV, PKCS#7 padding) over a 12-byte header and a bzip2
// stream, keyed by the SHA-256 of the file's own lower-cased name and a fixed salt, with a
// name-salted check value.
#pragma once

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

// Builds a container of `data` for the file at `path` (its name is the key) and writes it there.
// True only when every step succeeded.
bool WriteContainerFile(const std::uint8_t* data, std::size_t length, const std::u16string& path);

// The container bytes for `data` under the name key of `path`, without writing a file.
bool BuildContainer(const std::uint8_t* data, std::size_t length, std::u16string_view path,
                    std::vector<std::uint8_t>& out);

} // namespace Zorva::File
