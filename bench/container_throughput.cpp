// Resource loading throughput: every container of a folder read through the worker pool the way a
// loading stage reads it (read, decrypt, check, decompress), against plain bzip2 decompression of
// the same packed streams through the same pool. Prints payload megabytes per second and the ratio.
//
//   container_throughput [FOLDER | generated] [ROUNDS]
// Without a folder it measures the staged resources beside it (../stage/Res), or, when there are
// none, a generated set of containers ("generated" asks for those). Wall-clock figures on a busy
// machine wander; the processor-time figures show the work itself.
#include "file/container.h"
#include "kernel/exceptions.h"
#include "kernel/strings.h"
#include "kernel/thread.h"

#include <bzlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <latch>
#include <random>
#include <string>
#include <thread>
#include <time.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

struct Item {
    fs::path path;
    std::uint64_t size = 0;
    Bytes packed; // the bzip2 stream alone, for the plain decompression
    std::uint32_t unpacked = 0;
};

class Job : public Zorva::Thread::ITask {
public:
    Job(std::function<void()> work, std::latch& done) : work_(std::move(work)), done_(done) {}
    void Run() override { work_(); }
    bool ReleaseAfterRun() override { return true; }
    ~Job() override { done_.count_down(); }

private:
    std::function<void()> work_;
    std::latch& done_;
};

double ProcessSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Wall-clock and processor seconds of one pass over every item.
struct Timing {
    double wall = 1e30;
    double cpu = 1e30;
};

Timing RunOnPool(Zorva::Thread::CThreadPool& pool, const std::vector<Item>& items,
                 const std::function<void(const Item&)>& work)
{
    std::latch done(static_cast<std::ptrdiff_t>(items.size()));
    const double cpuStart = ProcessSeconds();
    const auto start = Clock::now();
    for (const Item& item : items)
        pool.Post(new Job([&work, &item] { work(item); }, done));
    done.wait();
    return Timing{std::chrono::duration<double>(Clock::now() - start).count(), ProcessSeconds() - cpuStart};
}

void KeepBest(Timing& best, const Timing& t)
{
    best.wall = std::min(best.wall, t.wall);
    best.cpu = std::min(best.cpu, t.cpu);
}

void ReadContainer(const Item& item)
{
    Bytes raw;
    if (Zorva::File::ReadContainerImage(item.path.u16string(), item.size, raw))
        std::abort();
    Bytes payload;
    Zorva::File::DecompressContainer(raw, payload);
    if (payload.size() != item.unpacked)
        std::abort();
}

void PlainBzip2(const Item& item)
{
    Bytes out(item.unpacked);
    unsigned int length = item.unpacked;
    if (item.unpacked > 0 &&
        BZ2_bzBuffToBuffDecompress(reinterpret_cast<char*>(out.data()), &length,
                                   const_cast<char*>(reinterpret_cast<const char*>(item.packed.data())),
                                   static_cast<unsigned int>(item.packed.size()), 0, 0) != BZ_OK)
        std::abort();
}

// Picture-like payloads: long runs with some noise, a few megabytes each.
fs::path Generate()
{
    const fs::path dir = fs::temp_directory_path() / "zorva-bench-content";
    fs::create_directories(dir);
    std::mt19937 rng(7);
    for (int i = 0; i < 24; ++i) {
        Bytes data(1u << 20 | static_cast<unsigned>(rng() % (3u << 20)));
        std::uint8_t value = 0;
        for (std::size_t j = 0; j < data.size(); ++j) {
            if (rng() % 97 == 0)
                value = static_cast<std::uint8_t>(rng());
            data[j] = static_cast<std::uint8_t>(value + (rng() % 5 == 0 ? rng() % 3 : 0));
        }
        const fs::path path = dir / ("generated" + std::to_string(i) + ".zorva-tex");
        if (!Zorva::File::WriteContainerFile(data.data(), data.size(), path.u16string()))
            std::abort();
    }
    return dir;
}

} // namespace

int main(int argc, char** argv)
{
    Zorva::GetReportHooks().showReport = nullptr;
    fs::path folder;
    if (argc > 1 && std::string(argv[1]) == "generated") {
        folder = Generate();
    } else if (argc > 1) {
        folder = argv[1];
    } else {
        const fs::path staged = fs::canonical("/proc/self/exe").parent_path().parent_path() / "stage/Res";
        folder = fs::exists(staged) ? staged : Generate();
    }
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    std::vector<Item> items;
    std::uint64_t payloadBytes = 0;
    std::uint64_t fileBytes = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.path().filename().string().find(".zorva-") == std::string::npos)
            continue;
        Item item;
        item.path = entry.path();
        item.size = entry.file_size();
        Bytes raw;
        if (const auto error = Zorva::File::ReadContainerImage(item.path.u16string(), item.size, raw)) {
            std::fprintf(stderr, "%s: %s\n", item.path.c_str(), Zorva::WideToUtf8(error.operation).c_str());
            return 1;
        }
        const std::uint32_t packed = raw[4] | raw[5] << 8 | raw[6] << 16 | static_cast<std::uint32_t>(raw[7]) << 24;
        item.unpacked = raw[8] | raw[9] << 8 | raw[10] << 16 | static_cast<std::uint32_t>(raw[11]) << 24;
        item.packed.assign(raw.begin() + 12, raw.begin() + 12 + packed);
        payloadBytes += item.unpacked;
        fileBytes += item.size;
        items.push_back(std::move(item));
    }
    if (items.empty()) {
        std::fprintf(stderr, "no containers in %s\n", folder.c_str());
        return 1;
    }
    // Largest first, as a loaded stage tends to finish on its big files.
    std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.unpacked > b.unpacked; });

    Zorva::Thread::CThreadPool pool(6);
    Timing container;
    Timing plain;
    for (int r = 0; r < rounds; ++r) {
        // Alternate, so neither side profits from a quieter moment of a shared machine.
        if (r % 2 == 0) {
            KeepBest(container, RunOnPool(pool, items, ReadContainer));
            KeepBest(plain, RunOnPool(pool, items, PlainBzip2));
        } else {
            KeepBest(plain, RunOnPool(pool, items, PlainBzip2));
            KeepBest(container, RunOnPool(pool, items, ReadContainer));
        }
    }
    const double mb = static_cast<double>(payloadBytes) / 1e6;
    std::printf("folder: %s\n", folder.c_str());
    std::printf("containers: %zu, %.2f MB on disk, %.2f MB of payload, best of %d rounds, 6 workers, %u cores\n",
                items.size(), static_cast<double>(fileBytes) / 1e6, mb, rounds, std::thread::hardware_concurrency());
    std::printf("                               wall clock           processor time\n");
    std::printf("containers through the pool:  %8.2f MB/s (%6.3f s)  %8.2f MB/s (%6.3f s)\n", mb / container.wall,
                container.wall, mb / container.cpu, container.cpu);
    std::printf("plain bzip2 through the pool: %8.2f MB/s (%6.3f s)  %8.2f MB/s (%6.3f s)\n", mb / plain.wall, plain.wall,
                mb / plain.cpu, plain.cpu);
    std::printf("ratio (wall clock): %.3f\n", plain.wall / container.wall);
    std::printf("ratio (processor time): %.3f\n", plain.cpu / container.cpu);
    return 0;
}
