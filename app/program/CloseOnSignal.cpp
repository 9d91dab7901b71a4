#include "app/program/CloseOnSignal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace corvid::app {
namespace {

constexpr std::array<int, 3> CLOSING_SIGNALS = {SIGTERM, SIGINT, SIGHUP};
// A box may be open over the window; the close is tried again this often.
constexpr int RETRY_MILLISECONDS = 200;

// The pipe's write end, for the handler, which can reach nothing else.
volatile std::sig_atomic_t signalPipe = -1;

void WriteSignalByte(int /*signal*/) {
    const int savedErrno = errno;
    const char byte = 1;
    // A full pipe already holds a wake-up; nothing is lost by dropping this one.
    static_cast<void>(::write(signalPipe, &byte, 1));
    errno = savedErrno;
}

}  // namespace

CloseOnSignal::CloseOnSignal(CloseFunction close) : m_close(std::move(close)) {
    std::array<int, 2> ends{-1, -1};
    if (signalPipe != -1 || ::pipe2(ends.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    m_read = tracklist::FileDescriptor(ends[0]);
    m_write = tracklist::FileDescriptor(ends[1]);
    signalPipe = m_write.Get();
    m_notifier = new QSocketNotifier(m_read.Get(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CloseOnSignal::OnSignalled);
    m_retry.setInterval(RETRY_MILLISECONDS);
    connect(&m_retry, &QTimer::timeout, this, &CloseOnSignal::Attempt);

    struct sigaction action {};
    action.sa_handler = WriteSignalByte;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t index = 0; index < CLOSING_SIGNALS.size(); ++index) {
        ::sigaction(CLOSING_SIGNALS[index], &action, &m_saved[index]);
    }
    m_handlersSet = true;
}

CloseOnSignal::~CloseOnSignal() {
    RestoreHandlers();
    if (signalPipe == m_write.Get()) {
        signalPipe = -1;
    }
}

void CloseOnSignal::RestoreHandlers() {
    if (!m_handlersSet) {
        return;
    }
    for (std::size_t index = 0; index < CLOSING_SIGNALS.size(); ++index) {
        ::sigaction(CLOSING_SIGNALS[index], &m_saved[index], nullptr);
    }
    m_handlersSet = false;
}

void CloseOnSignal::OnSignalled() {
    char bytes[16];
    while (::read(m_read.Get(), bytes, sizeof bytes) > 0) {
    }
    RestoreHandlers();
    Attempt();
}

void CloseOnSignal::Attempt() {
    if (m_close() == CloseAttempt::Closed) {
        m_retry.stop();
        return;
    }
    m_retry.start();
}

}  // namespace corvid::app
