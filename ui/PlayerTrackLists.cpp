#include <string>
#include <system_error>

#include "res/ControlIds.h"
#include "tracklist/CdAudioDiscFacts.h"
#include "tracklist/DefaultTrackList.h"
#include "tracklist/TrackListFile.h"
#include "tracklist/TrackListSearch.h"
#include "ui/PlayerDlg.h"

namespace corvid::ui {

namespace {

constexpr std::string_view TRACK_LIST_FILTER =
    "Track list files (*.trk)|*.trk|All Files (*.*)|*.*||";
constexpr std::string_view TRACK_LIST_EXTENSION = "*.trk";
constexpr std::size_t SUGGESTED_NAME_SIZE = 255;

bool IsFileNameCharacter(char character) {
    return character == ' ' || (character >= 'A' && character <= 'Z') ||
           (character >= 'a' && character <= 'z') || (character >= '0' && character <= '9');
}

}  // namespace

void CPlayerDlg::LoadTrackListForDisc() {
    ++m_listGeneration;
    m_list->DeleteAllItems();
    m_cdKey = m_cd.GetIdentity();
    m_trackCount = m_cd.GetNumberOfTracks();

    m_list->SetEnabled(true);
    m_edAlbum->SetEnabled(true);
    m_edArtist->SetEnabled(true);
    m_btnInsert->SetEnabled(true);
    m_btnLoad->SetEnabled(true);
    if (window::Button* repeat = Window().GetButton(res::REPEAT_TOGGLE)) {
        repeat->SetEnabled(true);
    }
    m_sbPosition->SetEnabled(true);

    if (auto path = FindTrackListFile(m_cdKey); path && ReadTrackList(*path)) {
        return;
    }
    ShowDefaultTrackList();
}

void CPlayerDlg::ShowDefaultTrackList() {
    tracklist::CdAudioDiscFacts disc(m_cd);
    const tracklist::TrackList list =
        tracklist::MakeDefaultTrackList(disc, m_cdKey, m_ports.discNames.CurrentDiscNames());
    AppendRows(list.rows);
    m_edAlbum->SetText(list.album);
    m_edAlbum->SetModify(false);
    m_edArtist->SetText(list.artist);
    m_edArtist->SetModify(false);
    // Typing replaces the placeholder name at once.
    m_edAlbum->SetFocus();
    m_edAlbum->SelectAll();
    ShowTitle(tracklist::TrackListTitle(DiscLengthText(), list.album));
}

bool CPlayerDlg::ReadTrackList(const std::filesystem::path& path) {
    tracklist::CdAudioDiscFacts disc(m_cd);
    tracklist::TrackListReadResult result = tracklist::ReadTrackList(path, disc);
    if (!result.list) {
        return false;
    }
    ShowTrackList(result, path);
    return true;
}

void CPlayerDlg::ShowTrackList(const tracklist::TrackListReadResult& read,
                               const std::filesystem::path& path) {
    const tracklist::TrackList& list = *read.list;
    // Another disc's list is taken all the same, and offered for saving later.
    if (list.cdKey != m_cdKey) {
        m_modified = true;
    }
    m_edAlbum->SetText(list.album);
    m_edAlbum->SetModify(false);
    ShowTitle(tracklist::TrackListTitle(DiscLengthText(), list.album));
    m_edArtist->SetText(list.artist);
    m_edArtist->SetModify(false);
    AppendRows(list.rows);
    m_trackListPath = path.string();
    m_unshownLines = read.unshownLines;
}

bool CPlayerDlg::WriteTrackList(const std::filesystem::path& path) {
    if (tracklist::WriteTrackList(path, CurrentTrackList())) {
        Window().ShowMessageBox(tracklist::WRITE_FAILED_MESSAGE, window::MessageBoxButtons::OK);
        return false;
    }
    m_modified = false;
    m_unshownLines.clear();
    return true;
}

bool CPlayerDlg::MayReplaceUnshownLines() {
    if (m_unshownLines.empty()) {
        return true;
    }
    std::string lines;
    for (const int line : m_unshownLines) {
        lines += (lines.empty() ? "" : ", ") + std::to_string(line);
    }
    const std::string question = m_trackListPath + " holds lines that name no track (" +
                                 (m_unshownLines.size() == 1 ? "line " : "lines ") + lines +
                                 "). This list cannot show them, and saving will replace the "
                                 "file without them. Save anyway?";
    return Window().ShowMessageBox(question, window::MessageBoxButtons::YES_NO) ==
           window::MessageBoxAnswer::YES;
}

std::optional<std::filesystem::path> CPlayerDlg::FindTrackListFile(std::int32_t key) {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::current_path(error);
    if (error) {
        folder = ".";
    }
    return tracklist::FindTrackListFile(folder, key);
}

tracklist::TrackList CPlayerDlg::CurrentTrackList() {
    return {m_cdKey, m_edAlbum->Text(), m_edArtist->Text(), ListRows()};
}

void CPlayerDlg::OnLoadTracks() {
    // Without a disc there is no list to read a file into.
    if (m_cdKey == -1) {
        return;
    }
    SelectEditRow(-1, false);
    const unsigned list = m_listGeneration;
    if (m_modified && Window().ShowMessageBox("OK to lose unsaved changes in this tracklist?",
                                              window::MessageBoxButtons::YES_NO) !=
                          window::MessageBoxAnswer::YES) {
        return;
    }
    if (!IsSameList(list)) {
        return;
    }
    const std::optional<std::string> chosen = ChooseTrackListFile(window::FileDialogKind::OPEN);
    if (!chosen || !IsSameList(list)) {
        return;
    }
    // The file is read before the list is emptied, so that a file that
    // cannot be read leaves the list as it was.
    tracklist::CdAudioDiscFacts disc(m_cd);
    tracklist::TrackListReadResult result = tracklist::ReadTrackList(*chosen, disc);
    if (!result.list) {
        Window().ShowMessageBox("Couldn't read " + *chosen, window::MessageBoxButtons::OK);
        return;
    }
    m_list->DeleteAllItems();
    m_modified = false;
    ShowTrackList(result, *chosen);
    SelectEditRow(0, false);
    SetCurrentRow(-1);
}

void CPlayerDlg::OnSaveTracks() {
    if (m_modified) {
        SaveTrackListWithPrompt();
    }
}

void CPlayerDlg::SaveTrackListWithPrompt() {
    // A list belongs to a disc: none is ever written without one's key.
    if (m_cdKey == -1) {
        return;
    }
    // After every box the list must still be the one the user was asked about.
    const unsigned list = m_listGeneration;
    if (!m_trackListPath.empty()) {
        if (Window().ShowMessageBox("Save changes to " + m_trackListPath + " ?",
                                    window::MessageBoxButtons::YES_NO) !=
                window::MessageBoxAnswer::YES ||
            !IsSameList(list)) {
            return;
        }
        if (!MayReplaceUnshownLines() || !IsSameList(list)) {
            return;
        }
        if (WriteTrackList(m_trackListPath) || !IsSameList(list)) {
            return;
        }
    } else if (Window().ShowMessageBox("Do you want to save this tracklist?",
                                       window::MessageBoxButtons::YES_NO) !=
                   window::MessageBoxAnswer::YES ||
               !IsSameList(list)) {
        return;
    }
    // Until a write succeeds or the user gives up.
    while (true) {
        const std::optional<std::string> chosen = ChooseTrackListFile(window::FileDialogKind::SAVE);
        if (!chosen || !IsSameList(list)) {
            return;
        }
        if (*chosen != m_trackListPath) {
            m_unshownLines.clear();
        }
        m_trackListPath = *chosen;
        if (!MayReplaceUnshownLines() || !IsSameList(list)) {
            return;
        }
        if (WriteTrackList(m_trackListPath) || !IsSameList(list)) {
            return;
        }
    }
}

std::optional<std::string> CPlayerDlg::ChooseTrackListFile(window::FileDialogKind kind) {
    char suggestion[SUGGESTED_NAME_SIZE];
    MakeFileNameFromAlbum(suggestion);
    return Window().ShowFileDialog(
        {kind, TRACK_LIST_FILTER, TRACK_LIST_EXTENSION, TextOfBuffer(suggestion)});
}

void CPlayerDlg::MakeFileNameFromAlbum(std::span<char> buffer) {
    if (buffer.empty()) {
        return;
    }
    const std::string album = m_edAlbum->Text();
    const std::size_t looked = std::min(album.size(), buffer.size() - 1);
    std::size_t written = 0;
    for (std::size_t index = 0; index < looked; ++index) {
        if (IsFileNameCharacter(album[index])) {
            buffer[written++] = album[index];
        }
    }
    buffer[written] = '\0';
}

}  // namespace corvid::ui
