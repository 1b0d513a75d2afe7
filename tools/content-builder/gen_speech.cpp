// Spoken help: content/speech/<language>/<name>.txt, read aloud by espeak-ng at build time, to
// Stream/<language>/. Every language folder must hold the same names, since the program asks
// for them by name whatever the language.
#include "tools/content-builder/generators.h"

#include "tools/content-builder/audio.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <fstream>

extern char** environ;

namespace Zorva::Tools {
namespace {

constexpr double kTargetLoudness = -22.0; // LUFS: every file reaches it within the peak limit
const char* const kHelpNames[] = {"help_menu", "help_art", "help_art_print"};

struct Language {
    const std::string& folder;
    const char* voice;
};

// Slightly slow and a little higher than the voices' defaults: calm and friendly.
constexpr int kWordsPerMinute = 135;
constexpr int kPitch = 62;
constexpr int kWordGap = 2; // in 10 ms

std::filesystem::path TempWav() {
    static std::atomic<int> counter{0};
    return std::filesystem::temp_directory_path() /
           ("content-builder-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".wav");
}

Pcm Speak(const std::filesystem::path& textFile, const std::string& voice) {
    const auto wav = TempWav();
    const std::string speed = std::to_string(kWordsPerMinute), pitch = std::to_string(kPitch),
                      gap = std::to_string(kWordGap);
    std::vector<std::string> args = {"espeak-ng", "-v", voice, "-s", speed, "-p", pitch, "-g", gap,
                                     "-w", wav.string(), "-f", textFile.string()};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "espeak-ng", nullptr, nullptr, argv.data(), environ) != 0)
        throw BuildError("cannot start espeak-ng (is the espeak-ng package installed?)");
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::filesystem::remove(wav);
        throw BuildError("espeak-ng failed on " + textFile.string());
    }
    Pcm pcm = ReadAudioFile(wav);
    std::filesystem::remove(wav);
    return pcm;
}

// Trims the silence espeak leaves at both ends down to a short, even pause.
void TrimSilence(Pcm& pcm) {
    const float threshold = 0.003f;
    std::size_t first = 0, last = pcm.samples.size();
    while (first < last && std::fabs(pcm.samples[first]) < threshold)
        ++first;
    while (last > first && std::fabs(pcm.samples[last - 1]) < threshold)
        --last;
    const std::size_t pad = static_cast<std::size_t>(0.12 * pcm.sampleRate);
    std::vector<float> out(pad, 0.0f);
    out.insert(out.end(), pcm.samples.begin() + first, pcm.samples.begin() + last);
    out.insert(out.end(), pad, 0.0f);
    pcm.samples = std::move(out);
}

} // namespace

void GenerateSpeech(BuildContext& ctx) {
    const Language languages[] = {{Folder::Languages[0], "pl"},
                                  {Folder::Languages[1], "ru"},
                                  {Folder::Languages[2], "en-gb"},
                                  {Folder::Languages[3], "en-us"}};
    std::uint32_t seed = 100;
    for (const Language& language : languages) {
        for (const char* name : kHelpNames) {
            const auto text = ctx.Source("speech") / language.folder / (std::string(name) + ".txt");
            if (!std::filesystem::exists(text))
                throw BuildError(text.string() + " is missing");
            Pcm pcm = Speak(text, language.voice);
            if (pcm.channels != 1)
                throw BuildError("espeak-ng wrote " + std::to_string(pcm.channels) + " channels");
            TrimSilence(pcm);
            FadeEdges(pcm, 0.01, 0.05);
            const double loudness = NormaliseTo(pcm, kTargetLoudness, -1.0, false);
            std::printf("speech %-5s %-15s %4.1f s, %.1f LUFS\n", language.folder.c_str(), name, pcm.Seconds(),
                        loudness);
            ctx.Write(Folder::Stream + "/" + language.folder, std::string(name) + ".zorva-snd",
                      EncodeSoundPayload(pcm, seed++));
        }
    }
}

} // namespace Zorva::Tools
