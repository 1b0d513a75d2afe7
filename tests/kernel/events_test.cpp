// Event channels and timed interpolation against the frame clock.
#include "kernel/events.h"

#include <gtest/gtest.h>

#include <vector>

namespace Zorva::Kernel {
namespace {

struct Probe : CTimeLerp {
    Probe() : CTimeLerp(0.5, 2.0, 4.0) {}
    std::vector<std::string> calls;
    void OnEnded() override { calls.push_back("ended"); }
    void OnFirstEnded() override { calls.push_back("first"); }
    void OnProgress() override { calls.push_back("progress " + std::to_string(Value())); }
};

TEST(TimeLerp, IdleRunningAndEnded)
{
    FrameTime = 10.0;
    Probe p;
    EXPECT_FLOAT_EQ(p.Value(), 2.0f); // never started
    p.Begin();
    FrameTime = 10.25;
    EXPECT_FLOAT_EQ(p.Value(), 3.0f);
    FrameTime = 10.5;
    EXPECT_FLOAT_EQ(p.Value(), 4.0f);
    EXPECT_EQ(p.start, -1.0);
    EXPECT_FLOAT_EQ(p.Value(), 4.0f);
    EXPECT_EQ(p.calls, (std::vector<std::string>{"ended", "first"})); // ended once only

    p.Begin();
    FrameTime = 20.0;
    p.Value();
    EXPECT_EQ(p.calls, (std::vector<std::string>{"ended", "first", "ended"})); // first-ended only the first time
}

TEST(TimeLerp, ARunAlreadyOverEndsAtItsFirstFrame)
{
    FrameTime = 1.0;
    Probe p;
    p.Begin();
    FrameTime = 5.0;
    CEventRegistry::Instance().Fire(Channel::Frame);
    EXPECT_EQ(p.calls, (std::vector<std::string>{"ended", "first", "progress 4.000000"}));
    CEventRegistry::Instance().Fire(Channel::Frame); // ended: nothing more
    EXPECT_EQ(p.calls.size(), 3u);
}

struct Listener : COnEvent {
    Listener(std::vector<int>& log, int id, bool goOn) : log_(log), id_(id), goOn_(goOn)
    {
        CEventRegistry::Instance().Register(Channel::Press, this);
    }
    bool OnPress() override
    {
        log_.push_back(id_);
        if (onPress)
            onPress();
        return goOn_;
    }
    std::function<void()> onPress;
    std::vector<int>& log_;
    int id_;
    bool goOn_;
};

TEST(Channels, FiredInOrderUntilOneConsumes)
{
    std::vector<int> log;
    Listener a(log, 1, true), b(log, 2, false), c(log, 3, true);
    CEventRegistry::Instance().Fire(Channel::Press);
    EXPECT_EQ(log, (std::vector<int>{1, 2}));
    CEventRegistry::Instance().Fire(Channel::Release); // nobody listens there
    EXPECT_EQ(log.size(), 2u);
}

TEST(Channels, ListenersMayComeAndGoWhileTheChannelFires)
{
    std::vector<int> log;
    auto a = std::make_unique<Listener>(log, 1, true);
    auto b = std::make_unique<Listener>(log, 2, true);
    std::unique_ptr<Listener> late;
    a->onPress = [&] {
        b.reset(); // a listener destroyed by an earlier one is not called
        late = std::make_unique<Listener>(log, 3, true);
    };
    CEventRegistry::Instance().Fire(Channel::Press);
    EXPECT_EQ(log, (std::vector<int>{1, 3}));
    a->onPress = nullptr;
    log.clear();
    CEventRegistry::Instance().Fire(Channel::Press);
    EXPECT_EQ(log, (std::vector<int>{1, 3}));
    EXPECT_EQ(CEventRegistry::Instance().Count(Channel::Press), 2u);
    a.reset();
    late.reset();
    EXPECT_EQ(CEventRegistry::Instance().Count(Channel::Press), 0u);
}

} // namespace
} // namespace Zorva::Kernel
