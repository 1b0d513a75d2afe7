// An independent reader of the staged resource tree: containers opened with OpenSSL and libbz2
// directly, DDS headers read by hand. It shares no code with the program or the builder, so a
// fault in either shows up as a disagreement here.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ResCheck {

using Bytes = std::vector<std::uint8_t>;

// Decrypts and unpacks one container file; an error text on failure.
struct Opened {
    Bytes payload;
    std::string error; // empty when the file is sound
};
Opened OpenContainer(const std::filesystem::path& file);

// Every *.zorva-* file below the root, as "Folder/Sub/name.ext".
std::vector<std::string> ListResources(const std::filesystem::path& root);

std::uint32_t Get32(const Bytes& b, std::size_t at);
std::uint16_t Get16(const Bytes& b, std::size_t at);

struct Dds {
    std::uint32_t width = 0, height = 0, mipCount = 0, format = 0, dimension = 0, arraySize = 0;
    std::size_t dataOffset = 0;
    std::string error;
};
// Reads the headers of a DDS file with the DX10 extension.
Dds ReadDds(const Bytes& file);

// Attributes of every element with the given tag in an XML text (a tiny reader for the
// builder's plain output: no entities, no comments inside tags).
std::vector<std::map<std::string, std::string>> XmlElements(const std::string& xml, const std::string& tag);

} // namespace ResCheck
