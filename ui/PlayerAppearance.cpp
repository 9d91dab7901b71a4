#include "ui/PlayerDlg.h"

namespace corvid::ui {

namespace {

// The window manager's commands carry flags in their low four bits.
constexpr int SYSTEM_COMMAND_MASK = 0xFFF0;

}  // namespace

window::MessageResult CPlayerDlg::OnSysCommand(const window::MessageParams& message) {
    const int command = message.systemCommand & SYSTEM_COMMAND_MASK;
    switch (command) {
        case window::SC_MINIMIZE:
            m_minimized = true;
            break;
        case window::SC_RESTORE:
            m_minimized = false;
            UpdateTitle();
            break;
        default:
            break;
    }
    Window().DefaultSystemCommand(message.systemCommand);
    return 0;
}

}  // namespace corvid::ui
