#include "platform/audio_mixer.h"

#include "platform/debug_output.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace Zorva::Platform {
namespace {

constexpr int kOutputChannels = 2;
constexpr int kPreferredRate = 48000;
constexpr Uint16 kPeriodFrames = 1024;
constexpr std::uint16_t kMaxChannels = 18;

// Where each channel of the standard speaker order lands in the stereo mix:
// front left/right, centre, LFE, back left/right, front left/right of centre, back centre,
// side left/right, then the top speakers.
constexpr float kHalf = 0.70710678f;
constexpr std::array<std::array<float, 2>, kMaxChannels> kStereoFold = {{
    {1.0f, 0.0f},   {0.0f, 1.0f},   {kHalf, kHalf}, {0.0f, 0.0f},   {kHalf, 0.0f},  {0.0f, kHalf},
    {1.0f, 0.0f},   {0.0f, 1.0f},   {0.5f, 0.5f},   {kHalf, 0.0f},  {0.0f, kHalf},  {0.5f, 0.5f},
    {kHalf, 0.0f},  {kHalf, kHalf}, {0.0f, kHalf},  {kHalf, 0.0f},  {kHalf, kHalf}, {0.0f, kHalf},
}};

void ReportSdlFailure(const char* step)
{
    DebugOutput(std::string("Audio device: ") + step + ": " + SDL_GetError() + "\n");
}

} // namespace

struct CSourceVoice::State {
    struct Buffer {
        const std::uint8_t* data = nullptr;
        std::uint32_t frames = 0;
        void* context = nullptr;
    };

    WaveFormat format;
    IVoiceCallback* callback = nullptr;
    std::array<std::array<float, 2>, kMaxChannels> gains{};

    // A ring of the queued buffers; the front one is playing.
    std::array<Buffer, kMaxQueuedBuffers> ring{};
    std::uint32_t head = 0;
    std::uint32_t count = 0;
    double position = 0.0; // frames into the front buffer
    double step = 1.0;     // source frames per output frame

    bool started = false;
    float volume = 1.0f;
    float appliedVolume = 1.0f; // what the last pass ended with; a change ramps over one pass
    std::vector<void*> flushed; // ends not reported yet

    Buffer& Front() { return ring[head]; }
    const Buffer* Second() const { return count > 1 ? &ring[(head + 1) % kMaxQueuedBuffers] : nullptr; }
    void PopFront()
    {
        head = (head + 1) % kMaxQueuedBuffers;
        --count;
    }
};

struct CAudioMixer::Impl {
    struct Event {
        IVoiceCallback* callback;
        void* context;
    };

    IMixerCallback* callback = nullptr;
    std::atomic<SDL_AudioDeviceID> device{0};
    int rate = kPreferredRate;

    mutable std::mutex mutex;
    std::vector<CSourceVoice::State*> voices;
    float master = 1.0f;
    float appliedMaster = 1.0f;
    bool criticalReported = false;
    std::vector<Event> events; // filled while mixing, reported after

    static void SDLCALL Fill(void* user, Uint8* stream, int len);
    void Mix(float* out, int frames);
    void MixVoice(CSourceVoice::State& v, float* out, int frames);
};

void CAudioMixer::Impl::MixVoice(CSourceVoice::State& v, float* out, int frames)
{
    const int channels = v.format.channels;
    const float from = v.appliedVolume;
    const float to = v.volume;
    v.appliedVolume = to;
    auto reportEnded = [&] {
        while (v.count > 0 && v.position >= v.Front().frames) {
            v.position -= v.Front().frames;
            events.push_back({v.callback, v.Front().context});
            v.PopFront();
        }
        if (v.count == 0)
            v.position = 0.0;
    };
    if (!v.started)
        return;
    reportEnded();
    for (int f = 0; f < frames && v.count > 0; ++f) {
        const CSourceVoice::State::Buffer& b = v.Front();
        const auto index = static_cast<std::uint32_t>(v.position);
        const float frac = static_cast<float>(v.position - index);
        const std::uint8_t* s0 = b.data + static_cast<size_t>(index) * v.format.blockAlign;
        // The frame after the last one comes from the next buffer, so buffers join seamlessly.
        const std::uint8_t* s1 = s0;
        if (index + 1 < b.frames)
            s1 = s0 + v.format.blockAlign;
        else if (const auto* next = v.Second(); next != nullptr && next->frames > 0)
            s1 = next->data;
        const float gain = (from + (to - from) * (static_cast<float>(f) / static_cast<float>(frames))) / 32768.0f;
        float left = 0.0f;
        float right = 0.0f;
        for (int c = 0; c < channels; ++c) {
            std::int16_t a = 0;
            std::int16_t z = 0;
            std::memcpy(&a, s0 + 2 * c, 2);
            std::memcpy(&z, s1 + 2 * c, 2);
            const float x = static_cast<float>(a) + (static_cast<float>(z) - static_cast<float>(a)) * frac;
            left += x * v.gains[static_cast<size_t>(c)][0];
            right += x * v.gains[static_cast<size_t>(c)][1];
        }
        out[2 * f] += left * gain;
        out[2 * f + 1] += right * gain;
        v.position += v.step;
        reportEnded();
    }
}

void CAudioMixer::Impl::Mix(float* out, int frames)
{
    std::fill(out, out + static_cast<size_t>(frames) * kOutputChannels, 0.0f);
    std::lock_guard lock(mutex);
    for (CSourceVoice::State* v : voices) {
        for (void* context : v->flushed)
            events.push_back({v->callback, context});
        v->flushed.clear();
        MixVoice(*v, out, frames);
    }
    const float from = appliedMaster;
    const float to = master;
    appliedMaster = to;
    for (int f = 0; f < frames; ++f) {
        const float gain = from + (to - from) * (static_cast<float>(f) / static_cast<float>(frames));
        for (int c = 0; c < kOutputChannels; ++c) {
            float& s = out[kOutputChannels * f + c];
            s = std::clamp(s * gain, -1.0f, 1.0f);
        }
    }
}

void SDLCALL CAudioMixer::Impl::Fill(void* user, Uint8* stream, int len)
{
    auto* self = static_cast<Impl*>(user);
    const int frames = len / static_cast<int>(sizeof(float) * kOutputChannels);
    self->events.clear();
    self->Mix(reinterpret_cast<float*>(stream), frames);
    // Reported outside our lock but inside the device's, which voice destruction waits for.
    for (const Event& e : self->events)
        e.callback->OnBufferEnd(e.context);
    self->events.clear();

    const SDL_AudioDeviceID id = self->device.load();
    if (id != 0 && SDL_GetAudioDeviceStatus(id) == SDL_AUDIO_STOPPED) {
        bool first = false;
        {
            std::lock_guard lock(self->mutex);
            first = !std::exchange(self->criticalReported, true);
        }
        if (first)
            self->callback->OnCriticalError(kAudioDeviceInvalidated);
    }
}

HRESULT CAudioMixer::Create(IMixerCallback* callback, std::unique_ptr<CAudioMixer>& mixer)
{
    mixer.reset();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        ReportSdlFailure("no audio driver");
        return FoldSystemError(ENODEV);
    }
    auto impl = std::make_unique<Impl>();
    impl->callback = callback;
    SDL_AudioSpec want{};
    want.freq = kPreferredRate;
    want.format = AUDIO_F32SYS;
    want.channels = kOutputChannels;
    want.samples = kPeriodFrames;
    want.callback = &Impl::Fill;
    want.userdata = impl.get();
    SDL_AudioSpec have{};
    const SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (id == 0) {
        ReportSdlFailure("cannot open the output");
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return FoldSystemError(ENODEV);
    }
    impl->rate = have.freq;
    impl->events.reserve(4 * kMaxQueuedBuffers);
    impl->device.store(id);
    mixer.reset(new CAudioMixer(std::move(impl)));
    SDL_PauseAudioDevice(id, 0);
    return S_OK;
}

CAudioMixer::CAudioMixer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

CAudioMixer::~CAudioMixer()
{
    const SDL_AudioDeviceID id = impl_->device.exchange(0);
    if (id != 0)
        SDL_CloseAudioDevice(id);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void CAudioMixer::StopEngine()
{
    // Pausing waits for a pass in progress; a paused device calls nothing of ours.
    if (const SDL_AudioDeviceID id = impl_->device.load(); id != 0)
        SDL_PauseAudioDevice(id, 1);
}

int CAudioMixer::OutputRate() const
{
    return impl_->rate;
}

int CAudioMixer::OutputChannels() const
{
    return kOutputChannels;
}

HRESULT CAudioMixer::SetMasterVolume(float volume)
{
    if (!std::isfinite(volume))
        return E_INVALIDARG;
    std::lock_guard lock(impl_->mutex);
    impl_->master = volume;
    return S_OK;
}

float CAudioMixer::GetMasterVolume() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->master;
}

bool CAudioMixer::IsPlayableFormat(const WaveFormat& f)
{
    return f.formatTag == kWaveFormatPcm && f.bitsPerSample == 16 && f.channels >= 1 && f.channels <= kMaxChannels &&
           f.blockAlign == f.channels * 2 && f.samplesPerSec >= 1000 && f.samplesPerSec <= 384000;
}

HRESULT CAudioMixer::CreateSourceVoice(const WaveFormat& format, IVoiceCallback* callback,
                                       std::unique_ptr<CSourceVoice>& voice)
{
    voice.reset();
    if (!IsPlayableFormat(format) || callback == nullptr)
        return E_INVALIDARG;
    auto state = std::make_unique<CSourceVoice::State>();
    state->format = format;
    state->callback = callback;
    state->step = static_cast<double>(format.samplesPerSec) / impl_->rate;
    if (format.channels == 1)
        state->gains[0] = {1.0f, 1.0f};
    else
        for (size_t c = 0; c < format.channels; ++c)
            state->gains[c] = kStereoFold[c];
    state->flushed.reserve(kMaxQueuedBuffers);
    CSourceVoice::State* raw = state.get();
    voice.reset(new CSourceVoice(this, std::move(state)));
    std::lock_guard lock(impl_->mutex);
    impl_->voices.push_back(raw);
    return S_OK;
}

CSourceVoice::CSourceVoice(CAudioMixer* mixer, std::unique_ptr<State> state) : mixer_(mixer), state_(std::move(state)) {}

CSourceVoice::~CSourceVoice()
{
    CAudioMixer::Impl& m = *mixer_->impl_;
    {
        std::lock_guard lock(m.mutex);
        m.voices.erase(std::remove(m.voices.begin(), m.voices.end(), state_.get()), m.voices.end());
    }
    // A pass that took this voice's buffer ends may still be reporting them.
    if (const SDL_AudioDeviceID id = m.device.load(); id != 0) {
        SDL_LockAudioDevice(id);
        SDL_UnlockAudioDevice(id);
    }
}

HRESULT CSourceVoice::Start()
{
    std::lock_guard lock(mixer_->impl_->mutex);
    state_->started = true;
    return S_OK;
}

HRESULT CSourceVoice::Stop()
{
    std::lock_guard lock(mixer_->impl_->mutex);
    state_->started = false;
    return S_OK;
}

HRESULT CSourceVoice::SubmitSourceBuffer(const std::uint8_t* data, std::uint32_t bytes, void* context)
{
    if (data == nullptr && bytes > 0)
        return E_POINTER;
    std::lock_guard lock(mixer_->impl_->mutex);
    State& s = *state_;
    if (s.count >= kMaxQueuedBuffers)
        return kAudioInvalidCall;
    State::Buffer& b = s.ring[(s.head + s.count) % kMaxQueuedBuffers];
    b.data = data;
    b.frames = bytes / s.format.blockAlign;
    b.context = context;
    ++s.count;
    return S_OK;
}

HRESULT CSourceVoice::FlushSourceBuffers()
{
    std::lock_guard lock(mixer_->impl_->mutex);
    State& s = *state_;
    const std::uint32_t keep = (s.started && s.count > 0) ? 1 : 0;
    const size_t before = s.flushed.size();
    while (s.count > keep) {
        const std::uint32_t last = (s.head + s.count - 1) % kMaxQueuedBuffers;
        s.flushed.push_back(s.ring[last].context);
        --s.count;
    }
    // Ends are reported in queue order.
    std::reverse(s.flushed.begin() + static_cast<std::ptrdiff_t>(before), s.flushed.end());
    if (s.count == 0)
        s.position = 0.0;
    return S_OK;
}

HRESULT CSourceVoice::SetVolume(float volume)
{
    if (!std::isfinite(volume))
        return E_INVALIDARG;
    std::lock_guard lock(mixer_->impl_->mutex);
    state_->volume = volume;
    // A change ramps over one pass only while the voice is sounding; otherwise it holds at once.
    if (!state_->started || state_->count == 0)
        state_->appliedVolume = volume;
    return S_OK;
}

float CSourceVoice::GetVolume() const
{
    std::lock_guard lock(mixer_->impl_->mutex);
    return state_->volume;
}

std::uint32_t CSourceVoice::BuffersQueued() const
{
    std::lock_guard lock(mixer_->impl_->mutex);
    return state_->count;
}

const WaveFormat& CSourceVoice::Format() const
{
    return state_->format;
}

} // namespace Zorva::Platform
