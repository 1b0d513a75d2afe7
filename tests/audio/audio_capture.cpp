#include "tests/audio/audio_capture.h"

#include "platform/wave_format.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace Zorva::Testing {

DiskAudioCapture::DiskAudioCapture(const std::filesystem::path& folder) : path_(folder / "audio-out.fifo")
{
    // The device writes into our own process: a write after the reader is gone must fail, not kill.
    ::signal(SIGPIPE, SIG_IGN);
    std::filesystem::remove(path_);
    if (::mkfifo(path_.c_str(), 0600) != 0)
        throw std::runtime_error("mkfifo failed");
    ::setenv("SDL_AUDIODRIVER", "disk", 1);
    ::setenv("SDL_DISKAUDIOFILE", path_.c_str(), 1);
    ::unsetenv("SDL_DISKAUDIODELAY");
    reader_ = std::thread([this] { Reader(); });
}

DiskAudioCapture::~DiskAudioCapture()
{
    stop_.store(true);
    // A reader waiting in open() for a writer is woken by a writer that comes and goes at once.
    while (!done_.load()) {
        const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    reader_.join();
    std::error_code ec;
    std::filesystem::remove(path_, ec);
}

void DiskAudioCapture::Reader()
{
    std::vector<char> buffer(1 << 16);
    std::vector<char> partial;
    constexpr size_t kFrameBytes = 2 * sizeof(float);
    while (!stop_.load()) {
        const int fd = ::open(path_.c_str(), O_RDONLY);
        if (fd < 0) {
            if (errno != EINTR)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        bool connected = false;
        partial.clear();
        while (!stop_.load() && !unplug_.load()) {
            const ssize_t n = ::read(fd, buffer.data(), buffer.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            if (!connected) {
                connected = true;
                connections_.fetch_add(1);
            }
            partial.insert(partial.end(), buffer.begin(), buffer.begin() + n);
            const size_t whole = partial.size() / kFrameBytes * kFrameBytes;
            std::vector<float> frames(whole / sizeof(float));
            std::memcpy(frames.data(), partial.data(), whole);
            partial.erase(partial.begin(), partial.begin() + static_cast<std::ptrdiff_t>(whole));
            std::lock_guard lock(mutex_);
            samples_.insert(samples_.end(), frames.begin(), frames.end());
        }
        ::close(fd);
        if (!connected)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (unplug_.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs_.load()));
            unplug_.store(false);
        }
    }
    done_.store(true);
}

size_t DiskAudioCapture::Frames() const
{
    std::lock_guard lock(mutex_);
    return samples_.size() / 2;
}

std::vector<float> DiskAudioCapture::Samples(size_t from, size_t to) const
{
    std::lock_guard lock(mutex_);
    to = std::min(to, samples_.size() / 2);
    if (from >= to)
        return {};
    return std::vector<float>(samples_.begin() + static_cast<std::ptrdiff_t>(2 * from),
                              samples_.begin() + static_cast<std::ptrdiff_t>(2 * to));
}

bool DiskAudioCapture::WaitFrames(size_t frames, std::chrono::milliseconds timeout) const
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (Frames() < frames) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

size_t DiskAudioCapture::Record(double seconds) const
{
    const size_t start = Frames();
    const auto frames = static_cast<size_t>(seconds * kCaptureRate);
    WaitFrames(start + frames, std::chrono::milliseconds(static_cast<int>(seconds * 3000) + 5000));
    return start;
}

std::optional<size_t> DiskAudioCapture::WaitForTone(double hz, double level, size_t from,
                                                    std::chrono::milliseconds timeout) const
{
    constexpr size_t kWindow = kCaptureRate / 50;
    const auto end = std::chrono::steady_clock::now() + timeout;
    size_t at = from;
    for (;;) {
        const size_t frames = Frames();
        if (at + kWindow <= frames) {
            const std::vector<float> s = Samples(at, frames);
            for (size_t w = 0; w + kWindow <= s.size() / 2; w += kWindow / 2)
                if (ToneLevel(s, w, kWindow, hz) >= level)
                    return at + w;
            at = frames - kWindow;
        }
        if (std::chrono::steady_clock::now() >= end)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void DiskAudioCapture::Disconnect(std::chrono::milliseconds pause)
{
    pauseMs_.store(static_cast<int>(pause.count()));
    unplug_.store(true);
}

double ToneLevel(const std::vector<float>& stereo, size_t from, size_t count, double hz, int channel)
{
    const size_t frames = stereo.size() / 2;
    if (from >= frames)
        return 0.0;
    count = std::min(count, frames - from);
    if (count < 2)
        return 0.0;
    double re = 0.0;
    double im = 0.0;
    double weight = 0.0;
    const double w = 2.0 * M_PI * hz / kCaptureRate;
    for (size_t i = 0; i < count; ++i) {
        const double hann = 0.5 - 0.5 * std::cos(2.0 * M_PI * static_cast<double>(i) / static_cast<double>(count - 1));
        const double x = stereo[2 * (from + i) + static_cast<size_t>(channel)] * hann;
        re += x * std::cos(w * static_cast<double>(i));
        im -= x * std::sin(w * static_cast<double>(i));
        weight += hann;
    }
    return 2.0 * std::sqrt(re * re + im * im) / weight;
}

double Rms(const std::vector<float>& stereo, size_t from, size_t count, int channel)
{
    const size_t frames = stereo.size() / 2;
    if (from >= frames)
        return 0.0;
    count = std::min(count, frames - from);
    double sum = 0.0;
    for (size_t i = 0; i < count; ++i) {
        const double x = stereo[2 * (from + i) + static_cast<size_t>(channel)];
        sum += x * x;
    }
    return count > 0 ? std::sqrt(sum / static_cast<double>(count)) : 0.0;
}

double FirstLoudRun(const std::vector<float>& stereo, double level)
{
    const size_t window = kCaptureRate / 400;
    const size_t frames = stereo.size() / 2;
    size_t at = 0;
    while (at + window <= frames && Rms(stereo, at, window) < level)
        at += window;
    size_t run = 0;
    while (at + window <= frames && Rms(stereo, at, window) >= level) {
        at += window;
        run += window;
    }
    return static_cast<double>(run) / kCaptureRate;
}

std::vector<double> ToneTrack(const std::vector<float>& stereo, double hz, size_t window, int channel)
{
    std::vector<double> levels;
    for (size_t from = 0; from + window <= stereo.size() / 2; from += window)
        levels.push_back(ToneLevel(stereo, from, window, hz, channel));
    return levels;
}

std::vector<std::int16_t> SineFrames(const std::vector<double>& hzPerChannel, double seconds, int rate,
                                     double amplitude, double phaseFrames)
{
    const auto frames = static_cast<size_t>(std::llround(seconds * rate));
    const size_t channels = hzPerChannel.size();
    std::vector<std::int16_t> out(frames * channels);
    for (size_t i = 0; i < frames; ++i)
        for (size_t c = 0; c < channels; ++c) {
            const double hz = hzPerChannel[c];
            const double t = (static_cast<double>(i) + phaseFrames) / rate;
            const double v = hz > 0.0 ? amplitude * std::sin(2.0 * M_PI * hz * t) : 0.0;
            out[i * channels + c] = static_cast<std::int16_t>(std::lround(v * 32767.0));
        }
    return out;
}

std::vector<std::uint8_t> SoundPayload(const std::vector<std::int16_t>& frames, int channels, int rate)
{
    const auto format = Platform::WaveFormat::Pcm16(static_cast<std::uint16_t>(channels), static_cast<std::uint32_t>(rate));
    const auto header = format.Bytes();
    const size_t bytes = frames.size() * sizeof(std::int16_t);
    std::vector<std::uint8_t> payload(header.size() + bytes);
    std::memcpy(payload.data(), header.data(), header.size());
    if (bytes > 0)
        std::memcpy(payload.data() + header.size(), frames.data(), bytes);
    return payload;
}

} // namespace Zorva::Testing
