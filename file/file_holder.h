// One loaded resource file as the kind handlers see it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace Zorva::File {

class CFileHolderGeneric {
public:
    const std::uint8_t* GetPayloadData() const { return payload_.data(); }
    std::uint32_t GetPayloadSize() const { return static_cast<std::uint32_t>(payload_.size()); }
    // The payload as the XML reader's input; raises InvalidClass "SH" when the reader cannot take it.
    std::span<const std::uint8_t> GetPayloadStream() const;
    // The decompressed payload; a handler that keeps it may move it out.
    std::vector<std::uint8_t>& Payload() { return payload_; }
    // The decrypted file (header and packed stream); only a picture keeps it (its payload is empty).
    std::vector<std::uint8_t>& Raw() { return raw_; }

    // The file name without folder and extension, lower-cased: Boot/Dialog_Font.zorva-tex gives
    // "dialog_font".
    std::u16string GetResourceName() const;
    // The extension from the name's last dot, lower-cased: ".zorva-tex".
    std::u16string GetExtension() const;
    const std::u16string& GetPath() const { return path_; }

protected:
    CFileHolderGeneric(std::u16string path, std::uint32_t fileSize) : path_(std::move(path)), fileSize_(fileSize) {}
    ~CFileHolderGeneric() = default;

    std::u16string path_;
    std::uint32_t fileSize_ = 0;
    std::vector<std::uint8_t> payload_;
    std::vector<std::uint8_t> raw_;
};

} // namespace Zorva::File
