#include "tests/model/ModelPlayer.h"

#include <fstream>

#include "cdaudio/DiscTime.h"
#include "platform/cdrom/Drive.h"
#include "res/ControlIds.h"
#include "res/PlayerDialogTemplate.h"
#include "tests/model/ModelLists.h"
#include "tools/imagegen/ImageGen.h"
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
    return action.kind == ActionKind::CLICK &&
           (action.control == res::EJECT_BUTTON || action.control == res::SAVE_TRACKS_BUTTON);
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
    m_windows = std::make_unique<headless::HeadlessWindowSystem>();
    m_player =
        std::make_unique<ui::CPlayerDlg>(ui::PlayerPorts{*m_windows, *m_mci, m_mixer, m_lists});
    m_window = &m_windows->Open(res::PLAYER_DIALOG, *m_player);
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
    for (std::size_t index = 0; index < answers.boxes.size(); ++index) {
        headless::WhileOpen whileOpen;
        if (index == 0 && answers.ticksWhileOpen > 0) {
            whileOpen = [this, ticks = answers.ticksWhileOpen] { TicksWhileBoxOpen(ticks); };
        }
        m_windows->AnswerNextMessageBox(answers.boxes[index] == BoxAnswer::YES
                                            ? window::MessageBoxAnswer::YES
                                            : window::MessageBoxAnswer::NO,
                                        std::move(whileOpen));
    }
    for (const FileAnswer& answer : answers.files) {
        m_windows->AnswerNextFileDialog(ResolveFile(answer));
    }
}

void ModelPlayer::TicksWhileBoxOpen(int ticks) {
    if (m_draining) {
        return;
    }
    for (int tick = 0; tick < ticks; ++tick) {
        Hear(ui::FRAMES_PER_TICK);
        m_windows->AdvanceTime(ui::TIMER_PERIOD_MILLISECONDS);
        ++m_stats.ticks;
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
