#include "platform/music_decoder.h"

#include "platform/debug_output.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace Zorva::Platform {
namespace {

// Bytes in memory seen as a file: libsndfile's virtual I/O reads, writes and seeks here.
struct MemoryFile {
    std::vector<std::uint8_t> bytes;
    sf_count_t at = 0;

    static MemoryFile& Of(void* user) { return *static_cast<MemoryFile*>(user); }

    static sf_count_t Length(void* user) { return static_cast<sf_count_t>(Of(user).bytes.size()); }
    static sf_count_t Seek(sf_count_t offset, int whence, void* user)
    {
        MemoryFile& f = Of(user);
        sf_count_t base = 0;
        if (whence == SEEK_CUR)
            base = f.at;
        else if (whence == SEEK_END)
            base = static_cast<sf_count_t>(f.bytes.size());
        const sf_count_t target = base + offset;
        if (target < 0)
            return -1;
        f.at = target;
        return f.at;
    }
    static sf_count_t Read(void* out, sf_count_t count, void* user)
    {
        MemoryFile& f = Of(user);
        const auto size = static_cast<sf_count_t>(f.bytes.size());
        const sf_count_t n = std::clamp<sf_count_t>(size - f.at, 0, count);
        if (n > 0)
            std::memcpy(out, f.bytes.data() + f.at, static_cast<size_t>(n));
        f.at += n;
        return n;
    }
    static sf_count_t Write(const void* in, sf_count_t count, void* user)
    {
        MemoryFile& f = Of(user);
        const auto end = static_cast<size_t>(f.at + count);
        if (end > f.bytes.size())
            f.bytes.resize(end);
        std::memcpy(f.bytes.data() + f.at, in, static_cast<size_t>(count));
        f.at += count;
        return count;
    }
    static sf_count_t Tell(void* user) { return Of(user).at; }

    static SF_VIRTUAL_IO Io() { return SF_VIRTUAL_IO{&Length, &Seek, &Read, &Write, &Tell}; }
};

constexpr sf_count_t kChunkFrames = 16384;

} // namespace

struct CMusicDecoder::Source {
    MemoryFile file;
    SNDFILE* handle = nullptr;
    SF_INFO info{};
};

HRESULT CMusicDecoder::Open(std::vector<std::uint8_t> file, std::unique_ptr<CMusicDecoder>& decoder)
{
    decoder.reset();
    std::unique_ptr<CMusicDecoder> d(new CMusicDecoder());
    d->source_ = std::make_unique<Source>();
    Source& s = *d->source_;
    s.file.bytes = std::move(file);
    SF_VIRTUAL_IO io = MemoryFile::Io();
    s.handle = sf_open_virtual(&io, SFM_READ, &s.info, &s.file);
    if (s.handle == nullptr) {
        DebugOutput(std::string("Music decoder: ") + sf_strerror(nullptr) + "\n");
        return kUnsupportedMusic;
    }
    if (s.info.channels < 1 || s.info.channels > 18 || s.info.samplerate < 1000 || s.info.samplerate > 384000 ||
        s.info.frames < 0) {
        DebugOutput("Music decoder: the file's channel count or frame rate cannot be played\n");
        return kUnsupportedMusic;
    }
    d->format_ = WaveFormat::Pcm16(static_cast<std::uint16_t>(s.info.channels), static_cast<std::uint32_t>(s.info.samplerate));
    d->frames_ = s.info.frames;
    decoder = std::move(d);
    return S_OK;
}

CMusicDecoder::~CMusicDecoder()
{
    if (source_ && source_->handle != nullptr)
        sf_close(source_->handle);
}

std::int64_t CMusicDecoder::Duration() const
{
    return frames_ * 10'000'000 / static_cast<std::int64_t>(format_.samplesPerSec);
}

HRESULT CMusicDecoder::Rewind()
{
    return sf_seek(source_->handle, 0, SEEK_SET) == 0 ? S_OK : E_FAIL;
}

HRESULT CMusicDecoder::ReadChunk(std::vector<std::uint8_t>& chunk)
{
    const size_t channels = format_.channels;
    // Read normalised to [-1, 1] whatever the source holds (a 16-bit source comes back exactly),
    // then quantised: libsndfile's own float-to-short path would either truncate or rescale to
    // the file's peak.
    std::vector<float> samples(static_cast<size_t>(kChunkFrames) * channels);
    const sf_count_t got = sf_readf_float(source_->handle, samples.data(), kChunkFrames);
    if (got < 0 || sf_error(source_->handle) != SF_ERR_NO_ERROR) {
        DebugOutput(std::string("Music decoder: ") + sf_strerror(source_->handle) + "\n");
        chunk.clear();
        return E_FAIL;
    }
    const size_t count = static_cast<size_t>(got) * channels;
    chunk.resize(count * sizeof(std::int16_t));
    for (size_t i = 0; i < count; ++i) {
        const long v = std::lrint(static_cast<double>(samples[i]) * 32768.0);
        const auto s16 = static_cast<std::int16_t>(std::clamp<long>(v, -32768, 32767));
        std::memcpy(chunk.data() + 2 * i, &s16, 2);
    }
    return S_OK;
}

std::vector<std::uint8_t> EncodeMusic(const std::vector<std::int16_t>& frames, int channels, int rate,
                                      MusicContainer container, double quality)
{
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = rate;
    switch (container) {
    case MusicContainer::OggVorbis:
        info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
        break;
    case MusicContainer::OggOpus:
        info.format = SF_FORMAT_OGG | SF_FORMAT_OPUS;
        break;
    case MusicContainer::Flac:
        info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
        break;
    case MusicContainer::Wav:
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        break;
    }
    MemoryFile out;
    SF_VIRTUAL_IO io = MemoryFile::Io();
    SNDFILE* handle = sf_open_virtual(&io, SFM_WRITE, &info, &out);
    if (handle == nullptr)
        return {};
    if (container == MusicContainer::OggVorbis || container == MusicContainer::OggOpus) {
        double q = std::clamp(quality, 0.0, 1.0);
        sf_command(handle, SFC_SET_VBR_ENCODING_QUALITY, &q, sizeof q);
    }
    // In pieces: the Vorbis encoder takes one whole write as one analysis buffer, and a long
    // track in a single write overruns it.
    const auto count = static_cast<sf_count_t>(frames.size() / static_cast<size_t>(channels));
    bool ok = true;
    for (sf_count_t at = 0; ok && at < count; at += kChunkFrames) {
        const sf_count_t n = std::min(kChunkFrames, count - at);
        ok = sf_writef_short(handle, frames.data() + at * channels, n) == n;
    }
    if (sf_close(handle) != 0 || !ok)
        return {};
    return std::move(out.bytes);
}

} // namespace Zorva::Platform
