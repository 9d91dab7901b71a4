#pragma once

#include <cstdint>

#include "platform/headless/HeadlessControls.h"

namespace corvid::headless {

// The two arrows of an up-down: UP is the upper (or right) one.
enum class SpinArrow : std::uint8_t { UP, DOWN };

class HeadlessScrollBar final : public HeadlessControl<window::ScrollBar> {
  public:
    using HeadlessControl::HeadlessControl;

    void SetRange(int minimum, int maximum, int page) override;
    void SetPosition(int position) override;
    [[nodiscard]] int Position() const override { return m_position; }

    // A step of the user: the code goes to the dialog, which moves the thumb
    // itself, and SB_ENDSCROLL follows when the button is released.
    void Step(window::ScrollCode code);
    // The user drags the thumb to `position`: it moves there (within the
    // range) and SB_THUMBTRACK goes out with where it is.
    void TrackThumb(int position);
    // The user lets go of the thumb: SB_THUMBPOSITION, then SB_ENDSCROLL.
    void ReleaseThumb();

    [[nodiscard]] int Minimum() const { return m_minimum; }
    [[nodiscard]] int Maximum() const { return m_maximum; }
    [[nodiscard]] int Page() const { return m_page; }
    // The thumb's highest position: a page reaches to the range's end.
    [[nodiscard]] int MaximumPosition() const;

  private:
    void SendScroll(window::ScrollCode code, int thumbPosition);
    [[nodiscard]] int Clamp(int position) const;

    int m_minimum = 0;
    int m_maximum = 100;
    int m_page = 0;
    int m_position = 0;
};

class HeadlessUpDown final : public HeadlessControl<window::UpDown> {
  public:
    // The range of a new up-down.
    static constexpr int DEFAULT_LOWER = 100;
    static constexpr int DEFAULT_UPPER = 0;

    using HeadlessControl::HeadlessControl;

    void SetRange(int lower, int upper) override;
    void SetPosition(int position) override;
    [[nodiscard]] std::int16_t Position() const override { return m_position; }

    // The user clicks an arrow: UDN_DELTAPOS proposes the step, and the
    // position moves unless the dialog answers 1.
    void ClickArrow(SpinArrow arrow);
    // The step an arrow proposes with the current range.
    [[nodiscard]] int Step(SpinArrow arrow) const;

    [[nodiscard]] int Lower() const { return m_lower; }
    [[nodiscard]] int Upper() const { return m_upper; }

  private:
    void Move(int delta);
    [[nodiscard]] int Clamp(int position) const;

    std::int16_t m_lower = DEFAULT_LOWER;
    std::int16_t m_upper = DEFAULT_UPPER;
    std::int16_t m_position = 0;
};

}  // namespace corvid::headless
