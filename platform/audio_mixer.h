// Our own mixer on the default SDL audio output: a master volume and source voices, one per
// sample format, each playing the whole buffers submitted to it in order. Buffers are read in
// place, so their memory must stay valid until their buffer end has been reported.
//
// Callbacks come from the mixer's own thread: a buffer end for every buffer that finished or was
// flushed, and one critical error when the device is lost. They must return quickly and must not
// destroy voices or the mixer.
#pragma once

#include "platform/hresult.h"
#include "platform/wave_format.h"

#include <cstdint>
#include <memory>

namespace Zorva::Platform {

// The device is gone (unplugged, or its stream failed).
inline constexpr HRESULT kAudioDeviceInvalidated = MakeCode(0x88960004u);
// A call that the voice's state does not allow (too many queued buffers).
inline constexpr HRESULT kAudioInvalidCall = MakeCode(0x88960001u);
// The most buffers a voice holds at once.
inline constexpr std::uint32_t kMaxQueuedBuffers = 64;

class IMixerCallback {
public:
    virtual void OnCriticalError(HRESULT error) = 0;

protected:
    ~IMixerCallback() = default;
};

class IVoiceCallback {
public:
    // `context` is the value given with the buffer when it was submitted.
    virtual void OnBufferEnd(void* context) = 0;

protected:
    ~IVoiceCallback() = default;
};

class CAudioMixer;

class CSourceVoice {
public:
    // Leaves the mix at once; no callback for this voice runs after the destructor returns.
    ~CSourceVoice();
    CSourceVoice(const CSourceVoice&) = delete;
    CSourceVoice& operator=(const CSourceVoice&) = delete;

    HRESULT Start();
    // Pauses at the current position; Start goes on from there.
    HRESULT Stop();
    // Queues a whole buffer of frames in the voice's format behind those already queued.
    HRESULT SubmitSourceBuffer(const std::uint8_t* data, std::uint32_t bytes, void* context);
    // Drops the queued buffers (all of them while stopped, all but the one playing while started);
    // each dropped buffer's end is reported from the mixer's thread.
    HRESULT FlushSourceBuffers();
    HRESULT SetVolume(float volume);
    float GetVolume() const;
    // Buffers queued, the one playing included.
    std::uint32_t BuffersQueued() const;
    const WaveFormat& Format() const;

private:
    friend class CAudioMixer;
    struct State;
    CSourceVoice(CAudioMixer* mixer, std::unique_ptr<State> state);
    CAudioMixer* mixer_;
    std::unique_ptr<State> state_;
};

class CAudioMixer {
public:
    // Opens the default output device and starts mixing; the result says why it could not.
    static HRESULT Create(IMixerCallback* callback, std::unique_ptr<CAudioMixer>& mixer);
    // Every voice must be gone first.
    ~CAudioMixer();
    CAudioMixer(const CAudioMixer&) = delete;
    CAudioMixer& operator=(const CAudioMixer&) = delete;

    // Voices of 16-bit PCM at any frame rate and 1 to 18 channels; other formats are refused.
    HRESULT CreateSourceVoice(const WaveFormat& format, IVoiceCallback* callback, std::unique_ptr<CSourceVoice>& voice);
    HRESULT SetMasterVolume(float volume);
    float GetMasterVolume() const;
    // Ends all mixing: silence from here on, and no further callbacks.
    void StopEngine();

    // What the device plays: 32-bit float frames of this many channels at this rate.
    int OutputRate() const;
    int OutputChannels() const;

    // True when a voice can be created for the format.
    static bool IsPlayableFormat(const WaveFormat& format);

    struct Impl;

private:
    friend class CSourceVoice;
    explicit CAudioMixer(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace Zorva::Platform
