// The jingles: short, friendly sounds made of a few soft notes, all of one format and brought
// to the same loudness. They go to Stream, loaded once per run with the other content.
#include "tools/content-builder/generators.h"
#include "tools/content-builder/synth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

namespace Zorva::Tools {
namespace {

constexpr int kSampleRate = 44100;
constexpr double kTargetLoudness = -20.0; // LUFS over the loudest 400 ms

struct Tone {
    double at;     // seconds
    double midi;
    double velocity;
    Timbre timbre;
    double length = 0.15;
};

struct JingleSpec {
    const char* name;
    std::vector<Tone> tones;
    double whoosh;      // seconds of soft rushing air, 0 for none
    bool whooshRising;  // the rush brightens (true) or darkens
    double length;      // seconds
};

// C major pentatonic throughout, so any two jingles sound well together.
const std::vector<JingleSpec>& Jingles() {
    static const std::vector<JingleSpec> all = {
        // Picking a colour: do, mi, sol.
        {"color1", {{0, 84, 0.9, Timbre::Marimba}, {0.0, 96, 0.25, Timbre::MusicBox}}, 0, false, 0.6},
        {"color3", {{0, 88, 0.9, Timbre::Marimba}, {0.0, 100, 0.25, Timbre::MusicBox}}, 0, false, 0.6},
        {"color5", {{0, 91, 0.9, Timbre::Marimba}, {0.0, 103, 0.25, Timbre::MusicBox}}, 0, false, 0.6},
        // Colouring a region: a little sparkle.
        {"paint1", {{0, 84, 0.7, Timbre::Celesta}, {0.05, 88, 0.7, Timbre::Celesta}, {0.1, 91, 0.8, Timbre::Celesta}},
         0.25, true, 0.8},
        {"paint2", {{0, 88, 0.7, Timbre::MusicBox}, {0.05, 91, 0.7, Timbre::MusicBox}, {0.1, 96, 0.8, Timbre::MusicBox}},
         0.25, true, 0.8},
        // Turning to another picture, or a clean page: a soft sweep.
        {"clear1",
         {{0, 91, 0.6, Timbre::Marimba}, {0.045, 88, 0.6, Timbre::Marimba}, {0.09, 84, 0.65, Timbre::Marimba},
          {0.135, 79, 0.7, Timbre::Marimba}},
         0.35, false, 0.7},
        {"clear2",
         {{0, 79, 0.6, Timbre::Marimba}, {0.045, 84, 0.6, Timbre::Marimba}, {0.09, 88, 0.65, Timbre::Marimba},
          {0.135, 91, 0.7, Timbre::Marimba}},
         0.35, true, 0.7},
        // A button that says yes: one gentle knock.
        {"focus", {{0, 81, 0.9, Timbre::Marimba}, {0, 93, 0.2, Timbre::Marimba}}, 0, false, 0.4},
        // Going back or leaving: sol, mi, do, falling.
        {"exit1", {{0, 79, 0.8, Timbre::Celesta}, {0.14, 76, 0.8, Timbre::Celesta}, {0.28, 72, 0.9, Timbre::Celesta}},
         0, false, 1.1},
        // "What is this?": a rising, asking step.
        {"vopros", {{0, 76, 0.8, Timbre::Marimba}, {0.16, 81, 0.9, Timbre::Marimba}}, 0, false, 0.8},
        // Printing: a happy climb.
        {"print1",
         {{0, 72, 0.7, Timbre::MusicBox}, {0.08, 76, 0.7, Timbre::MusicBox}, {0.16, 79, 0.75, Timbre::MusicBox},
          {0.24, 84, 0.8, Timbre::MusicBox}, {0.32, 88, 0.85, Timbre::MusicBox}},
         0, false, 1.2},
        // Something did not work: a soft "uh-oh", never a buzzer.
        {"no", {{0, 76, 0.9, Timbre::Marimba}, {0.2, 72, 0.9, Timbre::Marimba}}, 0, false, 0.8},
    };
    return all;
}

// Rushing air: noise through a low-pass whose corner sweeps, under a smooth swell.
void AddWhoosh(Pcm& stereo, double seconds, bool rising, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    const std::size_t frames = static_cast<std::size_t>(seconds * stereo.sampleRate);
    if (stereo.samples.size() < frames * 2)
        stereo.samples.resize(frames * 2, 0.0f);
    double low = 0, low2 = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / frames;
        const double corner = rising ? 800 + 3200 * t : 4000 - 3200 * t;
        const double k = 1.0 - std::exp(-2.0 * 3.14159265358979 * corner / stereo.sampleRate);
        low += k * (noise(random) - low);
        low2 += k * (low - low2);
        const double swell = std::sin(3.14159265358979 * t);
        const double s = 0.05 * low2 * swell * swell;
        stereo.samples[i * 2] += static_cast<float>(s);
        stereo.samples[i * 2 + 1] += static_cast<float>(s);
    }
}

Pcm RenderJingle(const JingleSpec& jingle) {
    Pcm stereo;
    stereo.sampleRate = kSampleRate;
    stereo.channels = 2;
    for (const Tone& t : jingle.tones)
        RenderNote(stereo, {t.at, t.length, t.midi, t.velocity, 0.0, t.timbre});
    if (jingle.whoosh > 0)
        AddWhoosh(stereo, jingle.whoosh, jingle.whooshRising, 0x6a696e67u + static_cast<unsigned>(jingle.tones.size()));
    ApplyReverb(stereo, 0.6, 0.4, 0.12);
    Pcm mono;
    mono.sampleRate = kSampleRate;
    mono.channels = 1;
    const std::size_t frames = std::min(stereo.Frames(), static_cast<std::size_t>(jingle.length * kSampleRate));
    mono.samples.resize(frames);
    for (std::size_t i = 0; i < frames; ++i)
        mono.samples[i] = 0.5f * (stereo.samples[i * 2] + stereo.samples[i * 2 + 1]);
    FadeEdges(mono, 0.002, std::min(0.25, jingle.length / 3));
    return mono;
}

} // namespace

void GenerateJingles(BuildContext& ctx) {
    std::uint32_t seed = 1;
    for (const JingleSpec& jingle : Jingles()) {
        Pcm pcm = RenderJingle(jingle);
        const double loudness = NormaliseTo(pcm, kTargetLoudness, -3.0, true);
        std::printf("jingle %-8s %4.2f s, %.1f LUFS (momentary), peak %.1f dBFS\n", jingle.name, pcm.Seconds(), loudness,
                    PeakDb(pcm));
        ctx.Write(Folder::Stream, std::string(jingle.name) + ".zorva-snd", EncodeSoundPayload(pcm, seed++));
    }
}

} // namespace Zorva::Tools
