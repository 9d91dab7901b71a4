// Times from an action to the first sample that is not silence at a sound
// server's null sink, recorded from its monitor in chunks of 64 sample frames
// (1.5 ms) on the monotonic clock, over several runs. The action is:
//   spawn -- COMMAND...   starting COMMAND, which plays a short sound and ends
//                         (paplay FILE, or corvid-mci IMAGE "play cdaudio from 1")
//   stdin -- COMMAND...   writing "play cdaudio from 1" to COMMAND's standard
//                         input once it runs (corvid-mci IMAGE); "stop cdaudio"
//                         ends each run
//   click -- COMMAND...   a click on the Play/Stop button of the player window
//                         that COMMAND shows (corvid-player IMAGE); another
//                         click stops each run
// Before each run the sink is silent for a while.
// Usage: first_sound_bench [--runs N] [--label NAME] [--monitor SOURCE] MODE -- COMMAND...
// Prints each run, then: "summary NAME MEDIAN_MS".

#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bench/BenchFigures.h"
#include "bench/BenchProcess.h"
#include "bench/XWindowWatcher.h"
#include "res/ControlIds.h"
#include "res/PlayerDialogTemplate.h"

namespace {

using namespace corvid::bench;

constexpr std::uint32_t SAMPLE_RATE = 44100;
constexpr std::size_t CHANNELS = 2;
constexpr std::size_t CHUNK_FRAMES = 64;
constexpr std::size_t BYTES_PER_FRAME = CHANNELS * sizeof(std::int16_t);
// The sink counts as silent once it has been so for this long.
constexpr std::size_t QUIET_FRAMES = SAMPLE_RATE * 3 / 10;
constexpr auto SOUND_TIMEOUT = std::chrono::seconds(20);
constexpr double WINDOW_TIMEOUT_SECONDS = 30;
constexpr std::string_view PLAY_COMMAND = "play cdaudio from 1\n";
constexpr std::string_view STOP_COMMAND = "stop cdaudio\n";

// The player's dialog units in logical pixels, across and down.
constexpr double PIXELS_PER_UNIT_ACROSS = 1.5;
constexpr double PIXELS_PER_UNIT_DOWN = 1.625;

enum class Mode : std::uint8_t { Spawn, Stdin, Click };

struct Options {
    int runs = 7;
    std::string label = "program";
    std::string monitor = "bench_null.monitor";
    Mode mode = Mode::Spawn;
    std::vector<std::string> command;
};

struct SimpleCloser {
    void operator()(pa_simple* stream) const { pa_simple_free(stream); }
};

// Records the monitor on a thread of its own and notes when sound begins
// after Arm and how long the sink has been silent.
class SinkListener {
  public:
    static std::unique_ptr<SinkListener> Open(const std::string& monitor) {
        const pa_sample_spec spec{PA_SAMPLE_S16LE, SAMPLE_RATE, CHANNELS};
        pa_buffer_attr attributes{};
        attributes.maxlength = static_cast<std::uint32_t>(-1);
        attributes.fragsize = static_cast<std::uint32_t>(CHUNK_FRAMES * BYTES_PER_FRAME);
        int error = 0;
        std::unique_ptr<pa_simple, SimpleCloser> stream(
            pa_simple_new(nullptr, "first_sound_bench", PA_STREAM_RECORD, monitor.c_str(),
                          "monitor", &spec, nullptr, &attributes, &error));
        if (!stream) {
            std::fprintf(stderr, "cannot record %s: %s\n", monitor.c_str(), pa_strerror(error));
            return nullptr;
        }
        return std::unique_ptr<SinkListener>(new SinkListener(std::move(stream)));
    }

    ~SinkListener() {
        m_exit = true;
        m_reader.join();
    }
    SinkListener(const SinkListener&) = delete;
    SinkListener& operator=(const SinkListener&) = delete;

    // From now on the first sound is noted.
    void Arm() {
        std::lock_guard lock(m_mutex);
        m_armed = true;
        m_onset.reset();
    }

    // The monotonic time of the first sounding sample since Arm.
    std::optional<double> WaitForSound() {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, SOUND_TIMEOUT, [this] { return m_onset.has_value() || m_failed; });
        m_armed = false;
        return m_onset;
    }

    bool WaitForSilence() {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, SOUND_TIMEOUT, [this] {
            return m_silentFrames >= QUIET_FRAMES || m_failed;
        }) && !m_failed;
    }

  private:
    explicit SinkListener(std::unique_ptr<pa_simple, SimpleCloser> stream)
        : m_stream(std::move(stream)), m_reader([this] { ReadLoop(); }) {}

    void ReadLoop() {
        std::vector<std::int16_t> chunk(CHUNK_FRAMES * CHANNELS);
        while (!m_exit) {
            int error = 0;
            if (pa_simple_read(m_stream.get(), chunk.data(), chunk.size() * sizeof(std::int16_t),
                               &error) < 0) {
                std::fprintf(stderr, "recording failed: %s\n", pa_strerror(error));
                std::lock_guard lock(m_mutex);
                m_failed = true;
                m_changed.notify_all();
                return;
            }
            Take(chunk, MonotonicSeconds());
        }
    }

    // The chunk's last frame has just arrived; the ones before it are older.
    void Take(std::span<const std::int16_t> chunk, double arrivedAt) {
        std::lock_guard lock(m_mutex);
        const std::optional<std::size_t> first = FirstSoundingFrame(chunk);
        if (m_armed && !m_onset && first) {
            m_onset = arrivedAt - static_cast<double>(CHUNK_FRAMES - 1 - *first) / SAMPLE_RATE;
        }
        const std::size_t silent = TrailingSilentFrames(chunk);
        m_silentFrames = first ? silent : m_silentFrames + silent;
        m_changed.notify_all();
    }

    std::unique_ptr<pa_simple, SimpleCloser> m_stream;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_armed = false;
    bool m_failed = false;
    std::optional<double> m_onset;
    std::size_t m_silentFrames = 0;
    std::atomic<bool> m_exit = false;
    std::thread m_reader;
};

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    int index = 1;
    for (; index + 1 < argc && std::string_view(argv[index]).starts_with("--"); index += 2) {
        const std::string_view name = argv[index];
        const char* value = argv[index + 1];
        if (name == "--runs") {
            options.runs = std::atoi(value);
        } else if (name == "--label") {
            options.label = value;
        } else if (name == "--monitor") {
            options.monitor = value;
        } else {
            return std::nullopt;
        }
    }
    if (index + 1 >= argc || std::string_view(argv[index + 1]) != "--" || options.runs < 1) {
        return std::nullopt;
    }
    const std::string_view mode = argv[index];
    if (mode == "spawn") {
        options.mode = Mode::Spawn;
    } else if (mode == "stdin") {
        options.mode = Mode::Stdin;
    } else if (mode == "click") {
        options.mode = Mode::Click;
    } else {
        return std::nullopt;
    }
    options.command.assign(argv + index + 2, argv + argc);
    if (options.command.empty()) {
        return std::nullopt;
    }
    return options;
}

void Report(const Options& options, int run, double seconds) {
    std::printf("%s run %d: %.1f ms\n", options.label.c_str(), run, seconds * 1000);
    std::fflush(stdout);
}

std::vector<double> TimeSpawns(SinkListener& listener, const Options& options) {
    std::vector<double> times;
    for (int run = 1; run <= options.runs; ++run) {
        if (!listener.WaitForSilence()) {
            return {};
        }
        listener.Arm();
        double startedAt = 0;
        Child child = Child::Start(options.command, ChildInput::Null, &startedAt);
        const std::optional<double> sound = listener.WaitForSound();
        if (!child.IsRunning() || !sound) {
            std::fprintf(stderr, "%s: no sound came\n", options.label.c_str());
            return {};
        }
        times.push_back(*sound - startedAt);
        Report(options, run, times.back());
        static_cast<void>(child.Wait());
    }
    return times;
}

std::vector<double> TimePlayCommands(SinkListener& listener, const Options& options) {
    if (!listener.WaitForSilence()) {
        return {};
    }
    Child child = Child::Start(options.command, ChildInput::Pipe);
    // The program reads its first command once the device is open: this
    // first play only shows that it is.
    listener.Arm();
    if (!child.Write(PLAY_COMMAND) || !listener.WaitForSound()) {
        std::fprintf(stderr, "%s: the first play was not heard\n", options.label.c_str());
        return {};
    }
    std::vector<double> times;
    for (int run = 1; run <= options.runs + 1; ++run) {
        if (!child.Write(STOP_COMMAND) || !listener.WaitForSilence()) {
            std::fprintf(stderr, "%s: the stop was not heard\n", options.label.c_str());
            return {};
        }
        if (run > options.runs) {
            break;
        }
        listener.Arm();
        const double sentAt = MonotonicSeconds();
        const std::optional<double> sound =
            child.Write(PLAY_COMMAND) ? listener.WaitForSound() : std::nullopt;
        if (!sound) {
            std::fprintf(stderr, "%s: no sound came\n", options.label.c_str());
            return {};
        }
        times.push_back(*sound - sentAt);
        Report(options, run, times.back());
    }
    child.CloseInput();
    static_cast<void>(child.Wait());
    return times;
}

corvid::bench::ScreenPoint PlayStopCentre() {
    const auto& controls = corvid::res::PLAYER_DIALOG.controls;
    const auto control = std::find_if(controls.begin(), controls.end(), [](const auto& one) {
        return one.id == corvid::res::PLAY_STOP_BUTTON;
    });
    return {static_cast<int>((control->x + control->width / 2.0) * PIXELS_PER_UNIT_ACROSS),
            static_cast<int>((control->y + control->height / 2.0) * PIXELS_PER_UNIT_DOWN)};
}

std::optional<xcb_window_t> WaitForDrawnWindow(WindowWatcher& watcher, const Child& child) {
    const double deadline = MonotonicSeconds() + WINDOW_TIMEOUT_SECONDS;
    while (std::optional<WindowEvent> event = watcher.NextEventOf(child.Pid(), deadline)) {
        if (event->kind == WindowEventKind::Drawn) {
            return event->window;
        }
    }
    return std::nullopt;
}

std::vector<double> TimeClicks(SinkListener& listener, const Options& options) {
    const std::unique_ptr<WindowWatcher> watcher = WindowWatcher::Connect();
    if (!watcher) {
        std::fprintf(stderr, "no X display with the DAMAGE and XTEST extensions\n");
        return {};
    }
    if (!listener.WaitForSilence()) {
        return {};
    }
    // A disc in the drive plays as soon as the window is up; the first click stops it.
    listener.Arm();
    Child child = Child::Start(options.command, ChildInput::Null);
    const std::optional<xcb_window_t> window = WaitForDrawnWindow(*watcher, child);
    const std::optional<ScreenPoint> button =
        window ? watcher->ToScreen(*window, PlayStopCentre()) : std::nullopt;
    if (!button || !listener.WaitForSound()) {
        std::fprintf(stderr, "%s: the window or its first play did not come\n",
                     options.label.c_str());
        return {};
    }
    std::vector<double> times;
    for (int run = 1; run <= options.runs + 1; ++run) {
        watcher->Click(*button);
        if (!listener.WaitForSilence()) {
            std::fprintf(stderr, "%s: the click on Play/Stop did not stop it\n",
                         options.label.c_str());
            return {};
        }
        if (run > options.runs) {
            break;
        }
        listener.Arm();
        const double clickedAt = watcher->Click(*button);
        const std::optional<double> sound = listener.WaitForSound();
        if (!sound) {
            std::fprintf(stderr, "%s: no sound came after the click\n", options.label.c_str());
            return {};
        }
        times.push_back(*sound - clickedAt);
        Report(options, run, times.back());
    }
    static_cast<void>(child.Terminate());
    return times;
}

std::vector<double> TimeRuns(SinkListener& listener, const Options& options) {
    switch (options.mode) {
        case Mode::Spawn:
            return TimeSpawns(listener, options);
        case Mode::Stdin:
            return TimePlayCommands(listener, options);
        case Mode::Click:
            return TimeClicks(listener, options);
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = ParseOptions(argc, argv);
    if (!options) {
        std::fprintf(stderr,
                     "Usage: first_sound_bench [--runs N] [--label NAME] [--monitor SOURCE] "
                     "spawn|stdin|click -- COMMAND...\n");
        return 2;
    }
    // A program that ends early must not end the benchmark through its pipe.
    std::signal(SIGPIPE, SIG_IGN);
    const std::unique_ptr<SinkListener> listener = SinkListener::Open(options->monitor);
    if (!listener) {
        return 1;
    }
    const std::vector<double> times = TimeRuns(*listener, *options);
    if (times.empty()) {
        return 1;
    }
    const Spread spread = Summarize(times);
    std::printf("%s first sound ms: %s\n", options->label.c_str(),
                FormatSpread(spread, 1000, 1).c_str());
    std::printf("summary %s %.1f\n", options->label.c_str(), spread.median * 1000);
    return 0;
}
