#include "platform/headless/HeadlessModals.h"

#include <filesystem>

namespace corvid::headless {

using window::MessageBoxAnswer;
using window::MessageBoxButtons;

namespace {

std::string_view BareExtension(std::string_view extension) {
    if (extension.starts_with("*")) {
        extension.remove_prefix(1);
    }
    if (extension.starts_with(".")) {
        extension.remove_prefix(1);
    }
    return extension;
}

MessageBoxAnswer DefaultAnswer(MessageBoxButtons buttons) {
    return buttons == MessageBoxButtons::OK ? MessageBoxAnswer::OK : MessageBoxAnswer::NO;
}

}  // namespace

std::string ChosenPath(std::string_view name, std::string_view defaultExtension) {
    std::filesystem::path path = std::filesystem::absolute(std::filesystem::path(name));
    const std::string_view extension = BareExtension(defaultExtension);
    if (!path.has_extension() && !extension.empty()) {
        path += ".";
        path += std::string(extension);
    }
    return path.string();
}

void ModalScript::AnswerNextMessageBox(MessageBoxAnswer answer, WhileOpen whileOpen) {
    m_messageBoxAnswers.push_back({answer, std::move(whileOpen)});
}

void ModalScript::AnswerNextFileDialog(std::optional<std::string> path, WhileOpen whileOpen) {
    m_fileDialogAnswers.push_back({std::move(path), std::move(whileOpen)});
}

MessageBoxAnswer ModalScript::ShowMessageBox(std::string_view text, MessageBoxButtons buttons,
                                             int ownerTemplateId) {
    MessageBoxScript script{DefaultAnswer(buttons), {}};
    if (!m_messageBoxAnswers.empty()) {
        script = std::move(m_messageBoxAnswers.front());
        m_messageBoxAnswers.pop_front();
    }
    m_messageBoxes.push_back({std::string(text), buttons, ownerTemplateId, script.answer});
    if (script.whileOpen) {
        script.whileOpen();
    }
    return script.answer;
}

std::optional<std::string> ModalScript::ShowFileDialog(const window::FileDialogRequest& request,
                                                       int ownerTemplateId) {
    FileDialogScript script;
    if (!m_fileDialogAnswers.empty()) {
        script = std::move(m_fileDialogAnswers.front());
        m_fileDialogAnswers.pop_front();
    }
    std::optional<std::string> answer;
    if (script.path) {
        answer = ChosenPath(*script.path, request.defaultExtension);
    }
    m_fileDialogs.push_back({request.kind, std::string(request.filter),
                             std::string(request.defaultExtension),
                             std::string(request.initialName), ownerTemplateId, answer});
    if (script.whileOpen) {
        script.whileOpen();
    }
    return answer;
}

int ModalScript::UnusedAnswers() const {
    return static_cast<int>(m_messageBoxAnswers.size() + m_fileDialogAnswers.size());
}

}  // namespace corvid::headless
