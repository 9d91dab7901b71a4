#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cdaudio/CdAudio.h"
#include "names/LookupOutcome.h"
#include "tracklist/TrackList.h"
#include "tracklist/TrackListFile.h"
#include "ui/Dialog.h"
#include "ui/NotifyRelay.h"
#include "ui/PlayerPorts.h"
#include "ui/WindowMessages.h"

namespace corvid::ui {

// The status field's text while the disc's names are looked up online.
inline constexpr std::string_view LOOKING_UP_NAMES_TEXT = "Looking up names...";

// The player window: the program's one main window, alive for the whole run.
// It owns the CD audio device and shows the disc's track list, whose rows are
// the rows of its list view. Everything runs on the window's thread; the two
// flags m_inTick and m_inRefresh keep the timer and the mode refresh from
// running inside themselves through nested modal loops.
//
// The handlers are split across files by concern: PlayerWindow.cpp (set-up,
// title, clearing the disc, closing), PlayerStatus.cpp (the timer, the mode
// refresh, the position display and seeking), PlayerTransport.cpp (the
// transport buttons and the editor's row), PlayerTrackLists.cpp (loading and
// saving), PlayerEditing.cpp (the editor below the list and the volume
// spinner), PlayerRows.cpp (the rows of the list view),
// PlayerAppearance.cpp (the window manager's commands) and PlayerNames.cpp
// (the disc's names found online).
class CPlayerDlg : public Dialog {
  public:
    explicit CPlayerDlg(PlayerPorts ports);
    ~CPlayerDlg() override = default;
    CPlayerDlg(const CPlayerDlg&) = delete;
    CPlayerDlg& operator=(const CPlayerDlg&) = delete;
    CPlayerDlg(CPlayerDlg&&) = delete;
    CPlayerDlg& operator=(CPlayerDlg&&) = delete;

    int DoModal() { return Dialog::DoModal(nullptr); }

    // The window's state, read by tests and by the next layers.
    [[nodiscard]] const CCdAudio& Device() const { return m_cd; }
    [[nodiscard]] std::int32_t CdKey() const { return m_cdKey; }
    [[nodiscard]] bool IsModified() const { return m_modified; }
    [[nodiscard]] int CurrentRow() const { return m_currentRow; }
    [[nodiscard]] int EditRow() const { return m_editRow; }
    [[nodiscard]] const std::string& TrackListPath() const { return m_trackListPath; }
    [[nodiscard]] int LastMode() const { return m_lastMode; }
    [[nodiscard]] bool IsCompact() const { return m_compact; }
    // Set by the minimize command: the ticks then write the position into the
    // title and leave the list alone.
    [[nodiscard]] bool ShowsPositionInTitle() const { return m_minimized; }
    // 0 right after a tick that asked the drive.
    [[nodiscard]] int TicksSinceRefresh() const { return m_tickCount; }

    // What the window shows, read by the desktop's media controls. The rows,
    // texts and controls are only there while the window is shown.
    [[nodiscard]] bool IsShown() const { return HasWindow(); }
    [[nodiscard]] PositionParts PositionShown() const {
        return {m_posTrack, m_posMin, m_posSec, m_posFrame};
    }
    [[nodiscard]] bool IsSeeking() const { return m_seeking; }
    // Changes whenever the disc's list is loaded or cleared.
    [[nodiscard]] unsigned ListGeneration() const { return m_listGeneration; }
    [[nodiscard]] int RowCount() const { return m_list->ItemCount(); }
    [[nodiscard]] tracklist::TrackListRow RowAt(int row) const;
    [[nodiscard]] std::string AlbumText() const { return m_edAlbum->Text(); }
    [[nodiscard]] std::string ArtistText() const { return m_edArtist->Text(); }
    [[nodiscard]] bool IsControlEnabled(int controlId) const;
    // Moves whenever a control may show something new.
    [[nodiscard]] std::uint64_t ControlChanges() const { return Window().ChangeCount(); }
    // These ask the drive and the volume line, as the handlers do.
    [[nodiscard]] CdMode DriveMode() { return m_cd.GetMode(); }
    [[nodiscard]] LengthParts TrackLengthOf(int track);
    [[nodiscard]] unsigned CdVolume() { return m_cd.GetVolume(); }

    // Window.
    bool OnInitDialog() override;
    void DoDataExchange(DataExchange& exchange) override;
    void UpdateTitle();
    void SetPositionRange(int seconds);
    void ForgetDisc();
    void OnClose();
    void OnDestroy();
    void OnOK() override;
    void OnCancel() override;

    // Appearance and system commands.
    window::MessageResult OnSysCommand(const window::MessageParams& message);
    window::MessageResult OnPaint(const window::MessageParams& message);
    window::MessageResult OnQueryDragIcon(const window::MessageParams& message);
    window::MessageResult OnEraseBkgnd(const window::MessageParams& message);
    window::MessageResult OnToolTipNeedText(const window::MessageParams& message);
    void OnAbout();

    // Names online.
    void OnFindNames();

    // Status polling and display.
    void OnTimer();
    void RefreshMode();
    void EnablePrevNext();
    void AdvancePosition(int frames);
    void ReadPosition();
    int FindRowForPosition(std::string_view position);
    void SetCurrentRow(int row);
    void ShowTrackLabel(bool playing);
    window::MessageResult OnHScroll(const window::MessageParams& message);
    void SetButtonState(CButton& button, std::string_view text, bool enabled);

    // Transport.
    void OnPlayStop();
    void OnEject();
    void OnInject();
    void OnPrevTrack();
    void OnNextTrack();
    void OnRepeat();
    window::MessageResult OnMciNotify(const window::MessageParams& message);
    void SelectEditRow(int row, bool play);
    void EnableEditFields(bool nameOn, bool timeOn);
    int GetSelectedRow();

    // Loading and saving.
    void LoadTrackListForDisc();
    void OnLoadTracks();
    void OnSaveTracks();
    void SaveTrackListWithPrompt();
    void MakeFileNameFromAlbum(std::span<char> buffer);
    bool ReadTrackList(const std::filesystem::path& path);
    bool WriteTrackList(const std::filesystem::path& path);
    std::optional<std::filesystem::path> FindTrackListFile(std::int32_t key);

    // Editing.
    window::MessageResult OnClickTrackList(const window::MessageParams& message);
    window::MessageResult OnDblClickTrackList(const window::MessageParams& message);
    // The keyboard's Space or Enter on the list: the selected row, as a click.
    void OnReturnTrackList();
    window::MessageResult OnDeltaPosMinute(const window::MessageParams& message);
    window::MessageResult OnDeltaPosSecond(const window::MessageParams& message);
    window::MessageResult OnDeltaPosFrame(const window::MessageParams& message);
    void OnChangeMinute();
    void OnChangeSecond();
    void OnChangeFrame();
    void OnUpdateRow();
    void OnInsertSubtrack();
    void OnDeleteSubtrack();
    void OnChangeArtist();
    // The volume spinner.
    window::MessageResult OnDeltaPosVolume(const window::MessageParams& message);

    // Rows.
    std::int32_t GetRowKey(int row);
    void SetRowState(int row, std::uint32_t states, bool on);
    void SetRowIcon(int row, bool current);
    void SetEditTime(int minutes, int seconds, int frames);

  protected:
    window::MessageResult Dispatch(const window::MessageParams& message) override;

  private:
    // The rows of the list view as values, in list order.
    std::vector<tracklist::TrackListRow> ListRows();
    void AppendRows(std::span<const tracklist::TrackListRow> rows);
    // Puts a list read from a file into the window.
    void ShowTrackList(const tracklist::TrackListReadResult& read,
                       const std::filesystem::path& path);
    // Lines of the list's file that name no track are lost by a save over
    // it: whether the user agrees (asked only when the file has them).
    bool MayReplaceUnshownLines();
    void ShowDefaultTrackList();
    tracklist::TrackList CurrentTrackList();
    std::string DiscLengthText();
    void ShowTitleWithoutDisc();
    // Everything of the disc's list, once it has been offered for saving.
    void ClearDisc();
    // A question or a file dialog lets the timer run, and the disc may leave
    // or another come before it returns: whether the list a handler started
    // with is still the one shown.
    [[nodiscard]] bool IsSameList(unsigned generation) const {
        return m_cdKey != -1 && generation == m_listGeneration;
    }
    void ShowPositionInTitle();
    // The window's title and the position text, set only when they change.
    void ShowTitle(std::string_view title);
    void ShowPositionText(std::string_view text);
    void DrawPosition();
    void FollowPlay();
    void AdvanceSeek();
    void ShowMode(int mode);
    void ToggleCompactMode();
    // The file dialog of Load tracks and saving, with the album's suggestion.
    std::optional<std::string> ChooseTrackListFile(window::FileDialogKind kind);
    // The position, or its track's end when it lies past it: where a new
    // subtrack may start.
    std::string NoLaterThanTrackEnd(std::string_view position);
    // What a search for the disc's names ended with, for the list it began on.
    void TakeNamesFound(const names::LookupOutcome& outcome, unsigned list);
    // The one release of several that the user picks; the only one at once.
    std::optional<std::size_t> ChooseRelease(const std::vector<names::ReleaseNames>& releases);
    // Whether the user lets a list from a file, or with edits, take the release's names.
    bool MayReplaceNames(const names::ReleaseNames& release);
    void ApplyNames(const names::ReleaseNames& release);
    // Re-places the edit row, a subtrack, at its new start.
    void MoveEditRow(std::int32_t key, const std::string& start, const std::string& name);

    PlayerPorts m_ports;
    WindowMessages m_messages;
    NotifyRelay m_notifyRelay;

    // The controls, bound by DoDataExchange.
    CButton m_btnSave;
    CStatic m_stSubtrack;
    CStatic m_stStatus;
    CButton m_btnLoad;
    CEdit m_edFrame;
    CEdit m_edSec;
    CEdit m_edMin;
    CEdit m_edName;
    CButton m_btnUpdate;
    CSpinButtonCtrl m_spinFrame;
    CSpinButtonCtrl m_spinSec;
    CSpinButtonCtrl m_spinMin;
    CEdit m_edArtist;
    CEdit m_edAlbum;
    CButton m_btnPrev;
    CButton m_btnNext;
    CScrollBar m_sbPosition;
    CButton m_btnInject;
    CButton m_btnInsert;
    CButton m_btnDelete;
    CButton m_btnPlay;
    CButton m_btnEject;
    CStatic m_stTime;
    CListCtrl m_list;

    int m_repeat = 0;
    bool m_minimized = false;
    int m_hIcon = 0;
    // The row images 0 to 3, as icon resource ids.
    std::array<int, 4> m_imageList{};
    CCdAudio m_cd;
    int m_lastMode = CDMODE_INITIAL;
    std::int32_t m_cdKey = -1;
    std::string m_trackListPath;
    // What the title and the position text show now.
    std::string m_title;
    std::string m_positionText;
    // Row lines of that file that the list could not show (line numbers).
    std::vector<int> m_unshownLines;
    int m_currentRow = -1;
    int m_editRow = -1;
    int m_trackCount = 0;
    int m_posTrack = 0;
    int m_posMin = 0;
    int m_posSec = 0;
    int m_posFrame = 0;
    int m_lenMin = 0;
    int m_lenSec = 0;
    int m_lenFrame = 0;
    int m_windowWidth = 0;
    int m_windowHeight = 0;
    bool m_seeking = false;
    int m_seekTicks = 0;
    int m_tickCount = 0;
    bool m_inTick = false;
    bool m_inRefresh = false;
    bool m_modified = false;
    // Changes whenever the list is built for a disc or cleared.
    unsigned m_listGeneration = 0;
    bool m_compact = false;
    int m_seekTarget = 0;
};

}  // namespace corvid::ui
