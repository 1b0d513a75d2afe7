// Finding and loading the resources by stage: the searcher lists the folders of one stage and
// queues one holder per *.zorva-* file; each holder reads its container on a worker and hands the
// payload to the handler of its kind. The stage completes when the listing and every holder of it
// are done.
#pragma once

#include "file/file_holder.h"
#include "file/kind_hooks.h"
#include "kernel/thread.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace Zorva::File {

// The folders a stage lists and the stage it moves to while they load. `firstContentPass` is true
// until the Stream and Art folders were listed once in this run.
struct StagePlan {
    std::vector<std::u16string> folders;
    std::uint32_t loadingStage = 0; // unchanged for a stage without folders
};
StagePlan PlanStage(std::uint32_t stage, const std::u16string& resourceRoot, const std::u16string& userFolder,
                    std::uint32_t quality, std::uint16_t language, bool firstContentPass);

// The stage a completed one moves to: 1 -> 2, 4 -> 5, 7 -> 8, anything else -> 13.
std::uint32_t CompletedStage(std::uint32_t stage);

class CFileSearcher : public Thread::ITask {
public:
    // Empty folders mean the program's own: the resource root and the user version folder.
    explicit CFileSearcher(std::u16string resourceRoot = {}, std::u16string userFolder = {});
    // Waits until nothing of it is queued or loading.
    ~CFileSearcher() override;

    void Run() override;
    bool ReleaseAfterRun() override;

    // Queues the searcher on the kernel's pool. Always post it through here.
    void Post();
    // Waits until no stage is loading (or a failure was reported or a quit requested), sets
    // LoadStage and queues the searcher.
    void StartStage(std::uint32_t stage);
    // The wait of StartStage alone.
    void WaitUntilDone();
    bool Done() const { return done_.load(); }

    // The kind handler of an extension, null when there is none.
    const KindHandler* FindHandler(const std::u16string& extension) const;

    // Each holder of a stage holds one reference; giving the last one back completes the stage.
    void TakeReference();
    void GiveBackReference();

    // Counts tasks that use the searcher's world without holding a reference (the merge task).
    void TaskStarted() { outstanding_.fetch_add(1); }
    void TaskEnded();

private:
    std::u16string resourceRoot_;
    std::u16string userFolder_;
    std::mutex mutex_;
    std::condition_variable stageFinished_;
    std::unordered_map<std::u16string, KindHandler> handlers_;
    std::atomic<bool> done_{true};
    // A stage whose listing failed never completes.
    std::atomic<bool> stageFailed_{false};
    // Posts not yet run and tasks still alive.
    std::atomic<int> outstanding_{0};
};

// One file being loaded: read, decrypted, validated and decompressed by Run on a worker, then
// handed to its kind's handler. A damaged profile is deleted on the way out.
class CZorvaFileHolder : public Thread::ITask, public CFileHolderGeneric {
public:
    CZorvaFileHolder(CFileSearcher* owner, std::u16string path, std::uint32_t fileSize);
    ~CZorvaFileHolder() override;
    void Run() override;
    bool ReleaseAfterRun() override { return true; }

private:
    CFileSearcher* owner_;
};

} // namespace Zorva::File
