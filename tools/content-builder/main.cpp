// content-builder: builds the resource tree from content/.
//   content-builder [--source content] --out build/stage/Res [--preview DIR] [--only a,b] [--jobs N]
// Without --source the repository's content/ folder is used. With --preview alone, only the
// generators that contribute to the contact sheet run and no resource is written.
#include "tools/content-builder/generators.h"
#include "tools/content-builder/pack_sink.h"
#include "tools/content-builder/preview.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <exception>
#include <set>
#include <sstream>
#include <thread>

namespace {

using namespace Zorva::Tools;

int Usage() {
    std::fprintf(stderr, "usage: content-builder [--source DIR] [--out DIR] [--preview DIR] [--only NAME,...] [--jobs N]\n");
    return 2;
}

// Removes resource files the build did not write (left from earlier builds) and empty folders.
void RemoveStale(const std::filesystem::path& out, const std::vector<std::string>& written) {
    const std::set<std::string> keep(written.begin(), written.end());
    std::vector<std::filesystem::path> stale;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(out))
        if (entry.is_regular_file()) {
            const std::string rel = std::filesystem::relative(entry.path(), out).generic_string();
            if (!keep.count(rel))
                stale.push_back(entry.path());
        }
    for (const auto& file : stale) {
        std::printf("removing stale %s\n", file.c_str());
        std::filesystem::remove(file);
    }
}

} // namespace

int main(int argc, char** argv) {
    std::filesystem::path source = ZORVA_CONTENT_DIR, out, preview;
    std::set<std::string> only;
    unsigned jobs = 2;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw std::invalid_argument(arg + " needs a value");
            return argv[++i];
        };
        try {
            if (arg == "--source")
                source = value();
            else if (arg == "--out")
                out = value();
            else if (arg == "--preview")
                preview = value();
            else if (arg == "--jobs")
                jobs = static_cast<unsigned>(std::max(1, std::stoi(value())));
            else if (arg == "--only") {
                std::stringstream list(value());
                for (std::string name; std::getline(list, name, ',');)
                    only.insert(name);
            } else
                return Usage();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "content-builder: %s\n", e.what());
            return Usage();
        }
    }
    if (source.empty() || (out.empty() && preview.empty()))
        return Usage();

    try {
        ResourceSink sink = out.empty() ? ResourceSink([](const std::string&, const std::string&,
                                                          const std::vector<std::uint8_t>&) {})
                                        : MakePackingSink(out);
        BuildContext ctx(source, sink, !preview.empty());
        std::vector<const Generator*> selected;
        for (const Generator& g : AllGenerators()) {
            if (!only.empty() && !only.count(g.name))
                continue;
            if (out.empty() && !g.visual)
                continue;
            selected.push_back(&g);
        }
        // Generators are independent; run them on a few threads. Output bytes do not depend on
        // the order.
        std::atomic<std::size_t> next{0};
        std::exception_ptr failure;
        std::mutex failureMutex;
        std::vector<std::thread> threads;
        for (unsigned t = 0; t < std::min<std::size_t>(jobs, selected.size()); ++t)
            threads.emplace_back([&] {
                for (std::size_t i; (i = next++) < selected.size();) {
                    try {
                        selected[i]->run(ctx);
                    } catch (...) {
                        std::lock_guard lock(failureMutex);
                        if (!failure)
                            failure = std::current_exception();
                        next = selected.size();
                    }
                }
            });
        for (auto& t : threads)
            t.join();
        if (failure)
            std::rethrow_exception(failure);

        if (!out.empty() && only.empty())
            RemoveStale(out, ctx.Written());
        if (!preview.empty()) {
            std::filesystem::create_directories(preview);
            const auto sheet = preview / "contact-sheet.png";
            WriteContactSheet(ctx.TakePreviews(), sheet);
            std::printf("contact sheet: %s\n", sheet.c_str());
        }
        const auto warnings = ctx.Warnings();
        std::printf("content-builder: %zu files, %zu warnings\n", ctx.Written().size(), warnings.size());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "content-builder: error: %s\n", e.what());
        return 1;
    }
}
