#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cdaudio/MciPort.h"
#include "platform/headless/HeadlessWindowSystem.h"
#include "platform/mci/MciDevice.h"
#include "platform/sound/ManualSink.h"
#include "platform/sound/SinkMixer.h"
#include "tests/model/ModelActions.h"
#include "tests/support/ScriptedNameLookup.h"
#include "tests/support/TemporaryFolder.h"
#include "tracklist/TrackList.h"
#include "ui/PlayerDlg.h"

namespace corvid::model {

// The two discs of the runs (FirstDisc and SecondDisc), written once and
// shared by every replay.
struct ModelDiscs {
    explicit ModelDiscs(const std::filesystem::path& folder);

    std::filesystem::path first;
    std::filesystem::path second;
};

enum class Invariant : std::uint8_t {
    LIST_ORDER,     // the rows break the order the editing keeps
    CURRENT_ROW,    // the row marked current does not hold the heard position
    SAVE_BUTTON,    // Save tracks is not enabled exactly while the list is modified
    LOST_EDITS,     // a list with edits was replaced without a question or a save
    WRITTEN_LIST,   // a saved file does not hold the list the window showed
    WINDOW_CLOSED,  // the window ended by itself
    DISC_KEY,       // the list shown belongs to a disc that is not in the drive
    ROW_MARKS,      // a row other than the edit row or the current row carries its mark
    NO_DISC_LIST,   // without a disc's list, rows or live list controls are there
    WRITTEN_KEY,    // a file was written under the key of no disc
};

std::string InvariantName(Invariant invariant);

struct Failure {
    Invariant invariant = Invariant::LIST_ORDER;
    int actionIndex = 0;  // 0-based
    std::string detail;
};

// What a run covered, so that a run whose checks never applied shows it.
struct RunStats {
    int actions = 0;
    std::int64_t ticks = 0;
    int listChecks = 0;
    int currentRowChecks = 0;
    int currentRowUntrusted = 0;
    int currentRowOtherwiseSkipped = 0;
    int saveButtonChecks = 0;
    int replacedLists = 0;
    int replacedWithEdits = 0;
    int questions = 0;
    int savedFiles = 0;
    int restarts = 0;
    int driveSwaps = 0;
    int mediaKeys = 0;
    int trayMovesInBoxes = 0;
    int discKeyChecks = 0;
    int noDiscChecks = 0;

    [[nodiscard]] double SimulatedHours() const;
    [[nodiscard]] std::string Summary() const;
};

// Passes the window's commands to the device and counts the plays it refused
// and the lists the window built (it asks for the disc's key only then).
class WatchingMci final : public MciPort {
  public:
    explicit WatchingMci(MciPort& device) : m_device(device) {}
    MciError SendString(std::string_view command, std::span<char> answer,
                        NotifyWindow* notify) override;
    std::string GetErrorString(MciError error) override { return m_device.GetErrorString(error); }
    [[nodiscard]] int RefusedPlays() const { return m_refusedPlays; }
    [[nodiscard]] int BuiltLists() const { return m_builtLists; }

  private:
    MciPort& m_device;
    int m_refusedPlays = 0;
    int m_builtLists = 0;
};

// The player window on the headless adapter over an image drive whose tray
// holds either disc or nothing, with a manual sink, driven by actions and
// checked after each one.
class ModelPlayer {
  public:
    explicit ModelPlayer(const ModelDiscs& discs);
    ~ModelPlayer();
    ModelPlayer(const ModelPlayer&) = delete;
    ModelPlayer& operator=(const ModelPlayer&) = delete;

    // Does the action and checks the invariants; the first broken one.
    std::optional<Failure> Apply(const Action& action, int index);
    [[nodiscard]] const RunStats& Stats() const { return m_stats; }
    // A short text of what the window shows, to compare runs.
    [[nodiscard]] std::string Fingerprint();
    // The window's list state and the model's, for a trace.
    [[nodiscard]] std::string State();

  private:
    // The list as the window holds it, in the form a file keeps it.
    struct Snapshot {
        std::int32_t cdKey = -1;
        tracklist::TrackList list;
        std::string path;
        bool modified = false;
    };

    void StartPlayer(StartTray start);
    void StopPlayer();
    void PutInTray(TrayDisc disc);
    // The drive's own button, sent to the device behind the window's back.
    void MoveTrayByDrive(std::string_view door);
    void SwapByDrive(TrayDisc disc);
    void NoteDriveChange();
    void PressMediaKey(MediaKey key);
    [[nodiscard]] int TrackCountOfTray() const;
    // Why the rows do not follow the disc in the drive, if they do not.
    std::optional<std::string> MisfitOf(std::span<const tracklist::TrackListRow> rows);
    bool FileFitsDisc(const std::string& path);
    // Takes the list the window shows now as read: a new disc's, or none.
    void AdoptNewList();

    void Perform(const Action& action);
    void PerformClick(int control);
    void QueueAnswers(const Answers& answers);
    void WhileWindowOpen(const Answers& answers);
    void TicksWhileOpen(int ticks);
    // Keeps the boxes the action brought up, before the windows go.
    void CollectShownBoxes();
    void DropUnusedAnswers();
    [[nodiscard]] std::optional<std::string> ResolveFile(const FileAnswer& answer) const;

    // One tick of the manual clock, with the checks that follow a tick.
    std::optional<std::string> Tick(ActionKind kind, Invariant& broken);
    void NoteRefusedPlays();
    std::optional<std::string> CheckCurrentRow();
    std::optional<std::string> CheckSaveButton(int modeBefore, bool modifiedBefore, bool listWent);
    std::optional<std::string> CheckListOrder();
    std::optional<std::string> CheckDiscKey();
    std::optional<std::string> CheckNoDiscList();
    std::optional<std::string> CheckRowMarks();
    std::optional<Failure> CheckAfterAction(const Action& action, int index,
                                            const Snapshot& before);
    [[nodiscard]] std::vector<std::string> QuestionsShown() const;
    [[nodiscard]] std::optional<std::string> LoadedPath() const;
    [[nodiscard]] bool BuiltListInAction() const;
    [[nodiscard]] bool ListWasReplaced(const Action& action, const Snapshot& before) const;
    std::optional<std::string> CheckReplacement(const Action& action, const Snapshot& before,
                                                const std::vector<std::string>& questions);
    std::optional<Failure> CheckWrittenFiles(const Action& action, const Snapshot& before,
                                             int index,
                                             const std::map<std::string, std::string>& filesBefore);
    void FollowList(const Action& action, const Snapshot& before);

    Snapshot Take();
    [[nodiscard]] std::vector<tracklist::TrackListRow> ShownRows() const;
    [[nodiscard]] tracklist::TrackList ShownList() const;
    // The sound server hears this many frames (75 to the second).
    void Hear(int frames);
    [[nodiscard]] std::string HeardPosition();
    [[nodiscard]] bool PositionShownIsHeard();

    const ModelDiscs& m_discs;
    corvid::testing::TemporaryFolder m_folder{"corvid-model"};
    std::filesystem::path m_traySheet;
    std::filesystem::path m_lists;
    TrayDisc m_trayDisc = TrayDisc::FIRST;
    bool m_trayOpen = false;
    // The window has had its periodic refresh since the drive's own button
    // last moved the tray: only from then on can it know of the change.
    bool m_driveSettled = true;

    sound::ManualSink m_sink;
    sound::SinkMixer m_mixer{m_sink};
    corvid::testing::ScriptedNameLookup m_nameLookup;
    std::unique_ptr<mci::MciDevice> m_device;
    std::unique_ptr<WatchingMci> m_mci;
    // Made anew with each start of the player, as a new program would have
    // its own: the closed windows of a long run are not kept.
    std::unique_ptr<headless::HeadlessWindowSystem> m_windows;
    std::unique_ptr<ui::CPlayerDlg> m_player;
    headless::HeadlessDialog* m_window = nullptr;

    // The model: the list as it was last read or written, and whether the
    // current row can be held to the heard position.
    std::optional<tracklist::TrackList> m_baseline;
    // The list follows the disc: it was made for it or read from a file that
    // follows it. Another disc's list is held to nothing.
    bool m_listFits = false;
    // The disc in the tray when the window's list was taken as read.
    TrayDisc m_listDisc = TrayDisc::FIRST;
    bool m_rowsTrusted = true;
    int m_refusedPlays = 0;
    bool m_savedInAction = false;
    // The window builds a list afresh within an action when the disc went
    // and came back in it, under the same key.
    int m_builtListsBefore = 0;

    // The answers queued for the action under way, and the boxes it showed.
    int m_queuedBoxes = 0;
    int m_queuedFiles = 0;
    std::size_t m_boxesBeforeAction = 0;
    std::size_t m_filesBeforeAction = 0;
    std::vector<headless::MessageBoxRecord> m_shownBoxes;
    std::vector<headless::FileDialogRecord> m_shownFiles;
    bool m_shownCollected = false;
    // The windows that held the unused answers are gone.
    bool m_answersGone = false;
    bool m_draining = false;
    RunStats m_stats;
};

// Plays the actions on a fresh player; the first failure, if any. With a
// trace, each action and the state after it go there.
std::optional<Failure> Replay(const ModelDiscs& discs, std::span<const Action> actions,
                              RunStats* stats = nullptr, std::string* trace = nullptr);

}  // namespace corvid::model
