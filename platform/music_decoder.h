// Decoding compressed music (Ogg Vorbis, Opus, FLAC, WAV and the other formats libsndfile
// reads) from bytes in memory into plain 16-bit PCM, chunk by chunk; and the reverse, for tools
// and tests that make such files.
#pragma once

#include "platform/hresult.h"
#include "platform/wave_format.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Zorva::Platform {

// The bytes are not a music file the decoder can read.
inline constexpr HRESULT kUnsupportedMusic = MakeCode(0xC00D36C4u);

class CMusicDecoder {
public:
    // Takes the file's bytes and keeps them for as long as it lives.
    static HRESULT Open(std::vector<std::uint8_t> file, std::unique_ptr<CMusicDecoder>& decoder);
    ~CMusicDecoder();
    CMusicDecoder(const CMusicDecoder&) = delete;
    CMusicDecoder& operator=(const CMusicDecoder&) = delete;

    // Always plain 16-bit PCM with the file's channel count and frame rate.
    const WaveFormat& Format() const { return format_; }
    // The length in 100-nanosecond units.
    std::int64_t Duration() const;
    // Back to the first frame.
    HRESULT Rewind();
    // The next chunk of whole frames; empty at the end of the stream.
    HRESULT ReadChunk(std::vector<std::uint8_t>& chunk);

    struct Source;

private:
    CMusicDecoder() = default;
    std::unique_ptr<Source> source_;
    WaveFormat format_;
    std::int64_t frames_ = 0;
};

enum class MusicContainer { OggVorbis, OggOpus, Flac, Wav };

// Encodes interleaved 16-bit frames; quality 0..1 for the lossy formats. Empty on failure.
std::vector<std::uint8_t> EncodeMusic(const std::vector<std::int16_t>& frames, int channels, int rate,
                                      MusicContainer container, double quality = 0.6);

} // namespace Zorva::Platform
