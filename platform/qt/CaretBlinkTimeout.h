#pragma once

#include <QObject>
#include <memory>

#include "platform/qt/TimerSource.h"

namespace corvid::window::qt {

// Stops the text caret's blinking after a while without input, as GTK
// desktops do, and starts it again at the next key or click. A blinking caret
// redraws the window twice a second for as long as it stays open.
class CaretBlinkTimeout final : public QObject {
  public:
    static constexpr int TIMEOUT_MILLISECONDS = 10'000;

    // Watches the application's input; a QApplication must exist.
    explicit CaretBlinkTimeout(TimerSource& timers);
    ~CaretBlinkTimeout() override;
    CaretBlinkTimeout(const CaretBlinkTimeout&) = delete;
    CaretBlinkTimeout& operator=(const CaretBlinkTimeout&) = delete;
    CaretBlinkTimeout(CaretBlinkTimeout&&) = delete;
    CaretBlinkTimeout& operator=(CaretBlinkTimeout&&) = delete;

    [[nodiscard]] bool IsBlinking() const { return !stopped; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void Restart();

    TimerSource& timers;
    std::unique_ptr<RunningTimer> timer;
    // The desktop's flash time, put back when the caret blinks again.
    int flashMilliseconds = 0;
    bool stopped = false;
};

}  // namespace corvid::window::qt
