#pragma once

#include <QAction>
#include <QDialog>
#include <QEventLoop>
#include <QMargins>
#include <QMenu>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <tuple>
#include <vector>

#include "platform/qt/QtControl.h"
#include "platform/qt/QtEnvironment.h"
#include "platform/window/WindowSystem.h"

namespace corvid::window::qt {

// Dynamic properties of the control widgets: their id, and on a buddy edit
// the id of the up-down its arrow keys drive.
inline constexpr const char* CONTROL_ID = "corvidControlId";
inline constexpr const char* UP_DOWN_OF_BUDDY = "corvidUpDownOfBuddy";

// A dialog's window on Qt: a QDialog built from a template, whose events
// become the handler's messages. The modal loop is its own QEventLoop rather
// than QDialog::exec, because changing the window flags (topmost, tool
// window) hides the window for a moment, and a hidden QDialog ends exec.
// A control of a dialog as its lookups find it.
struct IndexedControl {
    int id = 0;
    QtControl* control = nullptr;
    std::tuple<Button*, Edit*, StaticText*, ScrollBar*, UpDown*, ListView*> interfaces;
};

class QtDialog final : public QDialog, public DialogWindow, public ControlOwner {
  public:
    QtDialog(const DialogTemplate& layout, DialogHandler& handler, QtEnvironment& environment,
             QWidget* owner);
    QtDialog(const QtDialog&) = delete;
    QtDialog& operator=(const QtDialog&) = delete;
    ~QtDialog() override;

    // Calls OnInitDialog and shows the window unless it ended there.
    void Initialize();
    // Runs the modal loop until EndDialog.
    void RunModalLoop();
    // Hides the window and sends WM_DESTROY, once; nothing reaches the
    // handler after that.
    void Finish();
    [[nodiscard]] std::optional<int> EndCode() const { return endCode; }
    [[nodiscard]] QtControl* FindControl(int id) const;
    [[nodiscard]] const std::vector<std::unique_ptr<QtControl>>& AllControls() const {
        return controls;
    }

    MessageResult Send(const MessageParams& message) override;
    void NoteChange() override { ++changeCount; }

    void PostMciNotify(MciNotifyCode code) override;
    [[nodiscard]] Button* GetButton(int id) override;
    [[nodiscard]] Edit* GetEdit(int id) override;
    [[nodiscard]] StaticText* GetStatic(int id) override;
    [[nodiscard]] ScrollBar* GetScrollBar(int id) override;
    [[nodiscard]] UpDown* GetUpDown(int id) override;
    [[nodiscard]] ListView* GetListView(int id) override;
    void EndDialog(int result) override;
    void SetTimer(int id, int periodMilliseconds) override;
    void KillTimer(int id) override;
    void SetTitle(std::string_view title) override;
    [[nodiscard]] std::string Title() const override;
    void SetIcon(int iconId, IconSize size) override;
    void AddMenuCommand(int commandId, std::string_view text) override;
    [[nodiscard]] Size OuterSize() const override;
    void SetOuterSize(Size size) override;
    void SetTopmost(bool topmost) override;
    void SetToolWindow(bool toolWindow) override;
    void Minimize() override;
    void Restore() override;
    [[nodiscard]] bool IsMinimized() const override;
    void DefaultSystemCommand(int command) override;
    void Invalidate() override;
    [[nodiscard]] std::uint64_t ChangeCount() const override { return changeCount; }
    [[nodiscard]] int FocusedControlId() const override;
    [[nodiscard]] Point CursorPositionIn(int id) const override;
    void EnableToolTips() override;
    MessageBoxAnswer ShowMessageBox(std::string_view text, MessageBoxButtons buttons) override;
    std::optional<std::string> ShowFileDialog(const FileDialogRequest& request) override;

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void reject() override;

  private:
    enum class Phase : std::uint8_t { BUILT, INITIALIZING, RUNNING, FINISHED };

    void Build(const DialogTemplate& layout);
    void AddControl(const ControlTemplate& control, QWidget* previous);
    void ApplyDefaultHandling(const MessageParams& message);
    void SendCommand(int id);
    void SendSystemCommand(int command);
    void OnTimerTick(const TimerTickEvent& tick);
    void SetOwnWindowState(Qt::WindowStates state);
    void SettleWindowState();
    void ChangeFlags(Qt::WindowFlags flags);
    void SetFixedClientSize(QSize size);
    void FocusFirstTabStop();
    [[nodiscard]] QMargins Frame() const;
    [[nodiscard]] int ControlIdOf(const QObject* object) const;

    template <typename Kind>
    Kind* Find(int id);
    void IndexControls();
    [[nodiscard]] std::span<const IndexedControl> ControlsWithId(int id) const;

    DialogHandler& handler;
    QtEnvironment& environment;
    std::vector<std::unique_ptr<QtControl>> controls;
    // The controls ordered by id, in building order within an id, each with
    // the interfaces it has: the handlers look controls up several times a
    // tick.
    std::vector<IndexedControl> index;
    QtControl* defaultButton = nullptr;
    struct Timer {
        std::unique_ptr<RunningTimer> running;
    };
    std::map<int, Timer> timers;
    // Qt::Window or Qt::Dialog, what the window is when not a tool window.
    Qt::WindowType normalType = Qt::Dialog;
    QMenu windowMenu;
    QIcon bigIcon;
    QIcon smallIcon;
    std::optional<int> endCode;
    mutable std::optional<QMargins> measuredFrame;
    QEventLoop* modalLoop = nullptr;
    Phase phase = Phase::BUILT;
    Qt::WindowStates knownState;
    bool settlePending = false;
    bool toolTipsEnabled = false;
    std::uint64_t changeCount = 0;
};

}  // namespace corvid::window::qt
