// The track list folder and file under fault while the disc plays: a folder
// made read-only or full, a list file replaced by junk. The play goes on, the
// user is told, and no track list file is lost or left half-written.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <random>

#include "cdaudio/DiscTime.h"
#include "platform/mci/DiscAnswers.h"
#include "platform/sound/ManualSink.h"
#include "res/ControlIds.h"
#include "tests/faults/support/FaultPlayer.h"
#include "tests/support/TemporaryFolder.h"
#include "tools/imagegen/ImageGen.h"
#include "tracklist/TrackListFile.h"
#include "ui/PlayerTiming.h"

namespace corvid::faults {
namespace {

using window::MessageBoxAnswer;

constexpr int TICKS_PER_SECOND = 1000 / ui::TIMER_PERIOD_MILLISECONDS;
// Smaller than any list the window writes: every save to this folder fails.
constexpr std::size_t FULL_DISK_BYTES = 64;

std::string FileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Junk(std::size_t size) {
    std::mt19937 noise(11);
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(noise());
    }
    return bytes;
}

std::size_t CodePoints(std::string_view utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char byte) {
        return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
    }));
}

class TrackListFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        m_disc.tracks.resize(3);
        for (auto& track : m_disc.tracks) {
            track.length = 20 * FRAMES_PER_SECOND;
        }
        const imagegen::WriteResult written =
            imagegen::WriteImage(m_disc, m_folder / "disc", "disc");
        ASSERT_FALSE(written.error) << *written.error;
        m_cueSheet = written.cueSheet;
        std::filesystem::create_directory(ListFolder());
        m_key = static_cast<std::int32_t>(mci::DiscIdentity(imagegen::ExpectedToc(m_disc)));
    }

    [[nodiscard]] std::filesystem::path ListFolder() const { return m_folder / "lists"; }
    [[nodiscard]] std::filesystem::path ListFile() const { return ListFolder() / "disc.trk"; }

    // The file a user saved earlier for this disc.
    void WriteOldList() {
        tracklist::TrackList list;
        list.cdKey = m_key;
        list.album = "Old Album";
        list.artist = "Old Band";
        list.rows = {{1, "One", "00:20", 0}, {2, "Two", "00:20", 0}, {3, "Three", "00:20", 0}};
        WriteBytes(ListFile(), tracklist::FormatTrackList(list));
    }

    void Start() {
        m_run.emplace(m_sink, ImageOpener(m_cueSheet), ListFolder());
        m_sink.SetBeforePull(
            [this](std::int64_t frames) { m_run->Device().Engine().WaitUntilBuffered(frames); });
        EXPECT_EQ(m_run->Mode(), "playing");
    }

    // A second of sound heard and its five ticks.
    void PlaySecond() {
        m_sink.Consume(cdrom::SAMPLE_RATE);
        m_run->Ticks(TICKS_PER_SECOND);
    }

    void EditAlbum(std::string_view text) {
        m_run->Window().ReplaceText(res::ALBUM_EDIT, text);
        m_run->Refresh();
    }

    // The play went on through the fault, and the window follows it.
    void ExpectPlayToGoOn() {
        const std::string before = m_run->Position();
        PlaySecond();
        EXPECT_GT(m_run->Position(), before);
        m_run->Refresh();
        EXPECT_EQ(m_run->Mode(), "playing");
        EXPECT_EQ(m_run->PlayCaption(), "Stop");
    }

    [[nodiscard]] std::vector<std::string> BoxTexts() {
        std::vector<std::string> texts;
        for (const auto& box : m_run->Windows().MessageBoxes()) {
            texts.push_back(box.text);
        }
        return texts;
    }

    // Save, told that the write failed, offered a file dialog, given up.
    void SaveIntoTheFaultyFolder() {
        auto& windows = m_run->Windows();
        windows.AnswerNextMessageBox(MessageBoxAnswer::YES);  // save changes?
        windows.AnswerNextMessageBox(MessageBoxAnswer::OK);   // couldn't write
        windows.AnswerNextFileDialog((ListFolder() / "elsewhere.trk").string());
        windows.AnswerNextMessageBox(MessageBoxAnswer::OK);  // couldn't write there either
        windows.AnswerNextFileDialog(std::nullopt);
        m_run->Click(res::SAVE_TRACKS_BUTTON);
    }

    void ExpectTheSavesToHaveFailed() {
        const std::string failed(tracklist::WRITE_FAILED_MESSAGE);
        EXPECT_EQ(BoxTexts(),
                  (std::vector<std::string>{"Save changes to " + ListFile().string() + " ?", failed,
                                            failed}));
        EXPECT_TRUE(m_run->Player().IsModified());
    }

    imagegen::DiscDescription m_disc;
    testing::TemporaryFolder m_folder{"corvid-list-faults"};
    std::filesystem::path m_cueSheet;
    std::int32_t m_key = 0;
    sound::ManualSink m_sink;
    std::optional<PlayerRun> m_run;
};

TEST_F(TrackListFaults, AFolderMadeReadOnlyDuringPlayKeepsTheOldFileWhole) {
    WriteOldList();
    const std::string old = FileBytes(ListFile());
    RunInChild({.user = ChildUser::NobodyWhenRoot}, m_folder.Path(), [&] {
        Start();
        PlaySecond();
        EditAlbum("New Album");
        ASSERT_EQ(::chmod(ListFolder().c_str(), 0555), 0);

        SaveIntoTheFaultyFolder();
        ExpectTheSavesToHaveFailed();
        EXPECT_EQ(FileBytes(ListFile()), old);
        EXPECT_EQ(testing::NamesIn(ListFolder()), std::vector<std::string>{"disc.trk"});
        ExpectPlayToGoOn();

        // Once the folder can be written again, the save goes to the path last
        // chosen; the old file stays as it was.
        ASSERT_EQ(::chmod(ListFolder().c_str(), 0755), 0);
        m_run->Windows().AnswerNextMessageBox(MessageBoxAnswer::YES);
        m_run->Click(res::SAVE_TRACKS_BUTTON);
        EXPECT_FALSE(m_run->Player().IsModified());
        EXPECT_NE(FileBytes(ListFolder() / "elsewhere.trk").find("New Album"), std::string::npos);
        EXPECT_EQ(FileBytes(ListFile()), old);
    });
}

TEST_F(TrackListFaults, AFullDiskDuringPlayKeepsTheOldFileWholeAndLeavesNoTemporaryFile) {
    WriteOldList();
    const std::string old = FileBytes(ListFile());
    RunInChild({.fileSizeLimit = FULL_DISK_BYTES}, m_folder.Path(), [&] {
        Start();
        PlaySecond();
        EditAlbum("New Album");

        SaveIntoTheFaultyFolder();
        ExpectTheSavesToHaveFailed();
        EXPECT_EQ(FileBytes(ListFile()), old);
        EXPECT_EQ(testing::NamesIn(ListFolder()), std::vector<std::string>{"disc.trk"});
        ExpectPlayToGoOn();

        // Closing offers the save once more; it fails and the window still closes.
        m_run->Windows().AnswerNextMessageBox(MessageBoxAnswer::YES);
        m_run->Windows().AnswerNextMessageBox(MessageBoxAnswer::OK);
        m_run->Windows().AnswerNextFileDialog(std::nullopt);
        m_run->Close();
        EXPECT_FALSE(m_run->Window().IsOpen());
        EXPECT_EQ(FileBytes(ListFile()), old);
    });
}

TEST_F(TrackListFaults, AListFileTurnedToJunkDuringPlayIsNotTakenForTheDiscs) {
    WriteOldList();
    Start();
    EXPECT_EQ(m_run->Text(res::ALBUM_EDIT), "Old Album");
    PlaySecond();
    const std::string junk = Junk(4096);
    WriteBytes(ListFile(), junk);

    // A new look at the disc finds no list for it: the default list comes.
    m_run->Click(res::EJECT_BUTTON);
    m_run->Click(res::INJECT_BUTTON);
    m_run->Refresh();
    EXPECT_EQ(m_run->Text(res::ALBUM_EDIT), "<New album>");
    EXPECT_EQ(m_run->Window().ListControl(res::TRACK_LIST).ItemCount(), 3);
    EXPECT_EQ(m_run->Player().TrackListPath(), "");
    EXPECT_EQ(m_run->Mode(), "playing");
    EXPECT_EQ(FileBytes(ListFile()), junk) << "a file that is not the disc's is left alone";
}

TEST_F(TrackListFaults, AListFileTurnedToJunkDuringPlayIsReplacedWholeByTheSave) {
    WriteOldList();
    Start();
    PlaySecond();
    EditAlbum("Saved Over Junk");
    WriteBytes(ListFile(), Junk(4096));

    m_run->Windows().AnswerNextMessageBox(MessageBoxAnswer::YES);  // save changes?
    m_run->Close();
    EXPECT_FALSE(m_run->Window().IsOpen());
    const std::string bytes = FileBytes(ListFile());
    EXPECT_TRUE(bytes.starts_with("[CD key] " + std::to_string(m_key) + "\r\n")) << bytes;
    EXPECT_NE(bytes.find("[Album ] Saved Over Junk\r\n"), std::string::npos) << bytes;
    EXPECT_TRUE(bytes.ends_with("\r\n"));
    EXPECT_EQ(testing::NamesIn(ListFolder()), std::vector<std::string>{"disc.trk"});
}

TEST_F(TrackListFaults, JunkUnderTheDiscsKeyLoadsWithoutHarm) {
    const std::string longName(1000, 'n');
    WriteBytes(ListFile(), "[CD key] " + std::to_string(m_key) + "\r\n" + Junk(2048) + "\r\n" +
                               "01:00:00:00*" + longName + "\r\n" + "99:00:00:00*Far away\r\n" +
                               "02:00:0" + std::string(1, '\0') + ":00 Cut\r\n" + Junk(2048));
    Start();
    const window::ListView& list = m_run->Window().ListControl(res::TRACK_LIST);
    ASSERT_GT(list.ItemCount(), 0);
    EXPECT_EQ(list.ItemText(0, 0), std::string(tracklist::MAX_VALUE_CODE_POINTS, 'n'));
    for (int row = 0; row < list.ItemCount(); ++row) {
        EXPECT_LE(CodePoints(list.ItemText(row, 0)), tracklist::MAX_VALUE_CODE_POINTS) << row;
    }
    EXPECT_LE(CodePoints(m_run->Text(res::ALBUM_EDIT)), tracklist::MAX_VALUE_CODE_POINTS);
    EXPECT_LE(CodePoints(m_run->Text(res::ARTIST_EDIT)), tracklist::MAX_VALUE_CODE_POINTS);
    ExpectPlayToGoOn();
}

}  // namespace
}  // namespace corvid::faults
