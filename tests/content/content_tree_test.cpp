// The staged resource tree, read the way an outsider would: every container opens under its own
// name, every name the program asks for is where its loading stage finds it, and the payloads
// are what their readers expect.
#include "file/container.h"
#include "platform/utf.h"
#include "tests/content/res_reader.h"
#include "tests/support/test_support.h"
#include "tools/content-builder/audio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <set>

namespace {

using namespace ResCheck;

const std::filesystem::path kRes = std::filesystem::path(ZORVA_STAGE_DIR) / "Res";
const std::filesystem::path kContent = std::filesystem::path(ZORVA_SOURCE_DIR) / "content";
const char* const kQuality[3] = {"Lvl9", "LvlMedium", "Lvl10"};
const char* const kLanguages[4] = {"pl", "ru", "en-GB", "en"};

class ContentTree : public ::testing::Test {
protected:
    Zorva::Testing::PrivateHome home_;

    static Bytes Payload(const std::string& rel) {
        Opened o = OpenContainer(kRes / rel);
        EXPECT_EQ(o.error, "") << rel;
        return o.payload;
    }
    static std::set<std::string> NamesIn(const std::string& folder, const std::string& ext) {
        std::set<std::string> names;
        const auto dir = kRes / folder;
        if (std::filesystem::is_directory(dir))
            for (const auto& e : std::filesystem::directory_iterator(dir))
                if (e.is_regular_file() && e.path().extension() == ext)
                    names.insert(e.path().stem().string());
        return names;
    }
};

TEST_F(ContentTree, EveryStageFolderHoldsResourcesAndBootHoldsNoGpuData) {
    std::vector<std::string> folders = {"Boot", "Boot2", "Stream", "Art", "Auto"};
    for (const char* q : kQuality) {
        folders.push_back(std::string("Boot2/") + q);
        folders.push_back(std::string("Auto/") + q);
    }
    for (const char* l : kLanguages)
        folders.push_back(std::string("Stream/") + l);
    for (const auto& folder : folders) {
        int count = 0;
        if (std::filesystem::is_directory(kRes / folder))
            for (const auto& e : std::filesystem::directory_iterator(kRes / folder))
                count += e.is_regular_file() && e.path().extension().string().rfind(".zorva-", 0) == 0;
        EXPECT_GT(count, 0) << folder << " is empty or missing";
    }
    for (const char* gpu : {".zorva-tex", ".zorva-msh", ".zorva-vsil", ".zorva-ps"})
        EXPECT_TRUE(NamesIn("Boot", gpu).empty()) << "Boot loads before the device exists: no " << gpu;
}

TEST_F(ContentTree, EveryContainerOpensUnderItsOwnNameAndNoneSetsTheLanguage) {
    const auto files = ListResources(kRes);
    ASSERT_GT(files.size(), 50u);
    for (const auto& rel : files) {
        const Opened o = OpenContainer(kRes / rel);
        EXPECT_EQ(o.error, "") << rel;
        if (rel.ends_with(".zorva-db")) {
            const std::string xml(o.payload.begin(), o.payload.end());
            EXPECT_EQ(xml.find("<I18N"), std::string::npos) << rel << ": the user's locale chooses the language";
            EXPECT_EQ(xml.find("<!DOCTYPE"), std::string::npos) << rel;
        }
    }
}

// The program's own reader takes every file and finds the same payload as the outsider.
TEST_F(ContentTree, TheProgramsReaderAgreesOnEveryFile) {
    for (const auto& rel : ListResources(kRes)) {
        const auto path = kRes / rel;
        const auto wide = Zorva::Platform::DecodeUtf8(path.string());
        ASSERT_TRUE(wide.has_value());
        std::vector<std::uint8_t> raw, payload;
        const auto error = Zorva::File::ReadContainerImage(*wide, std::filesystem::file_size(path), raw);
        ASSERT_FALSE(error) << rel;
        Zorva::File::DecompressContainer(raw, payload);
        EXPECT_TRUE(payload == OpenContainer(path).payload) << rel;
    }
}

// Every texture the pages ask for is loaded at every quality level, by a stage that runs again
// after a settings change (Boot2 or Auto); the ones the world needs when it is first drawn are in
// Boot2.
TEST_F(ContentTree, EveryTextureNameIsThereAtEveryQualityLevel) {
    const std::vector<std::string> pages = {"left", "right", "wrist", "exit", "setup",   "speaker", "mute",
                                            "help", "new",   "print", "no",   "ok",    "(c)",     "i",
                                            "checked", "dummy", "radio", "logo"};
    const std::vector<std::string> world = {"wood", "ghost", "dialog_font"};
    for (const char* q : kQuality) {
        std::set<std::string> boot2 = NamesIn("Boot2", ".zorva-tex"), all;
        for (const auto& n : NamesIn(std::string("Boot2/") + q, ".zorva-tex"))
            boot2.insert(n);
        all = boot2;
        for (const auto& folder : {std::string("Auto"), std::string("Auto/") + q})
            for (const auto& n : NamesIn(folder, ".zorva-tex"))
                all.insert(n);
        for (const auto& name : world)
            EXPECT_TRUE(boot2.count(name)) << name << " missing from Boot2 at " << q;
        for (const auto& name : pages)
            EXPECT_TRUE(all.count(name)) << name << " missing at " << q;
    }
    // The font description comes with its texture, in a folder every replay loads again.
    EXPECT_TRUE(NamesIn("Boot2", ".zorva-db").count("dialog_font"));
}

TEST_F(ContentTree, ColourTexturesHaveFullMipChainsInTheirFormats) {
    for (const auto& rel : ListResources(kRes)) {
        if (!rel.ends_with(".zorva-tex"))
            continue;
        const Bytes dds = Payload(rel);
        const Dds d = ReadDds(dds);
        ASSERT_EQ(d.error, "") << rel;
        const bool font = rel.find("dialog_font") != std::string::npos;
        EXPECT_EQ(d.format, font ? 28u : 29u) << rel;
        EXPECT_EQ(d.dimension, 3u) << rel;
        EXPECT_EQ(d.arraySize, 1u) << rel;
        std::uint32_t levels = 1;
        while ((std::max(d.width, d.height) >> levels) > 0)
            ++levels;
        EXPECT_EQ(d.mipCount, levels) << rel << ": the chain goes down to 1 x 1";
        std::size_t bytes = 0;
        for (std::uint32_t l = 0; l < d.mipCount; ++l)
            bytes += std::size_t{std::max(1u, d.width >> l)} * std::max(1u, d.height >> l) * 4;
        EXPECT_EQ(dds.size(), d.dataOffset + bytes) << rel;
        if (rel.ends_with("/ghost.zorva-tex")) {
            for (std::size_t i = d.dataOffset + 3; i < dds.size(); i += 4)
                ASSERT_EQ(dds[i], 0) << "ghost must be fully transparent";
        }
        if (font) {
            for (std::size_t i = d.dataOffset; i < dds.size(); i += 4)
                ASSERT_TRUE(dds[i] == 255 && dds[i + 1] == 255 && dds[i + 2] == 255) << "font colour is white";
        }
    }
    // The wood's resolution rises with the quality level.
    std::uint32_t last = 0;
    for (const char* q : kQuality) {
        const Dds d = ReadDds(Payload(std::string("Boot2/") + q + "/wood.zorva-tex"));
        EXPECT_GT(d.width, last) << q;
        last = d.width;
    }
}

TEST_F(ContentTree, PictureMapsAreRegionMapsTheCanvasCanRead) {
    std::set<std::string> sources;
    for (const auto& e : std::filesystem::directory_iterator(kContent / "art"))
        if (e.path().extension() == ".svg")
            sources.insert(e.path().stem().string());
    EXPECT_EQ(NamesIn("Art", ".zorva-art"), sources) << "every drawing becomes one picture";
    for (const auto& name : sources) {
        const Bytes dds = Payload("Art/" + name + ".zorva-art");
        const Dds d = ReadDds(dds);
        ASSERT_EQ(d.error, "") << name;
        EXPECT_EQ(d.format, 57u) << name;
        EXPECT_EQ(d.mipCount, 1u) << name;
        ASSERT_EQ(dds.size(), 148 + std::size_t{d.width} * d.height * 2) << name << ": pixels start at byte 148";
        EXPECT_NEAR(static_cast<double>(d.width) / d.height, 1.4142857, 0.002) << name;
        std::vector<std::size_t> area(4096, 0);
        for (std::size_t i = 148; i < dds.size(); i += 2)
            ++area[Get16(dds, i) >> 4];
        int regions = 0;
        for (int r = 1; r < 4096; ++r)
            if (area[r] > 0) {
                EXPECT_EQ(r, regions + 1) << name << ": region numbers run 1, 2, 3, ... without gaps";
                regions = r;
                EXPECT_GE(area[r], 40u) << name << ": region " << r << " is a speck";
            }
        EXPECT_GT(area[0], 0u) << name << ": no outline";
        EXPECT_GE(regions, 3) << name;
        EXPECT_LT(regions, 1024) << name;
    }
}

TEST_F(ContentTree, FontDescriptionCoversTheFourLanguages) {
    const Bytes xmlBytes = Payload("Boot2/dialog_font.zorva-db");
    const std::string xml(xmlBytes.begin(), xmlBytes.end());
    const auto common = XmlElements(xml, "common");
    ASSERT_EQ(common.size(), 1u);
    const Dds atlas = ReadDds(Payload("Boot2/dialog_font.zorva-tex"));
    EXPECT_EQ(std::stoul(common[0].at("scaleW")), atlas.width);
    EXPECT_EQ(std::stoul(common[0].at("scaleH")), atlas.height);
    EXPECT_GT(std::stoi(common[0].at("lineHeight")), 0);
    EXPECT_GT(std::stoi(common[0].at("base")), 0);
    // Glyphs must not be stretched: the texture is as much wider than tall as text units are.
    EXPECT_NEAR(static_cast<double>(atlas.height) / atlas.width, 0.5625, 1e-9);
    EXPECT_LT(xml.find("<common"), xml.find("<chars")) << "common must come before chars";
    EXPECT_LT(xml.find("<chars"), xml.find("<kernings")) << "chars must come before kernings";

    const auto chars = XmlElements(xml, "char");
    const auto charsElement = XmlElements(xml, "chars");
    ASSERT_EQ(charsElement.size(), 1u);
    EXPECT_EQ(std::stoul(charsElement[0].at("count")), chars.size());
    std::map<unsigned, std::map<std::string, std::string>> byId;
    for (const auto& c : chars)
        byId[std::stoul(c.at("id"))] = c;
    std::vector<unsigned> needed;
    for (unsigned c = 0x20; c <= 0x7E; ++c)
        needed.push_back(c);
    for (unsigned c = 0xA0; c <= 0xFF; ++c)
        needed.push_back(c);
    for (unsigned c : {0x104, 0x105, 0x106, 0x107, 0x118, 0x119, 0x141, 0x142, 0x143, 0x144, 0x15A, 0x15B, 0x179,
                       0x17A, 0x17B, 0x17C, 0x401, 0x451})
        needed.push_back(c);
    for (unsigned c = 0x410; c <= 0x44F; ++c)
        needed.push_back(c);
    const Bytes atlasBytes = Payload("Boot2/dialog_font.zorva-tex");
    for (unsigned id : needed) {
        ASSERT_TRUE(byId.count(id)) << "no glyph for U+" << std::hex << id;
        const auto& c = byId[id];
        const unsigned x = std::stoul(c.at("x")), y = std::stoul(c.at("y")), w = std::stoul(c.at("width")),
                       h = std::stoul(c.at("height"));
        EXPECT_LE(x + w, atlas.width);
        EXPECT_LE(y + h, atlas.height);
        EXPECT_GT(std::stoi(c.at("xadvance")), 0) << std::hex << id;
        const bool visible = id != 0x20 && id != 0xA0 && id != 0xAD;
        if (visible) {
            ASSERT_GT(w * h, 0u) << "an empty glyph for U+" << std::hex << id;
            int ink = 0;
            for (unsigned yy = y; yy < y + h; ++yy)
                for (unsigned xx = x; xx < x + w; ++xx)
                    ink += atlasBytes[148 + (std::size_t{yy} * atlas.width + xx) * 4 + 3] > 128;
            EXPECT_GT(ink, 0) << "no ink in the glyph of U+" << std::hex << id;
        }
    }
    const auto kernings = XmlElements(xml, "kerning");
    EXPECT_GT(kernings.size(), 100u) << "the font has kerning pairs";
    bool foundAV = false;
    for (const auto& k : kernings) {
        const unsigned first = std::stoul(k.at("first")), second = std::stoul(k.at("second"));
        EXPECT_TRUE(byId.count(first) && byId.count(second));
        EXPECT_NE(std::stoi(k.at("amount")), 0);
        foundAV = foundAV || (first == 'A' && second == 'V' && std::stoi(k.at("amount")) < 0);
    }
    EXPECT_TRUE(foundAV) << "A followed by V is drawn closer";
}

struct SoundFormat {
    std::uint16_t tag, channels, blockAlign, bits, extra;
    std::uint32_t rate, byteRate;
    bool operator==(const SoundFormat&) const = default;
};

SoundFormat FormatOf(const Bytes& p) {
    return {Get16(p, 0), Get16(p, 2), Get16(p, 12), Get16(p, 14), Get16(p, 16), Get32(p, 4), Get32(p, 8)};
}

// Loudness by plain RMS over the loudest 400 ms (independent of the builder's K-weighting).
double LoudestWindowDb(const Bytes& p, const SoundFormat& f) {
    const std::size_t n = (p.size() - 18) / 2;
    const std::size_t window = static_cast<std::size_t>(f.rate * 0.4) * f.channels;
    std::vector<double> prefix(n + 1, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        const double s = static_cast<std::int16_t>(Get16(p, 18 + 2 * i)) / 32768.0;
        prefix[i + 1] = prefix[i] + s * s;
    }
    double best = 0;
    for (std::size_t i = 0; i + window <= std::max(n, window); i += window / 8)
        best = std::max(best, prefix[std::min(n, i + window)] - prefix[std::min(n, i)]);
    return 10 * std::log10(best / window);
}

TEST_F(ContentTree, JinglesAndSpokenHelpArePcmOfEvenLoudness) {
    const std::vector<std::string> jingles = {"color1", "color3", "color5", "paint1", "paint2", "clear1",
                                              "clear2", "focus",  "exit1",  "vopros", "print1", "no"};
    std::vector<std::pair<std::string, Bytes>> groups[2];
    for (const auto& j : jingles)
        groups[0].emplace_back(j, Payload("Stream/" + j + ".zorva-snd"));
    for (const char* l : kLanguages)
        for (const char* h : {"help_menu", "help_art", "help_art_print"})
            groups[1].emplace_back(std::string(l) + "/" + h, Payload(std::string("Stream/") + l + "/" + h + ".zorva-snd"));
    for (int g = 0; g < 2; ++g) {
        const SoundFormat first = FormatOf(groups[g][0].second);
        double lo = 1e9, hi = -1e9;
        for (const auto& [name, p] : groups[g]) {
            ASSERT_GT(p.size(), 18u + 1000) << name;
            const SoundFormat f = FormatOf(p);
            EXPECT_EQ(f, first) << name << ": one format per voice group, so sounds follow on without a gap";
            EXPECT_EQ(f.tag, 1) << name;
            EXPECT_EQ(f.bits, 16) << name;
            EXPECT_EQ(f.extra, 0) << name;
            EXPECT_EQ(f.blockAlign, f.channels * 2) << name;
            EXPECT_EQ(f.byteRate, f.rate * f.blockAlign) << name;
            EXPECT_EQ((p.size() - 18) % f.blockAlign, 0u) << name;
            const double seconds = static_cast<double>(p.size() - 18) / f.byteRate;
            if (g == 0)
                EXPECT_LE(seconds, 1.5) << name << ": jingles are short";
            else
                EXPECT_LE(seconds, 30.0) << name << ": help is brief";
            int peak = 0;
            for (std::size_t i = 18; i + 1 < p.size(); i += 2)
                peak = std::max(peak, std::abs(static_cast<int>(static_cast<std::int16_t>(Get16(p, i)))));
            EXPECT_LT(peak, 32000) << name << " clips";
            const double loud = LoudestWindowDb(p, f);
            lo = std::min(lo, loud), hi = std::max(hi, loud);
        }
        EXPECT_LT(hi - lo, g == 0 ? 4.0 : 4.0) << (g == 0 ? "jingles" : "spoken help") << " differ in loudness";
    }
}

TEST_F(ContentTree, MusicTracksAreCalmLoopsOfTheRightLength) {
    const auto tracks = NamesIn("Boot", ".zorva-strm");
    ASSERT_GE(tracks.size(), 3u);
    for (const auto& name : tracks) {
        const Zorva::Tools::Pcm pcm = Zorva::Tools::DecodeAudio(Payload("Boot/" + name + ".zorva-strm"));
        EXPECT_GE(pcm.Seconds(), 45.0) << name;
        EXPECT_LE(pcm.Seconds(), 120.0) << name;
        float peak = 0;
        for (float s : pcm.samples)
            peak = std::max(peak, std::fabs(s));
        EXPECT_LT(peak, 0.99f) << name << " clips";
        // The loop: the step from the last frame to the first is no bigger than the steps the
        // music itself takes almost everywhere.
        const std::size_t frames = pcm.Frames();
        std::vector<float> steps;
        for (std::size_t i = 1; i < frames; ++i)
            for (int c = 0; c < pcm.channels; ++c)
                steps.push_back(std::fabs(pcm.samples[i * pcm.channels + c] - pcm.samples[(i - 1) * pcm.channels + c]));
        std::nth_element(steps.begin(), steps.begin() + steps.size() * 99 / 100, steps.end());
        const float typical = steps[steps.size() * 99 / 100];
        for (int c = 0; c < pcm.channels; ++c) {
            const float jump = std::fabs(pcm.samples[c] - pcm.samples[(frames - 1) * pcm.channels + c]);
            EXPECT_LE(jump, typical) << name << ": a click where the track loops";
        }
    }
}

TEST_F(ContentTree, BackgroundBlobIsAPngPicture) {
    const Bytes png = Payload("Boot/background.zorva-blob");
    ASSERT_GT(png.size(), 33u);
    const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_TRUE(std::equal(signature, signature + 8, png.begin()));
    auto be32 = [&](std::size_t at) {
        return (std::uint32_t{png[at]} << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3];
    };
    EXPECT_EQ(be32(16), 1920u);
    EXPECT_EQ(be32(20), 1080u);
}

} // namespace
