#include "tools/content-builder/build_context.h"

#include <algorithm>
#include <cstdio>

namespace Zorva::Tools {

BuildContext::BuildContext(std::filesystem::path sourceDir, ResourceSink sink, bool collectPreview)
    : source_(std::move(sourceDir)), sink_(std::move(sink)), collectPreview_(collectPreview) {}

void BuildContext::Write(const std::string& folder, const std::string& fileName,
                         const std::vector<std::uint8_t>& payload) {
    const std::string key = folder + "/" + fileName;
    {
        std::lock_guard lock(mutex_);
        if (std::find(written_.begin(), written_.end(), key) != written_.end())
            throw BuildError("two generators write " + key);
        written_.push_back(key);
    }
    // The sink packs and writes; it runs outside the lock so generators pack in parallel.
    sink_(folder, fileName, payload);
}

void BuildContext::Warn(const std::string& message) {
    std::lock_guard lock(mutex_);
    std::fprintf(stderr, "content-builder: warning: %s\n", message.c_str());
    warnings_.push_back(message);
}

std::vector<std::string> BuildContext::Warnings() const {
    std::lock_guard lock(mutex_);
    return warnings_;
}

void BuildContext::AddPreview(PreviewImage image) {
    if (!collectPreview_)
        return;
    std::lock_guard lock(mutex_);
    previews_.push_back(std::move(image));
}

std::vector<PreviewImage> BuildContext::TakePreviews() {
    std::lock_guard lock(mutex_);
    auto out = std::move(previews_);
    previews_.clear();
    return out;
}

std::vector<std::string> BuildContext::Written() const {
    std::lock_guard lock(mutex_);
    return written_;
}

} // namespace Zorva::Tools
