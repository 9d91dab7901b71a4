#include <array>

#include "res/ControlIds.h"
#include "ui/PlayerDlg.h"

namespace corvid::ui {

namespace {

using window::BN_CLICKED;
using window::EN_CHANGE;
using window::NC_NONE;
using Entry = MessageMapEntry<CPlayerDlg>;

// The player window's dispatch table; the first matching entry handles a
// message, and the rest goes to the default handling.
constexpr std::array PLAYER_MESSAGE_MAP = {
    Entry{window::WM_SYSCOMMAND, NC_NONE, 0, &CallHandler<&CPlayerDlg::OnSysCommand, CPlayerDlg>},
    Entry{window::WM_CLOSE, NC_NONE, 0, &CallHandler<&CPlayerDlg::OnClose, CPlayerDlg>},
    Entry{window::WM_TIMER, NC_NONE, 0, &CallHandler<&CPlayerDlg::OnTimer, CPlayerDlg>},
    Entry{window::WM_COMMAND, BN_CLICKED, res::PLAY_STOP_BUTTON,
          &CallHandler<&CPlayerDlg::OnPlayStop, CPlayerDlg>},
    Entry{window::WM_COMMAND, BN_CLICKED, res::EJECT_BUTTON,
          &CallHandler<&CPlayerDlg::OnEject, CPlayerDlg>},
    Entry{window::WM_COMMAND, BN_CLICKED, res::INJECT_BUTTON,
          &CallHandler<&CPlayerDlg::OnInject, CPlayerDlg>},
    Entry{window::WM_COMMAND, BN_CLICKED, res::IDOK, &CallHandler<&CPlayerDlg::OnOK, CPlayerDlg>},
    Entry{window::WM_HSCROLL, NC_NONE, 0, &CallHandler<&CPlayerDlg::OnHScroll, CPlayerDlg>},
    Entry{window::WM_COMMAND, BN_CLICKED, res::PREVIOUS_TRACK_BUTTON,
          &CallHandler<&CPlayerDlg::OnPrevTrack, CPlayerDlg>},
    Entry{window::WM_COMMAND, BN_CLICKED, res::NEXT_TRACK_BUTTON,
          &CallHandler<&CPlayerDlg::OnNextTrack, CPlayerDlg>},
    Entry{window::WM_DESTROY, NC_NONE, 0, &CallHandler<&CPlayerDlg::OnDestroy, CPlayerDlg>},
    Entry{window::WM_COMMAND, EN_CHANGE, res::ALBUM_EDIT,
          &CallHandler<&CPlayerDlg::UpdateTitle, CPlayerDlg>},
    Entry{window::WM_COMMAND, BN_CLICKED, res::LOAD_TRACKS_BUTTON,
          &CallHandler<&CPlayerDlg::OnLoadTracks, CPlayerDlg>},
    Entry{window::WM_COMMAND, BN_CLICKED, res::SAVE_TRACKS_BUTTON,
          &CallHandler<&CPlayerDlg::OnSaveTracks, CPlayerDlg>},
    Entry{window::WM_COMMAND, BN_CLICKED, res::REPEAT_TOGGLE,
          &CallHandler<&CPlayerDlg::OnRepeat, CPlayerDlg>},
    Entry{window::MM_MCINOTIFY, NC_NONE, 0, &CallHandler<&CPlayerDlg::OnMciNotify, CPlayerDlg>},
};

}  // namespace

window::MessageResult CPlayerDlg::Dispatch(const window::MessageParams& message) {
    return DispatchMessage<CPlayerDlg>(PLAYER_MESSAGE_MAP, *this, message);
}

}  // namespace corvid::ui
