// Opening a generated 99-track image whose sheet names 99 FLAC files (each
// file found, checked and opened by the image code), against the least any
// opener must do: sf_open and sf_close on each of those 99 files. Prints both
// times and their ratio, and the ratio as a figure line for run_all.sh.
// Usage: image_open_bench [google benchmark options]

#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench/MedianRatioReporter.h"
#include "platform/cdrom/CueSheet.h"
#include "tools/imagegen/ImageGen.h"

namespace {

namespace fs = std::filesystem;
using namespace corvid;

constexpr int TRACK_COUNT = 99;
// Two seconds a track: the files' headers matter here, not their length.
constexpr cdrom::Lba TRACK_SECTORS = 150;
constexpr const char* IMAGE_NAME = "OpenImage";
constexpr const char* FILES_NAME = "SndfileOpenClose";

struct Image {
    fs::path folder;
    fs::path cueSheet;
    std::vector<fs::path> files;
};

Image MakeImage() {
    std::string pattern = (fs::temp_directory_path() / "corvid-open-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        return {};
    }
    imagegen::DiscDescription disc;
    disc.format = imagegen::AudioFormat::Flac;
    disc.layout = imagegen::FileLayout::FilePerTrack;
    disc.tracks.resize(TRACK_COUNT);
    for (imagegen::TrackDescription& track : disc.tracks) {
        track.length = TRACK_SECTORS;
    }
    const imagegen::WriteResult written = imagegen::WriteImage(disc, pattern, "disc");
    if (written.error) {
        std::fprintf(stderr, "%s\n", written.error->c_str());
        return {};
    }
    Image image{pattern, written.cueSheet, {}};
    for (const fs::directory_entry& entry : fs::directory_iterator(image.folder)) {
        if (entry.path().extension() == ".flac") {
            image.files.push_back(entry.path());
        }
    }
    return image;
}

void OpenImage(benchmark::State& state, const Image& image) {
    for (auto _ : state) {
        const cdrom::DiscImageResult loaded = cdrom::LoadDiscImage(image.cueSheet);
        if (!loaded.image) {
            state.SkipWithError(loaded.error->text.c_str());
            return;
        }
        benchmark::DoNotOptimize(loaded.image->SharedToc());
    }
}

void OpenFiles(benchmark::State& state, const Image& image) {
    for (auto _ : state) {
        for (const fs::path& file : image.files) {
            SF_INFO info{};
            SNDFILE* opened = sf_open(file.c_str(), SFM_READ, &info);
            if (opened == nullptr) {
                state.SkipWithError(sf_strerror(nullptr));
                return;
            }
            benchmark::DoNotOptimize(info.frames);
            sf_close(opened);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const Image image = MakeImage();
    if (image.files.size() != static_cast<std::size_t>(TRACK_COUNT)) {
        std::fprintf(stderr, "cannot make the benchmark's image\n");
        return 1;
    }
    benchmark::RegisterBenchmark(IMAGE_NAME, OpenImage, image)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(FILES_NAME, OpenFiles, image)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    corvid::bench::MedianRatioReporter reporter(
        IMAGE_NAME, FILES_NAME, [](double image, double files) {
            std::printf(
                "figure: opening a %d-file FLAC image, %.2f ms, %.2f x sf_open and "
                "sf_close of its files (%.2f ms)\n",
                TRACK_COUNT, image, image / files, files);
        });
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(image.folder, ignored);
    return 0;
}
