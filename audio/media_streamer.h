// One music file, opened when it loads and kept undecoded until its track is chosen; then
// decoded completely into 16-bit PCM on the stream thread.
#pragma once

#include "platform/music_decoder.h"
#include "platform/wave_format.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Zorva::Audio {

class CMediaStreamer {
public:
    // Takes the file's bytes; a file the decoder cannot read raises AudioFailed.
    explicit CMediaStreamer(std::vector<std::uint8_t> file);

    const Platform::WaveFormat& Format() const { return format_; }
    // The decoded size in bytes, from the duration: a capacity hint.
    std::uint32_t ExpectedSize() const { return expectedSize_; }
    static std::uint32_t ExpectedSizeFor(std::uint32_t avgBytesPerSec, std::int64_t duration100ns);

    // Back to the start.
    void Restart();
    // The next chunk; empty at the end, and then the reader is rewound.
    std::vector<std::uint8_t> ReadChunk();
    // The whole track from its start.
    std::vector<std::uint8_t> DecodeAll();

private:
    std::unique_ptr<Platform::CMusicDecoder> reader_;
    Platform::WaveFormat format_;
    std::uint32_t expectedSize_ = 0;
};

} // namespace Zorva::Audio
