// What one timer tick of the playing window costs, and the handlers that
// change the list, on a 3-track list and on a 99-track list with 2,000
// subtracks, over the headless window and a drive in memory: the logic
// alone, without a toolkit's drawing. The tick must not grow with the list.
//
//     build/release/bench/tick_cost_bench
//     valgrind --tool=callgrind build/release/bench/tick_cost_bench
//         --benchmark_filter=Tick --benchmark_min_time=2   (one line)
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <memory>

#include "cdaudio/DiscTime.h"
#include "platform/headless/HeadlessWindowSystem.h"
#include "platform/mci/DiscAnswers.h"
#include "platform/mci/MciDevice.h"
#include "platform/sound/ManualSink.h"
#include "platform/sound/SinkMixer.h"
#include "res/ControlIds.h"
#include "res/PlayerDialogTemplate.h"
#include "tests/support/FakeDrive.h"
#include "tests/support/ScriptedNameLookup.h"
#include "tests/support/TemporaryFolder.h"
#include "tracklist/TrackListFile.h"
#include "ui/PlayerDlg.h"
#include "ui/PlayerTiming.h"

namespace {

using namespace corvid;

constexpr int SAMPLE_FRAMES_PER_FRAME = 588;
constexpr int FRAMES_PER_TICK = 15;
constexpr int TRACK_SECONDS = 45;
constexpr int SUBTRACKS_IN_ALL = 2000;

std::string StartText(int second, int frame) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", second / SECONDS_PER_MINUTE,
                  second % SECONDS_PER_MINUTE, frame);
    return text;
}

// Track rows, and the subtracks spread evenly over the tracks.
tracklist::TrackList MakeList(std::int32_t key, int tracks, int subtracks) {
    tracklist::TrackList list;
    list.cdKey = key;
    list.album = "Long Recording";
    list.artist = "Someone";
    const int perTrack = subtracks / tracks;
    int left = subtracks;
    for (int track = 1; track <= tracks; ++track) {
        list.rows.push_back({track, "Track " + std::to_string(track), "00:45", 0});
        const int here = track == tracks ? left : perTrack;
        for (int mark = 0; mark < here; ++mark) {
            // Spread over the first 40 seconds, a frame apart where they crowd.
            const int frames = mark * (40 * FRAMES_PER_SECOND) / std::max(here, 1);
            list.rows.push_back({-track, "Mark " + std::to_string(mark),
                                 StartText(frames / FRAMES_PER_SECOND, frames % FRAMES_PER_SECOND),
                                 1});
        }
        left -= here;
    }
    return list;
}

// The player window on a disc of `tracks` tracks whose list file holds
// `subtracks` subtracks, playing in the middle of the disc.
class PlayerOnList {
  public:
    PlayerOnList(int tracks, int subtracks) {
        std::vector<corvid::testing::FakeTrack> layout(static_cast<std::size_t>(tracks),
                                                       {TRACK_SECONDS * FRAMES_PER_SECOND});
        const cdrom::Toc toc = corvid::testing::MakeToc(layout);
        const auto key = static_cast<std::int32_t>(mci::DiscIdentity(toc));
        std::filesystem::create_directory(Lists());
        std::ofstream(Lists() / "list.trk", std::ios::binary)
            << tracklist::FormatTrackList(MakeList(key, tracks, subtracks));

        m_device = std::make_unique<mci::MciDevice>(
            [toc] {
                return cdrom::DriveOpenResult{std::make_unique<corvid::testing::FakeDrive>(toc),
                                              std::nullopt};
            },
            m_sink);
        m_sink.SetBeforePull(
            [this](std::int64_t frames) { m_device->Engine().WaitUntilBuffered(frames); });
        m_player = std::make_unique<ui::CPlayerDlg>(
            ui::PlayerPorts{m_windows, *m_device, *m_device, m_mixer, m_nameLookup, Lists()});
        m_window = &m_windows.Open(res::PLAYER_DIALOG, *m_player);
        // Play from the middle track's first subtrack.
        m_middleRow = RowOfTrack((tracks + 1) / 2) + (subtracks > 0 ? 1 : 0);
        m_window->ClickListRow(res::TRACK_LIST, m_middleRow);
        Tick();
    }
    ~PlayerOnList() {
        if (m_window->IsOpen()) {
            m_window->CloseBox();
        }
    }
    PlayerOnList(const PlayerOnList&) = delete;
    PlayerOnList& operator=(const PlayerOnList&) = delete;

    void Tick() {
        m_sink.Consume(static_cast<std::int64_t>(FRAMES_PER_TICK) * SAMPLE_FRAMES_PER_FRAME);
        m_windows.AdvanceTime(ui::TIMER_PERIOD_MILLISECONDS);
    }
    [[nodiscard]] int RowOfTrack(int track) const {
        for (int row = 0; row < m_player->RowCount(); ++row) {
            if (m_player->RowAt(row).rowKey == track) {
                return row;
            }
        }
        return 0;
    }

    headless::HeadlessWindowSystem& Windows() { return m_windows; }
    headless::HeadlessDialog& Window() { return *m_window; }
    ui::CPlayerDlg& Player() { return *m_player; }
    [[nodiscard]] int MiddleRow() const { return m_middleRow; }

  private:
    [[nodiscard]] std::filesystem::path Lists() const { return m_folder.Path() / "lists"; }

    corvid::testing::TemporaryFolder m_folder{"corvid-tick-bench"};
    sound::ManualSink m_sink;
    sound::SinkMixer m_mixer{m_sink};
    corvid::testing::ScriptedNameLookup m_nameLookup;
    std::unique_ptr<mci::MciDevice> m_device;
    headless::HeadlessWindowSystem m_windows;
    std::unique_ptr<ui::CPlayerDlg> m_player;
    headless::HeadlessDialog* m_window = nullptr;
    int m_middleRow = 0;
};

int SubtracksFor(const benchmark::State& state) {
    return state.range(0) > 3 ? SUBTRACKS_IN_ALL : 0;
}

void Tick(benchmark::State& state) {
    PlayerOnList player(static_cast<int>(state.range(0)), SubtracksFor(state));
    for (auto _ : state) {
        player.Tick();
    }
    state.counters["rows"] = player.Player().RowCount();
}

void ClickOnARow(benchmark::State& state) {
    PlayerOnList player(static_cast<int>(state.range(0)), SubtracksFor(state));
    int row = 0;
    for (auto _ : state) {
        player.Window().ClickListRow(res::TRACK_LIST, row);
        row = (row + 7) % player.Player().RowCount();
    }
}

void InsertThenDelete(benchmark::State& state) {
    PlayerOnList player(static_cast<int>(state.range(0)), SubtracksFor(state));
    for (auto _ : state) {
        player.Window().Click(res::INSERT_SUBTRACK_BUTTON);
        player.Window().Click(res::DELETE_SUBTRACK_BUTTON);
    }
}

void RenameWithUpdate(benchmark::State& state) {
    PlayerOnList player(static_cast<int>(state.range(0)), SubtracksFor(state));
    int round = 0;
    for (auto _ : state) {
        player.Window().ClickListRow(res::TRACK_LIST, player.MiddleRow());
        player.Window().ReplaceText(res::NAME_EDIT, "Name " + std::to_string(++round));
        player.Window().Click(res::UPDATE_BUTTON);
    }
}

void SaveTracks(benchmark::State& state) {
    PlayerOnList player(static_cast<int>(state.range(0)), SubtracksFor(state));
    int round = 0;
    for (auto _ : state) {
        player.Window().ReplaceText(res::ARTIST_EDIT, "Someone " + std::to_string(++round));
        player.Windows().AnswerNextMessageBox(window::MessageBoxAnswer::YES);
        // As the button does, which the next refresh would enable.
        player.Player().OnSaveTracks();
        if (player.Player().IsModified()) {
            state.SkipWithError("the list was not saved");
            break;
        }
    }
}

}  // namespace

BENCHMARK(Tick)->Arg(3)->Arg(99);
BENCHMARK(ClickOnARow)->Arg(3)->Arg(99)->Unit(benchmark::kMicrosecond);
BENCHMARK(InsertThenDelete)->Arg(3)->Arg(99)->Unit(benchmark::kMicrosecond);
BENCHMARK(RenameWithUpdate)->Arg(3)->Arg(99)->Unit(benchmark::kMicrosecond);
BENCHMARK(SaveTracks)->Arg(3)->Arg(99)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
