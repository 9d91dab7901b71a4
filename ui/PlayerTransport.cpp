#include "tracklist/TrackListRows.h"
#include "ui/PlayerDlg.h"

namespace corvid::ui {

namespace {

// The edit row carries these marks; the current row carries the selection.
constexpr std::uint32_t EDIT_MARKS = window::LVIS_CUT | window::LVIS_DROPHILITED;

}  // namespace

void CPlayerDlg::OnPlayStop() {
    // The drive's mode now, not the one the last refresh saw.
    if (m_cd.GetMode() == CDMODE_READY) {
        m_cd.Play();
        ReadPosition();
    } else {
        m_cd.Stop();
    }
    RefreshMode();
    SetCurrentRow(-1);
}

void CPlayerDlg::OnEject() {
    m_cd.OpenDoor();
    RefreshMode();
}

void CPlayerDlg::OnInject() {
    m_cd.CloseDoor();
    RefreshMode();
}

void CPlayerDlg::OnPrevTrack() {
    SetCurrentRow(-1);
    m_cd.PreviousTrack();
    ReadPosition();
    EnablePrevNext();
}

void CPlayerDlg::OnNextTrack() {
    SetCurrentRow(-1);
    m_cd.NextTrack();
    ReadPosition();
    EnablePrevNext();
}

void CPlayerDlg::OnRepeat() {
    UpdateData(ExchangeDirection::FROM_CONTROLS);
    const bool movingAllowed = m_repeat == 0;
    m_btnInsert->SetEnabled(movingAllowed);
    m_sbPosition->SetEnabled(movingAllowed);
    m_btnPrev->SetEnabled(movingAllowed);
    m_btnNext->SetEnabled(movingAllowed);
    SelectEditRow(m_repeat == 1 ? -1 : GetSelectedRow(), false);
}

window::MessageResult CPlayerDlg::OnMciNotify(const window::MessageParams& message) {
    // The end of play shows in the next mode refresh.
    static_cast<void>(message);
    return 0;
}

void CPlayerDlg::SelectEditRow(int row, bool play) {
    const int rowCount = m_list->ItemCount();
    if (m_editRow >= 0 && m_editRow < rowCount) {
        SetRowState(m_editRow, EDIT_MARKS, false);
    }
    if (row < 0 || row >= rowCount) {
        m_editRow = -1;
        m_edName->SetText("");
        m_edName->SetModify(false);
        SetEditTime(0, 0, 0);
        EnableEditFields(false, false);
        return;
    }
    m_editRow = row;
    SetRowState(row, EDIT_MARKS, true);
    const std::int32_t key = GetRowKey(row);
    EnableEditFields(m_repeat == 0, m_repeat == 0 && key < 0);
    m_edName->SetText(m_list->ItemText(row, 0));
    m_edName->SetModify(false);

    const std::string start = key < 0 ? m_list->ItemText(row, 1) : std::string("00:00:00");
    const LengthParts parts = ParseLength(start);
    SetEditTime(parts.minutes, parts.seconds, parts.frames);

    if (play) {
        SetCurrentRow(row);
        m_cd.PlayAt(tracklist::TrackNumberOfKey(key), parts.minutes, parts.seconds, parts.frames);
        ReadPosition();
        RefreshMode();
    }
    m_edName->SetFocus();
    m_edName->SelectAll();
}

void CPlayerDlg::EnableEditFields(bool nameOn, bool timeOn) {
    const bool positionOn = nameOn && timeOn;
    m_edName->SetEnabled(nameOn);
    for (CEdit* field : {&m_edMin, &m_edSec, &m_edFrame}) {
        (*field)->SetEnabled(positionOn);
    }
    for (CSpinButtonCtrl* spinner : {&m_spinMin, &m_spinSec, &m_spinFrame}) {
        (*spinner)->SetEnabled(positionOn);
    }
    m_btnUpdate->SetEnabled(nameOn);
    m_btnDelete->SetEnabled(timeOn);
}

int CPlayerDlg::GetSelectedRow() {
    return m_list->FirstSelectedItem();
}

}  // namespace corvid::ui
