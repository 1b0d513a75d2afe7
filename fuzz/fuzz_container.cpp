// The container reader on arbitrary files, and on arbitrary plain images sealed under the right
// key so that the header, the check value and the bzip2 stream are reached as well.
#include "file/container.h"
#include "kernel/exceptions.h"
#include "platform/crypto.h"

#include <cstdint>
#include <vector>

namespace {

const std::u16string kName = u"fuzz.zorva-tex";

void Open(std::vector<std::uint8_t> image)
{
    const std::vector<std::uint8_t> key = Zorva::File::NameKeyBytes(kName);
    if (Zorva::File::OpenContainerImage(image, key))
        return;
    std::vector<std::uint8_t> payload;
    Zorva::File::DecompressContainer(image, payload);
    Zorva::File::UnpackContainerExactly(image, payload);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Zorva::GetReportHooks().showReport = nullptr;
    if (size == 0)
        return 0;
    std::vector<std::uint8_t> bytes(data + 1, data + size);
    if (data[0] & 1) {
        Open(std::move(bytes));
        return 0;
    }
    // A plain image. Mostly keep unpackedLength small, so that runs are not spent zero-filling
    // payloads of hundreds of megabytes; give it a valid check value half of the time; seal it.
    if (!(data[0] & 4) && bytes.size() >= 12)
        bytes[10] &= 0x0F, bytes[11] = 0;
    if ((data[0] & 2) && bytes.size() >= 12) {
        const std::uint32_t check = Zorva::File::ComputeContainerCheck(bytes, Zorva::File::NameKeyBytes(kName));
        for (int i = 0; i < 4; ++i)
            bytes[i] = static_cast<std::uint8_t>(check >> (8 * i));
    }
    std::array<std::uint8_t, 32> key{};
    if (!Zorva::File::DeriveFileKey(Zorva::File::NameKeyBytes(kName), key))
        return 0;
    const std::size_t pad = 16 - bytes.size() % 16;
    bytes.insert(bytes.end(), pad, static_cast<std::uint8_t>(pad));
    Zorva::Platform::Aes256CbcEncryptBlocks(key, bytes.data(), bytes.size());
    Open(std::move(bytes));
    return 0;
}
