#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cdaudio/MciPort.h"

namespace corvid::window {

class Painter;

// The messages an adapter delivers to a dialog's handler, named as the
// dialog's dispatch table names them. All are delivered on the window's
// thread, one at a time; a handler may open a nested modal loop (a message
// box, a file dialog) during which further messages, timer ticks included,
// are delivered.
enum Message : std::uint8_t {
    WM_SYSCOMMAND,     // a window-manager command: systemCommand
    WM_PAINT,          // painter is set
    WM_QUERYDRAGICON,  // the result is the icon id to show while minimized
    WM_CLOSE,          // the close box, Alt+F4 or the window manager's close
    WM_NOTIFY,         // a notice from a list or up-down: code, controlId
    WM_TIMER,          // timerId
    WM_COMMAND,        // a notice from a button or edit: code, controlId
    WM_HSCROLL,        // a horizontal scroll bar: scrollCode, thumbPosition, controlId
    WM_DESTROY,        // the window is about to go; controls still exist
    WM_ERASEBKGND,     // painter is set
    MM_MCINOTIFY,      // a play-completion notice: mciCode
};

// The notice codes of WM_COMMAND and WM_NOTIFY.
enum NotifyCode : std::uint8_t {
    NC_NONE,
    BN_CLICKED,    // a button was clicked (a check box after its state changed)
    EN_CHANGE,     // an edit's text changed, by typing or by the program
    NM_CLICK,      // a click in a list view
    NM_DBLCLK,     // a double click in a list view
    UDN_DELTAPOS,  // an up-down proposes a change: upDown; a result of 1 refuses it
    TTN_NEEDTEXT,  // a tooltip asks for its text: toolTip
    NM_RETURN,     // a list view's selected row taken by the keyboard (Space or Enter)
};

// Scroll codes of WM_HSCROLL, numbered as Windows numbers them.
enum ScrollCode : std::uint8_t {
    SB_LINELEFT = 0,
    SB_LINERIGHT = 1,
    SB_PAGELEFT = 2,
    SB_PAGERIGHT = 3,
    SB_THUMBPOSITION = 4,  // the thumb was released at thumbPosition
    SB_THUMBTRACK = 5,     // the thumb is being dragged, now at thumbPosition
    SB_LEFT = 6,
    SB_RIGHT = 7,
    SB_ENDSCROLL = 8,
};

// Window-manager commands of WM_SYSCOMMAND; other values are commands the
// dialog added to its window menu (AddMenuCommand).
enum SystemCommand : int {
    SC_MINIMIZE = 0xF020,
    SC_MAXIMIZE = 0xF030,
    SC_CLOSE = 0xF060,
    SC_RESTORE = 0xF120,
};

// Dialog results and the command ids of Enter and Escape.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// The proposal of an up-down control: its position now and the step.
struct UpDownDelta {
    int position = 0;
    int delta = 0;
};

// A tooltip's question: the handler writes the text, or leaves it empty for
// no tip.
struct ToolTipRequest {
    std::string text;
};

struct MessageParams {
    Message message = WM_COMMAND;
    NotifyCode code = NC_NONE;
    int controlId = 0;
    int timerId = 0;
    ScrollCode scrollCode = SB_ENDSCROLL;
    int thumbPosition = 0;
    int systemCommand = 0;
    UpDownDelta upDown;
    MciNotifyCode mciCode = MciNotifyCode::Successful;
    ToolTipRequest* toolTip = nullptr;  // set for TTN_NEEDTEXT
    Painter* painter = nullptr;         // set for WM_PAINT and WM_ERASEBKGND
};

// What a handler gives back. None means the dialog did not handle the
// message, and the adapter applies its default handling: WM_CLOSE becomes the
// IDCANCEL command, WM_SYSCOMMAND carries out the window-manager command,
// IDOK and IDCANCEL end the dialog with their own code, WM_ERASEBKGND fills
// the background with the dialog colour; everything else is dropped.
using MessageResult = std::optional<std::intptr_t>;

}  // namespace corvid::window
