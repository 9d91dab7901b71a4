// Times a program from its start to its first top-level window mapped and
// then drawn nearly whole (the DAMAGE extension reports the program's own
// drawing into the window), over several runs. Each run ends the program
// with SIGTERM and waits for it before the next.
// Usage: window_start_bench [--runs N] [--warm-up N] [--label NAME]
//                           [--snapshot FILE.ppm] -- COMMAND [ARGUMENT...]
// Prints each run, then: "summary NAME mapped MEDIAN_MS drawn MEDIAN_MS".

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "bench/BenchFigures.h"
#include "bench/BenchProcess.h"
#include "bench/XWindowWatcher.h"

namespace {

using namespace corvid::bench;

constexpr double WINDOW_TIMEOUT_SECONDS = 30;

struct Options {
    int runs = 7;
    int warmUp = 1;
    std::string label = "program";
    std::string snapshot;
    std::vector<std::string> command;
};

struct RunTimes {
    double mapped = 0;
    double drawn = 0;
};

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    int index = 1;
    for (; index < argc; ++index) {
        const std::string_view argument = argv[index];
        if (argument == "--") {
            ++index;
            break;
        }
        if (index + 1 >= argc) {
            return std::nullopt;
        }
        const char* value = argv[++index];
        if (argument == "--runs") {
            options.runs = std::atoi(value);
        } else if (argument == "--warm-up") {
            options.warmUp = std::atoi(value);
        } else if (argument == "--label") {
            options.label = value;
        } else if (argument == "--snapshot") {
            options.snapshot = value;
        } else {
            return std::nullopt;
        }
    }
    options.command.assign(argv + index, argv + argc);
    if (options.command.empty() || options.runs < 1) {
        return std::nullopt;
    }
    return options;
}

std::optional<RunTimes> TimeOneStart(WindowWatcher& watcher, const Options& options,
                                     bool snapshot) {
    double startedAt = 0;
    Child child = Child::Start(options.command, ChildInput::Null, &startedAt);
    if (!child.IsRunning()) {
        std::fprintf(stderr, "cannot start %s\n", options.command.front().c_str());
        return std::nullopt;
    }
    const double deadline = startedAt + WINDOW_TIMEOUT_SECONDS;
    std::optional<WindowEvent> mapped;
    while (std::optional<WindowEvent> event = watcher.NextEventOf(child.Pid(), deadline)) {
        if (event->kind == WindowEventKind::Mapped && !mapped) {
            mapped = event;
            continue;
        }
        if (event->kind != WindowEventKind::Drawn || !mapped || event->window != mapped->window) {
            continue;
        }
        if (snapshot && !watcher.SaveSnapshot(event->window, options.snapshot)) {
            std::fprintf(stderr, "cannot save the snapshot %s\n", options.snapshot.c_str());
        }
        return RunTimes{mapped->seconds - startedAt, event->seconds - startedAt};
    }
    std::fprintf(stderr, "no window of %s was drawn within %.0f s\n",
                 options.command.front().c_str(), WINDOW_TIMEOUT_SECONDS);
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = ParseOptions(argc, argv);
    if (!options) {
        std::fprintf(stderr,
                     "Usage: window_start_bench [--runs N] [--warm-up N] [--label NAME] "
                     "[--snapshot FILE.ppm] -- COMMAND [ARGUMENT...]\n");
        return 2;
    }
    const std::unique_ptr<WindowWatcher> watcher = WindowWatcher::Connect();
    if (!watcher) {
        std::fprintf(stderr, "no X display with the DAMAGE and XTEST extensions\n");
        return 1;
    }
    std::vector<double> mapped;
    std::vector<double> drawn;
    for (int run = -options->warmUp; run < options->runs; ++run) {
        const bool counted = run >= 0;
        const std::optional<RunTimes> times =
            TimeOneStart(*watcher, *options, run == 0 && !options->snapshot.empty());
        if (!times) {
            return 1;
        }
        std::printf("%s run %d%s: mapped %.1f ms, drawn %.1f ms\n", options->label.c_str(), run + 1,
                    counted ? "" : " (warm-up)", times->mapped * 1000, times->drawn * 1000);
        if (counted) {
            mapped.push_back(times->mapped);
            drawn.push_back(times->drawn);
        }
    }
    const Spread mappedSpread = Summarize(mapped);
    const Spread drawnSpread = Summarize(drawn);
    std::printf("%s mapped ms: %s\n", options->label.c_str(),
                FormatSpread(mappedSpread, 1000, 1).c_str());
    std::printf("%s drawn ms: %s\n", options->label.c_str(),
                FormatSpread(drawnSpread, 1000, 1).c_str());
    std::printf("summary %s mapped %.1f drawn %.1f\n", options->label.c_str(),
                mappedSpread.median * 1000, drawnSpread.median * 1000);
    return 0;
}
