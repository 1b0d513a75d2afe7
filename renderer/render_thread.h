// The render thread: it alone touches OpenGL. Other threads post small commands; before every
// frame the queued commands run; a frame is the frame-move step (loading stages, the frame
// channel), the depth, off-screen and main passes, and the present.
#pragma once

#include "kernel/thread.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

namespace Zorva::Renderer {

enum RenderCommand : std::uint32_t {
    kFrame = 0,
    kQuit = 1,
    kSizeChanged = 2,
    kToggleFullScreen = 3,
    kApplySettings = 4,
    kPointerDown = 6,
    kPointerUp = 7,
};

// What the higher subsystems plug into the frame. Every hook may be empty.
struct FrameHooks {
    // The loading sequence's part of the frame-move step for the stage read before the upload
    // queue was drained.
    std::function<void(std::uint32_t stage)> loadingStep;
    // Narration playing -> music ducked.
    std::function<void()> duckMusic;
    // The first time the world is built: the sound setting reaches the audio engine.
    std::function<void()> applyMuteSetting;
    // Press feedback of the pointer (before the press channel), release feedback (before the
    // release channel) and what follows a release.
    std::function<void()> pointerDown, pointerUp, afterRelease;
    // Quit while nothing failed: keep the child's colouring.
    std::function<void()> commitColours;
    // While running, before each frame: free unpacked pixels of pictures not shown.
    std::function<void()> trimPictures;
    // After the first off-screen pass of a run: show the current picture.
    std::function<void()> firstRunningFrame;
    // After the main pass.
    std::function<void()> afterMainPass;
};
FrameHooks& GetFrameHooks();

// Counters for the benchmark: frames drawn and the render thread's processor time.
struct FrameStatistics {
    std::atomic<std::uint64_t> frames{0};
    std::atomic<std::uint64_t> cpuNanoseconds{0};
    std::atomic<double> runningAt{-1.0};       // frame clock when loading reached the running stage
    std::atomic<std::uint64_t> loadingFrames{0}; // frames that showed the loading page
    std::atomic<double> loadingFrom{-1.0};     // frame clock of the first of them
    std::atomic<double> loadingUntil{-1.0};    // and of the last
};
FrameStatistics& Statistics();
// With ZORVA_STATS_FILE set, the figures are written there when the render thread quits.
void WriteStatistics();

class CRendererThread : public Thread::CThread {
public:
    CRendererThread() = default;
    ~CRendererThread() override;

    // From any thread; from the render thread itself the command runs at once.
    void Post(std::uint32_t command);
    // Serialises the window's destruction against the device's shutdown.
    std::mutex& WindowMutex() { return mutexA_; }
    // Blocks until the thread has run Quit or ended.
    void WaitUntilStopped();
    bool Stopped() const { return stopped_.load(); }

protected:
    void Run() override;

private:
    void Execute(std::uint32_t command);
    void OneFrame();
    void Present();
    void MarkStopped();

    std::mutex mutexA_;
    std::atomic<std::uint64_t> threadId_{0};
    std::mutex mutexB_;
    std::deque<std::uint32_t> queue_;
    std::atomic<bool> stopped_{false};
    std::mutex stopMutex_;
    std::condition_variable stopCondition_;
    double nextPresent_ = 0.0;
    bool quit_ = false;
};

// The frame-move step: called by the frame.
void ZorvaOnFrameMove();
// The frame-move step's work at stage 5 (create the world) and 10 (create the page set), for the
// loading sequence to call. The world and the pages come from these factories.
void BuildWorldStep();
void BuildPagesStep();
struct SceneFactories {
    std::function<void()> createWorld;  // makes the world and adds it to the root
    std::function<void()> createPages;  // makes the page set into the world
};
SceneFactories& GetSceneFactories();

} // namespace Zorva::Renderer
