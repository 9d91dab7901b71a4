#pragma once

#include "platform/headless/HeadlessWindowSystem.h"
#include "tests/window/contract/ContractDriver.h"

namespace corvid::headless {

// The contract suite's hands on the headless adapter.
class HeadlessContractDriver final : public window::contract::ContractDriver {
  public:
    window::WindowSystem& System() override { return m_system; }
    window::DialogWindow* Open(const window::DialogTemplate& layout,
                               window::DialogHandler& handler) override;
    [[nodiscard]] std::optional<int> EndCode() const override;
    void CloseBox() override;

    void Click(int controlId) override;
    void Type(int controlId, std::string_view text) override;
    void PressEnter(int focusedControlId) override;
    void PressEscape(int focusedControlId) override;
    void ClickArrow(int upDownId, window::contract::Arrow arrow) override;
    void ScrollStep(int scrollBarId, window::ScrollCode code) override;
    void DragThumb(int scrollBarId, int position) override;
    void ClickList(int listId, window::Point client) override;
    [[nodiscard]] window::Point RowPoint(int listId, int row) const override;

    void AdvanceTime(int milliseconds) override { m_system.AdvanceTime(milliseconds); }
    void DeliverPending() override { m_system.DeliverPosted(); }

    void AnswerNextMessageBox(window::MessageBoxAnswer answer,
                              std::function<void()> whileOpen) override;
    void AnswerNextFileDialog(std::optional<std::string> path) override;
    [[nodiscard]] std::string LastMessageBoxText() const override;
    [[nodiscard]] int MessageBoxCount() const override;

  private:
    HeadlessDialog& Current() const;

    HeadlessWindowSystem m_system;
    HeadlessDialog* m_current = nullptr;
};

}  // namespace corvid::headless
