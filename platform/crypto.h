// SHA-256 and AES-256-CBC with a zero initialisation vector, over OpenSSL 3. The cipher works on
// whole 16-byte blocks; padding is the caller's business, so a decrypted image keeps its pad bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

namespace Zorva::Platform {

using Sha256Digest = std::array<std::uint8_t, 32>;

// The digest of the parts' concatenation; false when the library fails.
bool Sha256(std::initializer_list<std::span<const std::uint8_t>> parts, Sha256Digest& digest);

// In place over `length` bytes, a multiple of 16. False when the library fails or the length is not
// a whole number of blocks.
bool Aes256CbcEncryptBlocks(const Sha256Digest& key, std::uint8_t* data, std::size_t length);
bool Aes256CbcDecryptBlocks(const Sha256Digest& key, std::uint8_t* data, std::size_t length);

} // namespace Zorva::Platform
