#include <array>

#include "res/ControlIds.h"
#include "ui/PlayerDlg.h"

namespace corvid::ui {

namespace {

using window::BN_CLICKED;
using window::EN_CHANGE;
using window::NC_NONE;
using window::NM_CLICK;
using window::NM_DBLCLK;
using window::UDN_DELTAPOS;
using window::WM_COMMAND;
using window::WM_NOTIFY;
using Entry = MessageMapEntry<CPlayerDlg>;

template <auto Method>
constexpr auto Handler = &CallHandler<Method, CPlayerDlg>;

// The player window's dispatch table; the first matching entry handles a
// message, and the rest goes to the default handling.
constexpr std::array PLAYER_MESSAGE_MAP = {
    Entry{window::WM_SYSCOMMAND, NC_NONE, 0, Handler<&CPlayerDlg::OnSysCommand>},
    Entry{window::WM_PAINT, NC_NONE, 0, Handler<&CPlayerDlg::OnPaint>},
    Entry{window::WM_QUERYDRAGICON, NC_NONE, 0, Handler<&CPlayerDlg::OnQueryDragIcon>},
    Entry{window::WM_CLOSE, NC_NONE, 0, Handler<&CPlayerDlg::OnClose>},
    Entry{WM_NOTIFY, NM_CLICK, res::TRACK_LIST, Handler<&CPlayerDlg::OnClickTrackList>},
    Entry{WM_NOTIFY, NM_DBLCLK, res::TRACK_LIST, Handler<&CPlayerDlg::OnDblClickTrackList>},
    Entry{WM_NOTIFY, window::NM_RETURN, res::TRACK_LIST, Handler<&CPlayerDlg::OnReturnTrackList>},
    Entry{window::WM_TIMER, NC_NONE, 0, Handler<&CPlayerDlg::OnTimer>},
    Entry{WM_COMMAND, BN_CLICKED, res::DELETE_SUBTRACK_BUTTON,
          Handler<&CPlayerDlg::OnDeleteSubtrack>},
    Entry{WM_COMMAND, BN_CLICKED, res::INSERT_SUBTRACK_BUTTON,
          Handler<&CPlayerDlg::OnInsertSubtrack>},
    Entry{WM_COMMAND, BN_CLICKED, res::PLAY_STOP_BUTTON, Handler<&CPlayerDlg::OnPlayStop>},
    Entry{WM_COMMAND, BN_CLICKED, res::EJECT_BUTTON, Handler<&CPlayerDlg::OnEject>},
    Entry{WM_COMMAND, BN_CLICKED, res::INJECT_BUTTON, Handler<&CPlayerDlg::OnInject>},
    Entry{WM_COMMAND, BN_CLICKED, res::IDOK, Handler<&CPlayerDlg::OnOK>},
    Entry{window::WM_HSCROLL, NC_NONE, 0, Handler<&CPlayerDlg::OnHScroll>},
    Entry{WM_COMMAND, BN_CLICKED, res::PREVIOUS_TRACK_BUTTON, Handler<&CPlayerDlg::OnPrevTrack>},
    Entry{WM_COMMAND, BN_CLICKED, res::NEXT_TRACK_BUTTON, Handler<&CPlayerDlg::OnNextTrack>},
    Entry{window::WM_DESTROY, NC_NONE, 0, Handler<&CPlayerDlg::OnDestroy>},
    Entry{WM_COMMAND, EN_CHANGE, res::ALBUM_EDIT, Handler<&CPlayerDlg::UpdateTitle>},
    Entry{WM_COMMAND, EN_CHANGE, res::ARTIST_EDIT, Handler<&CPlayerDlg::OnChangeArtist>},
    Entry{WM_COMMAND, BN_CLICKED, res::UPDATE_BUTTON, Handler<&CPlayerDlg::OnUpdateRow>},
    Entry{WM_COMMAND, BN_CLICKED, res::LOAD_TRACKS_BUTTON, Handler<&CPlayerDlg::OnLoadTracks>},
    Entry{WM_NOTIFY, UDN_DELTAPOS, res::MINUTE_SPIN, Handler<&CPlayerDlg::OnDeltaPosMinute>},
    Entry{WM_NOTIFY, UDN_DELTAPOS, res::SECOND_SPIN, Handler<&CPlayerDlg::OnDeltaPosSecond>},
    Entry{WM_NOTIFY, UDN_DELTAPOS, res::FRAME_SPIN, Handler<&CPlayerDlg::OnDeltaPosFrame>},
    Entry{WM_COMMAND, EN_CHANGE, res::MINUTE_EDIT, Handler<&CPlayerDlg::OnChangeMinute>},
    Entry{WM_COMMAND, EN_CHANGE, res::SECOND_EDIT, Handler<&CPlayerDlg::OnChangeSecond>},
    Entry{WM_COMMAND, EN_CHANGE, res::FRAME_EDIT, Handler<&CPlayerDlg::OnChangeFrame>},
    Entry{WM_COMMAND, BN_CLICKED, res::ABOUT_BUTTON, Handler<&CPlayerDlg::OnAbout>},
    Entry{window::WM_ERASEBKGND, NC_NONE, 0, Handler<&CPlayerDlg::OnEraseBkgnd>},
    Entry{WM_NOTIFY, UDN_DELTAPOS, res::VOLUME_SPIN, Handler<&CPlayerDlg::OnDeltaPosVolume>},
    Entry{WM_COMMAND, BN_CLICKED, res::SAVE_TRACKS_BUTTON, Handler<&CPlayerDlg::OnSaveTracks>},
    Entry{WM_COMMAND, BN_CLICKED, res::REPEAT_TOGGLE, Handler<&CPlayerDlg::OnRepeat>},
    Entry{window::MM_MCINOTIFY, NC_NONE, 0, Handler<&CPlayerDlg::OnMciNotify>},
    Entry{WM_NOTIFY, window::TTN_NEEDTEXT, ANY_CONTROL, Handler<&CPlayerDlg::OnToolTipNeedText>},
};

}  // namespace

window::MessageResult CPlayerDlg::Dispatch(const window::MessageParams& message) {
    return DispatchMessage<CPlayerDlg>(PLAYER_MESSAGE_MAP, *this, message);
}

}  // namespace corvid::ui
