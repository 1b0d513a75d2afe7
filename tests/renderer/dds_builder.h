// Small DDS files for tests: the legacy header or the DX10 extension, any payload.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace Zorva::Testing {

inline void PutU32(std::vector<std::uint8_t>& out, size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.at(at + static_cast<size_t>(i)) = static_cast<std::uint8_t>(v >> (8 * i));
}

struct DdsSpec {
    std::uint32_t width = 4, height = 4, mips = 1;
    std::uint32_t dxgi = 28;      // with the DX10 header when nonzero
    std::uint32_t fourCc = 0;     // legacy compressed
    std::uint32_t rgbBits = 0;    // legacy uncompressed: bits and masks
    std::uint32_t masks[4] = {};
    std::uint32_t arraySize = 1;
    bool cube = false;
};

inline std::vector<std::uint8_t> MakeDds(const DdsSpec& s, const std::vector<std::uint8_t>& pixels)
{
    const bool dx10 = s.dxgi != 0;
    std::vector<std::uint8_t> out(dx10 ? 148 : 128, 0);
    std::memcpy(out.data(), "DDS ", 4);
    PutU32(out, 4, 124);
    PutU32(out, 8, 0x1 | 0x2 | 0x4 | 0x1000 | (s.mips > 1 ? 0x20000 : 0));
    PutU32(out, 12, s.height);
    PutU32(out, 16, s.width);
    PutU32(out, 28, s.mips);
    PutU32(out, 76, 32);
    if (dx10) {
        PutU32(out, 80, 0x4);
        std::memcpy(out.data() + 84, "DX10", 4);
        PutU32(out, 128, s.dxgi);
        PutU32(out, 132, 3);
        PutU32(out, 136, s.cube ? 0x4 : 0);
        PutU32(out, 140, s.arraySize);
    } else if (s.fourCc != 0) {
        PutU32(out, 80, 0x4);
        PutU32(out, 84, s.fourCc);
    } else {
        PutU32(out, 80, 0x40 | (s.masks[3] != 0 ? 0x1 : 0));
        PutU32(out, 88, s.rgbBits);
        for (int i = 0; i < 4; ++i)
            PutU32(out, 92 + 4 * static_cast<size_t>(i), s.masks[i]);
    }
    PutU32(out, 108, 0x1000);
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

} // namespace Zorva::Testing
