// The 18-byte sample-format record that sound files carry and voices are created for:
// format tag, channels, frame rate, bytes per second, bytes per frame, bits per sample and the
// count of extra format bytes, little-endian.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace Zorva::Platform {

inline constexpr std::uint16_t kWaveFormatPcm = 1;

struct WaveFormat {
    static constexpr std::size_t kBytes = 18;

    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t extraSize = 0;

    bool operator==(const WaveFormat&) const = default;

    static WaveFormat Pcm16(std::uint16_t channels, std::uint32_t rate)
    {
        WaveFormat f;
        f.formatTag = kWaveFormatPcm;
        f.channels = channels;
        f.samplesPerSec = rate;
        f.blockAlign = static_cast<std::uint16_t>(channels * 2u);
        f.avgBytesPerSec = rate * f.blockAlign;
        f.bitsPerSample = 16;
        return f;
    }

    // Reads the record from 18 bytes.
    static WaveFormat Read(const std::uint8_t* p)
    {
        auto u16 = [p](std::size_t at) { return static_cast<std::uint16_t>(p[at] | (p[at + 1] << 8)); };
        auto u32 = [p](std::size_t at) {
            return static_cast<std::uint32_t>(p[at]) | (static_cast<std::uint32_t>(p[at + 1]) << 8) |
                   (static_cast<std::uint32_t>(p[at + 2]) << 16) | (static_cast<std::uint32_t>(p[at + 3]) << 24);
        };
        WaveFormat f;
        f.formatTag = u16(0);
        f.channels = u16(2);
        f.samplesPerSec = u32(4);
        f.avgBytesPerSec = u32(8);
        f.blockAlign = u16(12);
        f.bitsPerSample = u16(14);
        f.extraSize = u16(16);
        return f;
    }

    std::array<std::uint8_t, kBytes> Bytes() const
    {
        std::array<std::uint8_t, kBytes> b{};
        auto put16 = [&b](std::size_t at, std::uint16_t v) {
            b[at] = static_cast<std::uint8_t>(v);
            b[at + 1] = static_cast<std::uint8_t>(v >> 8);
        };
        auto put32 = [&b](std::size_t at, std::uint32_t v) {
            for (std::size_t i = 0; i < 4; ++i)
                b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
        };
        put16(0, formatTag);
        put16(2, channels);
        put32(4, samplesPerSec);
        put32(8, avgBytesPerSec);
        put16(12, blockAlign);
        put16(14, bitsPerSample);
        put16(16, extraSize);
        return b;
    }
};

} // namespace Zorva::Platform
