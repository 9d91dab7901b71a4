#include "tests/window/contract/RecordingHandler.h"

#include <algorithm>

namespace corvid::window::contract {

bool RecordingHandler::OnInitDialog(DialogWindow& dialogWindow) {
    window = &dialogWindow;
    if (onInit) {
        onInit(dialogWindow);
    }
    return focusFirstTabStop;
}

MessageResult RecordingHandler::OnMessage(const MessageParams& message) {
    received.push_back(Observe(message));
    return respond ? respond(message) : std::nullopt;
}

Received RecordingHandler::Observe(const MessageParams& message) const {
    Received seen;
    seen.params = message;
    if (window == nullptr) {
        return seen;
    }
    const int id = message.controlId;
    if (message.message == WM_COMMAND && message.code == EN_CHANGE) {
        if (Edit* edit = window->GetEdit(id)) {
            seen.text = edit->Text();
            seen.modified = edit->GetModify();
        }
    } else if (message.message == WM_COMMAND && message.code == BN_CLICKED) {
        if (Button* button = window->GetButton(id)) {
            seen.check = button->GetCheck();
        }
    } else if (message.message == WM_NOTIFY && message.code == UDN_DELTAPOS) {
        if (UpDown* upDown = window->GetUpDown(id)) {
            seen.position = upDown->Position();
        }
    } else if (message.message == WM_NOTIFY &&
               (message.code == NM_CLICK || message.code == NM_DBLCLK)) {
        if (ListView* list = window->GetListView(id)) {
            seen.selectedRow = list->FirstSelectedItem();
            seen.hitRow = list->HitTest(window->CursorPositionIn(id));
        }
    } else if (message.message == WM_HSCROLL) {
        if (ScrollBar* bar = window->GetScrollBar(id)) {
            seen.position = bar->Position();
        }
    }
    return seen;
}

std::vector<Received> RecordingHandler::Of(Message message) const {
    std::vector<Received> found;
    std::copy_if(received.begin(), received.end(), std::back_inserter(found),
                 [message](const Received& each) { return each.params.message == message; });
    return found;
}

std::vector<Received> RecordingHandler::Of(Message message, NotifyCode code, int controlId) const {
    std::vector<Received> found;
    std::copy_if(received.begin(), received.end(), std::back_inserter(found),
                 [&](const Received& each) {
                     return each.params.message == message && each.params.code == code &&
                            each.params.controlId == controlId;
                 });
    return found;
}

int RecordingHandler::Count(Message message) const {
    return static_cast<int>(Of(message).size());
}

int RecordingHandler::Count(Message message, NotifyCode code, int controlId) const {
    return static_cast<int>(Of(message, code, controlId).size());
}

}  // namespace corvid::window::contract
