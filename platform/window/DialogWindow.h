#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cdaudio/MciPort.h"
#include "platform/window/Controls.h"
#include "platform/window/Message.h"

namespace corvid::window {

enum class MessageBoxButtons : std::uint8_t { OK, YES_NO };
enum class MessageBoxAnswer : std::uint8_t { OK, YES, NO };

enum class FileDialogKind : std::uint8_t { OPEN, SAVE };

// A common file dialog. The filter is in the framework's form, descriptions
// and patterns alternating, separated by "|" and ended by "||":
// "Track list files (*.trk)|*.trk|All Files (*.*)|*.*||". The default
// extension ("*.trk" or "trk") is added to a typed name that has none. A
// save dialog asks before it replaces an existing file. The dialog starts in
// the current directory and does not change it.
struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::OPEN;
    std::string_view filter;
    std::string_view defaultExtension;
    std::string_view initialName;
};

enum class IconSize : std::uint8_t { BIG, SMALL };

// Draws on the window while it is painted (WM_PAINT, WM_ERASEBKGND), in the
// window's client pixels.
class Painter {
  public:
    virtual ~Painter() = default;
    virtual void DrawBitmap(int bitmapId, Point topLeft) = 0;
    virtual void DrawIcon(int iconId, Point topLeft) = 0;
};

// A dialog's window while it exists: from just before the handler's
// OnInitDialog until the modal loop has ended. Calls come on the window's
// thread, except PostMciNotify, which may come from any thread and is
// delivered later as MM_MCINOTIFY on the window's thread.
//
// Message boxes and file dialogs are modal: they run a nested loop in which
// the dialog's timers go on ticking, and return the user's answer.
class DialogWindow : public NotifyWindow {
  public:
    // The control with this id and kind, or null when the template has none.
    [[nodiscard]] virtual Button* GetButton(int id) = 0;
    [[nodiscard]] virtual Edit* GetEdit(int id) = 0;
    [[nodiscard]] virtual StaticText* GetStatic(int id) = 0;
    [[nodiscard]] virtual ScrollBar* GetScrollBar(int id) = 0;
    [[nodiscard]] virtual UpDown* GetUpDown(int id) = 0;
    [[nodiscard]] virtual ListView* GetListView(int id) = 0;

    // Ends the modal loop with `result` once the current message is handled;
    // called during OnInitDialog, the dialog closes as soon as it returns.
    virtual void EndDialog(int result) = 0;

    // Timer `id` sends WM_TIMER every `periodMilliseconds`, also during
    // nested modal loops, until it is killed or the dialog ends.
    virtual void SetTimer(int id, int periodMilliseconds) = 0;
    virtual void KillTimer(int id) = 0;

    virtual void SetTitle(std::string_view title) = 0;
    [[nodiscard]] virtual std::string Title() const = 0;
    virtual void SetIcon(int iconId, IconSize size) = 0;
    // Adds an entry to the window's menu; choosing it sends WM_SYSCOMMAND with
    // `commandId`. An empty text adds a separator.
    virtual void AddMenuCommand(int commandId, std::string_view text) = 0;

    // The window's outer size in pixels, frame included where one is known.
    [[nodiscard]] virtual Size OuterSize() const = 0;
    virtual void SetOuterSize(Size size) = 0;
    // Keeps the window above others; a tool window has a small caption and no
    // task bar button.
    virtual void SetTopmost(bool topmost) = 0;
    virtual void SetToolWindow(bool toolWindow) = 0;
    virtual void Minimize() = 0;
    virtual void Restore() = 0;
    [[nodiscard]] virtual bool IsMinimized() const = 0;
    // Carries out a window-manager command as the default handling would.
    virtual void DefaultSystemCommand(int command) = 0;
    // Paints the window again soon.
    virtual void Invalidate() = 0;
    // Grows with every call that sets what a control holds or shows, whether
    // or not it differs, and with every notice a control sends. A reader that
    // mirrors the controls reads them again only when this has moved.
    [[nodiscard]] virtual std::uint64_t ChangeCount() const = 0;

    // The id of the control with the keyboard focus, or 0.
    [[nodiscard]] virtual int FocusedControlId() const = 0;
    // The mouse cursor in the client coordinates of control `id`.
    [[nodiscard]] virtual Point CursorPositionIn(int id) const = 0;

    // Tooltips ask the dialog for their text with TTN_NEEDTEXT from now on.
    virtual void EnableToolTips() = 0;

    // The application's name is the caption.
    virtual MessageBoxAnswer ShowMessageBox(std::string_view text, MessageBoxButtons buttons) = 0;
    // The chosen file's full path, or none when the user cancelled.
    virtual std::optional<std::string> ShowFileDialog(const FileDialogRequest& request) = 0;
};

}  // namespace corvid::window
