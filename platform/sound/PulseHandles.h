#pragma once

#include <pulse/pulseaudio.h>

#include <memory>

namespace corvid::sound {

// Owners of libpulse's handles. The context and stream owners take the
// callbacks away first, so that nothing calls back into an owner that is going.

struct MainloopDeleter {
    void operator()(pa_threaded_mainloop* mainloop) const;
};
using MainloopPtr = std::unique_ptr<pa_threaded_mainloop, MainloopDeleter>;

struct ContextDeleter {
    void operator()(pa_context* context) const;
};
using ContextPtr = std::unique_ptr<pa_context, ContextDeleter>;

struct StreamDeleter {
    void operator()(pa_stream* stream) const;
};
using StreamPtr = std::unique_ptr<pa_stream, StreamDeleter>;

// Cancels the operation as well: its callback never runs once let go.
struct OperationDeleter {
    void operator()(pa_operation* operation) const;
};
using OperationPtr = std::unique_ptr<pa_operation, OperationDeleter>;

class TimeEventDeleter {
  public:
    TimeEventDeleter() = default;
    explicit TimeEventDeleter(const pa_mainloop_api* api) : m_api(api) {}
    void operator()(pa_time_event* event) const;

  private:
    const pa_mainloop_api* m_api = nullptr;
};
using TimeEventPtr = std::unique_ptr<pa_time_event, TimeEventDeleter>;

// Clears a context's callbacks without letting it go.
void Silence(pa_context* context);
// Drops an operation whose answer nobody waits for; it still runs.
void Forget(pa_operation* operation);

// Holds the threaded main loop's lock. On the loop's own thread, where
// callbacks already hold it, it does nothing, so that a source's callback may
// call the sink.
class LoopLock {
  public:
    explicit LoopLock(pa_threaded_mainloop* mainloop);
    ~LoopLock();
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

  private:
    pa_threaded_mainloop* m_mainloop = nullptr;
};

}  // namespace corvid::sound
