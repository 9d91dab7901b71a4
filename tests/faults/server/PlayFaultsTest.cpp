// Faults while the player window plays a disc image to a real sound server:
// the image's files cut short, overwritten or deleted under it, reads that
// fail, and the server killed and started again. The window must keep
// running and show what the device really does.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <random>

#include "cdaudio/DiscTime.h"
#include "platform/sound/PulseSink.h"
#include "res/ControlIds.h"
#include "tests/faults/support/FaultPlayer.h"
#include "tests/sound/server/SinkTesting.h"
#include "tests/support/PulseServer.h"
#include "tests/support/TemporaryFolder.h"
#include "tools/imagegen/ImageGen.h"

namespace corvid::faults {
namespace {

using namespace std::chrono_literals;
using testing::SECOND;

// Long enough for a disc to play to a fault and stop.
constexpr auto PLAY_TIMEOUT = 60s;
constexpr int TRACK_SECONDS[] = {20, 15, 10};
// A short read-ahead, so that a fault a few seconds in lies ahead of the reader.
constexpr cdrom::EngineOptions SHORT_BUFFER{.bufferSeconds = 1, .sectorsPerRead = 75};

imagegen::DiscDescription ThreeTracks(imagegen::AudioFormat format) {
    imagegen::DiscDescription disc;
    disc.format = format;
    for (const int seconds : TRACK_SECONDS) {
        imagegen::TrackDescription track;
        track.length = seconds * FRAMES_PER_SECOND;
        disc.tracks.push_back(track);
    }
    return disc;
}

struct PositionParts {
    int track = 0;
    int seconds = 0;  // into the track
};

PositionParts Parts(const std::string& position) {
    int track = 0, minutes = 0, seconds = 0, frames = 0;
    if (std::sscanf(position.c_str(), "%d:%d:%d:%d", &track, &minutes, &seconds, &frames) != 4) {
        ADD_FAILURE() << "not a position: " << position;
    }
    return {track, minutes * 60 + seconds};
}

class PlayFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_server.Start()) << m_server.Log();
        m_sink.emplace(sound::PulseSinkOptions{.serverAddress = m_server.Address()});
        ASSERT_TRUE(testing::WaitUntilStreaming(*m_sink));
        std::filesystem::create_directory(ListFolder());
    }

    [[nodiscard]] std::filesystem::path ListFolder() const { return m_folder / "lists"; }

    void WriteDisc(imagegen::AudioFormat format) {
        const imagegen::WriteResult written =
            imagegen::WriteImage(ThreeTracks(format), m_folder / "disc", "disc");
        ASSERT_FALSE(written.error) << *written.error;
        m_cueSheet = written.cueSheet;
    }

    [[nodiscard]] std::filesystem::path AudioFile() const {
        for (const auto& entry : std::filesystem::directory_iterator(m_cueSheet.parent_path())) {
            if (entry.path().extension() != ".cue") {
                return entry.path();
            }
        }
        ADD_FAILURE() << "the image has no audio file";
        return {};
    }

    // Opens the window on the drive; a disc in it starts playing at once.
    void StartPlayer(mci::DriveOpener opener, cdrom::EngineOptions options = SHORT_BUFFER) {
        m_run.emplace(*m_sink, std::move(opener), ListFolder(), options);
        EXPECT_EQ(m_run->Mode(), "playing");
    }

    bool WaitForMode(std::string_view mode, std::chrono::milliseconds timeout = PLAY_TIMEOUT) {
        return m_sink->WaitUntil([&] { return m_run->Mode() == mode; }, timeout);
    }

    bool WaitUntilHeard(std::int64_t frames) {
        return m_sink->WaitUntil([&] { return m_sink->HeardFrames() >= frames; }, PLAY_TIMEOUT);
    }

    // The window, once it has asked the drive, shows the disc stopped.
    void ExpectTheWindowToShowStopped() {
        m_run->Refresh();
        EXPECT_EQ(m_run->PlayCaption(), "Play");
        EXPECT_TRUE(m_run->Text(res::STATUS_TEXT).starts_with(" ["))
            << m_run->Text(res::STATUS_TEXT);
    }

    void ExpectTheWindowToShowPlaying() {
        m_run->Refresh();
        EXPECT_EQ(m_run->PlayCaption(), "Stop");
        EXPECT_TRUE(m_run->Text(res::STATUS_TEXT).starts_with(">["))
            << m_run->Text(res::STATUS_TEXT);
    }

    testing::PulseServer m_server;
    testing::TemporaryFolder m_folder{"corvid-faults"};
    std::filesystem::path m_cueSheet;
    std::optional<sound::PulseSink> m_sink;
    std::optional<PlayerRun> m_run;
};

enum class AfterInject : std::uint8_t { NoDisc, PlaysToTheCut };

struct CutCase {
    imagegen::AudioFormat format;
    AfterInject afterInject;
};

class CutShortDuringPlay : public PlayFaults, public ::testing::WithParamInterface<CutCase> {};

TEST_P(CutShortDuringPlay, StopsWhereTheFileEndsAndTheWindowSaysSo) {
    WriteDisc(GetParam().format);
    StartPlayer(ImageOpener(m_cueSheet));
    ASSERT_TRUE(WaitUntilHeard(SECOND / 2));

    // The file keeps a fifth of the first track: four seconds, give or take
    // what its format packs where.
    const std::filesystem::path audio = AudioFile();
    const auto size = std::filesystem::file_size(audio);
    const auto disc = imagegen::ExpectedToc(ThreeTracks(GetParam().format));
    std::filesystem::resize_file(audio, size * 4 * FRAMES_PER_SECOND / disc.leadOut);

    ASSERT_TRUE(WaitForMode("stopped")) << "the device still reports " << m_run->Mode();
    const PositionParts stoppedAt = Parts(m_run->Position());
    EXPECT_EQ(stoppedAt.track, 1);
    EXPECT_GE(stoppedAt.seconds, 2);
    EXPECT_LE(stoppedAt.seconds, 6);
    ExpectTheWindowToShowStopped();

    // Play again starts from track 1, which is read up to the cut once more.
    m_run->Click(res::PLAY_STOP_BUTTON);
    ASSERT_TRUE(WaitForMode("stopped"));
    EXPECT_EQ(Parts(m_run->Position()).seconds, stoppedAt.seconds);
    ExpectTheWindowToShowStopped();

    // Taken out and put back, the image is read anew: as a disc that
    // cannot be played, or one whose file's header still tells its old length.
    m_run->Click(res::EJECT_BUTTON);
    m_run->Click(res::INJECT_BUTTON);
    m_run->Refresh();
    if (GetParam().afterInject == AfterInject::NoDisc) {
        EXPECT_EQ(m_run->Mode(), "not ready");
        EXPECT_EQ(m_run->Text(res::STATUS_TEXT), "No CD?");
        EXPECT_EQ(m_run->Window().ListControl(res::TRACK_LIST).ItemCount(), 0);
        return;
    }
    EXPECT_EQ(m_run->PlayCaption(), "Stop");
    ASSERT_TRUE(WaitForMode("stopped"));
    EXPECT_EQ(Parts(m_run->Position()).seconds, stoppedAt.seconds);
    ExpectTheWindowToShowStopped();
}

INSTANTIATE_TEST_SUITE_P(
    Formats, CutShortDuringPlay,
    ::testing::Values(CutCase{imagegen::AudioFormat::Binary, AfterInject::NoDisc},
                      CutCase{imagegen::AudioFormat::Wave, AfterInject::NoDisc},
                      CutCase{imagegen::AudioFormat::Flac, AfterInject::PlaysToTheCut}));

TEST_F(PlayFaults, ADeletedImagePlaysOnFromItsOpenFilesAndIsGoneOnceEjected) {
    WriteDisc(imagegen::AudioFormat::Flac);
    StartPlayer(ImageOpener(m_cueSheet));
    ASSERT_TRUE(WaitUntilHeard(SECOND / 2));
    std::filesystem::remove_all(m_cueSheet.parent_path());

    const std::int64_t deletedAt = m_sink->HeardFrames();
    ASSERT_TRUE(WaitUntilHeard(deletedAt + 2 * SECOND)) << "play did not go on";
    EXPECT_EQ(m_run->Mode(), "playing");
    ExpectTheWindowToShowPlaying();

    m_run->Click(res::EJECT_BUTTON);
    EXPECT_EQ(m_run->Text(res::STATUS_TEXT), "No CD");
    m_run->Click(res::INJECT_BUTTON);
    EXPECT_EQ(m_run->Mode(), "not ready");
    m_run->Refresh();
    EXPECT_EQ(m_run->Text(res::STATUS_TEXT), "No CD?");
    EXPECT_EQ(m_run->PlayCaption(), "Play");
    EXPECT_FALSE(m_run->Window().IsEnabled(res::PLAY_STOP_BUTTON));
    m_run->Close();
    EXPECT_FALSE(m_run->Window().IsOpen());
}

TEST_F(PlayFaults, AFlacFileOverwrittenWithJunkEndsThePlayAtTheJunk) {
    WriteDisc(imagegen::AudioFormat::Flac);
    StartPlayer(ImageOpener(m_cueSheet));
    ASSERT_TRUE(WaitUntilHeard(SECOND / 2));

    // Everything after the first tenth of the file turns to noise bytes.
    const std::filesystem::path audio = AudioFile();
    const auto size = std::filesystem::file_size(audio);
    std::fstream file(audio, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(static_cast<std::streamoff>(size / 10));
    std::mt19937 noise(7);
    for (auto byte = size / 10; byte < size; ++byte) {
        file.put(static_cast<char>(noise()));
    }
    file.close();

    ASSERT_TRUE(WaitForMode("stopped")) << "the device still reports " << m_run->Mode();
    const PositionParts stoppedAt = Parts(m_run->Position());
    EXPECT_EQ(stoppedAt.track, 1);
    EXPECT_LE(stoppedAt.seconds, 10);
    ExpectTheWindowToShowStopped();
}

TEST_F(PlayFaults, AReadThatFailsStopsThePlayAtItsSector) {
    WriteDisc(imagegen::AudioFormat::Binary);
    FailingDrive* failing = nullptr;
    StartPlayer([&] {
        cdrom::DriveOpenResult opened =
            cdrom::OpenDrive({cdrom::DriveLocation::Kind::Image, m_cueSheet});
        auto drive = std::make_unique<FailingDrive>(std::move(opened.drive));
        failing = drive.get();
        return cdrom::DriveOpenResult{std::move(drive), std::nullopt};
    });
    ASSERT_NE(failing, nullptr);
    ASSERT_TRUE(WaitUntilHeard(SECOND / 2));
    failing->FailReadsFrom(4 * FRAMES_PER_SECOND);

    ASSERT_TRUE(WaitForMode("stopped")) << "the device still reports " << m_run->Mode();
    EXPECT_EQ(m_run->Position(), "01:00:04:00");
    ExpectTheWindowToShowStopped();

    // The next track cannot be read either: the device stops at its start.
    m_run->Click(res::NEXT_TRACK_BUTTON);
    ASSERT_TRUE(WaitForMode("stopped"));
    EXPECT_EQ(m_run->Position(), "02:00:00:00");
    ExpectTheWindowToShowStopped();
    EXPECT_GE(failing->FailedReads(), 2);
}

TEST_F(PlayFaults, AKilledServerHoldsThePlayUntilItIsBack) {
    WriteDisc(imagegen::AudioFormat::Binary);
    StartPlayer(ImageOpener(m_cueSheet), {});
    ASSERT_TRUE(WaitUntilHeard(SECOND));

    const std::optional<pid_t> pid = ServerPid(m_server);
    ASSERT_TRUE(pid.has_value());
    ASSERT_EQ(::kill(*pid, SIGKILL), 0);
    ASSERT_TRUE(testing::WaitUntilAbsent(*m_sink));
    m_server.Stop();  // reaps it

    // While no server is there the play holds its place.
    const std::string held = m_run->Position();
    ExpectTheWindowToShowPlaying();
    m_run->Refresh();
    EXPECT_EQ(m_run->Position(), held);
    EXPECT_EQ(m_run->Mode(), "playing");

    // The window still takes its commands: a stop and a play keep the place.
    m_run->Click(res::PLAY_STOP_BUTTON);
    EXPECT_EQ(m_run->Mode(), "stopped");
    ExpectTheWindowToShowStopped();
    m_run->Click(res::PLAY_STOP_BUTTON);
    EXPECT_EQ(m_run->Mode(), "playing");
    EXPECT_EQ(m_run->Position(), held);

    ASSERT_TRUE(m_server.Start()) << m_server.Log();
    ASSERT_TRUE(testing::WaitUntilStreaming(*m_sink));
    const auto movedOn = [&] { return Parts(m_run->Position()).seconds > Parts(held).seconds; };
    EXPECT_TRUE(m_sink->WaitUntil(movedOn, PLAY_TIMEOUT)) << "play did not go on from " << held;
    EXPECT_EQ(Parts(m_run->Position()).track, 1) << "play went on from elsewhere";
    ExpectTheWindowToShowPlaying();
}

}  // namespace
}  // namespace corvid::faults
