#include "platform/mci/PlayNotice.h"

namespace corvid::mci {

void PlayNotice::Finish(MciNotifyCode code) {
    {
        std::lock_guard lock(m_mutex);
        if (m_code) {
            return;
        }
        if (m_discGone && code == MciNotifyCode::Superseded) {
            code = MciNotifyCode::Failure;
        }
        m_code = code;
    }
    m_ended.notify_all();
    if (m_window != nullptr) {
        m_window->PostMciNotify(code);
    }
}

void PlayNotice::MarkDiscGone() {
    std::lock_guard lock(m_mutex);
    m_discGone = true;
}

MciNotifyCode PlayNotice::WaitForEnd() {
    std::unique_lock lock(m_mutex);
    m_ended.wait(lock, [this] { return m_code.has_value(); });
    return *m_code;
}

}  // namespace corvid::mci
