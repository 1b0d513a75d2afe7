// The names of the loaded music streams; the music-change cue picks the next track from it.
#pragma once

#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace Zorva::Kernel {

class CMusicList {
public:
    void Add(std::u16string name)
    {
        std::lock_guard lock(mutex_);
        names_.push_back(std::move(name));
    }
    // Uniform over the list; nothing while it is empty.
    std::optional<std::u16string> PickRandom(std::mt19937& engine) const
    {
        std::lock_guard lock(mutex_);
        if (names_.empty())
            return std::nullopt;
        std::uniform_int_distribution<size_t> pick(0, names_.size() - 1);
        return names_[pick(engine)];
    }
    std::vector<std::u16string> Names() const
    {
        std::lock_guard lock(mutex_);
        return names_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::u16string> names_;
};

} // namespace Zorva::Kernel
