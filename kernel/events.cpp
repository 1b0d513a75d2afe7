#include "kernel/events.h"

#include <algorithm>

namespace Zorva {

double FrameTime = 0.0;

namespace Kernel {

COnEvent::~COnEvent()
{
    CEventRegistry::Instance().Unregister(this);
}

CEventRegistry& CEventRegistry::Instance()
{
    static CEventRegistry registry;
    return registry;
}

void CEventRegistry::Register(Channel channel, COnEvent* listener)
{
    channels_[static_cast<std::uint32_t>(channel)].push_back(listener);
}

void CEventRegistry::Unregister(COnEvent* listener)
{
    for (auto& list : channels_) {
        if (firing_ > 0) {
            // The list is being walked: leave a hole, compacted when the outermost Fire ends.
            for (COnEvent*& l : list)
                if (l == listener) {
                    l = nullptr;
                    holes_ = true;
                }
        } else {
            list.erase(std::remove(list.begin(), list.end(), listener), list.end());
        }
    }
}

void CEventRegistry::Fire(Channel channel)
{
    auto& list = channels_[static_cast<std::uint32_t>(channel)];
    ++firing_;
    for (size_t i = 0; i < list.size(); ++i) {
        COnEvent* l = list[i];
        if (l == nullptr)
            continue;
        bool goOn = true;
        switch (channel) {
        case Channel::Frame:
            goOn = l->OnFrame();
            break;
        case Channel::Press:
            goOn = l->OnPress();
            break;
        case Channel::Release:
            goOn = l->OnRelease();
            break;
        }
        if (!goOn)
            break;
    }
    if (--firing_ == 0 && holes_) {
        for (auto& each : channels_)
            each.erase(std::remove(each.begin(), each.end(), nullptr), each.end());
        holes_ = false;
    }
}

size_t CEventRegistry::Count(Channel channel) const
{
    const auto& list = channels_[static_cast<std::uint32_t>(channel)];
    return static_cast<size_t>(std::count_if(list.begin(), list.end(), [](COnEvent* l) { return l != nullptr; }));
}

CTimeLerp::CTimeLerp(double duration_, double from_, double to_) : duration(duration_), from(from_), to(to_)
{
    CEventRegistry::Instance().Register(Channel::Frame, this);
}

float CTimeLerp::Value()
{
    if (start == 0.0)
        return static_cast<float>(from);
    if (start == -1.0)
        return static_cast<float>(to);
    if (start + duration > FrameTime)
        return static_cast<float>(from + (FrameTime - start) / duration * (to - from));
    start = -1.0;
    OnEnded();
    if (!endedOnce.exchange(true))
        OnFirstEnded();
    return static_cast<float>(to);
}

void CTimeLerp::Begin()
{
    start = FrameTime;
    OnStart();
}

bool CTimeLerp::OnFrame()
{
    if (start <= 0.0)
        return true;
    Value();
    OnProgress();
    return true;
}

} // namespace Kernel
} // namespace Zorva
