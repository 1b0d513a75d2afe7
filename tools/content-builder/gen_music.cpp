// Background music: every content/music/*.score (a traditional children's melody with its
// chords) is arranged, synthesised and written as Ogg Vorbis to Boot. Boot, because the sound
// setting is applied (and a random track started) as soon as the world exists, before the
// content stage loads; and Boot is loaded once, so no track is registered twice.
//
// Score files: one instruction per line, '#' starts a comment.
//   tempo 76                 beats per minute
//   meter 4                  beats per bar
//   passes 2                 times the melody is played
//   melody musicbox celesta  the melody's instrument for each pass (repeated as needed)
//   canon 8 4                in the last pass, 4 voices, each entering 8 beats after the last
//   notes C5:1 D5:0.5 r:1    melody: pitch (or r for a rest) and beats; lines add up
//   chords C:2 G7:2 Am:4     harmony: chord and beats; must last as long as the melody
#include "tools/content-builder/generators.h"
#include "tools/content-builder/synth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

namespace Zorva::Tools {
namespace {

constexpr int kSampleRate = 44100;
constexpr double kTargetLoudness = -24.0; // LUFS: calm, under the jingles and the spoken help
constexpr double kVorbisQuality = 0.45;

struct Event {
    double beat;
    double beats;
    double midi; // NaN for a rest
};

struct Chord {
    double beat;
    double beats;
    int root;                // pitch class
    std::vector<int> tones;  // semitones above the root
};

struct Score {
    std::string name;
    double tempo = 80;
    int meter = 4;
    int passes = 2;
    std::vector<Timbre> melodyTimbres{Timbre::MusicBox};
    int canonSpacing = 0, canonVoices = 0;
    std::vector<Event> notes;
    std::vector<Chord> chords;
    double melodyBeats = 0, chordBeats = 0;
};

int PitchClass(char letter) {
    static const std::map<char, int> classes{{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5}, {'G', 7}, {'A', 9}, {'B', 11}};
    const auto it = classes.find(letter);
    if (it == classes.end())
        throw BuildError(std::string("not a note name: ") + letter);
    return it->second;
}

std::pair<std::string, double> SplitDuration(const std::string& token, const std::string& where) {
    const auto colon = token.find(':');
    if (colon == std::string::npos)
        throw BuildError(where + ": \"" + token + "\" has no :beats");
    const double beats = std::stod(token.substr(colon + 1));
    if (!(beats > 0))
        throw BuildError(where + ": \"" + token + "\" has no positive length");
    return {token.substr(0, colon), beats};
}

Score ParseScore(const std::filesystem::path& file) {
    std::ifstream in(file);
    if (!in)
        throw BuildError("cannot read " + file.string());
    Score score;
    score.name = file.stem().string();
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::string where = file.string() + ":" + std::to_string(number);
        if (const auto hash = line.find('#'); hash != std::string::npos)
            line.erase(hash);
        std::istringstream words(line);
        std::string key;
        if (!(words >> key))
            continue;
        std::string token;
        if (key == "tempo") {
            words >> score.tempo;
        } else if (key == "meter") {
            words >> score.meter;
        } else if (key == "passes") {
            words >> score.passes;
        } else if (key == "melody") {
            score.melodyTimbres.clear();
            while (words >> token)
                score.melodyTimbres.push_back(ParseTimbre(token));
        } else if (key == "canon") {
            words >> score.canonSpacing >> score.canonVoices;
        } else if (key == "notes") {
            while (words >> token) {
                const auto [pitch, beats] = SplitDuration(token, where);
                double midi = std::nan("");
                if (pitch != "r") {
                    if (pitch.size() < 2)
                        throw BuildError(where + ": bad note \"" + token + "\"");
                    int pc = PitchClass(pitch[0]);
                    std::size_t at = 1;
                    if (pitch[at] == '#')
                        ++pc, ++at;
                    else if (pitch[at] == 'b')
                        --pc, ++at;
                    midi = 12 * (std::stoi(pitch.substr(at)) + 1) + pc;
                }
                score.notes.push_back({score.melodyBeats, beats, midi});
                score.melodyBeats += beats;
            }
        } else if (key == "chords") {
            while (words >> token) {
                const auto [name, beats] = SplitDuration(token, where);
                int root = PitchClass(name[0]);
                std::size_t at = 1;
                if (at < name.size() && name[at] == '#')
                    ++root, ++at;
                else if (at < name.size() && name[at] == 'b')
                    --root, ++at;
                const std::string quality = name.substr(at);
                static const std::map<std::string, std::vector<int>> qualities{
                    {"", {0, 4, 7}},       {"m", {0, 3, 7}},        {"7", {0, 4, 7, 10}},
                    {"maj7", {0, 4, 7, 11}}, {"m7", {0, 3, 7, 10}}, {"sus4", {0, 5, 7}}};
                const auto q = qualities.find(quality);
                if (q == qualities.end())
                    throw BuildError(where + ": unknown chord \"" + name + "\"");
                score.chords.push_back({score.chordBeats, beats, (root + 12) % 12, q->second});
                score.chordBeats += beats;
            }
        } else {
            throw BuildError(where + ": unknown instruction \"" + key + "\"");
        }
    }
    if (score.notes.empty() || score.chords.empty())
        throw BuildError(file.string() + ": a score needs notes and chords");
    if (std::fabs(score.melodyBeats - score.chordBeats) > 1e-9)
        throw BuildError(file.string() + ": the melody lasts " + std::to_string(score.melodyBeats) +
                         " beats but the chords " + std::to_string(score.chordBeats));
    if (score.passes < 1 || score.tempo < 30 || score.meter < 2)
        throw BuildError(file.string() + ": implausible tempo, meter or passes");
    return score;
}

// The chord sounding at a beat of the melody's timeline (the progression repeats).
const Chord& ChordAt(const Score& score, double beat) {
    const double b = std::fmod(beat, score.chordBeats);
    for (const Chord& c : score.chords)
        if (b >= c.beat - 1e-9 && b < c.beat + c.beats - 1e-9)
            return c;
    return score.chords.back();
}

class Arranger {
public:
    explicit Arranger(const Score& score)
        : score_(score), secondsPerBeat_(60.0 / score.tempo), random_(0x5eed0000u + static_cast<unsigned>(score.name.size())) {
        out_.sampleRate = kSampleRate;
        out_.channels = 2;
    }

    // Lays out intro, passes and ending; returns the length of the loop in beats.
    double Arrange() {
        double beat = 0;
        // Intro: the first chord, gently, for two bars.
        const double intro = 2.0 * score_.meter;
        Accompany(beat, intro, 0.0, /*withArpeggio=*/true);
        beat += intro;
        for (int pass = 0; pass < score_.passes; ++pass) {
            const Timbre timbre = score_.melodyTimbres[pass % score_.melodyTimbres.size()];
            const bool canon = pass == score_.passes - 1 && score_.canonVoices > 1;
            double length = score_.melodyBeats;
            if (canon) {
                length += static_cast<double>(score_.canonSpacing) * (score_.canonVoices - 1);
                for (int v = 0; v < score_.canonVoices; ++v) {
                    const Timbre t = score_.melodyTimbres[(pass + v) % score_.melodyTimbres.size()];
                    const double pan = v == 0 ? 0.0 : (v % 2 ? -0.45 : 0.45);
                    Melody(beat + v * score_.canonSpacing, t, v == 0 ? 0.85 : 0.6, pan, v >= 2 ? 12 : 0);
                }
            } else {
                Melody(beat, timbre, 0.85, 0.0, 0);
            }
            Accompany(beat, length, 0.0, true);
            beat += length;
        }
        // Ending: a held tonic, then a bar of rest before the loop comes round.
        const double ending = 2.0 * score_.meter;
        const Chord& home = score_.chords.front();
        Add(beat, ending * 0.9, 60 + home.root, 0.35, 0.0, Timbre::Celesta);
        Add(beat, ending * 0.9, 48 + home.root, 0.4, 0.0, Timbre::Bass);
        for (std::size_t i = 0; i < home.tones.size(); ++i)
            Add(beat, ending, 60 + home.root + home.tones[i], 0.12, i % 2 ? 0.6 : -0.6, Timbre::Pad);
        beat += ending + score_.meter;
        return beat;
    }

    Pcm Render(double loopBeats) {
        for (const Note& n : notes_)
            RenderNote(out_, n);
        ApplyReverb(out_, 0.82, 0.35, 0.22);
        WrapTail(out_, static_cast<std::size_t>(std::llround(loopBeats * secondsPerBeat_ * kSampleRate)));
        return std::move(out_);
    }

private:
    void Add(double beat, double beats, double midi, double velocity, double pan, Timbre timbre) {
        // A little human unevenness, the same on every build.
        std::uniform_real_distribution<double> jitter(-0.006, 0.006), level(0.92, 1.0);
        Note n;
        n.start = beat * secondsPerBeat_ + (beat > 0 ? jitter(random_) : 0.0);
        n.length = beats * secondsPerBeat_;
        n.midi = midi;
        n.velocity = velocity * level(random_);
        n.pan = pan;
        n.timbre = timbre;
        notes_.push_back(n);
    }

    void Melody(double beat, Timbre timbre, double velocity, double pan, int shift) {
        for (const Event& e : score_.notes) {
            if (std::isnan(e.midi))
                continue;
            // Notes on the bar's first beat a touch stronger.
            const double inBar = std::fmod(e.beat, score_.meter);
            const double accent = inBar < 1e-9 ? 1.0 : 0.88;
            Add(beat + e.beat, e.beats * 0.95, e.midi + shift, velocity * accent, pan, timbre);
        }
    }

    // Bass on each chord, a soft broken chord on the beats, and a quiet pad underneath.
    void Accompany(double beat, double beats, double melodyOffset, bool withArpeggio) {
        double b = 0;
        while (b < beats - 1e-9) {
            const Chord& c = ChordAt(score_, melodyOffset + b);
            const double chordEnd = std::fmod(melodyOffset + b, score_.chordBeats);
            double span = std::min(c.beat + c.beats - chordEnd, beats - b);
            if (span <= 1e-9)
                span = std::min(c.beats, beats - b);
            const int root = 48 + c.root; // octave 3
            Add(beat + b, span, root, 0.36, 0.0, Timbre::Bass);
            if (span >= 2 * (score_.meter > 3 ? 2 : 1.5) && score_.meter % 2 == 0)
                Add(beat + b + span / 2, span / 2, root + 7 - 12 * (root + 7 >= 60), 0.26, 0.0, Timbre::Bass);
            for (std::size_t i = 0; i < c.tones.size() && i < 3; ++i)
                Add(beat + b, span, 60 + c.root + c.tones[i], 0.08, i == 0 ? -0.7 : (i == 1 ? 0.7 : 0.0), Timbre::Pad);
            if (withArpeggio) {
                static const int pattern[4] = {0, 1, 2, 1};
                int step = 0;
                for (double t = 0; t < span - 1e-9; t += 1.0, ++step) {
                    const int tone = c.tones[pattern[step % 4] % c.tones.size()];
                    Add(beat + b + t, 1.0, 60 + c.root + tone, 0.18, -0.35, Timbre::Marimba);
                }
            }
            b += span;
        }
    }

    const Score& score_;
    double secondsPerBeat_;
    std::mt19937 random_;
    std::vector<Note> notes_;
    Pcm out_;
};

} // namespace

void GenerateMusic(BuildContext& ctx) {
    const auto folder = ctx.Source("music");
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(folder))
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (entry.path().extension() == ".score")
                files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    if (files.empty())
        throw BuildError("no music scores in " + folder.string());
    std::uint32_t serial = 0x47504D00; // one fixed Ogg serial number per track
    for (const auto& file : files) {
        const Score score = ParseScore(file);
        Arranger arranger(score);
        const double loopBeats = arranger.Arrange();
        Pcm pcm = arranger.Render(loopBeats);
        const double loudness = NormaliseTo(pcm, kTargetLoudness, -1.0, false);
        std::printf("music %-12s %5.1f s, %.1f LUFS, peak %.1f dBFS\n", score.name.c_str(), pcm.Seconds(), loudness,
                    PeakDb(pcm));
        if (pcm.Seconds() < 45 || pcm.Seconds() > 120)
            throw BuildError(file.string() + ": the track lasts " + std::to_string(pcm.Seconds()) +
                             " s (45 to 120 s wanted)");
        ctx.Write(Folder::Boot, score.name + ".zorva-strm", EncodeOggVorbis(pcm, kVorbisQuality, ++serial));
    }
}

} // namespace Zorva::Tools
