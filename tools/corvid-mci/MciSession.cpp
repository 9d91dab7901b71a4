#include "tools/corvid-mci/MciSession.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <istream>
#include <mutex>
#include <ostream>
#include <string_view>

#include "cdaudio/CdAudio.h"
#include "platform/mci/MciDevice.h"
#include "platform/sound/PulseSink.h"
#include "platform/sound/SinkMixer.h"

namespace corvid::tools {

namespace {

// Room enough for any answer of the device.
constexpr std::size_t ANSWER_SIZE = 256;

class StreamMessages final : public MessagePort {
  public:
    explicit StreamMessages(std::ostream& errors) : m_errors(errors) {}
    void ShowMessage(std::string_view text) override { m_errors << text << '\n'; }

  private:
    std::ostream& m_errors;
};

// Prints each play notice and wakes the wait for the end of play.
class NoticePrinter final : public NotifyWindow {
  public:
    explicit NoticePrinter(std::ostream& output) : m_output(output) {}

    void PostMciNotify(MciNotifyCode code) override {
        std::lock_guard lock(m_mutex);
        m_pending.push_back(code);
        m_changed.notify_all();
    }

    // Waits up to `timeout` for a notice; prints those that came.
    void WaitAndPrint(std::chrono::milliseconds timeout) {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, timeout, [this] { return !m_pending.empty(); });
        PrintPendingLocked();
    }

    void PrintPending() {
        std::lock_guard lock(m_mutex);
        PrintPendingLocked();
    }

  private:
    void PrintPendingLocked() {
        for (const MciNotifyCode code : m_pending) {
            m_output << "notify: " << NoticeName(code) << '\n' << std::flush;
        }
        m_pending.clear();
    }

    static std::string_view NoticeName(MciNotifyCode code) {
        switch (code) {
            case MciNotifyCode::Successful:
                return "successful";
            case MciNotifyCode::Superseded:
                return "superseded";
            case MciNotifyCode::Aborted:
                return "aborted";
            case MciNotifyCode::Failure:
                return "failure";
        }
        return "unknown";
    }

    std::ostream& m_output;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<MciNotifyCode> m_pending;
};

std::string Query(MciPort& device, std::string_view command) {
    std::array<char, ANSWER_SIZE> answer{};
    if (device.SendString(command, answer, nullptr) != MCIERR_NONE) {
        return {};
    }
    return answer.data();
}

void SendAndPrint(MciPort& device, NotifyWindow& notices, std::string_view command,
                  std::ostream& output) {
    std::array<char, ANSWER_SIZE> answer{};
    const MciError error = device.SendString(command, answer, &notices);
    if (error != MCIERR_NONE) {
        output << "error " << error << ": " << device.GetErrorString(error) << '\n';
        return;
    }
    if (answer[0] != '\0') {
        output << answer.data() << '\n';
    }
}

void WaitWhilePlaying(MciPort& device, NoticePrinter& notices, std::ostream& output) {
    while (Query(device, "status cdaudio mode") == "playing") {
        output << Query(device, "status cdaudio position") << '\n' << std::flush;
        notices.WaitAndPrint(std::chrono::seconds(1));
    }
    notices.PrintPending();
}

}  // namespace

int RunMciSession(const MciSessionOptions& options, std::istream& input, std::ostream& output,
                  std::ostream& errors) {
    sound::PulseSink sink;
    sound::SinkMixer mixer(sink);
    mci::MciDevice device([&options] { return cdrom::OpenDrive(options.location); }, sink);
    StreamMessages messages(errors);
    NoticePrinter notices(output);

    // The device object opens the drive, sets the time format and finds the
    // volume control, as the player does; its end closes the drive.
    CCdAudio cd(device, mixer, messages);
    if (cd.m_nOpenError != MCIERR_NONE) {
        return 1;
    }
    if (options.commands.empty()) {
        for (std::string line; std::getline(input, line);) {
            if (!line.empty()) {
                SendAndPrint(device, notices, line, output);
            }
        }
    }
    for (const std::string& command : options.commands) {
        SendAndPrint(device, notices, command, output);
    }
    if (options.after == AfterCommands::WaitWhilePlaying) {
        WaitWhilePlaying(device, notices, output);
    }
    notices.PrintPending();
    return 0;
}

}  // namespace corvid::tools
