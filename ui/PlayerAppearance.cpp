#include "res/ControlIds.h"
#include "res/StringTable.h"
#include "ui/AboutDlg.h"
#include "ui/PlayerDlg.h"

namespace corvid::ui {

namespace {

// The window manager's commands carry flags in their low four bits.
constexpr int SYSTEM_COMMAND_MASK = 0xFFF0;
// The compact window shows everything above the track list.
constexpr int COMPACT_HEIGHT_REDUCTION = 331;
constexpr int ICON_SIZE = 32;

}  // namespace

window::MessageResult CPlayerDlg::OnSysCommand(const window::MessageParams& message) {
    switch (message.systemCommand & SYSTEM_COMMAND_MASK) {
        case res::IDM_ABOUTBOX:
            OnAbout();
            return 0;
        case res::IDM_FINDNAMES:
            OnFindNames();
            return 0;
        case window::SC_MINIMIZE:
            m_minimized = true;
            break;
        case window::SC_RESTORE:
            m_minimized = false;
            UpdateTitle();
            break;
        case window::SC_MAXIMIZE:
            // The window is never maximized: the command toggles compact mode.
            m_minimized = false;
            ToggleCompactMode();
            UpdateTitle();
            return 0;
        default:
            break;
    }
    Window().DefaultSystemCommand(message.systemCommand);
    return 0;
}

void CPlayerDlg::ToggleCompactMode() {
    window::DialogWindow& window = Window();
    int targetHeight = m_windowHeight;
    if (m_compact) {
        window.SetToolWindow(false);
        window.SetTopmost(false);
        m_compact = false;
    } else {
        window.SetToolWindow(true);
        window.SetTopmost(true);
        targetHeight = m_windowHeight - COMPACT_HEIGHT_REDUCTION;
        m_compact = true;
    }
    const window::Size size = window.OuterSize();
    if (size.height != targetHeight) {
        window.SetOuterSize({size.width, targetHeight});
        window.Invalidate();
    }
}

void CPlayerDlg::OnAbout() {
    CAboutDlg about(Windows());
    about.DoModal(&Window());
}

window::MessageResult CPlayerDlg::OnPaint(const window::MessageParams& message) {
    if (!Window().IsMinimized() || message.painter == nullptr) {
        return std::nullopt;
    }
    // Window managers draw a minimized window from its icon.
    Window().SetIcon(m_hIcon, window::IconSize::BIG);
    const window::Size size = Window().OuterSize();
    message.painter->DrawIcon(
        m_hIcon, {(size.width - ICON_SIZE + 1) / 2, (size.height - ICON_SIZE + 1) / 2});
    return 0;
}

window::MessageResult CPlayerDlg::OnQueryDragIcon(const window::MessageParams& message) {
    static_cast<void>(message);
    return m_hIcon;
}

window::MessageResult CPlayerDlg::OnEraseBkgnd(const window::MessageParams& message) {
    if (message.painter == nullptr) {
        return std::nullopt;
    }
    message.painter->DrawBitmap(res::BACKGROUND_BITMAP_ID, {0, 0});
    return 1;
}

window::MessageResult CPlayerDlg::OnToolTipNeedText(const window::MessageParams& message) {
    if (message.toolTip == nullptr || message.controlId == 0) {
        return 0;
    }
    // A control's tip is the string under its own id; without one, no tip.
    message.toolTip->text = std::string(res::LoadString(message.controlId).value_or(""));
    return 1;
}

}  // namespace corvid::ui
