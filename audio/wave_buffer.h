// Decoded sounds as the voice groups share them, and one entry of a group's queue.
#pragma once

#include "kernel/thread.h"
#include "platform/wave_format.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace Zorva::Audio {

// Told on the command thread when an item's buffer has ended.
class IWaveCallback {
public:
    virtual void OnWaveEnd() = 0;

protected:
    ~IWaveCallback() = default;
};

// One decoded sound. The format points at the engine's stored copy, so two sounds share a format
// exactly when they share that pointer.
class CWaveBuffer : public Thread::IZorvaUnknown {
public:
    CWaveBuffer(const Platform::WaveFormat* format_, std::vector<std::uint8_t> samples_)
        : format(format_), samples(std::move(samples_))
    {
    }

    const Platform::WaveFormat* const format;
    const std::vector<std::uint8_t> samples;
};

// A counted reference to an IZorvaUnknown.
template <class T>
class CRef {
public:
    CRef() = default;
    // Takes over the caller's reference.
    static CRef Adopt(T* p)
    {
        CRef r;
        r.p_ = p;
        return r;
    }
    explicit CRef(T* p) : p_(p)
    {
        if (p_ != nullptr)
            p_->AddRef();
    }
    CRef(const CRef& o) : CRef(o.p_) {}
    CRef(CRef&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    CRef& operator=(CRef o) noexcept
    {
        std::swap(p_, o.p_);
        return *this;
    }
    ~CRef()
    {
        if (p_ != nullptr)
            p_->Release();
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

struct SoundItem {
    std::u16string name;
    IWaveCallback* callback = nullptr;
    bool pending = true; // not yet submitted to a voice
    CRef<CWaveBuffer> buffer;
};

} // namespace Zorva::Audio
