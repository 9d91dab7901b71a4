#pragma once

#include <string_view>

namespace corvid {

// Tells the user something that needs no answer: a message box with an OK
// button and the application's name as its caption. Called on the window's
// thread; returns when the user has closed the message.
class MessagePort {
  public:
    virtual ~MessagePort() = default;
    virtual void ShowMessage(std::string_view text) = 0;
};

}  // namespace corvid
