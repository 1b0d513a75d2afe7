// Helpers shared by the resource-file tests: sealing hand-made plain images, files on disk and
// catching failure reports instead of starting the message-display copy.
#pragma once

#include "file/container.h"
#include "kernel/exceptions.h"
#include "platform/crypto.h"

#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

namespace Zorva::Testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes BytesOf(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

// Encrypts a plain image as the container cipher does (PKCS#7 padding), under `name`'s key.
inline Bytes Seal(Bytes plain, std::u16string_view name)
{
    std::array<std::uint8_t, 32> key{};
    if (!File::DeriveFileKey(File::NameKeyBytes(name), key))
        return {};
    const std::size_t pad = 16 - plain.size() % 16;
    plain.insert(plain.end(), pad, static_cast<std::uint8_t>(pad));
    Platform::Aes256CbcEncryptBlocks(key, plain.data(), plain.size());
    return plain;
}

// A plain image with the given fields and packed bytes; the check is computed unless given.
inline Bytes PlainImage(std::uint32_t packedLength, std::uint32_t unpackedLength, const Bytes& packed,
                        std::u16string_view name, const std::uint32_t* check = nullptr)
{
    Bytes image(12, 0);
    for (int i = 0; i < 4; ++i) {
        image[4 + i] = static_cast<std::uint8_t>(packedLength >> (8 * i));
        image[8 + i] = static_cast<std::uint8_t>(unpackedLength >> (8 * i));
    }
    image.insert(image.end(), packed.begin(), packed.end());
    const std::uint32_t value = check != nullptr ? *check : File::ComputeContainerCheck(image, File::NameKeyBytes(name));
    for (int i = 0; i < 4; ++i)
        image[i] = static_cast<std::uint8_t>(value >> (8 * i));
    return image;
}

inline void WriteBytes(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline Bytes ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::u16string Wide(const std::filesystem::path& path)
{
    return path.u16string();
}

// Records every failure report of the process while it lives (the first one only reaches the
// hook).
class ReportCapture {
public:
    ReportCapture()
    {
        GetReportHooks().showReport = [this](const std::u16string& text, const std::u16string&) {
            std::lock_guard lock(mutex_);
            reports_.push_back(text);
        };
    }
    ~ReportCapture() { GetReportHooks().showReport = nullptr; }
    std::vector<std::u16string> Reports()
    {
        std::lock_guard lock(mutex_);
        return reports_;
    }
    // True when the first report names this operation.
    bool FirstOperationIs(std::u16string_view operation)
    {
        const auto reports = Reports();
        return !reports.empty() &&
               reports.front().find(u"Operation: " + std::u16string(operation) + u"\n") != std::u16string::npos;
    }

private:
    std::mutex mutex_;
    std::vector<std::u16string> reports_;
};

} // namespace Zorva::Testing
