// The frame clock, the three event channels (frame, press, release) and timed interpolation.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

namespace Zorva {

// Seconds of the frame clock; written once per frame on the render thread before the frame step.
extern double FrameTime;

namespace Kernel {

enum class Channel : std::uint32_t { Frame = 0, Press = 1, Release = 2 };

// A listener. Each handler returns true to let the channel go on to the next listener.
class COnEvent {
public:
    COnEvent() = default;
    COnEvent(const COnEvent&) = delete;
    COnEvent& operator=(const COnEvent&) = delete;
    // Removes the listener from every channel.
    virtual ~COnEvent();
    virtual bool OnFrame() { return true; }
    virtual bool OnPress() { return true; }
    virtual bool OnRelease() { return true; }
};

// The channel registry. Not locked: everything runs on the render thread (the kernel object's
// cue registers on the main thread before that thread starts).
class CEventRegistry {
public:
    static CEventRegistry& Instance();

    void Register(Channel channel, COnEvent* listener);
    // Removes every occurrence of the listener from all three channels.
    void Unregister(COnEvent* listener);
    // Calls the channel's handler on each listener in registration order, stopping after the
    // first one that returns false. Listeners may register and unregister while it runs.
    void Fire(Channel channel);
    size_t Count(Channel channel) const;

private:
    std::vector<COnEvent*> channels_[3];
    int firing_ = 0;
    bool holes_ = false;
};

// A linear interpolation from `from` to `to` over `duration` seconds of FrameTime.
class CTimeLerp : public COnEvent {
public:
    // Registers itself in the frame channel.
    CTimeLerp(double duration, double from, double to);

    // The value now; also ends a run that has passed its end.
    float Value();
    // Starts a run at the current FrameTime.
    void Begin();
    bool OnFrame() override;

    virtual void OnEnded() {}
    virtual void OnStart() {}
    virtual void OnFirstEnded() {}
    virtual void OnProgress() {}

    double start = 0.0; // 0 idle, -1 ended, otherwise the FrameTime the run began
    double duration;
    double from;
    double to;
    std::atomic<bool> endedOnce{false};
};

} // namespace Kernel
} // namespace Zorva
