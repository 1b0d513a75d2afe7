// Book under Xvfb at 1920 x 1080: seconds from start to the end of loading, frames per second of
// the loading page, and the render thread's processor time per frame.
#include "tests/support/test_support.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <string>

namespace {

using namespace std::chrono_literals;
using Zorva::Testing::Process;

std::map<std::string, double> ReadFigures(const std::filesystem::path& file)
{
    std::map<std::string, double> figures;
    std::ifstream in(file);
    std::string key;
    double value = 0;
    while (in >> key >> value)
        figures[key] = value;
    return figures;
}

void BookLoading(benchmark::State& state)
{
    // The private X server reports its display on descriptor 3; keep the pipe that carries it
    // off that number when the benchmark is started from a plain shell.
    static const int keepThree = ::open("/dev/null", O_RDONLY);
    (void)keepThree;
    Zorva::Testing::PrivateHome home;
    Zorva::Testing::PrivateDisplay display(1920, 1080);
    if (!display.Ok()) {
        state.SkipWithError("no X server");
        return;
    }
    double loadSeconds = 0, loadingFps = 0, cpuMs = 0, frames = 0;
    int runs = 0;
    for (auto _ : state) {
        const std::filesystem::path stats = home.Temp() / "stats.txt";
        std::filesystem::remove(stats);
        const auto start = std::chrono::steady_clock::now();
        Process book(Zorva::Testing::BookPath(), {},
                     {{"ZORVA_STATS_FILE", stats.string()}, {"SDL_AUDIODRIVER", "dummy"}});
        // The lock file appears at start; give loading its time, then two seconds of running.
        std::this_thread::sleep_for(12s);
        book.Kill(SIGTERM);
        const auto code = book.Wait(30s);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        auto f = ReadFigures(stats);
        if (!code || *code != 0 || f["running_at"] <= 0) {
            state.SkipWithError("Book did not finish loading");
            return;
        }
        (void)wall;
        loadSeconds += f["running_at"];
        const double loadingSpan = f["loading_until"] - f["loading_from"];
        loadingFps += loadingSpan > 0 ? (f["loading_frames"] - 1) / loadingSpan : 0;
        cpuMs += f["cpu_ns"] / 1e6 / std::max(1.0, f["frames"]);
        frames += f["frames"];
        ++runs;
    }
    state.counters["load_s"] = loadSeconds / runs;
    state.counters["loading_fps"] = loadingFps / runs;
    state.counters["render_cpu_ms_per_frame"] = cpuMs / runs;
    state.counters["frames"] = frames / runs;
}
BENCHMARK(BookLoading)->Iterations(3)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
