// What the audio device really receives: SDL's disk driver writes its raw output into a FIFO that
// a reader thread drains as it arrives (at the device's own real-time pace), plus small tools to
// make test sounds and to measure tones in what was captured.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace Zorva::Testing {

// The mixer's output on the disk driver: 32-bit float stereo at 48000 frames per second.
inline constexpr int kCaptureRate = 48000;

class DiskAudioCapture {
public:
    // Makes the FIFO in `folder` and points SDL_AUDIODRIVER and SDL_DISKAUDIOFILE at it.
    explicit DiskAudioCapture(const std::filesystem::path& folder);
    ~DiskAudioCapture();
    DiskAudioCapture(const DiskAudioCapture&) = delete;
    DiskAudioCapture& operator=(const DiskAudioCapture&) = delete;

    // Frames received so far, over every connection.
    size_t Frames() const;
    // Interleaved stereo samples of frames [from, to).
    std::vector<float> Samples(size_t from, size_t to) const;
    bool WaitFrames(size_t frames, std::chrono::milliseconds timeout) const;
    // Waits until `seconds` more of output have arrived; returns the frame count where it started.
    size_t Record(double seconds) const;
    // Waits until a 20 ms window from `from` on holds the tone at `level` or more (left channel);
    // the first frame of that window, or nothing.
    std::optional<size_t> WaitForTone(double hz, double level, size_t from, std::chrono::milliseconds timeout) const;

    // Pulls the plug: the reading end is closed, so the device's next write fails; after `pause`
    // the FIFO is opened again for the next device.
    void Disconnect(std::chrono::milliseconds pause);
    // How many times a writer has connected.
    int Connections() const { return connections_.load(); }
    const std::filesystem::path& Path() const { return path_; }

private:
    void Reader();

    std::filesystem::path path_;
    mutable std::mutex mutex_;
    std::vector<float> samples_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::atomic<bool> unplug_{false};
    std::atomic<int> pauseMs_{0};
    std::atomic<int> connections_{0};
    std::thread reader_;
};

// The amplitude of a sine at `hz` in one channel (0 left, 1 right) of interleaved stereo samples,
// measured with a Hann window over frames [from, from + count).
double ToneLevel(const std::vector<float>& stereo, size_t from, size_t count, double hz, int channel = 0);
// Root mean square of one channel over frames [from, from + count).
double Rms(const std::vector<float>& stereo, size_t from, size_t count, int channel = 0);
// The first unbroken run of 2.5 ms windows whose level reaches `level` (left channel), in seconds:
// a gap of even one device period inside a sound ends the run there.
double FirstLoudRun(const std::vector<float>& stereo, double level);
// Tone levels in consecutive windows of `window` frames.
std::vector<double> ToneTrack(const std::vector<float>& stereo, double hz, size_t window, int channel = 0);

// Interleaved 16-bit frames of sines, one frequency per channel (0 = silence in that channel).
std::vector<std::int16_t> SineFrames(const std::vector<double>& hzPerChannel, double seconds, int rate,
                                     double amplitude, double phaseFrames = 0.0);
// A sound resource's payload: the 18-byte PCM format record, then the frames.
std::vector<std::uint8_t> SoundPayload(const std::vector<std::int16_t>& frames, int channels, int rate);

} // namespace Zorva::Testing
