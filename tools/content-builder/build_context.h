// What every generator gets: where the sources are, where its output goes, and a place to leave
// pictures for the contact sheet.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace Zorva::Tools {

// A failure of the build: the message names the source and what is wrong with it.
class BuildError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One image for the contact sheet, straight (not premultiplied) RGBA8, top row first.
struct PreviewImage {
    std::string section; // "Pictures", "Icons", "Font", ...
    std::string label;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

// Receives every resource file: the folder below Res/ ("Boot2/Lvl10"), the file name with its
// extension ("wood.zorva-tex") and the payload before packing.
using ResourceSink = std::function<void(const std::string& folder, const std::string& fileName,
                                        const std::vector<std::uint8_t>& payload)>;

class BuildContext {
public:
    BuildContext(std::filesystem::path sourceDir, ResourceSink sink, bool collectPreview);

    // The content/ folder.
    const std::filesystem::path& Source() const { return source_; }
    std::filesystem::path Source(const std::string& sub) const { return source_ / sub; }

    // Hands one resource to the sink. Thread-safe; a second file of the same folder and name is a
    // build error, since the program would keep only one of them.
    void Write(const std::string& folder, const std::string& fileName, const std::vector<std::uint8_t>& payload);

    // Something the build worked around (a missing source, say): printed and counted.
    void Warn(const std::string& message);
    std::vector<std::string> Warnings() const;

    bool CollectPreview() const { return collectPreview_; }
    void AddPreview(PreviewImage image);
    std::vector<PreviewImage> TakePreviews();

    // Every file handed to the sink so far, as "folder/fileName".
    std::vector<std::string> Written() const;

private:
    std::filesystem::path source_;
    ResourceSink sink_;
    bool collectPreview_;
    mutable std::mutex mutex_;
    std::vector<std::string> written_;
    std::vector<std::string> warnings_;
    std::vector<PreviewImage> previews_;
};

} // namespace Zorva::Tools
