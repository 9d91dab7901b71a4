#include "platform/headless/HeadlessWindowSystem.h"

#include <algorithm>
#include <stdexcept>

namespace corvid::headless {

HeadlessWindowSystem::HeadlessWindowSystem() = default;
HeadlessWindowSystem::~HeadlessWindowSystem() = default;

HeadlessDialog& HeadlessWindowSystem::Open(const window::DialogTemplate& layout,
                                           window::DialogHandler& handler,
                                           window::DialogWindow* owner) {
    m_dialogs.push_back(std::make_unique<HeadlessDialog>(*this, layout, handler, owner));
    HeadlessDialog& dialog = *m_dialogs.back();
    dialog.Initialize();
    return dialog;
}

int HeadlessWindowSystem::DoModal(const window::DialogTemplate& layout,
                                  window::DialogHandler& handler, window::DialogWindow* owner) {
    HeadlessDialog& dialog = Open(layout, handler, owner);
    const auto script = m_scripts.find(layout.id);
    if (dialog.IsOpen() && script != m_scripts.end() && script->second) {
        // A copy: the script may set another one for this template.
        const DialogScript run = script->second;
        run(dialog);
    }
    if (dialog.IsOpen()) {
        dialog.CloseBox();
    }
    const std::optional<int> code = dialog.EndCode();
    if (!code) {
        throw std::logic_error("dialog " + std::to_string(layout.id) +
                               " is still open after its close box");
    }
    return *code;
}

void HeadlessWindowSystem::ScriptDialog(int templateId, DialogScript script) {
    m_scripts[templateId] = std::move(script);
}

window::MessageBoxAnswer HeadlessWindowSystem::ShowMessageBox(std::string_view text,
                                                              window::MessageBoxButtons buttons) {
    return m_modals.ShowMessageBox(text, buttons, 0);
}

void HeadlessWindowSystem::SetDialogColors(window::Color background, window::Color text) {
    m_colors = DialogColors{background, text};
}

void HeadlessWindowSystem::AdvanceTime(int milliseconds) {
    const std::int64_t target = m_now + std::max(milliseconds, 0);
    DeliverPosted();
    for (;;) {
        HeadlessDialog* dialog = nullptr;
        HeadlessDialog::DueTick tick;
        // Indexes, not iterators: a tick may open another dialog.
        for (std::size_t index = 0; index < m_dialogs.size(); ++index) {
            const std::optional<HeadlessDialog::DueTick> due = m_dialogs[index]->NextTick(target);
            if (due && (dialog == nullptr || due->due < tick.due)) {
                dialog = m_dialogs[index].get();
                tick = *due;
            }
        }
        if (dialog == nullptr) {
            break;
        }
        m_now = std::max(m_now, tick.due);
        dialog->FireTimer(tick.timerId);
        DeliverPosted();
    }
    m_now = std::max(m_now, target);
}

void HeadlessWindowSystem::DeliverPosted() {
    for (std::size_t index = 0; index < m_dialogs.size(); ++index) {
        m_dialogs[index]->DeliverPosted();
    }
}

std::vector<HeadlessDialog*> HeadlessWindowSystem::Dialogs() const {
    std::vector<HeadlessDialog*> dialogs;
    dialogs.reserve(m_dialogs.size());
    for (const auto& dialog : m_dialogs) {
        dialogs.push_back(dialog.get());
    }
    return dialogs;
}

HeadlessDialog* HeadlessWindowSystem::LastDialog(int templateId) const {
    const auto found = std::find_if(
        m_dialogs.rbegin(), m_dialogs.rend(),
        [templateId](const auto& dialog) { return dialog->TemplateId() == templateId; });
    return found == m_dialogs.rend() ? nullptr : found->get();
}

int HeadlessWindowSystem::DialogCount(int templateId) const {
    return static_cast<int>(std::count_if(
        m_dialogs.begin(), m_dialogs.end(),
        [templateId](const auto& dialog) { return dialog->TemplateId() == templateId; }));
}

}  // namespace corvid::headless
