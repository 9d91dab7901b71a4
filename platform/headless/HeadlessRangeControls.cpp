#include "platform/headless/HeadlessRangeControls.h"

#include <algorithm>
#include <limits>

namespace corvid::headless {

using window::ScrollCode;

namespace {

std::int16_t ToInt16(int value) {
    return static_cast<std::int16_t>(std::clamp<int>(
        value, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

}  // namespace

void HeadlessScrollBar::SetRange(int minimum, int maximum, int page) {
    Host().NoteDrawRequest();
    m_minimum = minimum;
    m_maximum = std::max(minimum, maximum);
    m_page = std::clamp(page, 0, m_maximum - m_minimum + 1);
    m_position = Clamp(m_position);
}

void HeadlessScrollBar::SetPosition(int position) {
    Host().NoteDrawRequest();
    m_position = Clamp(position);
}

int HeadlessScrollBar::MaximumPosition() const {
    return std::max(m_minimum, m_maximum - std::max(m_page - 1, 0));
}

int HeadlessScrollBar::Clamp(int position) const {
    return std::clamp(position, m_minimum, MaximumPosition());
}

void HeadlessScrollBar::Step(ScrollCode code) {
    SendScroll(code, 0);
    SendScroll(window::SB_ENDSCROLL, 0);
}

void HeadlessScrollBar::TrackThumb(int position) {
    m_position = Clamp(position);
    SendScroll(window::SB_THUMBTRACK, m_position);
}

void HeadlessScrollBar::ReleaseThumb() {
    SendScroll(window::SB_THUMBPOSITION, m_position);
    SendScroll(window::SB_ENDSCROLL, 0);
}

void HeadlessScrollBar::SendScroll(ScrollCode code, int thumbPosition) {
    window::MessageParams params;
    params.message = window::WM_HSCROLL;
    params.controlId = Id();
    params.scrollCode = code;
    params.thumbPosition = thumbPosition;
    Host().Notify(params);
}

void HeadlessUpDown::SetRange(int lower, int upper) {
    Host().NoteDrawRequest();
    m_lower = ToInt16(lower);
    m_upper = ToInt16(upper);
    m_position = ToInt16(Clamp(m_position));
}

void HeadlessUpDown::SetPosition(int position) {
    Host().NoteDrawRequest();
    m_position = ToInt16(Clamp(position));
}

int HeadlessUpDown::Clamp(int position) const {
    return std::clamp<int>(position, std::min(m_lower, m_upper), std::max(m_lower, m_upper));
}

int HeadlessUpDown::Step(SpinArrow arrow) const {
    const int upStep = m_lower <= m_upper ? 1 : -1;
    return arrow == SpinArrow::UP ? upStep : -upStep;
}

void HeadlessUpDown::ClickArrow(SpinArrow arrow) {
    window::MessageParams params;
    params.message = window::WM_NOTIFY;
    params.code = window::UDN_DELTAPOS;
    params.controlId = Id();
    params.upDown = {.position = m_position, .delta = Step(arrow)};
    const window::MessageResult result = Host().Notify(params);
    if (result == 1) {
        return;
    }
    Move(params.upDown.delta);
}

void HeadlessUpDown::Move(int delta) {
    const int lowest = std::min(m_lower, m_upper);
    const int highest = std::max(m_lower, m_upper);
    const int proposed = m_position + delta;
    const bool wraps = HasStyle(window::ControlStyle::WRAP);
    if (proposed > highest) {
        m_position = ToInt16(wraps ? lowest : highest);
    } else if (proposed < lowest) {
        m_position = ToInt16(wraps ? highest : lowest);
    } else {
        m_position = ToInt16(proposed);
    }
}

}  // namespace corvid::headless
