#include "tools/content-builder/pack_sink.h"

#include "file/container.h"
#include "platform/utf.h"

#include <fstream>
#include <iterator>

namespace Zorva::Tools {

ResourceSink MakePackingSink(const std::filesystem::path& outDir) {
    return [outDir](const std::string& folder, const std::string& fileName, const std::vector<std::uint8_t>& payload) {
        const std::filesystem::path target = outDir / folder / fileName;
        const auto wide = Platform::DecodeUtf8(target.string());
        if (!wide)
            throw BuildError(target.string() + ": the name is not UTF-8");
        std::vector<std::uint8_t> bytes;
        if (!File::BuildContainer(payload.data(), payload.size(), *wide, bytes))
            throw BuildError(target.string() + ": packing failed");
        std::filesystem::create_directories(target.parent_path());
        {
            std::ifstream existing(target, std::ios::binary);
            if (existing) {
                const std::vector<std::uint8_t> old((std::istreambuf_iterator<char>(existing)),
                                                    std::istreambuf_iterator<char>());
                if (old == bytes)
                    return;
            }
        }
        const std::filesystem::path temp = target.string() + ".part";
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
            if (!out)
                throw BuildError("cannot write " + temp.string());
        }
        std::filesystem::rename(temp, target);
    };
}

} // namespace Zorva::Tools
