#include "platform/sound/PulseHandles.h"

namespace corvid::sound {

void MainloopDeleter::operator()(pa_threaded_mainloop* mainloop) const {
    pa_threaded_mainloop_free(mainloop);
}

void ContextDeleter::operator()(pa_context* context) const {
    Silence(context);
    pa_context_disconnect(context);
    pa_context_unref(context);
}

void StreamDeleter::operator()(pa_stream* stream) const {
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    pa_stream_set_latency_update_callback(stream, nullptr, nullptr);
    if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) {
        pa_stream_disconnect(stream);
    }
    pa_stream_unref(stream);
}

void OperationDeleter::operator()(pa_operation* operation) const {
    pa_operation_cancel(operation);
    pa_operation_unref(operation);
}

void TimeEventDeleter::operator()(pa_time_event* event) const {
    m_api->time_free(event);
}

void Silence(pa_context* context) {
    pa_context_set_state_callback(context, nullptr, nullptr);
    pa_context_set_subscribe_callback(context, nullptr, nullptr);
}

void Forget(pa_operation* operation) {
    if (operation != nullptr) {
        pa_operation_unref(operation);
    }
}

LoopLock::LoopLock(pa_threaded_mainloop* mainloop) {
    if (mainloop != nullptr && pa_threaded_mainloop_in_thread(mainloop) == 0) {
        m_mainloop = mainloop;
        pa_threaded_mainloop_lock(m_mainloop);
    }
}

LoopLock::~LoopLock() {
    if (m_mainloop != nullptr) {
        pa_threaded_mainloop_unlock(m_mainloop);
    }
}

}  // namespace corvid::sound
