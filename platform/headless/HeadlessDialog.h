#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/headless/HeadlessControls.h"
#include "platform/headless/HeadlessListView.h"
#include "platform/headless/HeadlessRangeControls.h"
#include "platform/headless/PostedNotices.h"
#include "platform/headless/RecordingPainter.h"
#include "platform/window/WindowSystem.h"

namespace corvid::headless {

class HeadlessWindowSystem;

// An entry the dialog added to its window menu; an empty text is a separator.
struct MenuCommand {
    int commandId = 0;
    std::string text;
    bool operator==(const MenuCommand&) const = default;
};

// A dialog's window in memory, and the test's hands on it. The window side
// (DialogWindow) is what the dialog's code uses; the rest acts as the user
// would and reads what the user would see. User actions on a control that is
// disabled or hidden do nothing, and so does every action once the dialog has
// ended. Reading or acting on a control id the template lacks throws
// std::out_of_range: that is a mistake in the test.
//
// The object outlives its window: the system keeps it until the system goes,
// so that a test can still read what was left on a closed dialog.
class HeadlessDialog final : public window::DialogWindow, private ControlHost {
  public:
    HeadlessDialog(HeadlessWindowSystem& system, const window::DialogTemplate& layout,
                   window::DialogHandler& handler, window::DialogWindow* owner);
    ~HeadlessDialog() override;
    HeadlessDialog(const HeadlessDialog&) = delete;
    HeadlessDialog& operator=(const HeadlessDialog&) = delete;

    // Runs OnInitDialog and, when it ended the dialog there, closes it.
    void Initialize();

    // The window, as the dialog's code sees it.
    void PostMciNotify(MciNotifyCode code) override { m_posted.Post(code); }
    [[nodiscard]] window::Button* GetButton(int id) override;
    [[nodiscard]] window::Edit* GetEdit(int id) override;
    [[nodiscard]] window::StaticText* GetStatic(int id) override;
    [[nodiscard]] window::ScrollBar* GetScrollBar(int id) override;
    [[nodiscard]] window::UpDown* GetUpDown(int id) override;
    [[nodiscard]] window::ListView* GetListView(int id) override;
    void EndDialog(int result) override;
    void SetTimer(int id, int periodMilliseconds) override;
    void KillTimer(int id) override;
    void SetTitle(std::string_view title) override {
        NoteDrawRequest();
        m_title = title;
    }
    [[nodiscard]] std::string Title() const override { return m_title; }
    void SetIcon(int iconId, window::IconSize size) override;
    void AddMenuCommand(int commandId, std::string_view text) override;
    [[nodiscard]] window::Size OuterSize() const override { return m_outerSize; }
    void SetOuterSize(window::Size size) override { m_outerSize = size; }
    void SetTopmost(bool topmost) override { m_topmost = topmost; }
    void SetToolWindow(bool toolWindow) override { m_toolWindow = toolWindow; }
    void Minimize() override { m_minimized = true; }
    void Restore() override;
    [[nodiscard]] bool IsMinimized() const override { return m_minimized; }
    void DefaultSystemCommand(int command) override;
    void Invalidate() override { ++m_invalidations; }
    [[nodiscard]] std::uint64_t ChangeCount() const override { return m_changes; }
    [[nodiscard]] int FocusedControlId() const override { return m_focusId; }
    [[nodiscard]] window::Point CursorPositionIn(int id) const override;
    void EnableToolTips() override { m_toolTips = true; }
    window::MessageBoxAnswer ShowMessageBox(std::string_view text,
                                            window::MessageBoxButtons buttons) override;
    std::optional<std::string> ShowFileDialog(const window::FileDialogRequest& request) override;

    // The user's actions.
    void Click(int id);
    // Focuses the edit and types the text one code point at a time: each
    // accepted character replaces the selection or goes in at the caret, sets
    // the modified flag and sends EN_CHANGE.
    void TypeText(int id, std::string_view text);
    // Selects the whole text and types over it; an empty text deletes it.
    void ReplaceText(int id, std::string_view text);
    void PressBackspace(int id);
    // Enter clicks the enabled default button, or sends IDOK; Escape sends IDCANCEL.
    void PressEnter();
    void PressEscape();
    // Moves the keyboard focus to the control, as a click would.
    void Focus(int id);
    // Moves the focus to the next enabled, visible tab stop in the template's
    // tab order, round to the first.
    void PressTab();
    void ClickArrow(int upDownId, SpinArrow arrow);
    // One line or page step: the code, then SB_ENDSCROLL.
    void ScrollStep(int scrollBarId, window::ScrollCode code);
    // Drags the thumb there (SB_THUMBTRACK each time) and lets go of it
    // (SB_THUMBPOSITION, then SB_ENDSCROLL).
    void MoveThumb(int scrollBarId, int position);
    void ReleaseThumb(int scrollBarId);
    void DragThumb(int scrollBarId, int position);
    // Puts the mouse cursor at a client point of the list and clicks there.
    void ClickList(int listId, window::Point client);
    void DoubleClickList(int listId, window::Point client);
    // Clicks at `x` across, half a row down the row.
    void ClickListRow(int listId, int row, int x = 5);
    void DoubleClickListRow(int listId, int row, int x = 5);
    void ScrollListTo(int listId, int topRow);
    [[nodiscard]] window::Point RowPoint(int listId, int row) const;
    // Moves the mouse cursor to a client point of the control.
    void MoveCursor(int id, window::Point client);
    // The window manager's buttons and menu: WM_CLOSE, and WM_SYSCOMMAND.
    void CloseBox();
    void UserMinimize() { SystemCommand(window::SC_MINIMIZE); }
    void UserRestore() { SystemCommand(window::SC_RESTORE); }
    void UserMaximize() { SystemCommand(window::SC_MAXIMIZE); }
    void SystemCommand(int command);
    // Chooses an entry the dialog added to the window menu; throws
    // std::out_of_range when there is none with that id.
    void ChooseMenuCommand(int commandId);
    // Paints the window: WM_ERASEBKGND, then WM_PAINT; returns the calls.
    std::vector<PaintCall> Paint();
    // The tip a tooltip would show for the control; empty while tooltips are off.
    std::string ToolTipText(int id);
    // The icon the dialog gives for dragging while minimized (WM_QUERYDRAGICON).
    window::MessageResult QueryDragIcon();
    // Delivers the notices posted to this window, in order.
    void DeliverPosted();

    // What is to be seen.
    [[nodiscard]] int TemplateId() const { return m_layout.id; }
    [[nodiscard]] bool IsOpen() const;
    // The code the dialog ended with, once it has ended (WM_DESTROY on).
    [[nodiscard]] std::optional<int> EndCode() const;
    [[nodiscard]] window::DialogWindow* Owner() const { return m_owner; }
    [[nodiscard]] std::string Text(int id) const;
    // What a screen reader calls the control: the template's name for it, or
    // else its caption.
    [[nodiscard]] std::string AccessibleName(int id) const;
    [[nodiscard]] bool IsEnabled(int id) const;
    [[nodiscard]] bool IsVisible(int id) const;
    [[nodiscard]] int Check(int id) const;
    [[nodiscard]] HeadlessButton& ButtonControl(int id) const;
    [[nodiscard]] HeadlessEdit& EditControl(int id) const;
    [[nodiscard]] HeadlessStatic& StaticControl(int id) const;
    [[nodiscard]] HeadlessScrollBar& ScrollBarControl(int id) const;
    [[nodiscard]] HeadlessUpDown& UpDownControl(int id) const;
    [[nodiscard]] HeadlessListView& ListControl(int id) const;
    [[nodiscard]] std::optional<int> Icon(window::IconSize size) const;
    [[nodiscard]] const std::vector<MenuCommand>& MenuCommands() const { return m_menu; }
    // The running timers: id to period in milliseconds.
    [[nodiscard]] std::map<int, int> RunningTimers() const;
    [[nodiscard]] bool IsTopmost() const { return m_topmost; }
    [[nodiscard]] bool IsToolWindow() const { return m_toolWindow; }
    [[nodiscard]] bool IsMaximized() const { return m_maximized; }
    [[nodiscard]] bool ToolTipsEnabled() const { return m_toolTips; }
    [[nodiscard]] int InvalidateCount() const { return m_invalidations; }
    // Every call that asked the window or a control to show something.
    [[nodiscard]] int DrawRequestCount() const { return m_drawRequests; }
    [[nodiscard]] int PostedCount() const { return m_posted.Count(); }
    // The mouse cursor in the dialog's client pixels.
    [[nodiscard]] window::Point Cursor() const { return m_cursor; }
    [[nodiscard]] PixelRect ControlRect(int id) const;

    // For the system's clock: the earliest tick due at or before `limit`.
    struct DueTick {
        int timerId = 0;
        std::int64_t due = 0;
    };
    [[nodiscard]] std::optional<DueTick> NextTick(std::int64_t limit) const;
    // Delivers WM_TIMER for the timer and schedules its next tick.
    void FireTimer(int timerId);

  private:
    enum class State : std::uint8_t { INITIALIZING, OPEN, DESTROYING, DESTROYED };
    struct Entry {
        window::ControlTemplate layout;
        std::unique_ptr<window::Control> control;
    };
    struct Timer {
        int period = 0;
        std::int64_t due = 0;
    };

    window::MessageResult Notify(const window::MessageParams& message) override;
    void FocusControl(int id) override;
    void NoteDrawRequest() override {
        ++m_drawRequests;
        ++m_changes;
    }
    void NoteChange() override { ++m_changes; }

    window::MessageResult Deliver(const window::MessageParams& message);
    window::MessageResult DefaultHandling(const window::MessageParams& message);
    void SendCommand(int id);
    void CloseIfEnded();
    void Destroy();
    void FocusFirstTabStop();

    [[nodiscard]] bool AcceptsInput() const;
    [[nodiscard]] bool AcceptsInput(int id) const;
    [[nodiscard]] const Entry* Find(int id) const;
    [[nodiscard]] const Entry& Require(int id) const;
    [[nodiscard]] window::Control* FindOfKind(int id,
                                              std::initializer_list<window::ControlKind> kinds);
    template <class Kind>
    [[nodiscard]] Kind& RequireOfKind(int id, std::initializer_list<window::ControlKind> kinds,
                                      std::string_view kindName) const;
    [[nodiscard]] window::Point ClientOrigin(int id) const;
    [[nodiscard]] int DefaultButtonId() const;

    HeadlessWindowSystem& m_system;
    window::DialogTemplate m_layout;  // its controls are read only while building
    window::DialogHandler& m_handler;
    window::DialogWindow* m_owner;
    std::vector<Entry> m_controls;
    State m_state = State::INITIALIZING;
    std::optional<int> m_endCode;
    int m_depth = 0;
    std::map<int, Timer> m_timers;
    PostedNotices m_posted;
    std::string m_title;
    std::optional<int> m_bigIcon;
    std::optional<int> m_smallIcon;
    std::vector<MenuCommand> m_menu;
    window::Size m_outerSize;
    bool m_topmost = false;
    bool m_toolWindow = false;
    bool m_minimized = false;
    bool m_maximized = false;
    bool m_toolTips = false;
    int m_invalidations = 0;
    int m_drawRequests = 0;
    std::uint64_t m_changes = 0;
    int m_focusId = 0;
    std::vector<int> m_tabOrder;  // the tab stops' ids in the order Tab visits them
    window::Point m_cursor;
    RecordingPainter* m_painter = nullptr;  // set while painting
};

}  // namespace corvid::headless
