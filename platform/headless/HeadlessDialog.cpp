#include "platform/headless/HeadlessDialog.h"

#include <algorithm>
#include <stdexcept>

#include "platform/headless/HeadlessWindowSystem.h"

namespace corvid::headless {

using window::ControlKind;
using window::ControlStyle;
using window::MessageParams;
using window::MessageResult;

namespace {

// The frame a window manager puts around a dialog, in pixels.
constexpr int FRAME_WIDTH = 3;
constexpr int CAPTION_HEIGHT = 22;
// Windows never ticks a timer faster than this.
constexpr int SHORTEST_TIMER_PERIOD = 10;

std::unique_ptr<window::Control> MakeControl(ControlHost& host,
                                             const window::ControlTemplate& layout) {
    switch (layout.kind) {
        case ControlKind::PUSH_BUTTON:
        case ControlKind::CHECK_BOX:
            return std::make_unique<HeadlessButton>(host, layout);
        case ControlKind::EDIT:
            return std::make_unique<HeadlessEdit>(host, layout);
        case ControlKind::SCROLL_BAR:
            return std::make_unique<HeadlessScrollBar>(host, layout);
        case ControlKind::UP_DOWN:
            return std::make_unique<HeadlessUpDown>(host, layout);
        case ControlKind::LIST_VIEW:
            return std::make_unique<HeadlessListView>(host, layout);
        case ControlKind::GROUP_BOX:
        case ControlKind::STATIC_TEXT:
        case ControlKind::PICTURE:
            break;
    }
    return std::make_unique<HeadlessStatic>(host, layout);
}

window::Size FramedSize(const window::DialogTemplate& layout) {
    const int caption =
        window::HasStyle(layout.style, window::DialogStyle::CAPTION) ? CAPTION_HEIGHT : 0;
    return {HorizontalPixels(layout.width) + 2 * FRAME_WIDTH,
            VerticalPixels(layout.height) + 2 * FRAME_WIDTH + caption};
}

}  // namespace

HeadlessDialog::HeadlessDialog(HeadlessWindowSystem& system, const window::DialogTemplate& layout,
                               window::DialogHandler& handler, window::DialogWindow* owner)
    : m_system(system),
      m_layout(layout),
      m_handler(handler),
      m_owner(owner),
      m_title(layout.caption),
      m_outerSize(FramedSize(layout)) {
    m_controls.reserve(layout.controls.size());
    for (const window::ControlTemplate& control : layout.controls) {
        m_controls.push_back({control, MakeControl(*this, control)});
    }
    m_tabOrder = window::TabStopOrder(layout);
    m_layout.controls = {};
}

HeadlessDialog::~HeadlessDialog() = default;

void HeadlessDialog::Initialize() {
    ++m_depth;
    const bool focusFirst = m_handler.OnInitDialog(*this);
    --m_depth;
    if (m_state == State::INITIALIZING) {
        m_state = State::OPEN;
    }
    if (focusFirst && m_focusId == 0) {
        FocusFirstTabStop();
    }
    CloseIfEnded();
}

MessageResult HeadlessDialog::Notify(const MessageParams& message) {
    ++m_changes;
    return Deliver(message);
}

MessageResult HeadlessDialog::Deliver(const MessageParams& message) {
    if (m_state == State::DESTROYED) {
        return std::nullopt;
    }
    struct DepthGuard {
        int& depth;
        explicit DepthGuard(int& counter) : depth(counter) { ++depth; }
        ~DepthGuard() { --depth; }
        DepthGuard(const DepthGuard&) = delete;
        DepthGuard& operator=(const DepthGuard&) = delete;
    };
    MessageResult result;
    {
        const DepthGuard guard(m_depth);
        result = m_handler.OnMessage(message);
        if (!result) {
            result = DefaultHandling(message);
        }
    }
    CloseIfEnded();
    return result;
}

MessageResult HeadlessDialog::DefaultHandling(const MessageParams& message) {
    switch (message.message) {
        case window::WM_CLOSE:
            SendCommand(window::IDCANCEL);
            return 0;
        case window::WM_SYSCOMMAND:
            DefaultSystemCommand(message.systemCommand);
            return 0;
        case window::WM_COMMAND:
            if (message.code == window::BN_CLICKED &&
                (message.controlId == window::IDOK || message.controlId == window::IDCANCEL)) {
                EndDialog(message.controlId);
            }
            return std::nullopt;
        case window::WM_ERASEBKGND:
            if (m_painter != nullptr) {
                m_painter->FillBackground();
            }
            return 1;
        default:
            return std::nullopt;
    }
}

void HeadlessDialog::SendCommand(int id) {
    MessageParams params;
    params.message = window::WM_COMMAND;
    params.code = window::BN_CLICKED;
    params.controlId = id;
    Deliver(params);
}

void HeadlessDialog::EndDialog(int result) {
    if (m_state == State::DESTROYING || m_state == State::DESTROYED) {
        return;
    }
    m_endCode = result;
    CloseIfEnded();
}

void HeadlessDialog::CloseIfEnded() {
    if (m_depth > 0 || !m_endCode || m_state == State::DESTROYING || m_state == State::DESTROYED) {
        return;
    }
    Destroy();
}

void HeadlessDialog::Destroy() {
    m_state = State::DESTROYING;
    m_timers.clear();
    MessageParams params;
    params.message = window::WM_DESTROY;
    Deliver(params);
    m_state = State::DESTROYED;
    m_timers.clear();
    m_posted.Clear();
}

bool HeadlessDialog::IsOpen() const {
    return (m_state == State::INITIALIZING || m_state == State::OPEN) && !m_endCode;
}

std::optional<int> HeadlessDialog::EndCode() const {
    if (m_state == State::DESTROYING || m_state == State::DESTROYED) {
        return m_endCode;
    }
    return std::nullopt;
}

void HeadlessDialog::SetTimer(int id, int periodMilliseconds) {
    if (m_state == State::DESTROYING || m_state == State::DESTROYED) {
        return;
    }
    const int period = std::max(periodMilliseconds, SHORTEST_TIMER_PERIOD);
    m_timers[id] = {period, m_system.NowMilliseconds() + period};
}

void HeadlessDialog::KillTimer(int id) {
    m_timers.erase(id);
}

std::map<int, int> HeadlessDialog::RunningTimers() const {
    std::map<int, int> periods;
    for (const auto& [id, timer] : m_timers) {
        periods[id] = timer.period;
    }
    return periods;
}

std::optional<HeadlessDialog::DueTick> HeadlessDialog::NextTick(std::int64_t limit) const {
    std::optional<DueTick> earliest;
    for (const auto& [id, timer] : m_timers) {
        if (timer.due <= limit && (!earliest || timer.due < earliest->due)) {
            earliest = DueTick{id, timer.due};
        }
    }
    return earliest;
}

void HeadlessDialog::FireTimer(int timerId) {
    const auto found = m_timers.find(timerId);
    if (found == m_timers.end()) {
        return;
    }
    found->second.due += found->second.period;
    MessageParams params;
    params.message = window::WM_TIMER;
    params.timerId = timerId;
    Deliver(params);
}

void HeadlessDialog::SetIcon(int iconId, window::IconSize size) {
    (size == window::IconSize::BIG ? m_bigIcon : m_smallIcon) = iconId;
}

std::optional<int> HeadlessDialog::Icon(window::IconSize size) const {
    return size == window::IconSize::BIG ? m_bigIcon : m_smallIcon;
}

void HeadlessDialog::AddMenuCommand(int commandId, std::string_view text) {
    m_menu.push_back({commandId, std::string(text)});
}

void HeadlessDialog::Restore() {
    m_minimized = false;
    m_maximized = false;
}

void HeadlessDialog::DefaultSystemCommand(int command) {
    switch (command) {
        case window::SC_MINIMIZE:
            Minimize();
            break;
        case window::SC_MAXIMIZE:
            m_minimized = false;
            m_maximized = true;
            break;
        case window::SC_RESTORE:
            Restore();
            break;
        case window::SC_CLOSE: {
            MessageParams params;
            params.message = window::WM_CLOSE;
            Deliver(params);
            break;
        }
        default:
            break;
    }
}

window::MessageBoxAnswer HeadlessDialog::ShowMessageBox(std::string_view text,
                                                        window::MessageBoxButtons buttons) {
    return m_system.Modals().ShowMessageBox(text, buttons, TemplateId());
}

std::optional<std::string> HeadlessDialog::ShowFileDialog(
    const window::FileDialogRequest& request) {
    return m_system.Modals().ShowFileDialog(request, TemplateId());
}

void HeadlessDialog::FocusControl(int id) {
    m_focusId = id;
}

void HeadlessDialog::FocusFirstTabStop() {
    for (const Entry& entry : m_controls) {
        if (HasStyle(entry.layout.style, ControlStyle::TAB_STOP) &&
            !HasStyle(entry.layout.style, ControlStyle::HIDDEN) && entry.control->IsEnabled()) {
            m_focusId = entry.layout.id;
            return;
        }
    }
}

window::Point HeadlessDialog::CursorPositionIn(int id) const {
    const window::Point origin = ClientOrigin(id);
    return {m_cursor.x - origin.x, m_cursor.y - origin.y};
}

window::Point HeadlessDialog::ClientOrigin(int id) const {
    const Entry* entry = Find(id);
    if (entry == nullptr) {
        return {};
    }
    const PixelRect rect = ToPixels(entry->layout);
    const int border = BorderPixels(entry->layout);
    return {rect.x + border, rect.y + border};
}

PixelRect HeadlessDialog::ControlRect(int id) const {
    return ToPixels(Require(id).layout);
}

const HeadlessDialog::Entry* HeadlessDialog::Find(int id) const {
    const auto found = std::find_if(m_controls.begin(), m_controls.end(),
                                    [id](const Entry& entry) { return entry.layout.id == id; });
    return found == m_controls.end() ? nullptr : &*found;
}

const HeadlessDialog::Entry& HeadlessDialog::Require(int id) const {
    const Entry* entry = Find(id);
    if (entry == nullptr) {
        throw std::out_of_range("dialog " + std::to_string(TemplateId()) + " has no control " +
                                std::to_string(id));
    }
    return *entry;
}

window::Control* HeadlessDialog::FindOfKind(int id, std::initializer_list<ControlKind> kinds) {
    const Entry* entry = Find(id);
    if (entry == nullptr ||
        std::find(kinds.begin(), kinds.end(), entry->layout.kind) == kinds.end()) {
        return nullptr;
    }
    return entry->control.get();
}

template <class Kind>
Kind& HeadlessDialog::RequireOfKind(int id, std::initializer_list<ControlKind> kinds,
                                    std::string_view kindName) const {
    const Entry& entry = Require(id);
    if (std::find(kinds.begin(), kinds.end(), entry.layout.kind) == kinds.end()) {
        throw std::out_of_range("control " + std::to_string(id) + " of dialog " +
                                std::to_string(TemplateId()) + " is no " + std::string(kindName));
    }
    return static_cast<Kind&>(*entry.control);
}

window::Button* HeadlessDialog::GetButton(int id) {
    return static_cast<HeadlessButton*>(
        FindOfKind(id, {ControlKind::PUSH_BUTTON, ControlKind::CHECK_BOX}));
}

window::Edit* HeadlessDialog::GetEdit(int id) {
    return static_cast<HeadlessEdit*>(FindOfKind(id, {ControlKind::EDIT}));
}

window::StaticText* HeadlessDialog::GetStatic(int id) {
    return static_cast<HeadlessStatic*>(
        FindOfKind(id, {ControlKind::STATIC_TEXT, ControlKind::PICTURE, ControlKind::GROUP_BOX}));
}

window::ScrollBar* HeadlessDialog::GetScrollBar(int id) {
    return static_cast<HeadlessScrollBar*>(FindOfKind(id, {ControlKind::SCROLL_BAR}));
}

window::UpDown* HeadlessDialog::GetUpDown(int id) {
    return static_cast<HeadlessUpDown*>(FindOfKind(id, {ControlKind::UP_DOWN}));
}

window::ListView* HeadlessDialog::GetListView(int id) {
    return static_cast<HeadlessListView*>(FindOfKind(id, {ControlKind::LIST_VIEW}));
}

HeadlessButton& HeadlessDialog::ButtonControl(int id) const {
    return RequireOfKind<HeadlessButton>(id, {ControlKind::PUSH_BUTTON, ControlKind::CHECK_BOX},
                                         "button");
}

HeadlessEdit& HeadlessDialog::EditControl(int id) const {
    return RequireOfKind<HeadlessEdit>(id, {ControlKind::EDIT}, "edit");
}

HeadlessStatic& HeadlessDialog::StaticControl(int id) const {
    return RequireOfKind<HeadlessStatic>(
        id, {ControlKind::STATIC_TEXT, ControlKind::PICTURE, ControlKind::GROUP_BOX}, "static");
}

HeadlessScrollBar& HeadlessDialog::ScrollBarControl(int id) const {
    return RequireOfKind<HeadlessScrollBar>(id, {ControlKind::SCROLL_BAR}, "scroll bar");
}

HeadlessUpDown& HeadlessDialog::UpDownControl(int id) const {
    return RequireOfKind<HeadlessUpDown>(id, {ControlKind::UP_DOWN}, "up-down");
}

HeadlessListView& HeadlessDialog::ListControl(int id) const {
    return RequireOfKind<HeadlessListView>(id, {ControlKind::LIST_VIEW}, "list view");
}

std::string HeadlessDialog::Text(int id) const {
    return Require(id).control->Text();
}

bool HeadlessDialog::IsEnabled(int id) const {
    return Require(id).control->IsEnabled();
}

bool HeadlessDialog::IsVisible(int id) const {
    return !HasStyle(Require(id).layout.style, ControlStyle::HIDDEN);
}

int HeadlessDialog::Check(int id) const {
    return ButtonControl(id).GetCheck();
}

}  // namespace corvid::headless
