#include <algorithm>
#include <stdexcept>

#include "platform/headless/HeadlessDialog.h"

namespace corvid::headless {

using window::ControlKind;
using window::ControlStyle;
using window::MessageParams;

namespace {

bool IsContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0U) == 0x80U;
}

// The length in bytes of the code point that starts at `offset`.
std::size_t CodePointLength(std::string_view text, std::size_t offset) {
    std::size_t end = offset + 1;
    while (end < text.size() && IsContinuationByte(text[end])) {
        ++end;
    }
    return end - offset;
}

}  // namespace

bool HeadlessDialog::AcceptsInput() const {
    return m_state == State::OPEN && !m_endCode;
}

bool HeadlessDialog::AcceptsInput(int id) const {
    const Entry& entry = Require(id);
    return AcceptsInput() && entry.control->IsEnabled() &&
           !HasStyle(entry.layout.style, ControlStyle::HIDDEN);
}

void HeadlessDialog::Click(int id) {
    const Entry& entry = Require(id);
    if (!AcceptsInput(id)) {
        return;
    }
    switch (entry.layout.kind) {
        case ControlKind::PUSH_BUTTON:
        case ControlKind::CHECK_BOX:
            FocusControl(id);
            ButtonControl(id).Click();
            break;
        case ControlKind::EDIT:
        case ControlKind::LIST_VIEW:
            FocusControl(id);
            break;
        default:
            break;
    }
}

void HeadlessDialog::TypeText(int id, std::string_view text) {
    HeadlessEdit& edit = EditControl(id);
    if (!AcceptsInput(id)) {
        return;
    }
    FocusControl(id);
    for (std::size_t offset = 0; offset < text.size() && AcceptsInput(id);) {
        const std::size_t length = CodePointLength(text, offset);
        edit.TypeCharacter(text.substr(offset, length));
        offset += length;
    }
}

void HeadlessDialog::ReplaceText(int id, std::string_view text) {
    HeadlessEdit& edit = EditControl(id);
    if (!AcceptsInput(id)) {
        return;
    }
    FocusControl(id);
    edit.SelectAll();
    if (text.empty()) {
        edit.Backspace();
        return;
    }
    TypeText(id, text);
}

void HeadlessDialog::PressBackspace(int id) {
    HeadlessEdit& edit = EditControl(id);
    if (!AcceptsInput(id)) {
        return;
    }
    FocusControl(id);
    edit.Backspace();
}

int HeadlessDialog::DefaultButtonId() const {
    const auto found = std::find_if(m_controls.begin(), m_controls.end(), [](const Entry& entry) {
        return entry.layout.kind == ControlKind::PUSH_BUTTON &&
               HasStyle(entry.layout.style, ControlStyle::DEFAULT_BUTTON);
    });
    if (found == m_controls.end() || !found->control->IsEnabled()) {
        return window::IDOK;
    }
    return found->layout.id;
}

void HeadlessDialog::PressEnter() {
    if (AcceptsInput()) {
        SendCommand(DefaultButtonId());
    }
}

void HeadlessDialog::PressEscape() {
    if (AcceptsInput()) {
        SendCommand(window::IDCANCEL);
    }
}

void HeadlessDialog::Focus(int id) {
    if (AcceptsInput(id)) {
        FocusControl(id);
    }
}

void HeadlessDialog::PressTab() {
    if (!AcceptsInput() || m_tabOrder.empty()) {
        return;
    }
    const auto focused = std::ranges::find(m_tabOrder, m_focusId);
    const std::size_t start = focused == m_tabOrder.end()
                                  ? m_tabOrder.size() - 1
                                  : static_cast<std::size_t>(focused - m_tabOrder.begin());
    for (std::size_t step = 1; step <= m_tabOrder.size(); ++step) {
        const int id = m_tabOrder[(start + step) % m_tabOrder.size()];
        if (AcceptsInput(id)) {
            FocusControl(id);
            return;
        }
    }
}

std::string HeadlessDialog::AccessibleName(int id) const {
    const Entry& entry = Require(id);
    if (!entry.layout.accessibleName.empty()) {
        return std::string(entry.layout.accessibleName);
    }
    return entry.control->Text();
}

void HeadlessDialog::ClickArrow(int upDownId, SpinArrow arrow) {
    HeadlessUpDown& upDown = UpDownControl(upDownId);
    if (AcceptsInput(upDownId)) {
        upDown.ClickArrow(arrow);
    }
}

void HeadlessDialog::ScrollStep(int scrollBarId, window::ScrollCode code) {
    HeadlessScrollBar& scrollBar = ScrollBarControl(scrollBarId);
    if (AcceptsInput(scrollBarId)) {
        scrollBar.Step(code);
    }
}

void HeadlessDialog::MoveThumb(int scrollBarId, int position) {
    HeadlessScrollBar& scrollBar = ScrollBarControl(scrollBarId);
    if (AcceptsInput(scrollBarId)) {
        scrollBar.TrackThumb(position);
    }
}

void HeadlessDialog::ReleaseThumb(int scrollBarId) {
    HeadlessScrollBar& scrollBar = ScrollBarControl(scrollBarId);
    if (AcceptsInput(scrollBarId)) {
        scrollBar.ReleaseThumb();
    }
}

void HeadlessDialog::DragThumb(int scrollBarId, int position) {
    MoveThumb(scrollBarId, position);
    ReleaseThumb(scrollBarId);
}

void HeadlessDialog::MoveCursor(int id, window::Point client) {
    const window::Point origin = ClientOrigin(Require(id).layout.id);
    m_cursor = {origin.x + client.x, origin.y + client.y};
}

void HeadlessDialog::ClickList(int listId, window::Point client) {
    HeadlessListView& list = ListControl(listId);
    MoveCursor(listId, client);
    if (!AcceptsInput(listId)) {
        return;
    }
    FocusControl(listId);
    list.Click(client);
}

void HeadlessDialog::DoubleClickList(int listId, window::Point client) {
    HeadlessListView& list = ListControl(listId);
    MoveCursor(listId, client);
    if (!AcceptsInput(listId)) {
        return;
    }
    FocusControl(listId);
    list.DoubleClick(client);
}

window::Point HeadlessDialog::RowPoint(int listId, int row) const {
    return ListControl(listId).RowPoint(row);
}

void HeadlessDialog::ClickListRow(int listId, int row, int x) {
    const window::Point top = RowPoint(listId, row);
    ClickList(listId, {x, top.y + HeadlessListView::ROW_HEIGHT / 2});
}

void HeadlessDialog::DoubleClickListRow(int listId, int row, int x) {
    const window::Point top = RowPoint(listId, row);
    DoubleClickList(listId, {x, top.y + HeadlessListView::ROW_HEIGHT / 2});
}

void HeadlessDialog::ScrollListTo(int listId, int topRow) {
    HeadlessListView& list = ListControl(listId);
    if (AcceptsInput(listId)) {
        list.ScrollTo(topRow);
    }
}

void HeadlessDialog::CloseBox() {
    if (!AcceptsInput()) {
        return;
    }
    MessageParams params;
    params.message = window::WM_CLOSE;
    Deliver(params);
}

void HeadlessDialog::SystemCommand(int command) {
    if (!AcceptsInput()) {
        return;
    }
    MessageParams params;
    params.message = window::WM_SYSCOMMAND;
    params.systemCommand = command;
    Deliver(params);
}

void HeadlessDialog::ChooseMenuCommand(int commandId) {
    const bool inMenu = std::any_of(m_menu.begin(), m_menu.end(), [commandId](const auto& entry) {
        return entry.commandId == commandId && !entry.text.empty();
    });
    if (!inMenu) {
        throw std::out_of_range("dialog " + std::to_string(TemplateId()) + " has no menu command " +
                                std::to_string(commandId));
    }
    SystemCommand(commandId);
}

std::vector<PaintCall> HeadlessDialog::Paint() {
    std::vector<PaintCall> calls;
    if (!AcceptsInput()) {
        return calls;
    }
    RecordingPainter painter(calls);
    m_painter = &painter;
    MessageParams params;
    params.painter = &painter;
    for (const window::Message message : {window::WM_ERASEBKGND, window::WM_PAINT}) {
        params.message = message;
        painter.SetMessage(message);
        Deliver(params);
    }
    m_painter = nullptr;
    return calls;
}

std::string HeadlessDialog::ToolTipText(int id) {
    static_cast<void>(Require(id));
    if (!AcceptsInput() || !m_toolTips) {
        return {};
    }
    window::ToolTipRequest request;
    MessageParams params;
    params.message = window::WM_NOTIFY;
    params.code = window::TTN_NEEDTEXT;
    params.controlId = id;
    params.toolTip = &request;
    Deliver(params);
    return request.text;
}

window::MessageResult HeadlessDialog::QueryDragIcon() {
    if (!AcceptsInput()) {
        return std::nullopt;
    }
    MessageParams params;
    params.message = window::WM_QUERYDRAGICON;
    return Deliver(params);
}

void HeadlessDialog::DeliverPosted() {
    while (m_state != State::DESTROYED) {
        const std::optional<MciNotifyCode> code = m_posted.Take();
        if (!code) {
            return;
        }
        MessageParams params;
        params.message = window::MM_MCINOTIFY;
        params.mciCode = *code;
        Deliver(params);
    }
}

}  // namespace corvid::headless
