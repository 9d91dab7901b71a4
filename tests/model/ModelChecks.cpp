#include <algorithm>
#include <array>
#include <cstdlib>
#include <sstream>

#include "res/ControlIds.h"
#include "tests/model/ModelLists.h"
#include "tests/model/ModelPlayer.h"
#include "tracklist/TrackListRows.h"
#include "ui/PlayerTiming.h"

namespace corvid::model {

namespace {

constexpr double SECONDS_PER_HOUR = 3600.0;
constexpr std::string_view SAVE_CHANGES_QUESTION = "Save changes to ";
constexpr std::string_view SAVE_NEW_QUESTION = "Do you want to save this tracklist?";
constexpr std::string_view LOSE_CHANGES_QUESTION = "OK to lose unsaved changes in this tracklist?";
// The key -1 as a file's unsigned key line has it.
constexpr std::string_view NO_DISC_KEY_LINE = "[CD key] 4294967295";

bool IsQuestion(const headless::MessageBoxRecord& box) {
    return box.text.starts_with(SAVE_CHANGES_QUESTION) || box.text == SAVE_NEW_QUESTION ||
           box.text == LOSE_CHANGES_QUESTION;
}

}  // namespace

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
        case Invariant::ROW_MARKS:
            return "only the edit row and the current row are marked";
        case Invariant::NO_DISC_LIST:
            return "no list is shown without a disc";
        case Invariant::WRITTEN_KEY:
            return "no file is written under the key of no disc";
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
         << ", restarts " << restarts << "; disc key " << discKeyChecks << ", without a disc "
         << noDiscChecks << "; swaps by the drive " << driveSwaps << ", tray moves in boxes "
         << trayMovesInBoxes << ", media keys " << mediaKeys;
    return text.str();
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
    const std::optional<tracklist::TrackList> list = ReadListFile(path);
    return list && !MisfitOf(list->rows);
}

std::optional<std::string> ModelPlayer::Tick(ActionKind kind, Invariant& broken) {
    const int modeBefore = m_player->LastMode();
    const bool modifiedBefore = m_player->IsModified();
    const std::int32_t keyBefore = m_player->CdKey();
    const int builtBefore = m_mci->BuiltLists();
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
    // The estimate runs on the length of the current row's track (the last
    // one's without a current row, or while minimized): from another track,
    // a tick that crosses into the next track may draw a row of the track
    // before, once.
    const std::string trackBefore = HeardPosition().substr(0, 2);
    const std::vector<tracklist::TrackListRow> rowsBefore = ShownRows();
    const int rowTrack = tracklist::GetRowTrack(rowsBefore, m_player->CurrentRow());
    const bool lengthOfAnotherTrack = rowTrack != std::atoi(trackBefore.c_str());
    if (kind == ActionKind::PLAY_TICKS) {
        Hear(ui::FRAMES_PER_TICK);
    } else if (heardBefore) {
        m_rowsTrusted = false;
    }
    m_windows->AdvanceTime(ui::TIMER_PERIOD_MILLISECONDS);
    ++m_stats.ticks;
    if (!m_window->IsOpen()) {
        broken = Invariant::WINDOW_CLOSED;
        return "the window closed during a tick";
    }
    NoteRefusedPlays();
    const int countAfter = m_player->TicksSinceRefresh();
    if (countAfter == 0 && countBefore == ui::TICKS_PER_REFRESH - 1) {
        m_driveSettled = true;
        broken = Invariant::SAVE_BUTTON;
        // The list went in the refresh when the key changed, or when a list
        // was built anew under the same key (the disc went out and in).
        const bool listWent = keyBefore != -1 && (m_player->CdKey() != keyBefore ||
                                                  m_mci->BuiltLists() != builtBefore);
        return CheckSaveButton(modeBefore, modifiedBefore, listWent);
    }
    const bool drewPlay = countAfter == countBefore + 1 && drawsPlay && !m_player->IsSeeking() &&
                          m_player->LastMode() == CDMODE_PLAYING;
    if (!drewPlay) {
        return std::nullopt;
    }
    if (lengthOfAnotherTrack && HeardPosition().substr(0, 2) != trackBefore) {
        ++m_stats.currentRowOtherwiseSkipped;
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

std::optional<std::string> ModelPlayer::CheckSaveButton(int modeBefore, bool modifiedBefore,
                                                        bool listWent) {
    ++m_stats.saveButtonChecks;
    const int modeAfter = m_player->LastMode();
    // The button is set at the start of the refresh; a change to a stopped
    // disc then runs the title, which may mark the list modified after it.
    // A refresh that lets the list go (and may build the next disc's after
    // it, when the tray was seen open by another query) leaves the button
    // off as the letting go does.
    const bool stoppedNow = modeAfter == CDMODE_READY || modeAfter == CDMODE_NOAUDIO;
    const bool expected = listWent                                ? false
                          : modeAfter != modeBefore && stoppedNow ? modifiedBefore
                                                                  : m_player->IsModified();
    const bool enabled = m_window->IsEnabled(res::SAVE_TRACKS_BUTTON);
    if (enabled == expected) {
        return std::nullopt;
    }
    return std::string("after the refresh Save tracks is ") + (enabled ? "enabled" : "disabled") +
           " while the list is " + (m_player->IsModified() ? "modified" : "not modified") +
           " (mode " + std::to_string(modeBefore) + " to " + std::to_string(modeAfter) + ")";
}

std::optional<std::string> ModelPlayer::CheckListOrder() {
    // Until the window has looked at the drive after a change by the drive's
    // button, its list is rightly the disc's that was in, and the lengths of
    // the disc now in the drive say nothing about it.
    if (m_player->CdKey() == -1 || !m_listFits || !m_driveSettled) {
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
    if (std::optional<std::string> problem = CheckNoDiscList()) {
        return fail(Invariant::NO_DISC_LIST, *problem);
    }
    if (std::optional<std::string> problem = CheckDiscKey()) {
        return fail(Invariant::DISC_KEY, *problem);
    }
    if (std::optional<std::string> problem = CheckRowMarks()) {
        return fail(Invariant::ROW_MARKS, *problem);
    }
    const std::vector<std::string> questions = QuestionsShown();
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

// The window learns of a disc change made by the drive's own button at its
// periodic refresh, and not before: until then the list of the disc that was
// in is rightly shown, and what the user types goes into it. From that
// refresh on, a list shown must be that of the disc in the drive. A Play/Stop
// click or a media key in between must not keep the window from learning.
std::optional<std::string> ModelPlayer::CheckDiscKey() {
    if (m_player->CdKey() == -1 || !m_driveSettled) {
        return std::nullopt;
    }
    ++m_stats.discKeyChecks;
    char answer[64] = {};
    m_device->SendString("info cdaudio identity", answer, nullptr);
    const std::string identity = answer;
    if (identity == std::to_string(static_cast<std::uint32_t>(m_player->CdKey()))) {
        return std::nullopt;
    }
    return "the list of disc " + std::to_string(m_player->CdKey()) +
           " is shown while the drive holds disc \"" + identity + "\"";
}

// Without a disc's list (key -1) nothing of a list is there: no rows, no
// album or artist, and none of the controls that edit, load, save or play a
// list is live. This holds from the start, also for a program started on an
// empty drive or an open tray, and after a disc went while a box was open.
std::optional<std::string> ModelPlayer::CheckNoDiscList() {
    if (m_player->CdKey() != -1) {
        return std::nullopt;
    }
    ++m_stats.noDiscChecks;
    const std::vector<tracklist::TrackListRow> rows = ShownRows();
    if (!rows.empty()) {
        return std::to_string(rows.size()) +
               " rows are shown without a disc's list:" + DescribeRows(rows);
    }
    const std::string album = m_window->Text(res::ALBUM_EDIT);
    const std::string artist = m_window->Text(res::ARTIST_EDIT);
    if (!album.empty() || !artist.empty()) {
        return "the album \"" + album + "\" and the artist \"" + artist +
               "\" are shown without a disc's list";
    }
    static constexpr std::array<std::pair<int, std::string_view>, 11> controls = {{
        {res::TRACK_LIST, "the list"},
        {res::ALBUM_EDIT, "the album"},
        {res::ARTIST_EDIT, "the artist"},
        {res::NAME_EDIT, "the name"},
        {res::UPDATE_BUTTON, "Update!"},
        {res::INSERT_SUBTRACK_BUTTON, "Insert new subtrack"},
        {res::DELETE_SUBTRACK_BUTTON, "Delete this subtrack"},
        {res::LOAD_TRACKS_BUTTON, "Load tracks"},
        {res::SAVE_TRACKS_BUTTON, "Save tracks"},
        {res::REPEAT_TOGGLE, "Repeat"},
        {res::POSITION_SCROLL_BAR, "the position bar"},
    }};
    for (const auto& [control, name] : controls) {
        if (m_window->IsEnabled(control)) {
            return std::string(name) + " is enabled without a disc's list";
        }
    }
    return std::nullopt;
}

std::optional<std::string> ModelPlayer::CheckRowMarks() {
    constexpr std::uint32_t EDIT_MARKS = window::LVIS_CUT | window::LVIS_DROPHILITED;
    const window::ListView& list = m_window->ListControl(res::TRACK_LIST);
    for (int row = 0; row < list.ItemCount(); ++row) {
        const std::uint32_t marks = list.ItemState(row, EDIT_MARKS);
        const std::uint32_t expected = row == m_player->EditRow() ? EDIT_MARKS : 0U;
        if (marks != expected) {
            return "row " + std::to_string(row) + " has the edit marks " + std::to_string(marks) +
                   " while the edit row is " + std::to_string(m_player->EditRow());
        }
        // A row played from a start the drive refused can be current ahead of
        // play, and a new subtrack then goes in above it.
        if (!m_rowsTrusted || !m_listFits) {
            continue;
        }
        const auto mark = row == m_player->CurrentRow() ? tracklist::RowMark::CURRENT
                                                        : tracklist::RowMark::NORMAL;
        if (list.ItemImage(row) != tracklist::IconForKey(list.ItemData(row), mark)) {
            return "row " + std::to_string(row) + " shows icon " +
                   std::to_string(list.ItemImage(row)) + " while the current row is " +
                   std::to_string(m_player->CurrentRow());
        }
    }
    return std::nullopt;
}

std::vector<std::string> ModelPlayer::QuestionsShown() const {
    std::vector<std::string> questions;
    for (const headless::MessageBoxRecord& box : m_shownBoxes) {
        if (IsQuestion(box)) {
            questions.push_back(box.text);
        }
    }
    return questions;
}

std::optional<std::string> ModelPlayer::LoadedPath() const {
    for (const headless::FileDialogRecord& dialog : m_shownFiles) {
        if (dialog.kind == window::FileDialogKind::OPEN && dialog.answer &&
            ReadListFile(*dialog.answer)) {
            return dialog.answer;
        }
    }
    return std::nullopt;
}

bool ModelPlayer::BuiltListInAction() const {
    return m_mci->BuiltLists() != m_builtListsBefore;
}

bool ModelPlayer::ListWasReplaced(const Action& action, const Snapshot& before) const {
    if (before.cdKey == -1) {
        return false;
    }
    return action.kind == ActionKind::CLOSE_AND_RESTART || m_player->CdKey() == -1 ||
           BuiltListInAction() || LoadedPath().has_value();
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

// A file written in an action holds the list shown before it: the save offer
// of a disc that goes, or of the closing window, writes the old disc's list
// under its own key while that disc is already out, which is right. Save
// tracks may also write the list shown after it. No file is ever written
// under the key of no disc: a list the window holds without a disc is none
// to save. That the key of a list shown is the disc's in the drive is held by
// the disc key check once the window can know; an edit made from then on can
// only go into the list of the disc in the drive, and so into its file.
std::optional<Failure> ModelPlayer::CheckWrittenFiles(
    const Action& action, const Snapshot& before, int index,
    const std::map<std::string, std::string>& filesBefore) {
    const bool saveClick =
        action.kind == ActionKind::CLICK && action.control == res::SAVE_TRACKS_BUTTON;
    const tracklist::TrackList after = saveClick ? ShownList() : before.list;
    for (const auto& [path, bytes] : FolderContents(m_lists)) {
        const auto old = filesBefore.find(path);
        if (old != filesBefore.end() && old->second == bytes) {
            continue;
        }
        ++m_stats.savedFiles;
        const std::optional<tracklist::TrackList> written = ReadListFile(path);
        if (bytes.find(NO_DISC_KEY_LINE) != std::string::npos ||
            (written && written->cdKey == -1)) {
            return Failure{
                Invariant::WRITTEN_KEY, index,
                "the file " + path + " was written under the key of no disc; it holds:" +
                    (written ? DescribeList(*written) : std::string(" nothing readable"))};
        }
        if (!written || (*written != before.list && *written != after)) {
            return Failure{
                Invariant::WRITTEN_LIST, index,
                "the file " + path +
                    " was written but does not hold the list shown:" + DescribeList(before.list) +
                    (saveClick ? "\n  nor the list after it:" + DescribeList(after)
                               : std::string()) +
                    "\n  it holds:" +
                    (written ? DescribeList(*written) : std::string(" nothing readable"))};
        }
        m_savedInAction = true;
        m_baseline = *written;
    }
    return std::nullopt;
}

void ModelPlayer::FollowList(const Action& action, const Snapshot& before) {
    const std::int32_t key = m_player->CdKey();
    if (action.kind == ActionKind::CLOSE_AND_RESTART || before.cdKey != key ||
        BuiltListInAction()) {
        AdoptNewList();
        return;
    }
    if (key == -1) {
        return;
    }
    if (std::optional<std::string> loaded = LoadedPath()) {
        m_baseline = ShownList();
        m_listFits = FileFitsDisc(*loaded);
    }
}

}  // namespace corvid::model
