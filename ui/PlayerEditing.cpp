#include <cstdlib>
#include <string>

#include "tracklist/TrackListRows.h"
#include "ui/PlayerDlg.h"

namespace corvid::ui {

namespace {

// The row is chosen by the height of a click alone, wherever along it the
// user clicked.
constexpr int HIT_TEST_X = 5;
constexpr std::uint32_t EDIT_MARKS = window::LVIS_CUT | window::LVIS_DROPHILITED;
// An up-down handler that answers 1 refuses the control's own move.
constexpr std::intptr_t REFUSE_CHANGE = 1;
constexpr std::size_t POSITION_FIELD_DIGITS = 2;

int ProposedPosition(const window::MessageParams& message) {
    return message.upDown.position + message.upDown.delta;
}

// The number a position field shows; 0 when it is empty.
int FieldNumber(const CEdit& field) {
    const std::string text = field->Text().substr(0, POSITION_FIELD_DIGITS);
    return ReadDecimal(text);
}

}  // namespace

window::MessageResult CPlayerDlg::OnClickTrackList(const window::MessageParams& message) {
    static_cast<void>(message);
    window::Point point = Window().CursorPositionIn(m_list->Id());
    point.x = HIT_TEST_X;
    int row = m_list->HitTest(point);
    if (row == -1) {
        row = GetSelectedRow();
    }
    SelectEditRow(row, true);
    return 0;
}

void CPlayerDlg::OnReturnTrackList() {
    SelectEditRow(GetSelectedRow(), true);
}

window::MessageResult CPlayerDlg::OnDblClickTrackList(const window::MessageParams& message) {
    static_cast<void>(message);
    return 0;
}

window::MessageResult CPlayerDlg::OnDeltaPosMinute(const window::MessageParams& message) {
    SetEditTime(ProposedPosition(message), m_spinSec->Position(), m_spinFrame->Position());
    return REFUSE_CHANGE;
}

window::MessageResult CPlayerDlg::OnDeltaPosSecond(const window::MessageParams& message) {
    SetEditTime(m_spinMin->Position(), ProposedPosition(message), m_spinFrame->Position());
    return REFUSE_CHANGE;
}

window::MessageResult CPlayerDlg::OnDeltaPosFrame(const window::MessageParams& message) {
    SetEditTime(m_spinMin->Position(), m_spinSec->Position(), ProposedPosition(message));
    return REFUSE_CHANGE;
}

void CPlayerDlg::OnChangeMinute() {
    m_spinMin->SetPosition(FieldNumber(m_edMin));
}

void CPlayerDlg::OnChangeSecond() {
    m_spinSec->SetPosition(FieldNumber(m_edSec));
}

void CPlayerDlg::OnChangeFrame() {
    m_spinFrame->SetPosition(FieldNumber(m_edFrame));
}

void CPlayerDlg::OnUpdateRow() {
    if (m_editRow < 0) {
        return;
    }
    const std::int32_t key = GetRowKey(m_editRow);
    const std::string name = m_edName->Text();

    SetEditTime(m_spinMin->Position(), m_spinSec->Position(), m_spinFrame->Position());
    const std::string position =
        FormatPositionText(tracklist::TrackNumberOfKey(key), m_spinMin->Position(),
                           m_spinSec->Position(), m_spinFrame->Position());
    const std::string start = position.substr(tracklist::POSITION_TAIL_OFFSET);

    if (key < 0 && start != m_list->ItemText(m_editRow, 1)) {
        // The current row's marks come off before the rows move under it.
        SetCurrentRow(-1);
        MoveEditRow(key, start, name);
        m_cd.Play(position);
        ReadPosition();
        m_modified = true;
    } else {
        if (m_edName->GetModify()) {
            m_list->SetItemText(m_editRow, 0, name);
            m_modified = true;
        }
        SelectEditRow((m_editRow + 1) % m_list->ItemCount(), false);
    }
    RefreshMode();
}

void CPlayerDlg::MoveEditRow(std::int32_t key, const std::string& start, const std::string& name) {
    const std::optional<int> index = tracklist::MovedSubtrackIndex(ListRows(), m_editRow, start);
    if (!index) {
        return;
    }
    m_list->DeleteItem(m_editRow);
    m_list->InsertItem(*index, name, tracklist::ROW_ICON_SUBTRACK, key);
    m_list->SetItemText(*index, 1, start);
    m_editRow = *index;
    SetRowState(m_editRow, EDIT_MARKS, true);
}

void CPlayerDlg::OnInsertSubtrack() {
    char position[POSITION_TEXT_SIZE] = {};
    m_cd.GetPosition(position);
    const std::string positionText = NoLaterThanTrackEnd(TextOfBuffer(position));
    // A failed position query names no track, and nothing is inserted.
    const std::optional<int> index =
        tracklist::NewSubtrackIndex(ListRows(), positionText, m_currentRow);
    if (!index) {
        return;
    }
    // Only once a row goes in does the edit row change: a failed insert
    // leaves its marks where the editor still is.
    SetRowState(m_editRow, EDIT_MARKS, false);
    const std::int32_t key = -ReadDecimal(positionText);
    m_list->InsertItem(*index, tracklist::NEW_SUBTRACK_NAME, tracklist::ROW_ICON_SUBTRACK, key);
    // A row played from a start the drive refused is current ahead of play,
    // and the new row may go in above it: the mark stays with its row.
    if (m_currentRow >= *index) {
        ++m_currentRow;
    }
    m_list->SetItemText(*index, 1, positionText.substr(tracklist::POSITION_TAIL_OFFSET));
    m_modified = true;
    SelectEditRow(*index, false);
}

std::string CPlayerDlg::NoLaterThanTrackEnd(std::string_view position) {
    const int track = ReadDecimal(position);
    if (position.size() <= tracklist::POSITION_TAIL_OFFSET || track < tracklist::FIRST_TRACK ||
        track > tracklist::LAST_TRACK) {
        return std::string(position);
    }
    // The last track's length comes from millisecond starts and falls a frame
    // or two short of its end, where the drive still reports positions.
    LengthParts length;
    m_cd.GetTrackLengthParts(track, length.minutes, length.seconds, length.frames);
    const std::string end =
        FormatPositionText(track, length.minutes, length.seconds, length.frames);
    return position.substr(tracklist::POSITION_TAIL_OFFSET) >
                   std::string_view(end).substr(tracklist::POSITION_TAIL_OFFSET)
               ? end
               : std::string(position);
}

void CPlayerDlg::OnDeleteSubtrack() {
    SetCurrentRow(-1);
    if (m_editRow < 0 || GetRowKey(m_editRow) >= 0) {
        return;
    }
    const int deleted = m_editRow;
    m_list->DeleteItem(deleted);
    m_modified = true;
    const bool wasLast = deleted == m_list->ItemCount();
    SelectEditRow(wasLast ? deleted - 1 : deleted, false);
}

void CPlayerDlg::OnChangeArtist() {
    if (m_edArtist->GetModify()) {
        m_modified = true;
    }
}

window::MessageResult CPlayerDlg::OnDeltaPosVolume(const window::MessageParams& message) {
    m_cd.SetVolume(VolumeAfterSpinnerDelta(m_cd.GetVolume(), message.upDown.delta));
    return REFUSE_CHANGE;
}

}  // namespace corvid::ui
