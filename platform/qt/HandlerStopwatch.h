#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/window/Message.h"

namespace corvid::window::qt {

// Measures how long each message handler holds the window's thread. A
// handler that sends another message (an edit's change notice, say) holds
// the thread for both: the time is the outer one's. A nested modal loop (a
// message box, a file dialog, another dialog's DoModal) pauses the handlers
// that opened it, and the messages handled inside it are timed on their own.
//
// Threads: the window's thread only.
class HandlerStopwatch {
  public:
    using Duration = std::chrono::nanoseconds;
    // The time now, from any fixed start; steady_clock in the program.
    using Clock = std::function<Duration()>;

    struct Figures {
        std::string label;
        Duration longest{};
        Duration total{};
        std::int64_t count = 0;
    };

    // Upper bounds of the histogram's bins in milliseconds; one more bin
    // holds everything longer.
    static constexpr std::array<int, 9> BIN_LIMITS_MILLISECONDS = {1,  2,   5,   10, 20,
                                                                   50, 100, 200, 500};

    explicit HandlerStopwatch(Clock now);

    // A handler of the message named `label` starts and ends.
    void Enter(const std::string& label);
    void Leave();
    // A nested modal loop starts and ends.
    void EnterModal();
    void LeaveModal();

    // Every label with its figures, the longest first.
    [[nodiscard]] std::vector<Figures> ByLongest() const;
    // How many handler runs fell in each bin.
    [[nodiscard]] std::array<std::int64_t, BIN_LIMITS_MILLISECONDS.size() + 1> Histogram() const {
        return m_bins;
    }
    // The figures as text: the longest run, then every label, then the bins.
    [[nodiscard]] std::string Report() const;

  private:
    // The handlers running in one modal loop: the outermost is timed.
    struct Level {
        std::string label;
        int depth = 0;
        Duration started{};
        Duration held{};
    };

    void Record(const std::string& label, Duration held);

    Clock m_now;
    std::vector<Level> m_levels{1};
    std::map<std::string, Figures> m_figures;
    std::array<std::int64_t, BIN_LIMITS_MILLISECONDS.size() + 1> m_bins{};
};

// A stopwatch on steady_clock.
HandlerStopwatch::Clock SteadyClock();

// The label of a message in the figures: "WM_COMMAND BN_CLICKED 1007",
// "WM_TIMER 1", "WM_HSCROLL 1013".
std::string MessageLabel(const MessageParams& message);

// Times one handler run while in scope; does nothing without a stopwatch.
class HandlerTiming {
  public:
    HandlerTiming(HandlerStopwatch* stopwatch, const std::string& label) : m_stopwatch(stopwatch) {
        if (m_stopwatch != nullptr) {
            m_stopwatch->Enter(label);
        }
    }
    ~HandlerTiming() {
        if (m_stopwatch != nullptr) {
            m_stopwatch->Leave();
        }
    }
    HandlerTiming(const HandlerTiming&) = delete;
    HandlerTiming& operator=(const HandlerTiming&) = delete;

  private:
    HandlerStopwatch* m_stopwatch;
};

// Pauses the running handlers while a nested modal loop runs in scope.
class ModalPause {
  public:
    explicit ModalPause(HandlerStopwatch* stopwatch) : m_stopwatch(stopwatch) {
        if (m_stopwatch != nullptr) {
            m_stopwatch->EnterModal();
        }
    }
    ~ModalPause() {
        if (m_stopwatch != nullptr) {
            m_stopwatch->LeaveModal();
        }
    }
    ModalPause(const ModalPause&) = delete;
    ModalPause& operator=(const ModalPause&) = delete;

  private:
    HandlerStopwatch* m_stopwatch;
};

}  // namespace corvid::window::qt
