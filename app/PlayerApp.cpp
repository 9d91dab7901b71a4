#include "app/PlayerApp.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "ui/PlayerDlg.h"

namespace corvid::app {
namespace {

// The screen colour count that stands for more than 256 colours.
constexpr int MORE_THAN_256_COLORS = -1;

constexpr std::uint32_t ColorRef(window::Color color) {
    return color.red | (static_cast<std::uint32_t>(color.green) << 8) |
           (static_cast<std::uint32_t>(color.blue) << 16);
}

static_assert(ColorRef(DIALOG_BACKGROUND_COLOR) == 11847860);
static_assert(ColorRef(DIALOG_TEXT_COLOR) == 12800);

}  // namespace

const CPlayerApp::CommandEntry CPlayerApp::COMMAND_MAP[] = {
    {ID_HELP, &CPlayerApp::OnHelp},
};

CPlayerApp::CPlayerApp(AppPorts ports) : m_ports(std::move(ports)) {}

CPlayerApp::~CPlayerApp() = default;

bool CPlayerApp::InitInstance() {
    m_instanceLock = SingleInstanceGuard::Acquire(m_ports.lockPlaces);
    if (m_instanceLock->Role() == InstanceRole::AlreadyRunning) {
        return false;
    }
    Enable3dControlsStatic();
    SetDialogColorsForScreen();
    RunPlayerWindow();
    m_exitCode = 0;
    return false;
}

bool CPlayerApp::OnCommand(int commandId) {
    const auto* entry = std::find_if(
        std::begin(COMMAND_MAP), std::end(COMMAND_MAP),
        [commandId](const CommandEntry& candidate) { return candidate.commandId == commandId; });
    if (entry == std::end(COMMAND_MAP)) {
        return false;
    }
    (this->*(entry->handler))();
    return true;
}

void CPlayerApp::SetDialogColorsForScreen() {
    if (m_ports.windows.ScreenColorCount() != MORE_THAN_256_COLORS) {
        return;
    }
    m_ports.windows.SetDialogColors(DIALOG_BACKGROUND_COLOR, DIALOG_TEXT_COLOR);
}

void CPlayerApp::RunPlayerWindow() {
    const std::unique_ptr<PlayerSession> session = m_ports.makeSession();
    ui::CPlayerDlg dialog(session->Ports());
    m_pMainWnd = &dialog;
    // Closed by the user or ended because the device did not open: the same
    // steps follow either way.
    static_cast<void>(dialog.DoModal());
    m_pMainWnd = nullptr;
}

}  // namespace corvid::app
