#include "tracklist/TrackListRows.h"
#include "ui/PlayerDlg.h"

namespace corvid::ui {

namespace {

constexpr int MAX_MINUTES = 99;

}  // namespace

std::int32_t CPlayerDlg::GetRowKey(int row) {
    if (row < 0) {
        return 0;
    }
    return m_list->ItemData(row);
}

void CPlayerDlg::SetRowState(int row, std::uint32_t states, bool on) {
    m_list->SetItemState(row, on ? states : 0U, states);
}

void CPlayerDlg::SetRowIcon(int row, bool current) {
    const auto mark = current ? tracklist::RowMark::CURRENT : tracklist::RowMark::NORMAL;
    m_list->SetItemImage(row, tracklist::IconForKey(GetRowKey(row), mark));
}

void CPlayerDlg::SetEditTime(int minutes, int seconds, int frames) {
    LengthParts length;
    m_cd.GetTrackLengthParts(tracklist::TrackNumberOfKey(GetRowKey(m_editRow)), length.minutes,
                             length.seconds, length.frames);
    // Carries move by one unit, whatever the step.
    if (frames < 0) {
        frames = FRAMES_PER_SECOND - 1;
        --seconds;
    }
    if (seconds < 0) {
        seconds = SECONDS_PER_MINUTE - 1;
        --minutes;
    }
    if (minutes < 0) {
        // Below the start of the track comes its end.
        minutes = length.minutes;
        seconds = length.seconds;
        frames = length.frames;
    }
    if (frames > FRAMES_PER_SECOND - 1) {
        frames = 0;
        ++seconds;
    }
    if (seconds > SECONDS_PER_MINUTE - 1) {
        seconds = 0;
        ++minutes;
    }
    if (minutes > MAX_MINUTES) {
        minutes = 0;
    }
    // The position never passes the track's length.
    if (minutes >= length.minutes) {
        minutes = length.minutes;
        if (seconds >= length.seconds) {
            seconds = length.seconds;
            if (frames >= length.frames) {
                frames = length.frames;
            }
        }
    }
    char text[12];
    std::snprintf(text, sizeof text, "%02d", minutes);
    m_edMin->SetText(text);
    std::snprintf(text, sizeof text, "%02d", seconds);
    m_edSec->SetText(text);
    std::snprintf(text, sizeof text, "%02d", frames);
    m_edFrame->SetText(text);
}

std::vector<tracklist::TrackListRow> CPlayerDlg::ListRows() {
    const int count = m_list->ItemCount();
    std::vector<tracklist::TrackListRow> rows;
    rows.reserve(static_cast<std::size_t>(count));
    for (int row = 0; row < count; ++row) {
        rows.push_back({m_list->ItemData(row), m_list->ItemText(row, 0), m_list->ItemText(row, 1),
                        m_list->ItemImage(row)});
    }
    return rows;
}

tracklist::TrackListRow CPlayerDlg::RowAt(int row) const {
    return {m_list->ItemData(row), m_list->ItemText(row, 0), m_list->ItemText(row, 1),
            m_list->ItemImage(row)};
}

bool CPlayerDlg::IsControlEnabled(int controlId) const {
    window::DialogWindow& window = Window();
    if (const window::Button* button = window.GetButton(controlId)) {
        return button->IsEnabled();
    }
    if (const window::ScrollBar* bar = window.GetScrollBar(controlId)) {
        return bar->IsEnabled();
    }
    if (const window::UpDown* spinner = window.GetUpDown(controlId)) {
        return spinner->IsEnabled();
    }
    return false;
}

LengthParts CPlayerDlg::TrackLengthOf(int track) {
    LengthParts length;
    m_cd.GetTrackLengthParts(track, length.minutes, length.seconds, length.frames);
    return length;
}

void CPlayerDlg::AppendRows(std::span<const tracklist::TrackListRow> rows) {
    for (const tracklist::TrackListRow& row : rows) {
        const int index = m_list->InsertItem(m_list->ItemCount(), row.name, row.icon, row.rowKey);
        m_list->SetItemText(index, 1, row.timeText);
    }
}

}  // namespace corvid::ui
