#include "tests/window/headless/HeadlessContractDriver.h"

#include <stdexcept>

namespace corvid::headless {

window::DialogWindow* HeadlessContractDriver::Open(const window::DialogTemplate& layout,
                                                   window::DialogHandler& handler) {
    m_current = &m_system.Open(layout, handler);
    return m_current->IsOpen() ? m_current : nullptr;
}

HeadlessDialog& HeadlessContractDriver::Current() const {
    if (m_current == nullptr) {
        throw std::logic_error("no dialog was opened");
    }
    return *m_current;
}

std::optional<int> HeadlessContractDriver::EndCode() const {
    return Current().EndCode();
}

void HeadlessContractDriver::CloseBox() {
    Current().CloseBox();
}

void HeadlessContractDriver::Click(int controlId) {
    Current().Click(controlId);
}

void HeadlessContractDriver::Type(int controlId, std::string_view text) {
    Current().TypeText(controlId, text);
}

void HeadlessContractDriver::PressEnter(int focusedControlId) {
    Current().Focus(focusedControlId);
    Current().PressEnter();
}

void HeadlessContractDriver::PressEscape(int focusedControlId) {
    Current().Focus(focusedControlId);
    Current().PressEscape();
}

void HeadlessContractDriver::ClickArrow(int upDownId, window::contract::Arrow arrow) {
    Current().ClickArrow(upDownId,
                         arrow == window::contract::Arrow::UP ? SpinArrow::UP : SpinArrow::DOWN);
}

void HeadlessContractDriver::ScrollStep(int scrollBarId, window::ScrollCode code) {
    Current().ScrollStep(scrollBarId, code);
}

void HeadlessContractDriver::DragThumb(int scrollBarId, int position) {
    Current().DragThumb(scrollBarId, position);
}

void HeadlessContractDriver::ClickList(int listId, window::Point client) {
    Current().ClickList(listId, client);
}

window::Point HeadlessContractDriver::RowPoint(int listId, int row) const {
    return Current().RowPoint(listId, row);
}

void HeadlessContractDriver::AnswerNextMessageBox(window::MessageBoxAnswer answer,
                                                  std::function<void()> whileOpen) {
    m_system.AnswerNextMessageBox(answer, std::move(whileOpen));
}

void HeadlessContractDriver::AnswerNextFileDialog(std::optional<std::string> path) {
    m_system.AnswerNextFileDialog(std::move(path));
}

std::string HeadlessContractDriver::LastMessageBoxText() const {
    const auto& boxes = m_system.MessageBoxes();
    return boxes.empty() ? std::string() : boxes.back().text;
}

int HeadlessContractDriver::MessageBoxCount() const {
    return static_cast<int>(m_system.MessageBoxes().size());
}

}  // namespace corvid::headless
