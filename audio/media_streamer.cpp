#include "audio/media_streamer.h"

#include "kernel/exceptions.h"

#include <algorithm>
#include <limits>

namespace Zorva::Audio {

CMediaStreamer::CMediaStreamer(std::vector<std::uint8_t> file)
{
    if (const HRESULT hr = Platform::CMusicDecoder::Open(std::move(file), reader_); Failed(hr))
        throw Exception::AudioFailed(hr, u"Audio reader");
    format_ = reader_->Format();
    expectedSize_ = ExpectedSizeFor(format_.avgBytesPerSec, reader_->Duration());
}

std::uint32_t CMediaStreamer::ExpectedSizeFor(std::uint32_t avgBytesPerSec, std::int64_t duration100ns)
{
    const double bytes = static_cast<double>(avgBytesPerSec) * static_cast<double>(duration100ns) * 0.0000001;
    return static_cast<std::uint32_t>(std::clamp(bytes, 0.0, static_cast<double>(std::numeric_limits<std::uint32_t>::max())));
}

void CMediaStreamer::Restart()
{
    if (const HRESULT hr = reader_->Rewind(); Failed(hr))
        throw Exception::AudioFailed(hr, u"Restart Stream");
}

std::vector<std::uint8_t> CMediaStreamer::ReadChunk()
{
    std::vector<std::uint8_t> chunk;
    if (const HRESULT hr = reader_->ReadChunk(chunk); Failed(hr))
        throw Exception::AudioFailed(hr, u"Convert Audio Buffer");
    if (chunk.empty())
        Restart();
    return chunk;
}

std::vector<std::uint8_t> CMediaStreamer::DecodeAll()
{
    std::vector<std::uint8_t> pcm;
    pcm.reserve(expectedSize_);
    Restart();
    for (;;) {
        const std::vector<std::uint8_t> chunk = ReadChunk();
        if (chunk.empty())
            return pcm;
        pcm.insert(pcm.end(), chunk.begin(), chunk.end());
    }
}

} // namespace Zorva::Audio
