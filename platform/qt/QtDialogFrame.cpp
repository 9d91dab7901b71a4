#include <QContextMenuEvent>
#include <QWindowStateChangeEvent>

#include "platform/qt/QtDialog.h"

// The dialog's dealings with the window manager: title, icon, window menu,
// size, flags and the window states.
namespace corvid::window::qt {

void QtDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // Our own changes come as plain events; the window manager's come from
    // the platform, which also echoes ours some time later. The state is
    // judged once the queued reports are through, so an echo never reads as a
    // command.
    if (event->type() == QEvent::WindowStateChange && event->spontaneous() && !settlePending) {
        settlePending = true;
        QMetaObject::invokeMethod(
            this, [this] { SettleWindowState(); }, Qt::QueuedConnection);
    }
}

void QtDialog::SetOwnWindowState(Qt::WindowStates state) {
    knownState = state & (Qt::WindowMinimized | Qt::WindowMaximized);
    setWindowState(state);
}

void QtDialog::SettleWindowState() {
    settlePending = false;
    const Qt::WindowStates now = windowState();
    const Qt::WindowStates before = knownState;
    if (now & Qt::WindowMaximized) {
        // The window is never maximized: the command is the handler's.
        SetOwnWindowState(now & ~Qt::WindowMaximized);
        SendSystemCommand(SC_MAXIMIZE);
        return;
    }
    knownState = now & Qt::WindowMinimized;
    if ((now & Qt::WindowMinimized) && !(before & Qt::WindowMinimized)) {
        SendSystemCommand(SC_MINIMIZE);
    } else if (!(now & Qt::WindowMinimized) && (before & Qt::WindowMinimized)) {
        SendSystemCommand(SC_RESTORE);
    }
}

void QtDialog::contextMenuEvent(QContextMenuEvent* event) {
    if (windowMenu.actions().isEmpty()) {
        event->ignore();
        return;
    }
    windowMenu.popup(event->globalPos());
}

void QtDialog::AddMenuCommand(int commandId, std::string_view text) {
    if (text.empty()) {
        windowMenu.addSeparator();
        return;
    }
    QAction* action = windowMenu.addAction(FromUtf8(text));
    connect(action, &QAction::triggered, this, [this, commandId] { SendSystemCommand(commandId); });
}

void QtDialog::SetTitle(std::string_view title) {
    setWindowTitle(FromUtf8(title));
}

std::string QtDialog::Title() const {
    return ToUtf8(windowTitle());
}

void QtDialog::SetIcon(int iconId, IconSize size) {
    const int pixels = size == IconSize::BIG ? BIG_ICON_PIXELS : SMALL_ICON_PIXELS;
    QIcon& slot = size == IconSize::BIG ? bigIcon : smallIcon;
    slot = QIcon(environment.images.Icon(iconId, pixels));
    QIcon both;
    for (const QIcon* icon : {&smallIcon, &bigIcon}) {
        for (const QSize& available : icon->availableSizes()) {
            both.addPixmap(icon->pixmap(available));
        }
    }
    setWindowIcon(both);
}

QMargins QtDialog::Frame() const {
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    return QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                    outer.right() - inner.right(), outer.bottom() - inner.bottom());
}

// The frame is taken as it was first measured: a size read before the window
// manager framed the window must set the same client size later.
Size QtDialog::OuterSize() const {
    if (!measuredFrame) {
        measuredFrame = Frame();
    }
    const QSize outer = size().grownBy(*measuredFrame);
    return Size{outer.width(), outer.height()};
}

void QtDialog::SetOuterSize(Size outer) {
    if (!measuredFrame) {
        measuredFrame = Frame();
    }
    const QSize client = QSize(outer.width, outer.height).shrunkBy(*measuredFrame);
    SetFixedClientSize(client.expandedTo(QSize(1, 1)));
}

void QtDialog::SetFixedClientSize(QSize client) {
    setFixedSize(client);
}

void QtDialog::ChangeFlags(Qt::WindowFlags flags) {
    if (flags == windowFlags()) {
        return;
    }
    const bool wasVisible = isVisible();
    const QPoint position = pos();
    setWindowFlags(flags);
    move(position);
    if (wasVisible) {
        show();
    }
}

void QtDialog::SetTopmost(bool topmost) {
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, topmost);
    ChangeFlags(flags);
}

void QtDialog::SetToolWindow(bool toolWindow) {
    const Qt::WindowFlags hints = windowFlags() & ~Qt::WindowType_Mask;
    ChangeFlags((toolWindow ? Qt::Tool : normalType) | hints);
}

void QtDialog::Minimize() {
    SetOwnWindowState((windowState() & ~Qt::WindowMaximized) | Qt::WindowMinimized);
}

void QtDialog::Restore() {
    SetOwnWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
}

bool QtDialog::IsMinimized() const {
    return isMinimized();
}

void QtDialog::DefaultSystemCommand(int command) {
    switch (command & 0xFFF0) {
        case SC_MINIMIZE:
            Minimize();
            break;
        case SC_RESTORE:
            Restore();
            break;
        case SC_CLOSE: {
            MessageParams close;
            close.message = WM_CLOSE;
            Send(close);
            break;
        }
        default:
            // SC_MAXIMIZE included: a fixed-size window stays as it is.
            break;
    }
}

}  // namespace corvid::window::qt
