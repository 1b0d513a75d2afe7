#include "tools/content-builder/audio.h"

#include "tools/content-builder/build_context.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

namespace Zorva::Tools {
namespace {

struct Biquad {
    double b0, b1, b2, a1, a2;
    double z1 = 0, z2 = 0;
    double Run(double x) {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

// The two K-weighting stages for any sample rate, from their analogue prototypes.
std::vector<double> KWeightedSquares(const Pcm& pcm, int channel) {
    const double pi = 3.14159265358979323846;
    const double fs = pcm.sampleRate;
    double K = std::tan(pi * 1681.974450955533 / fs);
    const double Q1 = 0.7071752369554196;
    const double Vh = std::pow(10.0, 3.999843853973347 / 20.0);
    const double Vb = std::pow(Vh, 0.4996667741545416);
    double a0 = 1.0 + K / Q1 + K * K;
    Biquad shelf{(Vh + Vb * K / Q1 + K * K) / a0, 2.0 * (K * K - Vh) / a0, (Vh - Vb * K / Q1 + K * K) / a0,
                 2.0 * (K * K - 1.0) / a0, (1.0 - K / Q1 + K * K) / a0};
    K = std::tan(pi * 38.13547087602444 / fs);
    const double Q2 = 0.5003270373238773;
    a0 = 1.0 + K / Q2 + K * K;
    Biquad highPass{1.0, -2.0, 1.0, 2.0 * (K * K - 1.0) / a0, (1.0 - K / Q2 + K * K) / a0};
    std::vector<double> out(pcm.Frames());
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double y = highPass.Run(shelf.Run(pcm.samples[i * pcm.channels + channel]));
        out[i] = y * y;
    }
    return out;
}

// Mean-square power of every 400 ms block, stepping by `hop` frames; shorter sounds count as one
// block padded with silence.
std::vector<double> BlockPowers(const Pcm& pcm, std::size_t hop) {
    const std::size_t block = static_cast<std::size_t>(pcm.sampleRate * 0.4);
    std::vector<double> sum(pcm.Frames(), 0.0);
    for (int c = 0; c < pcm.channels; ++c) {
        const auto squares = KWeightedSquares(pcm, c);
        for (std::size_t i = 0; i < squares.size(); ++i)
            sum[i] += squares[i];
    }
    std::vector<double> prefix(sum.size() + 1, 0.0);
    for (std::size_t i = 0; i < sum.size(); ++i)
        prefix[i + 1] = prefix[i] + sum[i];
    std::vector<double> powers;
    if (sum.size() <= block) {
        powers.push_back(prefix.back() / block);
        return powers;
    }
    for (std::size_t start = 0; start + block <= sum.size(); start += hop)
        powers.push_back((prefix[start + block] - prefix[start]) / block);
    return powers;
}

double ToLufs(double power) { return power > 0 ? -0.691 + 10.0 * std::log10(power) : -200.0; }

struct MemoryFile {
    std::vector<std::uint8_t>* bytes;
    sf_count_t position = 0;
};

SF_VIRTUAL_IO MemoryIo() {
    SF_VIRTUAL_IO io{};
    io.get_filelen = [](void* user) -> sf_count_t {
        return static_cast<sf_count_t>(static_cast<MemoryFile*>(user)->bytes->size());
    };
    io.seek = [](sf_count_t offset, int whence, void* user) -> sf_count_t {
        auto* f = static_cast<MemoryFile*>(user);
        const sf_count_t size = static_cast<sf_count_t>(f->bytes->size());
        sf_count_t target = whence == SEEK_SET ? offset : whence == SEEK_CUR ? f->position + offset : size + offset;
        f->position = std::clamp<sf_count_t>(target, 0, std::max<sf_count_t>(size, target));
        return f->position;
    };
    io.read = [](void* ptr, sf_count_t count, void* user) -> sf_count_t {
        auto* f = static_cast<MemoryFile*>(user);
        const sf_count_t size = static_cast<sf_count_t>(f->bytes->size());
        const sf_count_t n = std::max<sf_count_t>(0, std::min(count, size - f->position));
        if (n > 0)
            std::memcpy(ptr, f->bytes->data() + f->position, static_cast<std::size_t>(n));
        f->position += n;
        return n;
    };
    io.write = [](const void* ptr, sf_count_t count, void* user) -> sf_count_t {
        auto* f = static_cast<MemoryFile*>(user);
        const std::size_t end = static_cast<std::size_t>(f->position + count);
        if (f->bytes->size() < end)
            f->bytes->resize(end);
        std::memcpy(f->bytes->data() + f->position, ptr, static_cast<std::size_t>(count));
        f->position += count;
        return count;
    };
    io.tell = [](void* user) -> sf_count_t { return static_cast<MemoryFile*>(user)->position; };
    return io;
}

Pcm ReadAll(SNDFILE* file, const SF_INFO& info) {
    Pcm pcm;
    pcm.sampleRate = info.samplerate;
    pcm.channels = info.channels;
    pcm.samples.resize(static_cast<std::size_t>(info.frames) * info.channels);
    const sf_count_t got = sf_readf_float(file, pcm.samples.data(), info.frames);
    pcm.samples.resize(static_cast<std::size_t>(got) * info.channels);
    sf_close(file);
    return pcm;
}

std::uint32_t OggCrc(const std::uint8_t* data, std::size_t size) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t r = i << 24;
            for (int k = 0; k < 8; ++k)
                r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
            t[i] = r;
        }
        return t;
    }();
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < size; ++i)
        crc = (crc << 8) ^ table[((crc >> 24) ^ data[i]) & 0xFF];
    return crc;
}

void SetOggSerial(std::vector<std::uint8_t>& ogg, std::uint32_t serial) {
    std::size_t at = 0;
    while (at + 27 <= ogg.size()) {
        if (std::memcmp(&ogg[at], "OggS", 4) != 0)
            throw BuildError("the Ogg encoder wrote something that is not an Ogg page");
        const std::size_t segments = ogg[at + 26];
        std::size_t length = 27 + segments;
        if (at + length > ogg.size())
            throw BuildError("a truncated Ogg page");
        for (std::size_t s = 0; s < segments; ++s)
            length += ogg[at + 27 + s];
        if (at + length > ogg.size())
            throw BuildError("a truncated Ogg page");
        for (int i = 0; i < 4; ++i) {
            ogg[at + 14 + i] = static_cast<std::uint8_t>(serial >> (8 * i));
            ogg[at + 22 + i] = 0;
        }
        const std::uint32_t crc = OggCrc(&ogg[at], length);
        for (int i = 0; i < 4; ++i)
            ogg[at + 22 + i] = static_cast<std::uint8_t>(crc >> (8 * i));
        at += length;
    }
    if (at != ogg.size())
        throw BuildError("trailing bytes after the last Ogg page");
}

} // namespace

double IntegratedLoudness(const Pcm& pcm) {
    const auto powers = BlockPowers(pcm, std::max<std::size_t>(1, static_cast<std::size_t>(pcm.sampleRate * 0.1)));
    auto gatedMean = [&](double gate) {
        double sum = 0;
        int n = 0;
        for (double p : powers)
            if (ToLufs(p) > gate)
                sum += p, ++n;
        return n ? sum / n : 0.0;
    };
    const double absolute = gatedMean(-70.0);
    if (absolute <= 0)
        return -200.0;
    return ToLufs(gatedMean(ToLufs(absolute) - 10.0));
}

double MaxMomentaryLoudness(const Pcm& pcm) {
    const auto powers = BlockPowers(pcm, std::max<std::size_t>(1, static_cast<std::size_t>(pcm.sampleRate * 0.01)));
    return ToLufs(*std::max_element(powers.begin(), powers.end()));
}

double PeakDb(const Pcm& pcm) {
    float peak = 0;
    for (float s : pcm.samples)
        peak = std::max(peak, std::fabs(s));
    return peak > 0 ? 20.0 * std::log10(peak) : -200.0;
}

void ApplyGain(Pcm& pcm, double gainDb) {
    const float g = static_cast<float>(std::pow(10.0, gainDb / 20.0));
    for (float& s : pcm.samples)
        s *= g;
}

double NormaliseTo(Pcm& pcm, double targetLufs, double ceilingDb, bool momentary) {
    const double loudness = momentary ? MaxMomentaryLoudness(pcm) : IntegratedLoudness(pcm);
    if (loudness < -150)
        throw BuildError("normalising a silent sound");
    double gain = targetLufs - loudness;
    gain = std::min(gain, ceilingDb - PeakDb(pcm));
    ApplyGain(pcm, gain);
    return loudness + gain;
}

void FadeEdges(Pcm& pcm, double fadeInSeconds, double fadeOutSeconds) {
    const std::size_t frames = pcm.Frames();
    const std::size_t in = std::min(frames, static_cast<std::size_t>(fadeInSeconds * pcm.sampleRate));
    const std::size_t out = std::min(frames, static_cast<std::size_t>(fadeOutSeconds * pcm.sampleRate));
    for (std::size_t i = 0; i < in; ++i)
        for (int c = 0; c < pcm.channels; ++c)
            pcm.samples[i * pcm.channels + c] *= static_cast<float>(std::sin(0.5 * 3.14159265358979 * i / in));
    for (std::size_t i = 0; i < out; ++i)
        for (int c = 0; c < pcm.channels; ++c)
            pcm.samples[(frames - 1 - i) * pcm.channels + c] *=
                static_cast<float>(std::sin(0.5 * 3.14159265358979 * i / out));
}

std::vector<std::uint8_t> EncodeSoundPayload(const Pcm& pcm, std::uint32_t ditherSeed) {
    std::vector<std::uint8_t> out;
    auto put16 = [&](std::uint32_t v) {
        out.push_back(static_cast<std::uint8_t>(v));
        out.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    auto put32 = [&](std::uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    const std::uint32_t blockAlign = 2u * pcm.channels;
    put16(1); // WAVE_FORMAT_PCM
    put16(static_cast<std::uint32_t>(pcm.channels));
    put32(static_cast<std::uint32_t>(pcm.sampleRate));
    put32(static_cast<std::uint32_t>(pcm.sampleRate) * blockAlign);
    put16(blockAlign);
    put16(16);
    put16(0); // no extra format bytes
    std::mt19937 random(ditherSeed);
    std::uniform_real_distribution<double> uniform(-0.5, 0.5);
    out.reserve(out.size() + pcm.samples.size() * 2);
    for (float s : pcm.samples) {
        const double dithered = s * 32767.0 + uniform(random) + uniform(random);
        const long v = std::clamp(std::lround(dithered), -32768L, 32767L);
        put16(static_cast<std::uint16_t>(static_cast<std::int16_t>(v)));
    }
    return out;
}

Pcm DecodeSoundPayload(const std::vector<std::uint8_t>& payload) {
    if (payload.size() < 18)
        throw BuildError("a sound payload shorter than its format");
    auto get16 = [&](std::size_t at) { return static_cast<std::uint32_t>(payload[at] | (payload[at + 1] << 8)); };
    Pcm pcm;
    pcm.channels = static_cast<int>(get16(2));
    pcm.sampleRate = static_cast<int>(get16(4) | (get16(6) << 16));
    for (std::size_t at = 18; at + 1 < payload.size(); at += 2)
        pcm.samples.push_back(static_cast<std::int16_t>(get16(at)) / 32768.0f);
    return pcm;
}

std::vector<std::uint8_t> EncodeOggVorbis(const Pcm& pcm, double quality, std::uint32_t serial) {
    std::vector<std::uint8_t> bytes;
    MemoryFile file{&bytes};
    SF_VIRTUAL_IO io = MemoryIo();
    SF_INFO info{};
    info.samplerate = pcm.sampleRate;
    info.channels = pcm.channels;
    info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    SNDFILE* out = sf_open_virtual(&io, SFM_WRITE, &info, &file);
    if (!out)
        throw BuildError(std::string("cannot start the Vorbis encoder: ") + sf_strerror(nullptr));
    if (!sf_command(out, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality)) {
        sf_close(out);
        throw BuildError("the Vorbis encoder refuses its quality setting");
    }
    // In small pieces: the encoder takes room on the stack for every frame of a write.
    const sf_count_t frames = static_cast<sf_count_t>(pcm.Frames());
    constexpr sf_count_t kChunk = 4096;
    for (sf_count_t at = 0; at < frames; at += kChunk) {
        const sf_count_t n = std::min(kChunk, frames - at);
        if (sf_writef_float(out, pcm.samples.data() + at * pcm.channels, n) != n) {
            const std::string message = sf_strerror(out);
            sf_close(out);
            throw BuildError("Vorbis encoding failed: " + message);
        }
    }
    sf_close(out);
    SetOggSerial(bytes, serial);
    return bytes;
}

Pcm DecodeAudio(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint8_t> copy = bytes;
    MemoryFile file{&copy};
    SF_VIRTUAL_IO io = MemoryIo();
    SF_INFO info{};
    SNDFILE* in = sf_open_virtual(&io, SFM_READ, &info, &file);
    if (!in)
        throw BuildError(std::string("cannot decode sound: ") + sf_strerror(nullptr));
    return ReadAll(in, info);
}

Pcm ReadAudioFile(const std::filesystem::path& path) {
    SF_INFO info{};
    SNDFILE* in = sf_open(path.c_str(), SFM_READ, &info);
    if (!in)
        throw BuildError(path.string() + ": " + sf_strerror(nullptr));
    return ReadAll(in, info);
}

} // namespace Zorva::Tools
