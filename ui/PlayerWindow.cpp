#include <filesystem>
#include <system_error>

#include "res/ControlIds.h"
#include "res/PlayerDialogTemplate.h"
#include "res/StringTable.h"
#include "tracklist/DefaultTrackList.h"
#include "ui/PlayerDlg.h"
#include "ui/PlayerTiming.h"

namespace corvid::ui {

namespace {

constexpr int NAME_LIMIT = 254;
constexpr int POSITION_FIELD_LIMIT = 2;
constexpr int TRACK_COLUMN_WIDTH = 280;
constexpr int LENGTH_COLUMN_WIDTH = 70;
constexpr int SCROLL_PAGE_SECONDS = 10;
constexpr int MENU_SEPARATOR = 0;
constexpr std::string_view TITLE_WITHOUT_DISC = "Corvid Player";
constexpr std::string_view COMPACT_MODE_MENU_TEXT = "&Compact window";
constexpr std::string_view FIND_NAMES_MENU_TEXT = "Find &names online...";

}  // namespace

CPlayerDlg::CPlayerDlg(PlayerPorts ports)
    : Dialog(ports.windows, res::PLAYER_DIALOG),
      m_ports(std::move(ports)),
      m_messages(m_ports.windows),
      m_hIcon(res::PROGRAM_ICON_ID),
      m_imageList{res::TRACK_ROW_ICON_ID, res::SUBTRACK_ROW_ICON_ID,
                  res::CURRENT_SUBTRACK_ROW_ICON_ID, res::CURRENT_TRACK_ROW_ICON_ID},
      m_cd(m_ports.mci, m_ports.mixer, m_messages) {}

void CPlayerDlg::DoDataExchange(DataExchange& exchange) {
    DDX_Control(exchange, res::SAVE_TRACKS_BUTTON, m_btnSave);
    DDX_Control(exchange, res::SUBTRACK_TEXT, m_stSubtrack);
    DDX_Control(exchange, res::STATUS_TEXT, m_stStatus);
    DDX_Control(exchange, res::LOAD_TRACKS_BUTTON, m_btnLoad);
    DDX_Control(exchange, res::FRAME_EDIT, m_edFrame);
    DDX_Control(exchange, res::SECOND_EDIT, m_edSec);
    DDX_Control(exchange, res::MINUTE_EDIT, m_edMin);
    DDX_Control(exchange, res::NAME_EDIT, m_edName);
    DDX_Control(exchange, res::UPDATE_BUTTON, m_btnUpdate);
    DDX_Control(exchange, res::FRAME_SPIN, m_spinFrame);
    DDX_Control(exchange, res::SECOND_SPIN, m_spinSec);
    DDX_Control(exchange, res::MINUTE_SPIN, m_spinMin);
    DDX_Control(exchange, res::ARTIST_EDIT, m_edArtist);
    DDX_Control(exchange, res::ALBUM_EDIT, m_edAlbum);
    DDX_Control(exchange, res::PREVIOUS_TRACK_BUTTON, m_btnPrev);
    DDX_Control(exchange, res::NEXT_TRACK_BUTTON, m_btnNext);
    DDX_Control(exchange, res::POSITION_SCROLL_BAR, m_sbPosition);
    DDX_Control(exchange, res::INJECT_BUTTON, m_btnInject);
    DDX_Control(exchange, res::INSERT_SUBTRACK_BUTTON, m_btnInsert);
    DDX_Control(exchange, res::DELETE_SUBTRACK_BUTTON, m_btnDelete);
    DDX_Control(exchange, res::PLAY_STOP_BUTTON, m_btnPlay);
    DDX_Control(exchange, res::EJECT_BUTTON, m_btnEject);
    DDX_Control(exchange, res::POSITION_TEXT, m_stTime);
    DDX_Control(exchange, res::TRACK_LIST, m_list);
    DDX_Check(exchange, res::REPEAT_TOGGLE, m_repeat);
}

bool CPlayerDlg::OnInitDialog() {
    window::DialogWindow& window = Window();

    if (auto aboutText = res::LoadString(res::ABOUT_MENU_STRING_ID);
        aboutText && !aboutText->empty()) {
        window.AddMenuCommand(MENU_SEPARATOR, "");
        window.AddMenuCommand(res::IDM_ABOUTBOX, *aboutText);
    }
    // Many window managers give a window of fixed size no maximize button,
    // so its menu offers the command that maximizing gives.
    window.AddMenuCommand(window::SC_MAXIMIZE, COMPACT_MODE_MENU_TEXT);
    // Nothing goes over the network unless the user asks for it here.
    window.AddMenuCommand(res::IDM_FINDNAMES, FIND_NAMES_MENU_TEXT);
    window.SetIcon(m_hIcon, window::IconSize::BIG);
    window.SetIcon(m_hIcon, window::IconSize::SMALL);

    // Track list files are looked for and saved in the current directory.
    std::error_code ignored;
    std::filesystem::current_path(m_ports.trackListFolder, ignored);

    const window::Size outer = window.OuterSize();
    m_windowWidth = outer.width;
    m_windowHeight = outer.height;

    m_list->SetImageList(m_imageList);
    m_list->InsertColumn(0, "Track/Subtrack", TRACK_COLUMN_WIDTH);
    m_list->InsertColumn(1, "Length/Pos", LENGTH_COLUMN_WIDTH);

    m_spinMin->SetRange(0, 99);
    m_spinSec->SetRange(0, SECONDS_PER_MINUTE - 1);
    m_spinFrame->SetRange(0, FRAMES_PER_SECOND - 1);
    m_edMin->SetLimitText(POSITION_FIELD_LIMIT);
    m_edSec->SetLimitText(POSITION_FIELD_LIMIT);
    m_edFrame->SetLimitText(POSITION_FIELD_LIMIT);
    EnableEditFields(false, false);
    m_edAlbum->SetLimitText(NAME_LIMIT);
    m_edArtist->SetLimitText(NAME_LIMIT);
    m_edName->SetLimitText(NAME_LIMIT);

    m_notifyRelay.Attach(&window);
    m_cd.SetNotifyWindow(&m_notifyRelay);

    m_title = window.Title();
    m_positionText = m_stTime->Text();
    m_lastMode = CDMODE_INITIAL;
    m_cdKey = -1;
    m_trackListPath.clear();
    m_currentRow = -1;
    m_editRow = -1;
    m_seekTarget = 0;
    m_seeking = false;
    m_seekTicks = 0;
    m_tickCount = 0;
    m_inTick = false;
    m_inRefresh = false;
    m_modified = false;
    m_compact = false;
    m_minimized = false;
    m_posTrack = m_posMin = m_posSec = m_posFrame = 0;
    m_lenMin = m_lenSec = m_lenFrame = 0;

    // The first refresh finds the disc and may start play; the second sees
    // the mode that this produced.
    RefreshMode();
    RefreshMode();

    window.SetTimer(TIMER_ID, TIMER_PERIOD_MILLISECONDS);
    window.EnableToolTips();

    if (m_cd.m_nOpenError != MCIERR_NONE) {
        EndDialog(window::IDCANCEL);
    }
    if (!m_cd.HasVolumeControl()) {
        if (window::UpDown* volume = window.GetUpDown(res::VOLUME_SPIN)) {
            volume->SetEnabled(false);
        }
    }
    ReadPosition();
    return true;
}

void CPlayerDlg::ShowTitleWithoutDisc() {
    // Window managers draw no letter of the icon before the caption, which the
    // template's caption counts on, so the title names the player in full.
    ShowTitle(TITLE_WITHOUT_DISC);
}

std::string CPlayerDlg::DiscLengthText() {
    char length[POSITION_TEXT_SIZE] = {};
    m_cd.GetLength(length);
    return std::string(TextOfBuffer(length));
}

void CPlayerDlg::UpdateTitle() {
    if (m_cdKey == -1) {
        ShowTitleWithoutDisc();
        return;
    }
    if (m_edAlbum->GetModify()) {
        m_modified = true;
    }
    ShowTitle(tracklist::TrackListTitle(DiscLengthText(), m_edAlbum->Text()));
}

void CPlayerDlg::SetPositionRange(int seconds) {
    m_sbPosition->SetRange(0, seconds, SCROLL_PAGE_SECONDS);
}

void CPlayerDlg::ForgetDisc() {
    OnSaveTracks();
    ClearDisc();
}

void CPlayerDlg::ClearDisc() {
    ++m_listGeneration;
    m_ports.nameLookup.Cancel();
    m_modified = false;
    m_list->DeleteAllItems();
    ShowTitleWithoutDisc();
    m_cdKey = -1;
    m_trackListPath.clear();
    m_unshownLines.clear();
    m_editRow = -1;
    // A row of the disc that left names nothing on the next one.
    m_currentRow = -1;
    ShowPositionText("");
    m_stSubtrack->SetText("");
    for (CEdit* field : {&m_edAlbum, &m_edArtist}) {
        (*field)->SetText("");
        (*field)->SetModify(false);
        (*field)->SetEnabled(false);
    }
    m_edName->SetText("");
    m_edName->SetModify(false);
    SetEditTime(0, 0, 0);
    EnableEditFields(false, false);
    m_list->SetEnabled(false);
    for (CButton* button : {&m_btnInsert, &m_btnDelete, &m_btnLoad, &m_btnSave}) {
        (*button)->SetEnabled(false);
    }
    if (window::Button* repeat = Window().GetButton(res::REPEAT_TOGGLE)) {
        repeat->SetEnabled(false);
    }
    m_sbPosition->SetEnabled(false);
}

void CPlayerDlg::OnClose() {
    Window().KillTimer(TIMER_ID);
    m_inTick = true;
    ForgetDisc();
    EndDialog(window::IDOK);
}

void CPlayerDlg::OnDestroy() {
    m_inTick = true;
    m_ports.nameLookup.Cancel();
    ForgetDisc();
    // The device may still end a play when it closes; the window is gone by then.
    m_notifyRelay.Detach();
}

void CPlayerDlg::OnOK() {}

void CPlayerDlg::OnCancel() {}

}  // namespace corvid::ui
