// Colouring pictures: every content/art/*.svg becomes a region map in Art/.
#include "tools/content-builder/dds.h"
#include "tools/content-builder/generators.h"
#include "tools/content-builder/region_map.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace Zorva::Tools {

RegionMap BuildRegionMap(const Rgba8Image& drawing) {
    RegionMap map;
    map.width = drawing.width;
    map.height = drawing.height;
    const int w = drawing.width, h = drawing.height;
    const std::size_t n = static_cast<std::size_t>(w) * h;

    // Ink coverage 0..1 from the brightness over white.
    std::vector<float> ink(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t* p = &drawing.pixels[i * 4];
        const double a = p[3] / 255.0;
        double grey = 0;
        const double weights[3] = {0.2126, 0.7152, 0.0722};
        for (int c = 0; c < 3; ++c)
            grey += weights[c] * (p[c] * a + 255.0 * (1.0 - a));
        ink[i] = static_cast<float>(std::clamp(1.0 - grey / 255.0, 0.0, 1.0));
    }

    // Label the areas that are not ink, 4-connected, in scan order, with a flood fill.
    constexpr int kInk = -1, kUnset = 0;
    std::vector<int> label(n, kUnset);
    for (std::size_t i = 0; i < n; ++i)
        if (ink[i] >= 0.5f)
            label[i] = kInk;
    std::vector<int> areas{0}; // areas[component]
    std::vector<std::size_t> stack;
    int components = 0;
    for (std::size_t start = 0; start < n; ++start) {
        if (label[start] != kUnset)
            continue;
        const int id = ++components;
        int area = 0;
        stack.push_back(start);
        label[start] = id;
        while (!stack.empty()) {
            const std::size_t i = stack.back();
            stack.pop_back();
            ++area;
            const int x = static_cast<int>(i % w), y = static_cast<int>(i / w);
            const std::size_t next[4] = {i - 1, i + 1, i - w, i + w};
            const bool inside[4] = {x > 0, x < w - 1, y > 0, y < h - 1};
            for (int k = 0; k < 4; ++k)
                if (inside[k] && label[next[k]] == kUnset) {
                    label[next[k]] = id;
                    stack.push_back(next[k]);
                }
        }
        areas.push_back(area);
    }

    // Specks join the outline; the rest are renumbered 1.. in the same order.
    std::vector<int> region(components + 1, 0);
    map.smallestArea = 0;
    for (int c = 1; c <= components; ++c) {
        if (areas[c] < kMinRegionArea) {
            ++map.specks;
            continue;
        }
        region[c] = ++map.regions;
        if (map.smallestArea == 0 || areas[c] < map.smallestArea)
            map.smallestArea = areas[c];
    }

    map.texels.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const int c = label[i];
        if (c == kInk) {
            map.texels[i] = static_cast<std::uint16_t>(std::lround(ink[i] * 15.0f));
        } else if (region[c] == 0) {
            map.texels[i] = 15; // a speck is drawn as ink
        } else {
            map.texels[i] = static_cast<std::uint16_t>((region[c] << 4) | std::lround(ink[i] * 15.0f));
        }
    }
    return map;
}

Rgba8Image FalseColour(const RegionMap& map) {
    Rgba8Image out;
    out.width = map.width;
    out.height = map.height;
    out.pixels.resize(static_cast<std::size_t>(map.width) * map.height * 4);
    // A colour per region: hues spaced by the golden angle, light enough to see the outline.
    std::vector<std::array<std::uint8_t, 3>> colours(map.regions + 1);
    for (int r = 1; r <= map.regions; ++r) {
        const double hue = std::fmod(r * 0.618033988749895, 1.0) * 6.0;
        const double s = 0.55, v = 0.95;
        const int sector = static_cast<int>(hue);
        const double f = hue - sector;
        const double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
        double rgb[3];
        switch (sector % 6) {
        case 0: rgb[0] = v, rgb[1] = t, rgb[2] = p; break;
        case 1: rgb[0] = q, rgb[1] = v, rgb[2] = p; break;
        case 2: rgb[0] = p, rgb[1] = v, rgb[2] = t; break;
        case 3: rgb[0] = p, rgb[1] = q, rgb[2] = v; break;
        case 4: rgb[0] = t, rgb[1] = p, rgb[2] = v; break;
        default: rgb[0] = v, rgb[1] = p, rgb[2] = q; break;
        }
        for (int c = 0; c < 3; ++c)
            colours[r][c] = static_cast<std::uint8_t>(std::lround(rgb[c] * 255));
    }
    for (std::size_t i = 0; i < map.texels.size(); ++i) {
        const int r = map.texels[i] >> 4;
        const double coverage = (map.texels[i] & 15) / 15.0;
        std::uint8_t* o = &out.pixels[i * 4];
        for (int c = 0; c < 3; ++c)
            o[c] = r == 0 ? static_cast<std::uint8_t>(std::lround(60 * (1 - coverage)))
                          : static_cast<std::uint8_t>(std::lround(colours[r][c] * (1 - coverage)));
        o[3] = 255;
    }
    return out;
}

void GeneratePictures(BuildContext& ctx) {
    const auto folder = ctx.Source("art");
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(folder))
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (entry.is_regular_file() && entry.path().extension() == ".svg")
                files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    if (files.empty())
        throw BuildError("no pictures in " + folder.string());
    if (files.size() < 16)
        ctx.Warn("only " + std::to_string(files.size()) + " pictures in content/art (16 or more are wanted)");

    for (const auto& file : files) {
        const std::string name = file.stem().string();
        const Rgba8Image drawing = RenderSvgFile(file, kPictureWidth, kPictureHeight);
        const RegionMap map = BuildRegionMap(drawing);
        if (map.regions == 0)
            throw BuildError(file.string() + ": no area to colour");
        if (map.regions >= kMaxRegions)
            throw BuildError(file.string() + ": " + std::to_string(map.regions) + " regions (fewer than " +
                             std::to_string(kMaxRegions) + " allowed)");
        std::printf("picture %-16s %4d regions, smallest %6d texels, %d specks merged\n", name.c_str(), map.regions,
                    map.smallestArea, map.specks);
        ctx.Write(Folder::Art, name + ".zorva-art", EncodeDdsR16(map.width, map.height, map.texels));
        if (ctx.CollectPreview()) {
            const Rgba8Image colours = FalseColour(map);
            ctx.AddPreview({"Pictures", name + " (" + std::to_string(map.regions) + ")", colours.width,
                            colours.height, colours.pixels});
        }
    }
}

} // namespace Zorva::Tools
