#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/window/DialogWindow.h"

namespace corvid::headless {

// A message box as it was shown. ownerTemplateId is 0 for a box of no window.
struct MessageBoxRecord {
    std::string text;
    window::MessageBoxButtons buttons = window::MessageBoxButtons::OK;
    int ownerTemplateId = 0;
    window::MessageBoxAnswer answer = window::MessageBoxAnswer::OK;
};

// A file dialog as it was asked for, with what it returned.
struct FileDialogRecord {
    window::FileDialogKind kind = window::FileDialogKind::OPEN;
    std::string filter;
    std::string defaultExtension;
    std::string initialName;
    int ownerTemplateId = 0;
    std::optional<std::string> answer;
};

// Runs inside a modal box before it is answered: the box's nested loop.
using WhileOpen = std::function<void()>;

// The scripted user of message boxes and file dialogs: answers queued by the
// test, given out in order, and a log of every box shown. Without a queued
// answer a message box is answered NO (OK when it has only OK) and a file
// dialog is cancelled.
class ModalScript {
  public:
    void AnswerNextMessageBox(window::MessageBoxAnswer answer, WhileOpen whileOpen = {});
    void AnswerNextFileDialog(std::optional<std::string> path, WhileOpen whileOpen = {});

    window::MessageBoxAnswer ShowMessageBox(std::string_view text,
                                            window::MessageBoxButtons buttons, int ownerTemplateId);
    std::optional<std::string> ShowFileDialog(const window::FileDialogRequest& request,
                                              int ownerTemplateId);

    [[nodiscard]] const std::vector<MessageBoxRecord>& MessageBoxes() const {
        return m_messageBoxes;
    }
    [[nodiscard]] const std::vector<FileDialogRecord>& FileDialogs() const { return m_fileDialogs; }
    // Answers queued but not yet given, of both kinds.
    [[nodiscard]] int UnusedAnswers() const;

  private:
    struct MessageBoxScript {
        window::MessageBoxAnswer answer;
        WhileOpen whileOpen;
    };
    struct FileDialogScript {
        std::optional<std::string> path;
        WhileOpen whileOpen;
    };

    std::deque<MessageBoxScript> m_messageBoxAnswers;
    std::deque<FileDialogScript> m_fileDialogAnswers;
    std::vector<MessageBoxRecord> m_messageBoxes;
    std::vector<FileDialogRecord> m_fileDialogs;
};

// The path a file dialog returns for the name the user gave: made absolute
// against the current directory, with the default extension ("trk", ".trk"
// or "*.trk") added when the name has none.
std::string ChosenPath(std::string_view name, std::string_view defaultExtension);

}  // namespace corvid::headless
