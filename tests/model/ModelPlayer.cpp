#include "tests/model/ModelPlayer.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/cdrom/Drive.h"
#include "res/ControlIds.h"
#include "res/PlayerDialogTemplate.h"
#include "tools/imagegen/ImageGen.h"
#include "tracklist/TrackListFile.h"
#include "tracklist/TrackListRows.h"
#include "ui/PlayerTiming.h"

namespace corvid::model {

namespace {

constexpr int SAMPLE_FRAMES_PER_FRAME = 588;
constexpr double SECONDS_PER_HOUR = 3600.0;
constexpr std::string_view SAVE_CHANGES_QUESTION = "Save changes to ";
constexpr std::string_view SAVE_NEW_QUESTION = "Do you want to save this tracklist?";
constexpr std::string_view LOSE_CHANGES_QUESTION = "OK to lose unsaved changes in this tracklist?";

imagegen::TrackDescription Track(imagegen::TrackType type, int seconds) {
    imagegen::TrackDescription track;
    track.type = type;
    track.length = seconds * FRAMES_PER_SECOND;
    return track;
}

imagegen::DiscDescription FirstDisc() {
    imagegen::DiscDescription disc;
    for (const int seconds : {20, 15, 10}) {
        disc.tracks.push_back(Track(imagegen::TrackType::Audio, seconds));
    }
    return disc;
}

imagegen::DiscDescription SecondDisc() {
    imagegen::DiscDescription disc;
    disc.tracks.push_back(Track(imagegen::TrackType::Audio, 13));
    disc.tracks.push_back(Track(imagegen::TrackType::Data, 4));
    disc.tracks.push_back(Track(imagegen::TrackType::Audio, 9));
    disc.tracks.push_back(Track(imagegen::TrackType::Audio, 2));
    return disc;
}

std::filesystem::path WriteDisc(const imagegen::DiscDescription& disc,
                                const std::filesystem::path& folder, const std::string& name) {
    const imagegen::WriteResult written = imagegen::WriteImage(disc, folder, name);
    if (written.error) {
        ADD_FAILURE() << "cannot write the image " << name << ": " << *written.error;
    }
    return written.cueSheet;
}

std::string FileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A track list's form in a file: icons and the track rows' lengths, which
// come from the drive and are not kept, take no part.
tracklist::TrackList Normalized(tracklist::TrackList list) {
    for (tracklist::TrackListRow& row : list.rows) {
        row.icon = row.rowKey < 0 ? tracklist::ROW_ICON_SUBTRACK : tracklist::ROW_ICON_TRACK;
        if (row.rowKey > 0) {
            row.timeText.clear();
        }
    }
    return list;
}

// Files are read without a disc: only what a file keeps is compared.
class NoDisc final : public tracklist::DiscFacts {
  public:
    int NumberOfTracks() override { return 0; }
    bool IsAudioTrack(int) override { return true; }
    std::string TrackLengthText(int) override { return {}; }
    std::string DiscLengthText() override { return {}; }
};

// The lengths of the disc in the player, as the window asks for them.
class PlayerDisc final : public tracklist::DiscFacts {
  public:
    explicit PlayerDisc(ui::CPlayerDlg& player) : m_player(player) {}
    int NumberOfTracks() override { return 0; }
    bool IsAudioTrack(int) override { return true; }
    std::string TrackLengthText(int track) override {
        const LengthParts length = m_player.TrackLengthOf(track);
        char text[16];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", length.minutes, length.seconds,
                      length.frames);
        return text;
    }
    std::string DiscLengthText() override { return {}; }

  private:
    ui::CPlayerDlg& m_player;
};

std::string DescribeRows(std::span<const tracklist::TrackListRow> rows) {
    std::string text;
    for (std::size_t index = 0; index < rows.size(); ++index) {
        text += "\n    " + std::to_string(index) + ": " + std::to_string(rows[index].rowKey) + " " +
                rows[index].timeText + " " + rows[index].name;
    }
    return text;
}

std::string DescribeList(const tracklist::TrackList& list) {
    return "\n    album \"" + list.album + "\", artist \"" + list.artist + "\", key " +
           std::to_string(list.cdKey) + DescribeRows(list.rows);
}

bool IsQuestion(const headless::MessageBoxRecord& box) {
    return box.text.starts_with(SAVE_CHANGES_QUESTION) || box.text == SAVE_NEW_QUESTION ||
           box.text == LOSE_CHANGES_QUESTION;
}

bool MayWriteFiles(const Action& action) {
    if (action.kind == ActionKind::CLOSE_AND_RESTART) {
        return true;
    }
    return action.kind == ActionKind::CLICK &&
           (action.control == res::EJECT_BUTTON || action.control == res::SAVE_TRACKS_BUTTON);
}

// The bytes of every file in the folder.
std::map<std::string, std::string> FolderContents(const std::filesystem::path& folder) {
    std::map<std::string, std::string> contents;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.is_regular_file()) {
            contents[entry.path().string()] = FileBytes(entry.path());
        }
    }
    return contents;
}

}  // namespace

ModelDiscs::ModelDiscs(const std::filesystem::path& folder)
    : first(WriteDisc(FirstDisc(), folder, "first")),
      second(WriteDisc(SecondDisc(), folder, "second")) {}

std::string InvariantName(Invariant invariant) {
    switch (invariant) {
        case Invariant::LIST_ORDER:
            return "the list is in order";
        case Invariant::CURRENT_ROW:
            return "the current row holds the heard position";
        case Invariant::SAVE_BUTTON:
            return "Save tracks follows the modified state";
        case Invariant::LOST_EDITS:
            return "no edit is lost without a question";
        case Invariant::WRITTEN_LIST:
            return "a saved file holds the list shown";
        case Invariant::WINDOW_CLOSED:
            return "the window stays open";
        case Invariant::DISC_KEY:
            return "the list shown is the disc's";
    }
    return "?";
}

double RunStats::SimulatedHours() const {
    return static_cast<double>(ticks) * ui::TIMER_PERIOD_MILLISECONDS / MILLISECONDS_PER_SECOND /
           SECONDS_PER_HOUR;
}

std::string RunStats::Summary() const {
    std::ostringstream text;
    text.precision(2);
    text << std::fixed << actions << " actions, " << ticks << " ticks (" << SimulatedHours()
         << " simulated hours); checked: list order " << listChecks << ", current row "
         << currentRowChecks << " (skipped " << currentRowUntrusted << " untrusted, "
         << currentRowOtherwiseSkipped << " otherwise), Save tracks " << saveButtonChecks
         << "; lists replaced " << replacedLists << " (" << replacedWithEdits
         << " with edits), questions " << questions << ", files saved " << savedFiles
         << ", restarts " << restarts;
    return text.str();
}

MciError WatchingMci::SendString(std::string_view command, std::span<char> answer,
                                 NotifyWindow* notify) {
    const MciError error = m_device.SendString(command, answer, notify);
    if (command.starts_with("play") && error != MCIERR_NONE) {
        ++m_refusedPlays;
    }
    return error;
}

ModelPlayer::ModelPlayer(const ModelDiscs& discs)
    : m_discs(discs), m_traySheet(m_folder / "tray.cue"), m_lists(m_folder / "lists") {
    std::filesystem::create_directory(m_lists);
    PutInTray(TrayDisc::FIRST);
    StartPlayer();
    AdoptNewList();
}

ModelPlayer::~ModelPlayer() {
    StopPlayer();
    // The window made the list folder the current directory; it goes now.
    std::error_code ignored;
    std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
}

void ModelPlayer::StartPlayer() {
    if (m_trayDisc == TrayDisc::NONE) {
        // The user puts a disc in before starting the player again.
        PutInTray(TrayDisc::FIRST);
    }
    m_trayOpen = false;
    m_device = std::make_unique<mci::MciDevice>(
        [sheet = m_traySheet] {
            return cdrom::OpenDrive({cdrom::DriveLocation::Kind::Image, sheet});
        },
        m_sink);
    m_sink.SetBeforePull(
        [this](std::int64_t frames) { m_device->Engine().WaitUntilBuffered(frames); });
    m_mci = std::make_unique<WatchingMci>(*m_device);
    m_refusedPlays = 0;
    m_player =
        std::make_unique<ui::CPlayerDlg>(ui::PlayerPorts{m_windows, *m_mci, m_mixer, m_lists});
    m_window = &m_windows.Open(res::PLAYER_DIALOG, *m_player);
}

void ModelPlayer::StopPlayer() {
    if (m_window != nullptr && m_window->IsOpen()) {
        m_window->CloseBox();
    }
    m_player.reset();
    m_mci.reset();
    m_sink.SetBeforePull({});
    m_device.reset();
    m_window = nullptr;
}

void ModelPlayer::PutInTray(TrayDisc disc) {
    m_trayDisc = disc;
    std::error_code ignored;
    if (disc == TrayDisc::NONE) {
        std::filesystem::remove(m_traySheet, ignored);
        return;
    }
    const std::filesystem::path& sheet = disc == TrayDisc::FIRST ? m_discs.first : m_discs.second;
    // The tray's sheet lies elsewhere, so its files are named in full.
    std::string text = FileBytes(sheet);
    const std::string prefix = "FILE \"";
    const std::string folder = sheet.parent_path().string() + "/";
    for (std::size_t at = text.find(prefix); at != std::string::npos;
         at = text.find(prefix, at + prefix.size() + folder.size())) {
        text.insert(at + prefix.size(), folder);
    }
    std::ofstream(m_traySheet, std::ios::binary | std::ios::trunc) << text;
}

int ModelPlayer::TrackCountOfTray() const {
    switch (m_trayDisc) {
        case TrayDisc::FIRST:
            return static_cast<int>(FirstDisc().tracks.size());
        case TrayDisc::SECOND:
            return static_cast<int>(SecondDisc().tracks.size());
        case TrayDisc::NONE:
            return 0;
    }
    return 0;
}

std::optional<std::string> ModelPlayer::MisfitOf(std::span<const tracklist::TrackListRow> rows) {
    PlayerDisc disc(*m_player);
    if (std::optional<tracklist::ListViolation> violation =
            tracklist::FindListViolation(rows, disc)) {
        return tracklist::DescribeViolation(*violation);
    }
    // Every track of the disc has its row; none is ever deleted.
    const auto tracks =
        std::count_if(rows.begin(), rows.end(), [](const auto& row) { return row.rowKey > 0; });
    if (tracks != TrackCountOfTray()) {
        return std::to_string(tracks) + " track rows for a disc of " +
               std::to_string(TrackCountOfTray()) + " tracks";
    }
    return std::nullopt;
}

bool ModelPlayer::FileFitsDisc(const std::string& path) {
    const std::optional<tracklist::TrackList> list = FileList(path);
    return list && !MisfitOf(list->rows);
}

void ModelPlayer::AdoptNewList() {
    m_rowsTrusted = true;
    if (m_player->CdKey() == -1) {
        m_baseline.reset();
        m_listFits = false;
        return;
    }
    m_baseline = ShownList();
    // A default list is made for the disc; a file may be another disc's.
    const std::string& path = m_player->TrackListPath();
    m_listFits = path.empty() || FileFitsDisc(path);
}

std::optional<Failure> ModelPlayer::Apply(const Action& action, int index) {
    ++m_stats.actions;
    m_savedInAction = false;
    const Snapshot before = Take();
    if (action.kind == ActionKind::PLAY_TICKS || action.kind == ActionKind::STALLED_TICKS) {
        for (int tick = 0; tick < action.number; ++tick) {
            Invariant broken = Invariant::CURRENT_ROW;
            if (std::optional<std::string> problem = Tick(action.kind, broken)) {
                return Failure{broken, index,
                               *problem + " (tick " + std::to_string(tick + 1) + ")"};
            }
        }
        m_boxesShownEnd = m_windows.MessageBoxes().size();
        m_filesShownEnd = m_windows.FileDialogs().size();
        return CheckAfterAction(action, index, before);
    }
    std::map<std::string, std::string> filesBefore;
    if (MayWriteFiles(action)) {
        filesBefore = FolderContents(m_lists);
    }
    QueueAnswers(action.answers);
    Perform(action);
    DropUnusedAnswers();
    if (MayWriteFiles(action)) {
        if (std::optional<std::string> problem = CheckWrittenFiles(action, before, filesBefore)) {
            return Failure{Invariant::WRITTEN_LIST, index, *problem};
        }
    }
    return CheckAfterAction(action, index, before);
}

void ModelPlayer::Perform(const Action& action) {
    headless::HeadlessDialog& window = *m_window;
    switch (action.kind) {
        case ActionKind::PLAY_TICKS:
        case ActionKind::STALLED_TICKS:
            return;
        case ActionKind::HEAR_AHEAD:
            if (m_sink.State() == cdrom::SinkState::Playing) {
                m_rowsTrusted = false;
            }
            m_sink.Consume(static_cast<std::int64_t>(action.number) * SAMPLE_FRAMES_PER_FRAME);
            return;
        case ActionKind::CLICK:
            PerformClick(action.control);
            return;
        case ActionKind::TYPE:
            window.TypeText(action.control, action.text);
            return;
        case ActionKind::REPLACE:
            window.ReplaceText(action.control, action.text);
            return;
        case ActionKind::BACKSPACE:
            window.PressBackspace(action.control);
            return;
        case ActionKind::PRESS_ENTER:
            window.PressEnter();
            return;
        case ActionKind::PRESS_ESCAPE:
            window.PressEscape();
            return;
        case ActionKind::PRESS_TAB:
            window.PressTab();
            return;
        case ActionKind::SPIN:
            window.ClickArrow(action.control, action.number == 0 ? headless::SpinArrow::UP
                                                                 : headless::SpinArrow::DOWN);
            return;
        case ActionKind::SCROLL_STEP:
            window.ScrollStep(res::POSITION_SCROLL_BAR,
                              static_cast<window::ScrollCode>(action.number));
            return;
        case ActionKind::DRAG_THUMB:
            window.DragThumb(res::POSITION_SCROLL_BAR, action.number);
            return;
        case ActionKind::TRACK_THUMB:
            window.MoveThumb(res::POSITION_SCROLL_BAR, action.number);
            return;
        case ActionKind::CLICK_ROW:
            window.ClickListRow(res::TRACK_LIST, action.number, action.x);
            return;
        case ActionKind::DOUBLE_CLICK_ROW:
            window.DoubleClickListRow(res::TRACK_LIST, action.number);
            return;
        case ActionKind::SCROLL_LIST:
            window.ScrollListTo(res::TRACK_LIST, action.number);
            return;
        case ActionKind::FOCUS_LIST:
            window.Focus(res::TRACK_LIST);
            return;
        case ActionKind::PUT_IN_TRAY:
            // A disc goes in or out only while the tray is open.
            if (m_trayOpen) {
                PutInTray(static_cast<TrayDisc>(action.number));
            }
            return;
        case ActionKind::MINIMIZE:
            window.UserMinimize();
            return;
        case ActionKind::RESTORE:
            window.UserRestore();
            return;
        case ActionKind::MAXIMIZE:
            window.UserMaximize();
            return;
        case ActionKind::ABOUT_FROM_MENU:
            window.ChooseMenuCommand(res::IDM_ABOUTBOX);
            return;
        case ActionKind::CLOSE_AND_RESTART:
            window.CloseBox();
            StopPlayer();
            ++m_stats.restarts;
            StartPlayer();
            return;
        case ActionKind::REMOVE_LISTS:
            for (const std::string& name : corvid::testing::NamesIn(m_lists)) {
                std::filesystem::remove_all(m_lists / name);
            }
            return;
    }
}

void ModelPlayer::PerformClick(int control) {
    const bool enabled = m_window->IsEnabled(control);
    m_window->Click(control);
    if (!enabled) {
        return;
    }
    if (control == res::EJECT_BUTTON) {
        m_trayOpen = true;
    } else if (control == res::INJECT_BUTTON) {
        m_trayOpen = false;
    }
}

void ModelPlayer::QueueAnswers(const Answers& answers) {
    m_queuedBoxes = static_cast<int>(answers.boxes.size());
    m_queuedFiles = static_cast<int>(answers.files.size());
    m_boxesBeforeAction = m_windows.MessageBoxes().size();
    m_filesBeforeAction = m_windows.FileDialogs().size();
    for (std::size_t index = 0; index < answers.boxes.size(); ++index) {
        headless::WhileOpen whileOpen;
        if (index == 0 && answers.ticksWhileOpen > 0) {
            whileOpen = [this, ticks = answers.ticksWhileOpen] { TicksWhileBoxOpen(ticks); };
        }
        m_windows.AnswerNextMessageBox(answers.boxes[index] == BoxAnswer::YES
                                           ? window::MessageBoxAnswer::YES
                                           : window::MessageBoxAnswer::NO,
                                       std::move(whileOpen));
    }
    for (const FileAnswer& answer : answers.files) {
        m_windows.AnswerNextFileDialog(ResolveFile(answer));
    }
}

void ModelPlayer::TicksWhileBoxOpen(int ticks) {
    if (m_draining) {
        return;
    }
    for (int tick = 0; tick < ticks; ++tick) {
        m_sink.Consume(static_cast<std::int64_t>(ui::FRAMES_PER_TICK) * SAMPLE_FRAMES_PER_FRAME);
        m_windows.AdvanceTime(ui::TIMER_PERIOD_MILLISECONDS);
        ++m_stats.ticks;
    }
}

void ModelPlayer::DropUnusedAnswers() {
    m_boxesShownEnd = m_windows.MessageBoxes().size();
    m_filesShownEnd = m_windows.FileDialogs().size();
    const auto boxesShown = static_cast<int>(m_boxesShownEnd - m_boxesBeforeAction);
    const auto filesShown = static_cast<int>(m_filesShownEnd - m_filesBeforeAction);
    m_draining = true;
    for (int box = boxesShown; box < m_queuedBoxes; ++box) {
        m_windows.Modals().ShowMessageBox("", window::MessageBoxButtons::OK, 0);
    }
    for (int file = filesShown; file < m_queuedFiles; ++file) {
        m_windows.Modals().ShowFileDialog({}, 0);
    }
    m_draining = false;
    m_queuedBoxes = 0;
    m_queuedFiles = 0;
}

std::optional<std::string> ModelPlayer::ResolveFile(const FileAnswer& answer) const {
    switch (answer.choice) {
        case FileChoice::CANCEL:
            return std::nullopt;
        case FileChoice::NEW_FILE:
            return (m_lists / ("list-" + std::to_string(answer.number) + ".trk")).string();
        case FileChoice::EXISTING_FILE: {
            std::vector<std::string> names;
            for (const std::string& name : corvid::testing::NamesIn(m_lists)) {
                if (name.ends_with(".trk")) {
                    names.push_back(name);
                }
            }
            if (names.empty()) {
                return (m_lists / "list-0.trk").string();
            }
            return (m_lists / names[static_cast<std::size_t>(answer.number) % names.size()])
                .string();
        }
        case FileChoice::UNWRITABLE:
            return (m_lists / "no-such-folder" / "list.trk").string();
        case FileChoice::MISSING:
            return (m_lists / ("missing-" + std::to_string(answer.number) + ".trk")).string();
    }
    return std::nullopt;
}

std::optional<std::string> ModelPlayer::Tick(ActionKind kind, Invariant& broken) {
    const int modeBefore = m_player->LastMode();
    const bool modifiedBefore = m_player->IsModified();
    const int countBefore = m_player->TicksSinceRefresh();
    const bool heardBefore = m_sink.State() == cdrom::SinkState::Playing;
    // The row is found from the estimate: it must be the heard position
    // before the tick as well as after it.
    const bool drawsPlay = modeBefore == CDMODE_PLAYING && !m_player->IsSeeking() &&
                           !m_player->ShowsPositionInTitle() && heardBefore &&
                           PositionShownIsHeard();
    if (!m_rowsTrusted && m_player->CurrentRow() == -1 && PositionShownIsHeard()) {
        // Found afresh from a true position, the row can be held to it again.
        m_rowsTrusted = true;
    }
    if (kind == ActionKind::PLAY_TICKS) {
        m_sink.Consume(static_cast<std::int64_t>(ui::FRAMES_PER_TICK) * SAMPLE_FRAMES_PER_FRAME);
    } else if (heardBefore) {
        m_rowsTrusted = false;
    }
    m_windows.AdvanceTime(ui::TIMER_PERIOD_MILLISECONDS);
    ++m_stats.ticks;
    if (!m_window->IsOpen()) {
        broken = Invariant::WINDOW_CLOSED;
        return "the window closed during a tick";
    }
    NoteRefusedPlays();
    const int countAfter = m_player->TicksSinceRefresh();
    if (countAfter == 0 && countBefore == ui::TICKS_PER_REFRESH - 1) {
        broken = Invariant::SAVE_BUTTON;
        return CheckSaveButton(modeBefore, modifiedBefore);
    }
    const bool drewPlay = countAfter == countBefore + 1 && drawsPlay && !m_player->IsSeeking() &&
                          m_player->LastMode() == CDMODE_PLAYING;
    if (!drewPlay) {
        return std::nullopt;
    }
    broken = Invariant::CURRENT_ROW;
    return CheckCurrentRow();
}

void ModelPlayer::NoteRefusedPlays() {
    // A row played from a start the drive refused is current but not heard.
    if (m_mci->RefusedPlays() != m_refusedPlays) {
        m_refusedPlays = m_mci->RefusedPlays();
        m_rowsTrusted = false;
    }
}

std::optional<std::string> ModelPlayer::CheckCurrentRow() {
    if (!m_rowsTrusted) {
        ++m_stats.currentRowUntrusted;
        return std::nullopt;
    }
    if (!m_listFits || !PositionShownIsHeard()) {
        ++m_stats.currentRowOtherwiseSkipped;
        return std::nullopt;
    }
    const std::vector<tracklist::TrackListRow> rows = ShownRows();
    if (rows.empty()) {
        return std::nullopt;
    }
    ++m_stats.currentRowChecks;
    const std::string heard = HeardPosition();
    const int holding = tracklist::FindRowForPosition(rows, heard, -1);
    const int current = m_player->CurrentRow();
    // Rows that start together hold the same positions.
    if (tracklist::GetRowStart(rows, current) == tracklist::GetRowStart(rows, holding)) {
        return std::nullopt;
    }
    return "heard at " + heard + ", row " + std::to_string(current) + " is current but row " +
           std::to_string(holding) + " holds the position; rows:" + DescribeRows(rows);
}

std::optional<std::string> ModelPlayer::CheckSaveButton(int modeBefore, bool modifiedBefore) {
    ++m_stats.saveButtonChecks;
    const int modeAfter = m_player->LastMode();
    // The button is set at the start of the refresh; a change to a stopped
    // disc then runs the title, which may mark the list modified after it.
    const bool stoppedNow = modeAfter == CDMODE_READY || modeAfter == CDMODE_NOAUDIO;
    const bool expected =
        modeAfter != modeBefore && stoppedNow ? modifiedBefore : m_player->IsModified();
    const bool enabled = m_window->IsEnabled(res::SAVE_TRACKS_BUTTON);
    if (enabled == expected) {
        return std::nullopt;
    }
    return std::string("after the refresh Save tracks is ") + (enabled ? "enabled" : "disabled") +
           " while the list is " + (m_player->IsModified() ? "modified" : "not modified") +
           " (mode " + std::to_string(modeBefore) + " to " + std::to_string(modeAfter) + ")";
}

std::optional<std::string> ModelPlayer::CheckListOrder() {
    if (m_player->CdKey() == -1 || !m_listFits) {
        return std::nullopt;
    }
    ++m_stats.listChecks;
    const std::vector<tracklist::TrackListRow> rows = ShownRows();
    if (std::optional<std::string> misfit = MisfitOf(rows)) {
        return *misfit + "; rows:" + DescribeRows(rows);
    }
    return std::nullopt;
}

std::optional<Failure> ModelPlayer::CheckAfterAction(const Action& action, int index,
                                                     const Snapshot& before) {
    const auto fail = [index](Invariant invariant, std::string detail) {
        return Failure{invariant, index, std::move(detail)};
    };
    if (m_window == nullptr || !m_window->IsOpen()) {
        return fail(Invariant::WINDOW_CLOSED, "the window is closed");
    }
    NoteRefusedPlays();
    if (!m_rowsTrusted && m_player->CurrentRow() == -1 && PositionShownIsHeard()) {
        m_rowsTrusted = true;
    }
    if (std::optional<std::string> problem = CheckDiscKey()) {
        return fail(Invariant::DISC_KEY, *problem);
    }
    const std::vector<std::string> questions = QuestionsSince(before);
    m_stats.questions += static_cast<int>(questions.size());
    if (std::optional<std::string> problem = CheckReplacement(action, before, questions)) {
        return fail(Invariant::LOST_EDITS, *problem);
    }
    FollowList(action, before);
    if (std::optional<std::string> problem = CheckListOrder()) {
        return fail(Invariant::LIST_ORDER, *problem);
    }
    return std::nullopt;
}

std::optional<std::string> ModelPlayer::CheckDiscKey() {
    if (m_player->CdKey() == -1) {
        return std::nullopt;
    }
    char answer[64] = {};
    m_device->SendString("info cdaudio identity", answer, nullptr);
    const std::string identity = answer;
    if (identity == std::to_string(static_cast<std::uint32_t>(m_player->CdKey()))) {
        return std::nullopt;
    }
    return "the list of disc " + std::to_string(m_player->CdKey()) +
           " is shown while the drive holds disc \"" + identity + "\"";
}

std::vector<std::string> ModelPlayer::QuestionsSince(const Snapshot& before) const {
    std::vector<std::string> questions;
    const std::vector<headless::MessageBoxRecord>& boxes = m_windows.MessageBoxes();
    for (std::size_t index = before.messageBoxes; index < m_boxesShownEnd; ++index) {
        if (IsQuestion(boxes[index])) {
            questions.push_back(boxes[index].text);
        }
    }
    return questions;
}

std::optional<std::string> ModelPlayer::LoadedPath(const Snapshot& before) const {
    const std::vector<headless::FileDialogRecord>& dialogs = m_windows.FileDialogs();
    for (std::size_t index = before.fileDialogs; index < m_filesShownEnd; ++index) {
        const headless::FileDialogRecord& dialog = dialogs[index];
        if (dialog.kind == window::FileDialogKind::OPEN && dialog.answer &&
            FileList(*dialog.answer)) {
            return dialog.answer;
        }
    }
    return std::nullopt;
}

bool ModelPlayer::ListWasReplaced(const Action& action, const Snapshot& before) const {
    if (before.cdKey == -1) {
        return false;
    }
    return action.kind == ActionKind::CLOSE_AND_RESTART || m_player->CdKey() == -1 ||
           LoadedPath(before).has_value();
}

std::optional<std::string> ModelPlayer::CheckReplacement(
    const Action& action, const Snapshot& before, const std::vector<std::string>& questions) {
    if (!ListWasReplaced(action, before)) {
        return std::nullopt;
    }
    ++m_stats.replacedLists;
    const bool edited = m_baseline && before.list != *m_baseline;
    if (!edited) {
        return std::nullopt;
    }
    ++m_stats.replacedWithEdits;
    if (!questions.empty() || m_savedInAction) {
        return std::nullopt;
    }
    return "a list with edits was replaced without a question or a save; it was:" +
           DescribeList(before.list) + "\n  and was read as:" + DescribeList(*m_baseline);
}

std::optional<std::string> ModelPlayer::CheckWrittenFiles(
    const Action& action, const Snapshot& before,
    const std::map<std::string, std::string>& filesBefore) {
    // A save at the disc's going writes the list as it was before the action.
    const tracklist::TrackList shown =
        action.kind == ActionKind::CLICK && action.control == res::SAVE_TRACKS_BUTTON ? ShownList()
                                                                                      : before.list;
    for (const auto& [path, bytes] : FolderContents(m_lists)) {
        const auto old = filesBefore.find(path);
        if (old != filesBefore.end() && old->second == bytes) {
            continue;
        }
        ++m_stats.savedFiles;
        const std::optional<tracklist::TrackList> written = FileList(path);
        if (!written || *written != shown) {
            return "the file " + path +
                   " was written but does not hold the list shown:" + DescribeRows(shown.rows) +
                   "\n  it holds:" +
                   (written ? DescribeRows(written->rows) : std::string(" nothing readable"));
        }
        m_savedInAction = true;
        m_baseline = shown;
    }
    return std::nullopt;
}

void ModelPlayer::FollowList(const Action& action, const Snapshot& before) {
    const std::int32_t key = m_player->CdKey();
    if (action.kind == ActionKind::CLOSE_AND_RESTART || before.cdKey != key) {
        AdoptNewList();
        return;
    }
    if (key == -1) {
        return;
    }
    if (std::optional<std::string> loaded = LoadedPath(before)) {
        m_baseline = ShownList();
        m_listFits = FileFitsDisc(*loaded);
    }
}

ModelPlayer::Snapshot ModelPlayer::Take() {
    Snapshot snapshot;
    snapshot.cdKey = m_player->CdKey();
    snapshot.list = ShownList();
    snapshot.path = m_player->TrackListPath();
    snapshot.messageBoxes = m_windows.MessageBoxes().size();
    snapshot.fileDialogs = m_windows.FileDialogs().size();
    snapshot.modified = m_player->IsModified();
    return snapshot;
}

std::vector<tracklist::TrackListRow> ModelPlayer::ShownRows() const {
    const window::ListView& list = m_window->ListControl(res::TRACK_LIST);
    std::vector<tracklist::TrackListRow> rows;
    for (int row = 0; row < list.ItemCount(); ++row) {
        rows.push_back({list.ItemData(row), list.ItemText(row, 0), list.ItemText(row, 1),
                        list.ItemImage(row)});
    }
    return rows;
}

tracklist::TrackList ModelPlayer::ShownList() const {
    return Normalized({m_player->CdKey(), m_window->Text(res::ALBUM_EDIT),
                       m_window->Text(res::ARTIST_EDIT), ShownRows()});
}

std::optional<tracklist::TrackList> ModelPlayer::FileList(const std::string& path) const {
    NoDisc disc;
    tracklist::TrackListReadResult result = tracklist::ReadTrackList(path, disc);
    if (!result.list) {
        return std::nullopt;
    }
    return Normalized(std::move(*result.list));
}

std::string ModelPlayer::HeardPosition() {
    char answer[64] = {};
    m_device->SendString("status cdaudio position", answer, nullptr);
    return answer;
}

bool ModelPlayer::PositionShownIsHeard() {
    const PositionParts shown = m_player->PositionShown();
    return FormatPositionText(shown.track, shown.minutes, shown.seconds, shown.frames) ==
           HeardPosition();
}

std::string ModelPlayer::Fingerprint() {
    std::string text = m_window->Title() + "|" + m_window->Text(res::STATUS_TEXT) + "|" +
                       m_window->Text(res::POSITION_TEXT) + "|" +
                       m_window->Text(res::SUBTRACK_TEXT) + "|" + HeardPosition() + "|" +
                       std::to_string(m_player->CurrentRow()) + "|" +
                       std::to_string(m_player->EditRow());
    for (const tracklist::TrackListRow& row : ShownRows()) {
        text += "|" + std::to_string(row.rowKey) + " " + row.timeText + " " + row.name;
    }
    return text;
}

std::string ModelPlayer::State() {
    std::string text =
        "key " + std::to_string(m_player->CdKey()) + (m_player->IsModified() ? ", modified" : "") +
        ", file \"" + m_player->TrackListPath() + "\", " + std::to_string(ShownRows().size()) +
        " rows, current " + std::to_string(m_player->CurrentRow()) + ", heard " + HeardPosition() +
        "; model: tray " + (m_trayOpen ? "open" : "closed") + ", list " +
        (m_listFits ? "fits" : "does not fit") + (m_rowsTrusted ? "" : ", rows untrusted") +
        (m_baseline && ShownList() != *m_baseline ? ", edited" : "");
    return text;
}

std::optional<Failure> Replay(const ModelDiscs& discs, std::span<const Action> actions,
                              RunStats* stats, std::string* trace) {
    ModelPlayer player(discs);
    std::optional<Failure> failure;
    for (std::size_t index = 0; index < actions.size() && !failure; ++index) {
        failure = player.Apply(actions[index], static_cast<int>(index));
        if (trace != nullptr) {
            *trace += "  " + std::to_string(index + 1) + ". " + Describe(actions[index]) +
                      "\n       " + player.State() + "\n";
        }
    }
    if (stats != nullptr) {
        *stats = player.Stats();
    }
    return failure;
}

}  // namespace corvid::model
