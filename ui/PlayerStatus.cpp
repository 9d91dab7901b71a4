#include <algorithm>
#include <cstdio>
#include <string>

#include "cdaudio/DiscTime.h"
#include "tracklist/TrackListRows.h"
#include "ui/ListViewRows.h"
#include "ui/PlayerDlg.h"
#include "ui/PlayerTiming.h"

namespace corvid::ui {

namespace {

// A seek is sent on the second tick after the last position bar event.
constexpr int SEEK_DELAY_TICKS = 1;
constexpr int SCROLL_LINE = 1;
constexpr int SCROLL_PAGE = 10;
// Rows kept in view below the current row while the list follows play.
constexpr int LOOK_AHEAD_ROWS = 5;

// "%02d:%02d (%02d:%02d)"
std::string FormatTimeAndLength(int minutes, int seconds, int lengthMinutes, int lengthSeconds) {
    std::string text;
    AppendTimeField(text, minutes);
    text += ':';
    AppendTimeField(text, seconds);
    text += " (";
    AppendTimeField(text, lengthMinutes);
    text += ':';
    AppendTimeField(text, lengthSeconds);
    text += ')';
    return text;
}

bool IsWithoutList(int mode) {
    return mode == CDMODE_OPEN || mode == CDMODE_NODISC || mode == CDMODE_INITIAL;
}

// The refresh runs every two seconds; a state it finds unchanged is not redrawn.
void SetEnabledIfChanged(window::Control& control, bool enabled) {
    if (control.IsEnabled() != enabled) {
        control.SetEnabled(enabled);
    }
}

bool ReportsDisc(int mode) {
    return mode == CDMODE_PLAYING || mode == CDMODE_READY || mode == CDMODE_NOAUDIO;
}

}  // namespace

void CPlayerDlg::OnTimer() {
    if (m_lastMode == CDMODE_PLAYING && !m_seeking) {
        AdvancePosition(FRAMES_PER_TICK);
    }
    if (m_inRefresh || m_inTick) {
        return;
    }
    m_inTick = true;

    if (++m_tickCount == TICKS_PER_REFRESH) {
        m_tickCount = 0;
        RefreshMode();
        ReadPosition();
        m_inTick = false;
        return;
    }
    if (m_lastMode != CDMODE_PLAYING && !m_seeking) {
        m_inTick = false;
        return;
    }
    if (m_seeking) {
        AdvanceSeek();
    }
    if (m_minimized) {
        ShowPositionInTitle();
        m_inTick = false;
        return;
    }
    ShowPositionText(FormatTimeAndLength(m_posMin, m_posSec, m_lenMin, m_lenSec));
    if (m_seeking) {
        m_stStatus->SetText("Scrolling...");
        m_inTick = false;
        return;
    }
    // Four ticks in five show the same second: nothing is redrawn then.
    const int barPosition = m_posMin * SECONDS_PER_MINUTE + m_posSec;
    if (m_repeat == 0 && m_sbPosition->Position() != barPosition) {
        m_sbPosition->SetPosition(barPosition);
    }
    FollowPlay();
    m_inTick = false;
}

void CPlayerDlg::AdvanceSeek() {
    m_posMin = m_seekTarget / SECONDS_PER_MINUTE;
    m_posSec = m_seekTarget % SECONDS_PER_MINUTE;
    m_posFrame = 0;
    if (++m_seekTicks <= SEEK_DELAY_TICKS) {
        return;
    }
    SetCurrentRow(-1);
    m_cd.PlayAt(m_posTrack, m_posMin, m_posSec, 0);
    ReadPosition();
    m_seekTicks = 0;
    m_seeking = false;
}

void CPlayerDlg::ShowPositionInTitle() {
    char title[48];
    std::snprintf(title, sizeof title, "[%02d] %02d:%02d (%02d:%02d)", m_posTrack, m_posMin,
                  m_posSec, m_lenMin, m_lenSec);
    ShowTitle(title);
}

void CPlayerDlg::FollowPlay() {
    // A current row kept from a longer list of another disc counts as none,
    // or the current row could never move forward onto this list's rows.
    if (m_currentRow >= m_list->ItemCount()) {
        m_currentRow = -1;
    }
    int row = FindRowForPosition(FormatPositionText(m_posTrack, m_posMin, m_posSec, m_posFrame));
    if (row == m_currentRow) {
        return;
    }
    // The drive plays no data track: repeating its row would send play back
    // to the next track's start at every tick.
    if (m_repeat == 1 && m_currentRow >= 0 && row == m_currentRow + 1 &&
        m_cd.IsAudioTrack(tracklist::TrackNumberOfKey(GetRowKey(m_currentRow)))) {
        SelectEditRow(m_currentRow, true);
        row = m_currentRow;
    }
    const int lastVisibleRow = m_list->TopIndex() + m_list->CountPerPage() - 1;
    const bool userInList = Window().FocusedControlId() == m_list->Id();
    if (!userInList || m_currentRow == lastVisibleRow) {
        m_list->EnsureVisible(row);
        m_list->EnsureVisible(row + LOOK_AHEAD_ROWS);
    }
    if (row > m_currentRow) {
        SetCurrentRow(row);
    }
    ReadPosition();
}

void CPlayerDlg::RefreshMode() {
    if (m_inRefresh) {
        return;
    }
    m_inRefresh = true;
    SetEnabledIfChanged(*m_btnSave, m_modified);
    EnablePrevNext();

    const int mode = m_cd.GetMode();
    // A disc swapped between two refreshes shows as a single "open" answer,
    // which another query (Play/Stop, a media key) may have taken first: the
    // old disc's list goes all the same, before the new disc is looked at.
    if (m_cd.TakeTrayOpenSeen() && mode != CDMODE_OPEN && m_lastMode != CDMODE_OPEN) {
        ShowMode(CDMODE_OPEN);
        m_lastMode = CDMODE_OPEN;
    }
    if (mode == m_lastMode) {
        m_inRefresh = false;
        return;
    }
    // A list is built only for a disc, so that an empty drive does not leave
    // a list that keeps the next disc from loading.
    if (IsWithoutList(m_lastMode) && m_cdKey == -1 && ReportsDisc(mode)) {
        LoadTrackListForDisc();
        SelectEditRow(0, mode == CDMODE_READY);
        ReadPosition();
    }
    ShowMode(mode);
    m_lastMode = mode;
    m_inRefresh = false;
}

void CPlayerDlg::ShowMode(int mode) {
    switch (mode) {
        case CDMODE_PLAYING:
            SetButtonState(m_btnPlay, "Stop", true);
            m_btnInject->SetEnabled(false);
            ShowTrackLabel(true);
            return;
        case CDMODE_NOAUDIO:
            m_stStatus->SetText("Data CD");
            [[fallthrough]];
        case CDMODE_READY:
            SetButtonState(m_btnPlay, "Play", true);
            m_btnInject->SetEnabled(false);
            UpdateTitle();
            ShowTrackLabel(false);
            return;
        case CDMODE_OPEN:
            m_stStatus->SetText("No CD");
            SetButtonState(m_btnPlay, "Play", false);
            ForgetDisc();
            m_btnInject->SetEnabled(true);
            return;
        case CDMODE_NODISC:
            m_stStatus->SetText("No CD?");
            SetButtonState(m_btnPlay, "Play", false);
            m_btnInject->SetEnabled(false);
            // An empty drive at start: the list's controls are off, as after
            // a disc has left, so that nothing makes a list without a disc.
            if (m_cdKey == -1) {
                ClearDisc();
            }
            return;
        default:
            return;
    }
}

void CPlayerDlg::EnablePrevNext() {
    if (m_cdKey == -1) {
        SetEnabledIfChanged(*m_btnPrev, false);
        SetEnabledIfChanged(*m_btnNext, false);
        return;
    }
    SetEnabledIfChanged(*m_btnPrev, m_repeat == 0 && m_posTrack > 1);
    SetEnabledIfChanged(*m_btnNext, m_repeat == 0 && m_posTrack < m_trackCount);
}

void CPlayerDlg::AdvancePosition(int frames) {
    m_posFrame += frames;
    if (m_posFrame >= FRAMES_PER_SECOND) {
        m_posFrame -= FRAMES_PER_SECOND;
        if (++m_posSec >= SECONDS_PER_MINUTE) {
            m_posSec -= SECONDS_PER_MINUTE;
            ++m_posMin;
        }
    }
    // At the end of the track the true position (by then usually in the next
    // track) replaces the estimate.
    if (m_posMin >= m_lenMin && m_posSec >= m_lenSec) {
        ReadPosition();
    }
}

void CPlayerDlg::ReadPosition() {
    m_cd.GetPositionParts(m_posTrack, m_posMin, m_posSec, m_posFrame);
}

int CPlayerDlg::FindRowForPosition(std::string_view position) {
    return tracklist::FindRowForPosition(ListViewRows(*m_list), position, m_currentRow);
}

void CPlayerDlg::SetCurrentRow(int row) {
    if (m_currentRow != -1) {
        SetRowState(m_currentRow, window::LVIS_SELECTED, false);
        SetRowIcon(m_currentRow, false);
    }
    m_currentRow = row;
    if (row == -1) {
        return;
    }
    ShowTrackLabel(true);
    m_stSubtrack->SetText(m_list->ItemText(row, 0));
    SetRowState(row, window::LVIS_SELECTED, true);
    SetRowIcon(row, true);
    m_cd.GetTrackLengthParts(tracklist::TrackNumberOfKey(GetRowKey(row)), m_lenMin, m_lenSec,
                             m_lenFrame);
    SetPositionRange(m_lenMin * SECONDS_PER_MINUTE + m_lenSec);
}

void CPlayerDlg::ShowTrackLabel(bool playing) {
    if (m_currentRow == -1) {
        return;
    }
    if (m_ports.nameLookup.Running()) {
        m_stStatus->SetText(LOOKING_UP_NAMES_TEXT);
        return;
    }
    const int track = tracklist::TrackNumberOfKey(GetRowKey(m_currentRow));
    int row = m_currentRow;
    while (row > 0 && GetRowKey(row) != track) {
        --row;
    }
    char label[300];
    std::snprintf(label, sizeof label, "%c[%02d] %s", playing ? '>' : ' ', track,
                  m_list->ItemText(row, 0).c_str());
    m_stStatus->SetText(label);
}

window::MessageResult CPlayerDlg::OnHScroll(const window::MessageParams& message) {
    const int position = m_sbPosition->Position();
    int target = 0;
    switch (message.scrollCode) {
        case window::SB_LINELEFT:
            target = position - SCROLL_LINE;
            break;
        case window::SB_LINERIGHT:
            target = position + SCROLL_LINE;
            break;
        case window::SB_PAGELEFT:
            target = position - SCROLL_PAGE;
            break;
        case window::SB_PAGERIGHT:
            target = position + SCROLL_PAGE;
            break;
        case window::SB_THUMBTRACK:
            target = message.thumbPosition;
            break;
        default:
            return 0;
    }
    target = std::max(target, 0);
    if (message.scrollCode != window::SB_THUMBTRACK) {
        m_sbPosition->SetPosition(target);
    }
    m_seeking = true;
    m_seekTicks = 0;
    m_seekTarget = target;
    return std::nullopt;
}

void CPlayerDlg::ShowPositionText(std::string_view text) {
    if (text == m_positionText) {
        return;
    }
    m_positionText = text;
    m_stTime->SetText(text);
}

void CPlayerDlg::ShowTitle(std::string_view title) {
    if (title == m_title) {
        return;
    }
    m_title = title;
    Window().SetTitle(title);
}

void CPlayerDlg::SetButtonState(CButton& button, std::string_view text, bool enabled) {
    button->SetText(text);
    button->SetEnabled(enabled);
}

}  // namespace corvid::ui
