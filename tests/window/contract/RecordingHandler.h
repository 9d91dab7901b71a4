#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/window/WindowSystem.h"

namespace corvid::window::contract {

// A message as the handler received it, with what the sending control showed
// at that moment.
struct Received {
    MessageParams params;
    std::string text;       // EN_CHANGE: the edit's text
    bool modified = false;  // EN_CHANGE: the edit's modified flag
    int check = 0;          // BN_CLICKED of a button: its check state
    int selectedRow = -1;   // NM_CLICK, NM_DBLCLK: the list's first selected row
    int hitRow = -1;        // NM_CLICK: the row under the mouse cursor
    int position = 0;       // WM_HSCROLL: the bar's position; UDN_DELTAPOS: the up-down's
};

// A dialog handler for the contract tests: remembers every message and leaves
// it to the default handling unless `respond` answers it.
class RecordingHandler : public DialogHandler {
  public:
    bool OnInitDialog(DialogWindow& dialogWindow) override;
    MessageResult OnMessage(const MessageParams& message) override;

    // The messages of a kind, optionally of one code and control.
    [[nodiscard]] std::vector<Received> Of(Message message) const;
    [[nodiscard]] std::vector<Received> Of(Message message, NotifyCode code, int controlId) const;
    [[nodiscard]] int Count(Message message) const;
    [[nodiscard]] int Count(Message message, NotifyCode code, int controlId) const;

    DialogWindow* window = nullptr;
    bool focusFirstTabStop = true;
    std::function<void(DialogWindow&)> onInit;
    std::function<MessageResult(const MessageParams&)> respond;
    std::vector<Received> received;

  private:
    [[nodiscard]] Received Observe(const MessageParams& message) const;
};

}  // namespace corvid::window::contract
