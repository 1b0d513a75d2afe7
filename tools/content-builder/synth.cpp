#include "tools/content-builder/synth.h"

#include "tools/content-builder/build_context.h"

#include <algorithm>
#include <cmath>

namespace Zorva::Tools {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Partial {
    double ratio;     // of the fundamental
    double amplitude; // relative
    double decay;     // seconds to fall by 1/e; 0 = held
};

struct Voice {
    std::vector<Partial> partials;
    double attack;    // seconds
    double release;   // seconds, after the held length (or the ring limit)
    double ringLimit; // struck timbres: seconds they may ring at most
    bool held;        // the level stays up for the note's length
    double vibrato;   // depth as a frequency ratio
};

const Voice& VoiceOf(Timbre timbre) {
    static const Voice musicBox{{{1, 1.0, 1.4}, {2.0, 0.22, 0.6}, {3.0, 0.1, 0.35}, {5.4, 0.05, 0.15}, {8.9, 0.02, 0.08}},
                                0.003, 0.25, 3.0, false, 0};
    static const Voice marimba{{{1, 1.0, 0.75}, {3.93, 0.22, 0.16}, {2.0, 0.06, 0.3}, {9.2, 0.04, 0.05}},
                               0.004, 0.2, 2.0, false, 0};
    static const Voice celesta{{{1, 1.0, 1.1}, {2.0, 0.35, 0.55}, {3.0, 0.12, 0.3}, {4.2, 0.06, 0.2}},
                               0.005, 0.3, 2.5, false, 0};
    static const Voice flute{{{1, 1.0, 0}, {2, 0.18, 0}, {3, 0.06, 0}, {4, 0.02, 0}}, 0.07, 0.18, 0, true, 0.004};
    static const Voice pad{{{1, 1.0, 0}, {2, 0.25, 0}, {3, 0.08, 0}, {1.003, 0.6, 0}}, 0.35, 0.8, 0, true, 0.002};
    static const Voice bass{{{1, 1.0, 1.3}, {2, 0.3, 0.5}, {3, 0.08, 0.3}}, 0.012, 0.3, 2.5, false, 0};
    switch (timbre) {
    case Timbre::MusicBox: return musicBox;
    case Timbre::Marimba: return marimba;
    case Timbre::Celesta: return celesta;
    case Timbre::Flute: return flute;
    case Timbre::Pad: return pad;
    case Timbre::Bass: return bass;
    }
    return musicBox;
}

// A plain comb/all-pass room (after Schroeder and Moorer), one per channel, offset in length for width.
class Room {
public:
    Room(int sampleRate, int spread, double roomSize, double damping) : feedback_(roomSize), damp_(damping) {
        const int combs[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
        const int allPasses[4] = {556, 441, 341, 225};
        const double scale = sampleRate / 44100.0;
        for (int c : combs)
            combs_.push_back({std::vector<float>(static_cast<std::size_t>((c + spread) * scale), 0.0f), 0, 0.0f});
        for (int a : allPasses)
            allPasses_.push_back({std::vector<float>(static_cast<std::size_t>((a + spread) * scale), 0.0f), 0});
    }
    float Run(float input) {
        float out = 0;
        for (Comb& c : combs_) {
            const float y = c.buffer[c.at];
            c.store = static_cast<float>(y * (1 - damp_) + c.store * damp_);
            c.buffer[c.at] = static_cast<float>(input + c.store * feedback_);
            c.at = (c.at + 1) % c.buffer.size();
            out += y;
        }
        for (AllPass& a : allPasses_) {
            const float b = a.buffer[a.at];
            const float y = -out + b;
            a.buffer[a.at] = out + b * 0.5f;
            a.at = (a.at + 1) % a.buffer.size();
            out = y;
        }
        return out;
    }

private:
    struct Comb {
        std::vector<float> buffer;
        std::size_t at;
        float store;
    };
    struct AllPass {
        std::vector<float> buffer;
        std::size_t at;
    };
    double feedback_, damp_;
    std::vector<Comb> combs_;
    std::vector<AllPass> allPasses_;
};

} // namespace

Timbre ParseTimbre(const std::string& name) {
    if (name == "musicbox") return Timbre::MusicBox;
    if (name == "marimba") return Timbre::Marimba;
    if (name == "celesta") return Timbre::Celesta;
    if (name == "flute") return Timbre::Flute;
    if (name == "pad") return Timbre::Pad;
    if (name == "bass") return Timbre::Bass;
    throw BuildError("unknown instrument \"" + name + "\"");
}

double MidiToHz(double midi) { return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0); }

void RenderNote(Pcm& stereo, const Note& note) {
    const Voice& voice = VoiceOf(note.timbre);
    const double fs = stereo.sampleRate;
    const double f0 = MidiToHz(note.midi);
    const double sounding = voice.held ? note.length : voice.ringLimit;
    const double total = sounding + voice.release;
    const std::size_t first = static_cast<std::size_t>(std::max(0.0, note.start) * fs);
    const std::size_t frames = static_cast<std::size_t>(total * fs);
    if (stereo.samples.size() < (first + frames) * 2)
        stereo.samples.resize((first + frames) * 2, 0.0f);
    // Equal-power pan.
    const double angle = (std::clamp(note.pan, -1.0, 1.0) + 1.0) * kPi / 4.0;
    const double left = std::cos(angle), right = std::sin(angle);
    // Lower notes a little louder, so melodies sound even across the range.
    const double level = note.velocity * 0.2 * std::pow(2.0, -(note.midi - 72.0) / 48.0);
    double norm = 0;
    for (const Partial& p : voice.partials)
        norm += p.amplitude;
    for (const Partial& p : voice.partials) {
        const double f = f0 * p.ratio;
        if (f > 0.45 * fs)
            continue;
        const double gain = level * p.amplitude / norm;
        const double decayPerSample = p.decay > 0 ? std::exp(-1.0 / (p.decay * fs)) : 1.0;
        double env = 1.0;
        // A rotating phasor is much cheaper than sin() per sample; vibrato voices step by hand.
        const double step = 2 * kPi * f / fs;
        const double c = std::cos(step), sn = std::sin(step);
        double re = 1.0, im = 0.0, phase = 0;
        for (std::size_t i = 0; i < frames; ++i) {
            const double t = i / fs;
            double shape = std::min(1.0, t / voice.attack);
            shape = shape * shape * (3 - 2 * shape); // a smooth onset
            if (t > sounding)
                shape *= std::max(0.0, 1.0 - (t - sounding) / voice.release);
            double wave;
            if (voice.vibrato > 0) {
                phase += step * (1.0 + voice.vibrato * std::sin(2 * kPi * 5.0 * t) * std::min(1.0, t / 0.4));
                wave = std::sin(phase);
            } else {
                wave = im;
                const double nre = re * c - im * sn;
                im = re * sn + im * c;
                re = nre;
                if ((i & 1023) == 1023) { // keep the phasor on the unit circle
                    const double r = 1.0 / std::sqrt(re * re + im * im);
                    re *= r, im *= r;
                }
            }
            const double s = gain * env * shape * wave;
            env *= decayPerSample;
            stereo.samples[(first + i) * 2] += static_cast<float>(s * left);
            stereo.samples[(first + i) * 2 + 1] += static_cast<float>(s * right);
        }
    }
}

void ApplyReverb(Pcm& stereo, double roomSize, double damping, double wet) {
    Room leftRoom(stereo.sampleRate, 0, roomSize, damping), rightRoom(stereo.sampleRate, 23, roomSize, damping);
    const float dry = static_cast<float>(1.0 - wet), w = static_cast<float>(wet * 3.0);
    for (std::size_t i = 0; i + 1 < stereo.samples.size(); i += 2) {
        const float in = (stereo.samples[i] + stereo.samples[i + 1]) * 0.5f * 0.015f;
        const float l = leftRoom.Run(in), r = rightRoom.Run(in);
        stereo.samples[i] = stereo.samples[i] * dry + l * w;
        stereo.samples[i + 1] = stereo.samples[i + 1] * dry + r * w;
    }
}

void WrapTail(Pcm& pcm, std::size_t frames) {
    const std::size_t length = frames * pcm.channels;
    if (pcm.samples.size() < length) {
        pcm.samples.resize(length, 0.0f);
        return;
    }
    for (std::size_t i = length; i < pcm.samples.size(); ++i)
        pcm.samples[(i - length) % length] += pcm.samples[i];
    pcm.samples.resize(length);
}

} // namespace Zorva::Tools
