// Sound as the generators handle it: float samples, loudness, and the two file formats.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace Zorva::Tools {

struct Pcm {
    int sampleRate = 44100;
    int channels = 1;
    std::vector<float> samples; // interleaved, nominally -1..1

    std::size_t Frames() const { return channels ? samples.size() / channels : 0; }
    double Seconds() const { return sampleRate ? static_cast<double>(Frames()) / sampleRate : 0; }
};

// Loudness in LUFS after the K-weighting of ITU-R BS.1770.
// Integrated: 400 ms blocks, 75 % overlap, absolute and relative gates.
double IntegratedLoudness(const Pcm& pcm);
// The loudest 400 ms window (the sound padded with silence when shorter): how loud a short
// jingle seems.
double MaxMomentaryLoudness(const Pcm& pcm);
double PeakDb(const Pcm& pcm);

void ApplyGain(Pcm& pcm, double gainDb);

// Scales to the target loudness, but never so far that the peak passes `ceilingDb`; returns the
// loudness reached.
double NormaliseTo(Pcm& pcm, double targetLufs, double ceilingDb, bool momentary);

// Short fades in and out so the sound starts and ends at rest.
void FadeEdges(Pcm& pcm, double fadeInSeconds, double fadeOutSeconds);

// The sound payload: an 18-byte WAVEFORMATEX (PCM, 16 bits) and the samples, TPDF-dithered with a
// fixed seed so the bytes are the same on every build.
std::vector<std::uint8_t> EncodeSoundPayload(const Pcm& pcm, std::uint32_t ditherSeed);
// Reads a sound payload back (for checks).
Pcm DecodeSoundPayload(const std::vector<std::uint8_t>& payload);

// Ogg Vorbis through libsndfile at a fixed quality; the stream serial number is fixed afterwards,
// since libsndfile picks a random one.
std::vector<std::uint8_t> EncodeOggVorbis(const Pcm& pcm, double quality, std::uint32_t serial);

// Any file libsndfile reads, from memory or from disk.
Pcm DecodeAudio(const std::vector<std::uint8_t>& bytes);
Pcm ReadAudioFile(const std::filesystem::path& file);

} // namespace Zorva::Tools
