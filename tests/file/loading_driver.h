// Plays the render thread's frame step for loading tests: a resource tree on disk, hooks that
// record what each kind received, and a loop that advances the stages until loading ends.
#pragma once

#include "file/kind_hooks.h"
#include "file/loading.h"
#include "file_test_support.h"
#include "kernel/load_stage.h"
#include "kernel_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace Zorva::Testing {

namespace fs = std::filesystem;

inline void Pack(const fs::path& path, const Bytes& payload)
{
    fs::create_directories(path.parent_path());
    ASSERT_TRUE(File::WriteContainerFile(payload.data(), payload.size(), Wide(path)));
}

// What the forwarded kinds and the texture step received, by the file's path below the root.
class HookRecorder {
public:
    explicit HookRecorder(fs::path root) : root_(std::move(root))
    {
        File::KindHooks& hooks = File::GetKindHooks();
        auto record = [this](const char* kind) {
            return [this, kind](File::CFileHolderGeneric& f) {
                std::lock_guard lock(mutex_);
                seen_.push_back(std::string(kind) + " " + fs::relative(fs::path(f.GetPath()), root_).string());
            };
        };
        hooks.sound = record("snd");
        hooks.stream = record("strm");
        hooks.mesh = record("msh");
        hooks.texture = record("tex");
        hooks.vertexShader = record("vsil");
        hooks.pixelShader = record("ps");
        hooks.createArtTexture = [this](const std::u16string& name, const std::vector<std::uint8_t>& dds) {
            std::lock_guard lock(mutex_);
            arts_.push_back(fs::path(name).string() + " " + std::string(dds.begin(), dds.end()));
            return artResult;
        };
    }
    ~HookRecorder() { File::GetKindHooks() = File::KindHooks{}; }

    std::vector<std::string> Seen()
    {
        std::lock_guard lock(mutex_);
        std::vector<std::string> s = seen_;
        std::sort(s.begin(), s.end());
        return s;
    }
    std::vector<std::string> Arts()
    {
        std::lock_guard lock(mutex_);
        return arts_;
    }
    std::size_t Count(const std::string& entry)
    {
        const auto s = Seen();
        return static_cast<std::size_t>(std::count(s.begin(), s.end(), entry));
    }
    void Clear()
    {
        std::lock_guard lock(mutex_);
        seen_.clear();
        arts_.clear();
    }

    HRESULT artResult = S_OK;

private:
    fs::path root_;
    std::mutex mutex_;
    std::vector<std::string> seen_;
    std::vector<std::string> arts_;
};

// Frame steps until loading ends, a failure is reported or time runs out; true when it reached 14.
inline bool DriveLoading(const File::LoadingCallbacks& callbacks = {},
                         std::chrono::seconds timeout = std::chrono::seconds(30))
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (LoadStage.load() < kStageRunning && KeepWorking() && std::chrono::steady_clock::now() < end) {
        File::AdvanceLoading(callbacks);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return LoadStage.load() == kStageRunning;
}

} // namespace Zorva::Testing
