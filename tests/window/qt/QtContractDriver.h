#pragma once

#include <QObject>
#include <deque>
#include <memory>
#include <vector>

#include "platform/qt/ManualTimerSource.h"
#include "platform/qt/QtWindowSystem.h"
#include "tests/window/contract/ContractDriver.h"

namespace corvid::window::qt {

// Answers the message boxes and file dialogs that open, from inside their own
// nested loops, with what the test has queued: unasked boxes get OK or No and
// unasked file dialogs are cancelled.
class ModalAnswerer final : public QObject {
  public:
    ModalAnswerer();
    ~ModalAnswerer() override;

    void QueueMessageBoxAnswer(MessageBoxAnswer answer, std::function<void()> whileOpen);
    void QueueFileDialogAnswer(std::optional<std::string> path);
    [[nodiscard]] const std::string& LastMessageBoxText() const { return lastText; }
    [[nodiscard]] int MessageBoxCount() const { return count; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct BoxAnswer {
        MessageBoxAnswer answer;
        std::function<void()> whileOpen;
    };
    void Answer(QWidget& modal);

    std::deque<BoxAnswer> boxAnswers;
    std::deque<std::optional<std::string>> fileAnswers;
    std::string lastText;
    int count = 0;
};

// The contract suite's hands on the Qt adapter: real mouse and key events
// through QTest, and manual timer time.
class QtContractDriver final : public contract::ContractDriver {
  public:
    QtContractDriver();
    ~QtContractDriver() override;

    WindowSystem& System() override { return system; }
    DialogWindow* Open(const DialogTemplate& layout, DialogHandler& handler) override;
    [[nodiscard]] std::optional<int> EndCode() const override;
    void CloseBox() override;

    void Click(int controlId) override;
    void Type(int controlId, std::string_view text) override;
    void PressEnter(int focusedControlId) override;
    void PressEscape(int focusedControlId) override;
    void ClickArrow(int upDownId, contract::Arrow arrow) override;
    void ScrollStep(int scrollBarId, ScrollCode code) override;
    void DragThumb(int scrollBarId, int position) override;
    void ClickList(int listId, Point client) override;
    [[nodiscard]] Point RowPoint(int listId, int row) const override;

    void AdvanceTime(int milliseconds) override;
    void DeliverPending() override;

    void AnswerNextMessageBox(MessageBoxAnswer answer, std::function<void()> whileOpen) override;
    void AnswerNextFileDialog(std::optional<std::string> path) override;
    [[nodiscard]] std::string LastMessageBoxText() const override;
    [[nodiscard]] int MessageBoxCount() const override;

    [[nodiscard]] QtDialog& Current() const;
    [[nodiscard]] QWidget& WidgetOf(int controlId) const;
    [[nodiscard]] ManualTimerSource& Timers() { return timers; }

  private:
    void PressKey(int focusedControlId, Qt::Key key);
    // A dialog that has ended gets its WM_DESTROY as soon as the action that
    // ended it is over.
    void FinishIfEnded();

    ManualTimerSource timers;
    QtWindowSystem system;
    ModalAnswerer answerer;
    std::vector<std::unique_ptr<QtDialog>> dialogs;
};

}  // namespace corvid::window::qt
