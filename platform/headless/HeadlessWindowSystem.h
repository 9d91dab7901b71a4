#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/headless/HeadlessDialog.h"
#include "platform/headless/HeadlessModals.h"
#include "platform/window/WindowSystem.h"

namespace corvid::headless {

// What a test does with a dialog that the code under test runs with DoModal,
// while it is open.
using DialogScript = std::function<void(HeadlessDialog&)>;

// The windowing system in memory, for tests: dialogs that open without
// blocking, a manual clock for their timers, scripted message boxes and file
// dialogs. Everything runs on the test's thread; only PostMciNotify may come
// from another thread, and its notices wait for DeliverPosted or AdvanceTime.
//
//     HeadlessWindowSystem windows;
//     HeadlessDialog& player = windows.Open(res::PLAYER_DIALOG, handler);
//     windows.AnswerNextMessageBox(MessageBoxAnswer::YES);
//     player.Click(res::SAVE_TRACKS_BUTTON);
//     windows.AdvanceTime(400);  // two ticks of a 200 ms timer
//     EXPECT_EQ(windows.MessageBoxes().back().text, "...");
class HeadlessWindowSystem final : public window::WindowSystem {
  public:
    HeadlessWindowSystem();
    ~HeadlessWindowSystem() override;
    HeadlessWindowSystem(const HeadlessWindowSystem&) = delete;
    HeadlessWindowSystem& operator=(const HeadlessWindowSystem&) = delete;

    // Opens the dialog and runs its OnInitDialog. The dialog is then open and
    // idle, unless it ended during OnInitDialog (IsOpen() false, EndCode() set).
    HeadlessDialog& Open(const window::DialogTemplate& layout, window::DialogHandler& handler,
                         window::DialogWindow* owner = nullptr);

    // Opens the dialog, runs the script set for its template id, and then
    // closes it with the close box if it is still open. Throws
    // std::logic_error if the dialog refuses to close.
    int DoModal(const window::DialogTemplate& layout, window::DialogHandler& handler,
                window::DialogWindow* owner) override;
    // The script for every later DoModal of the template; none closes at once.
    void ScriptDialog(int templateId, DialogScript script);

    window::MessageBoxAnswer ShowMessageBox(std::string_view text,
                                            window::MessageBoxButtons buttons) override;
    [[nodiscard]] int ScreenColorCount() const override { return m_screenColors; }
    void SetDialogColors(window::Color background, window::Color text) override;

    // The manual clock: lets the time pass, delivering every timer tick that
    // falls due on the way (each at its time, earliest first) and the posted
    // notices before and after each tick.
    void AdvanceTime(int milliseconds);
    [[nodiscard]] std::int64_t NowMilliseconds() const { return m_now; }
    // Delivers the notices posted to every open dialog.
    void DeliverPosted();

    // Scripted answers of the modal boxes, and their log.
    void AnswerNextMessageBox(window::MessageBoxAnswer answer, WhileOpen whileOpen = {}) {
        m_modals.AnswerNextMessageBox(answer, std::move(whileOpen));
    }
    void AnswerNextFileDialog(std::optional<std::string> path, WhileOpen whileOpen = {}) {
        m_modals.AnswerNextFileDialog(std::move(path), std::move(whileOpen));
    }
    [[nodiscard]] const std::vector<MessageBoxRecord>& MessageBoxes() const {
        return m_modals.MessageBoxes();
    }
    [[nodiscard]] const std::vector<FileDialogRecord>& FileDialogs() const {
        return m_modals.FileDialogs();
    }
    [[nodiscard]] int UnusedAnswers() const { return m_modals.UnusedAnswers(); }
    ModalScript& Modals() { return m_modals; }

    // Every dialog opened so far, in order, closed ones included.
    [[nodiscard]] std::vector<HeadlessDialog*> Dialogs() const;
    // The last dialog opened from the template, or null.
    [[nodiscard]] HeadlessDialog* LastDialog(int templateId) const;
    [[nodiscard]] int DialogCount(int templateId) const;

    void SetScreenColorCount(int colors) { m_screenColors = colors; }
    struct DialogColors {
        window::Color background;
        window::Color text;
    };
    [[nodiscard]] std::optional<DialogColors> Colors() const { return m_colors; }

  private:
    std::vector<std::unique_ptr<HeadlessDialog>> m_dialogs;
    std::map<int, DialogScript> m_scripts;
    ModalScript m_modals;
    std::int64_t m_now = 0;
    int m_screenColors = -1;
    std::optional<DialogColors> m_colors;
};

}  // namespace corvid::headless
