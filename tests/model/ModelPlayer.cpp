#include "tests/model/ModelPlayer.h"

#include <fstream>

#include "cdaudio/DiscTime.h"
#include "platform/cdrom/Drive.h"
#include "res/ControlIds.h"
#include "res/PlayerDialogTemplate.h"
#include "tests/model/ModelLists.h"
#include "tools/imagegen/ImageGen.h"
#include "tracklist/TrackListRows.h"
#include "ui/PlayerRemote.h"
#include "ui/PlayerTiming.h"

namespace corvid::model {

namespace {

constexpr int SAMPLE_FRAMES_PER_FRAME = 588;

std::filesystem::path WriteDisc(const imagegen::DiscDescription& disc,
                                const std::filesystem::path& folder, const std::string& name) {
    const imagegen::WriteResult written = imagegen::WriteImage(disc, folder, name);
    if (written.error) {
        ADD_FAILURE() << "cannot write the image " << name << ": " << *written.error;
    }
    return written.cueSheet;
}

bool MayWriteFiles(const Action& action) {
    if (action.kind == ActionKind::CLOSE_AND_RESTART) {
        return true;
    }
    // Load tracks writes through the save offer of a disc that goes while
    // its box is open.
    return action.kind == ActionKind::CLICK &&
           (action.control == res::EJECT_BUTTON || action.control == res::SAVE_TRACKS_BUTTON ||
            action.control == res::LOAD_TRACKS_BUTTON);
}

}  // namespace

ModelDiscs::ModelDiscs(const std::filesystem::path& folder)
    : first(WriteDisc(FirstDisc(), folder, "first")),
      second(WriteDisc(SecondDisc(), folder, "second")) {}

MciError WatchingMci::SendString(std::string_view command, std::span<char> answer,
                                 NotifyWindow* notify) {
    const MciError error = m_device.SendString(command, answer, notify);
    if (command.starts_with("play") && error != MCIERR_NONE) {
        ++m_refusedPlays;
    }
    if (command.starts_with("info cdaudio identity")) {
        ++m_builtLists;
    }
    return error;
}

ModelPlayer::ModelPlayer(const ModelDiscs& discs)
    : m_discs(discs), m_traySheet(m_folder / "tray.cue"), m_lists(m_folder / "lists") {
    std::filesystem::create_directory(m_lists);
    PutInTray(TrayDisc::FIRST);
    StartPlayer(StartTray::DISC);
    AdoptNewList();
}

ModelPlayer::~ModelPlayer() {
    StopPlayer();
    // The window made the list folder the current directory; it goes now.
    std::error_code ignored;
    std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
}

void ModelPlayer::StartPlayer(StartTray start) {
    if (m_trayDisc == TrayDisc::NONE) {
        // The image drive opens only on a disc: the user puts one in, and
        // takes it out again for an empty start once the drive is open.
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
    m_windows = std::make_unique<headless::HeadlessWindowSystem>();
    m_player = std::make_unique<ui::CPlayerDlg>(
        ui::PlayerPorts{*m_windows, *m_mci, *m_device, m_mixer, m_nameLookup, m_lists});
    // The window has opened the drive; it first looks at it when it opens.
    if (start != StartTray::DISC) {
        MoveTrayByDrive("open");
        m_trayOpen = true;
    }
    if (start == StartTray::EMPTY) {
        PutInTray(TrayDisc::NONE);
        MoveTrayByDrive("closed");
        m_trayOpen = false;
    }
    m_window = &m_windows->Open(res::PLAYER_DIALOG, *m_player);
    m_driveSettled = true;
}

void ModelPlayer::StopPlayer() {
    if (m_window != nullptr && m_window->IsOpen()) {
        m_window->CloseBox();
    }
    m_window = nullptr;
    m_player.reset();
    m_windows.reset();
    m_mci.reset();
    m_sink.SetBeforePull({});
    m_device.reset();
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

void ModelPlayer::MoveTrayByDrive(std::string_view door) {
    char answer[64] = {};
    const std::string command = "set cdaudio door " + std::string(door) + " wait";
    m_device->SendString(command, answer, nullptr);
}

void ModelPlayer::SwapByDrive(TrayDisc disc) {
    MoveTrayByDrive("open");
    PutInTray(disc);
    MoveTrayByDrive("closed");
    m_trayOpen = false;
    NoteDriveChange();
}

void ModelPlayer::NoteDriveChange() {
    m_driveSettled = false;
    // The drive stopped play, and the list is held to the new disc only once
    // the window has taken it as read.
    m_rowsTrusted = false;
    if (m_trayOpen || m_trayDisc != m_listDisc) {
        m_listFits = false;
    }
}

void ModelPlayer::PressMediaKey(MediaKey key) {
    ++m_stats.mediaKeys;
    ui::PlayerRemote remote(*m_player);
    switch (key) {
        case MediaKey::PLAY:
            remote.Play();
            return;
        case MediaKey::PAUSE:
            remote.Pause();
            return;
        case MediaKey::PLAY_PAUSE:
            remote.PlayPause();
            return;
    }
}

void ModelPlayer::AdoptNewList() {
    // A disc found already playing is left alone, and the current row kept
    // from the list before may then stand unmarked on this one until play
    // clears it: the row is held to the heard position once found afresh.
    const int current = m_player->CurrentRow();
    m_rowsTrusted =
        current < 0 || current >= m_player->RowCount() ||
        m_player->RowAt(current).icon ==
            tracklist::IconForKey(m_player->RowAt(current).rowKey, tracklist::RowMark::CURRENT);
    m_listDisc = m_trayDisc;
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
    m_builtListsBefore = m_mci->BuiltLists();
    m_boxesBeforeAction = m_windows->MessageBoxes().size();
    m_filesBeforeAction = m_windows->FileDialogs().size();
    m_shownCollected = false;
    m_answersGone = false;
    const Snapshot before = Take();
    if (action.kind == ActionKind::PLAY_TICKS || action.kind == ActionKind::STALLED_TICKS) {
        for (int tick = 0; tick < action.number; ++tick) {
            Invariant broken = Invariant::CURRENT_ROW;
            if (std::optional<std::string> problem = Tick(action.kind, broken)) {
                return Failure{broken, index,
                               *problem + " (tick " + std::to_string(tick + 1) + ")"};
            }
        }
        CollectShownBoxes();
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
        if (std::optional<Failure> failure =
                CheckWrittenFiles(action, before, index, filesBefore)) {
            return failure;
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
            Hear(action.number);
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
        case ActionKind::SWAP_BY_DRIVE:
            ++m_stats.driveSwaps;
            SwapByDrive(static_cast<TrayDisc>(action.number));
            return;
        case ActionKind::MEDIA_KEY:
            PressMediaKey(static_cast<MediaKey>(action.number));
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
            CollectShownBoxes();
            m_answersGone = true;
            StopPlayer();
            ++m_stats.restarts;
            StartPlayer(static_cast<StartTray>(action.number));
            return;
        case ActionKind::REMOVE_LISTS:
            for (const std::string& name : corvid::testing::NamesIn(m_lists)) {
                std::filesystem::remove_all(m_lists / name);
            }
            return;
    }
}

void ModelPlayer::PerformClick(int control) {
    // The tray moves before the boxes the click brings up, in which the
    // drive's own button may move it again.
    if (m_window->IsEnabled(control)) {
        if (control == res::EJECT_BUTTON) {
            m_trayOpen = true;
        } else if (control == res::INJECT_BUTTON) {
            m_trayOpen = false;
        }
    }
    m_window->Click(control);
}

void ModelPlayer::QueueAnswers(const Answers& answers) {
    m_queuedBoxes = static_cast<int>(answers.boxes.size());
    m_queuedFiles = static_cast<int>(answers.files.size());
    const bool eventful = answers.ticksWhileOpen > 0 || answers.trayWhileOpen != TrayMove::NONE;
    const auto whileOpenIn = [this, &answers, eventful](OpenWindow window, std::size_t index) {
        headless::WhileOpen whileOpen;
        if (eventful && index == 0 && answers.whileOpenIn == window) {
            whileOpen = [this, answers] { WhileWindowOpen(answers); };
        }
        return whileOpen;
    };
    for (std::size_t index = 0; index < answers.boxes.size(); ++index) {
        m_windows->AnswerNextMessageBox(answers.boxes[index] == BoxAnswer::YES
                                            ? window::MessageBoxAnswer::YES
                                            : window::MessageBoxAnswer::NO,
                                        whileOpenIn(OpenWindow::FIRST_BOX, index));
    }
    for (std::size_t index = 0; index < answers.files.size(); ++index) {
        m_windows->AnswerNextFileDialog(ResolveFile(answers.files[index]),
                                        whileOpenIn(OpenWindow::FIRST_FILE_DIALOG, index));
    }
}

void ModelPlayer::WhileWindowOpen(const Answers& answers) {
    if (m_draining) {
        return;
    }
    if (answers.trayWhileOpen == TrayMove::NONE) {
        TicksWhileOpen(answers.ticksWhileOpen);
        return;
    }
    ++m_stats.trayMovesInBoxes;
    MoveTrayByDrive("open");
    m_trayOpen = true;
    if (answers.trayWhileOpen == TrayMove::OUT) {
        PutInTray(answers.discWhileOpen);
        NoteDriveChange();
        TicksWhileOpen(answers.ticksWhileOpen);
        return;
    }
    NoteDriveChange();
    const int firstHalf = answers.ticksWhileOpen / 2;
    TicksWhileOpen(firstHalf);
    PutInTray(answers.discWhileOpen);
    MoveTrayByDrive("closed");
    m_trayOpen = false;
    NoteDriveChange();
    TicksWhileOpen(answers.ticksWhileOpen - firstHalf);
}

void ModelPlayer::TicksWhileOpen(int ticks) {
    for (int tick = 0; tick < ticks; ++tick) {
        const int countBefore = m_player->TicksSinceRefresh();
        Hear(ui::FRAMES_PER_TICK);
        m_windows->AdvanceTime(ui::TIMER_PERIOD_MILLISECONDS);
        ++m_stats.ticks;
        if (countBefore == ui::TICKS_PER_REFRESH - 1 && m_player->TicksSinceRefresh() == 0) {
            m_driveSettled = true;
        }
    }
}

void ModelPlayer::CollectShownBoxes() {
    if (m_shownCollected) {
        return;
    }
    m_shownCollected = true;
    const auto& boxes = m_windows->MessageBoxes();
    m_shownBoxes.assign(boxes.begin() + static_cast<std::ptrdiff_t>(m_boxesBeforeAction),
                        boxes.end());
    const auto& files = m_windows->FileDialogs();
    m_shownFiles.assign(files.begin() + static_cast<std::ptrdiff_t>(m_filesBeforeAction),
                        files.end());
}

void ModelPlayer::DropUnusedAnswers() {
    CollectShownBoxes();
    if (!m_answersGone) {
        m_draining = true;
        for (auto box = m_shownBoxes.size(); box < static_cast<std::size_t>(m_queuedBoxes); ++box) {
            m_windows->Modals().ShowMessageBox("", window::MessageBoxButtons::OK, 0);
        }
        for (auto file = m_shownFiles.size(); file < static_cast<std::size_t>(m_queuedFiles);
             ++file) {
            m_windows->Modals().ShowFileDialog({}, 0);
        }
        m_draining = false;
    }
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

ModelPlayer::Snapshot ModelPlayer::Take() {
    Snapshot snapshot;
    snapshot.cdKey = m_player->CdKey();
    snapshot.list = ShownList();
    snapshot.path = m_player->TrackListPath();
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

void ModelPlayer::Hear(int frames) {
    m_sink.Consume(static_cast<std::int64_t>(frames) * SAMPLE_FRAMES_PER_FRAME);
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
