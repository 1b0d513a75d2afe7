// Decoding music files from memory into plain 16-bit PCM.
#include "platform/music_decoder.h"
#include "tests/audio/audio_capture.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace Zorva {
namespace {

using Platform::CMusicDecoder;
using Platform::MusicContainer;

std::vector<std::uint8_t> DecodeAll(CMusicDecoder& d, size_t* chunks = nullptr)
{
    std::vector<std::uint8_t> all;
    for (size_t n = 0;; ++n) {
        std::vector<std::uint8_t> chunk;
        EXPECT_EQ(d.ReadChunk(chunk), S_OK);
        if (chunk.empty()) {
            if (chunks != nullptr)
                *chunks = n;
            return all;
        }
        EXPECT_EQ(chunk.size() % d.Format().blockAlign, 0u);
        all.insert(all.end(), chunk.begin(), chunk.end());
    }
}

// The left channel of decoded 16-bit frames as the capture's float stereo, for the tone meter
// (which measures at the capture rate, so the tests decode at 48000).
std::vector<float> AsStereo(const std::vector<std::uint8_t>& pcm, int channels)
{
    const size_t frames = pcm.size() / (2u * static_cast<size_t>(channels));
    std::vector<float> out(frames * 2);
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < std::min(channels, 2); ++c) {
            std::int16_t s = 0;
            std::memcpy(&s, pcm.data() + 2 * (i * static_cast<size_t>(channels) + static_cast<size_t>(c)), 2);
            out[2 * i + static_cast<size_t>(c)] = s / 32768.0f;
        }
    return out;
}

TEST(MusicDecoder, DecodesEachContainerToPlainPcmWithItsLengthAndRewinds)
{
    Testing::PrivateHome home;
    struct Case {
        MusicContainer container;
        const char* name;
        bool exactLength;
    };
    const int rate = Testing::kCaptureRate;
    const double seconds = 1.5;
    const auto source = Testing::SineFrames({440.0, 880.0}, seconds, rate, 0.5);
    for (const Case c : {Case{MusicContainer::OggVorbis, "vorbis", false}, Case{MusicContainer::OggOpus, "opus", false},
                         Case{MusicContainer::Flac, "flac", true}, Case{MusicContainer::Wav, "wav", true}}) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> file = Platform::EncodeMusic(source, 2, rate, c.container);
        ASSERT_FALSE(file.empty());
        std::unique_ptr<CMusicDecoder> d;
        ASSERT_EQ(CMusicDecoder::Open(std::move(file), d), S_OK);
        EXPECT_EQ(d->Format(), Platform::WaveFormat::Pcm16(2, rate));
        EXPECT_NEAR(static_cast<double>(d->Duration()), seconds * 1e7, c.exactLength ? 0.0 : 0.02e7);

        size_t chunks = 0;
        const auto pcm = DecodeAll(*d, &chunks);
        EXPECT_GT(chunks, 1u);
        const size_t frames = pcm.size() / 4;
        if (c.exactLength)
            EXPECT_EQ(pcm, std::vector<std::uint8_t>(reinterpret_cast<const std::uint8_t*>(source.data()),
                                                     reinterpret_cast<const std::uint8_t*>(source.data()) + source.size() * 2));
        else
            EXPECT_NEAR(static_cast<double>(frames), seconds * rate, 0.02 * rate);
        const auto stereo = AsStereo(pcm, 2);
        const size_t mid = frames / 4;
        EXPECT_NEAR(Testing::ToneLevel(stereo, mid, frames / 2, 440.0, 0), 0.5, 0.03);
        EXPECT_NEAR(Testing::ToneLevel(stereo, mid, frames / 2, 880.0, 1), 0.5, 0.03);
        EXPECT_LT(Testing::ToneLevel(stereo, mid, frames / 2, 880.0, 0), 0.02);

        ASSERT_EQ(d->Rewind(), S_OK);
        EXPECT_EQ(DecodeAll(*d), pcm);
    }
}

TEST(MusicDecoder, RefusesBytesThatAreNoMusicFile)
{
    Testing::PrivateHome home;
    const std::vector<std::vector<std::uint8_t>> refused = {
        {},
        {'O', 'g', 'g', 'S', 0, 2, 0, 0},
        std::vector<std::uint8_t>(4096, 0x5A),
    };
    for (const auto& bytes : refused) {
        std::unique_ptr<CMusicDecoder> d;
        EXPECT_EQ(CMusicDecoder::Open(bytes, d), Platform::kUnsupportedMusic);
        EXPECT_FALSE(d);
    }
}

TEST(MusicDecoder, MoreThanTwoChannelsStayPlainPcm)
{
    Testing::PrivateHome home;
    const auto six = Testing::SineFrames({440.0, 0.0, 0.0, 0.0, 0.0, 660.0}, 0.5, 44100, 0.4);
    std::unique_ptr<CMusicDecoder> d;
    ASSERT_EQ(CMusicDecoder::Open(Platform::EncodeMusic(six, 6, 44100, MusicContainer::Flac), d), S_OK);
    const Platform::WaveFormat f = d->Format();
    EXPECT_EQ(f.formatTag, Platform::kWaveFormatPcm);
    EXPECT_EQ(f.channels, 6);
    EXPECT_EQ(f.blockAlign, 12);
    EXPECT_EQ(f.avgBytesPerSec, 44100u * 12u);
    EXPECT_EQ(f.extraSize, 0);
    EXPECT_EQ(DecodeAll(*d).size(), six.size() * 2);
}

} // namespace
} // namespace Zorva
