#include "ui/Dialog.h"

#include <cassert>

namespace corvid::ui {

namespace {

template <class Member, class Getter>
void Bind(DataExchange& exchange, Member& member, Getter getter) {
    auto* control = getter(exchange.Window());
    assert(control != nullptr && "the template has no such control");
    member.Attach(control);
}

}  // namespace

void DDX_Control(DataExchange& exchange, int id, CButton& control) {
    Bind(exchange, control, [id](window::DialogWindow& window) { return window.GetButton(id); });
}

void DDX_Control(DataExchange& exchange, int id, CEdit& control) {
    Bind(exchange, control, [id](window::DialogWindow& window) { return window.GetEdit(id); });
}

void DDX_Control(DataExchange& exchange, int id, CStatic& control) {
    Bind(exchange, control, [id](window::DialogWindow& window) { return window.GetStatic(id); });
}

void DDX_Control(DataExchange& exchange, int id, CScrollBar& control) {
    Bind(exchange, control, [id](window::DialogWindow& window) { return window.GetScrollBar(id); });
}

void DDX_Control(DataExchange& exchange, int id, CSpinButtonCtrl& control) {
    Bind(exchange, control, [id](window::DialogWindow& window) { return window.GetUpDown(id); });
}

void DDX_Control(DataExchange& exchange, int id, CListCtrl& control) {
    Bind(exchange, control, [id](window::DialogWindow& window) { return window.GetListView(id); });
}

void DDX_Check(DataExchange& exchange, int id, int& value) {
    window::Button* box = exchange.Window().GetButton(id);
    assert(box != nullptr && "the template has no such check box");
    if (exchange.IsSaving()) {
        value = box->GetCheck();
    } else {
        box->SetCheck(value);
    }
}

int Dialog::DoModal(window::DialogWindow* owner) {
    const int result = m_windows.DoModal(m_layout, *this, owner);
    m_window = nullptr;
    return result;
}

bool Dialog::OnInitDialog(window::DialogWindow& window) {
    m_window = &window;
    UpdateData(ExchangeDirection::TO_CONTROLS);
    return OnInitDialog();
}

window::MessageResult Dialog::OnMessage(const window::MessageParams& message) {
    if (auto result = Dispatch(message)) {
        return result;
    }
    if (message.message != window::WM_COMMAND || message.code != window::BN_CLICKED) {
        return std::nullopt;
    }
    if (message.controlId == window::IDOK) {
        OnOK();
        return 0;
    }
    if (message.controlId == window::IDCANCEL) {
        OnCancel();
        return 0;
    }
    return std::nullopt;
}

void Dialog::UpdateData(ExchangeDirection direction) {
    DataExchange exchange(Window(), direction);
    DoDataExchange(exchange);
}

void Dialog::EndDialog(int result) {
    Window().EndDialog(result);
}

window::DialogWindow& Dialog::Window() const {
    assert(m_window != nullptr);
    return *m_window;
}

}  // namespace corvid::ui
