// The loading sequence's reactions that belong to the render thread's frame step. The frame-move
// step calls AdvanceLoading once per frame while LoadStage is below 14; the callbacks are the
// renderer's own share of each reaction.
#pragma once

#include "kernel/thread.h"

#include <cstdint>
#include <functional>

namespace Zorva::File {

class CFileSearcher;

struct LoadingCallbacks {
    std::function<void()> rearrangeSatellites; // at 2, after the Boot2 stage was started
    std::function<void()> buildWorld;          // at 5, before the content stage is started
    std::function<void()> resetBindingCaches;  // at 13, after the merge task was queued
    std::function<void()> buildPages;          // at 10, after LoadStage became 14; the font's
                                               // glyphs are emptied right after it
};

// One frame's share of the loading sequence:
//   2  start stage 3 (Boot2 and its quality folder);
//   5  build the world, start stage 6 (content);
//   8  the first time, when a profile exists, start stage 11 (the profile); otherwise as 13;
//   13 wait for the searcher, set 9 and queue the merge task (which sets 10);
//   10 set 14 and build the pages.
// `stage` is LoadStage as the frame read it before draining the renderer's upload queue, so what
// the finished stage loaded is in the stores before its reaction.
void AdvanceLoading(std::uint32_t stage, const LoadingCallbacks& callbacks);
void AdvanceLoading(const LoadingCallbacks& callbacks);

// The merge task: reads the remembered picture, turns the pictures into textures, sets stage 10.
class CTaskMergeAll : public Thread::ITask {
public:
    CTaskMergeAll();
    ~CTaskMergeAll() override;
    void Run() override;
    bool ReleaseAfterRun() override { return true; }

private:
    // Held from construction: while the searcher is being destroyed the kernel's slot is already
    // empty, and the searcher waits for this task to end.
    CFileSearcher* searcher_ = nullptr;
};

} // namespace Zorva::File
