// FindTrackListFile over 10,000 track lists in one folder, the match last in
// byte order, against a plain loop that opens each file and reads its first
// line, in one run. Prints both times and their ratio.
// Usage: tracklist_search_bench [google benchmark options]

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "bench/MedianRatioReporter.h"
#include "tracklist/TrackListFile.h"
#include "tracklist/TrackListSearch.h"

namespace {

namespace fs = std::filesystem;
using namespace corvid::tracklist;

constexpr int FILE_COUNT = 10000;
constexpr std::int32_t MATCHING_KEY = 999999;
constexpr const char* SEARCH_NAME = "FindTrackListFile";
constexpr const char* LOOP_NAME = "PlainFirstLineLoop";

fs::path MakeFolder() {
    std::string pattern = (fs::temp_directory_path() / "corvid-search-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        return {};
    }
    fs::path folder = pattern;
    for (int index = 0; index < FILE_COUNT; ++index) {
        const bool last = index == FILE_COUNT - 1;
        TrackList list{last ? MATCHING_KEY : index, "Album", "Artist", {}};
        for (int track = 1; track <= 12; ++track) {
            list.rows.push_back({track, "A track of some length", "03:00", ROW_ICON_TRACK});
        }
        char name[32];
        std::snprintf(name, sizeof name, "list%05d.trk", index);
        const std::string bytes = FormatTrackList(list);
        std::ofstream(folder / name, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    return folder;
}

void Search(benchmark::State& state, const fs::path& folder) {
    for (auto _ : state) {
        const auto found = FindTrackListFile(folder, MATCHING_KEY);
        if (!found) {
            state.SkipWithError("the matching file was not found");
            return;
        }
        benchmark::DoNotOptimize(found);
    }
}

struct FolderCloser {
    void operator()(DIR* folder) const { closedir(folder); }
};
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

void PlainLoop(benchmark::State& state, const fs::path& folder) {
    for (auto _ : state) {
        const std::unique_ptr<DIR, FolderCloser> listing(opendir(folder.c_str()));
        long lines = 0;
        while (const dirent* entry = readdir(listing.get())) {
            const std::unique_ptr<std::FILE, FileCloser> file(
                std::fopen((folder / entry->d_name).c_str(), "rb"));
            char line[256];
            if (file && std::fgets(line, sizeof line, file.get()) != nullptr) {
                ++lines;
            }
        }
        benchmark::DoNotOptimize(lines);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path folder = MakeFolder();
    if (folder.empty()) {
        std::fprintf(stderr, "cannot make the benchmark's folder\n");
        return 1;
    }
    benchmark::RegisterBenchmark(SEARCH_NAME, Search, folder)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(LOOP_NAME, PlainLoop, folder)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    corvid::bench::MedianRatioReporter reporter(
        SEARCH_NAME, LOOP_NAME, [](double search, double loop) {
            std::printf("ratio, search / plain loop over %d files: %.2f\n", FILE_COUNT,
                        search / loop);
        });
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}
