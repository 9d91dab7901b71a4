#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/mci/MciDevice.h"
#include "platform/sound/ManualSink.h"
#include "tests/support/FakeDrive.h"

namespace corvid::mci {

using corvid::testing::FakeDrive;
using corvid::testing::MakeToc;

// Keeps the notices posted to it, from any thread.
class RecordingWindow final : public NotifyWindow {
  public:
    void PostMciNotify(MciNotifyCode code) override {
        std::lock_guard lock(m_mutex);
        m_notices.push_back(code);
    }
    [[nodiscard]] std::vector<MciNotifyCode> Notices() const {
        std::lock_guard lock(m_mutex);
        return m_notices;
    }

  private:
    mutable std::mutex m_mutex;
    std::vector<MciNotifyCode> m_notices;
};

struct Reply {
    MciError error = MCIERR_NONE;
    std::string answer;
};

// Tracks at LBA 0, 20000 and 45000, the lead-out at 70000.
inline cdrom::Toc ThreeTracks() {
    return MakeToc({{20000}, {25000}, {25000}});
}

// A device over a FakeDrive of the test's making and a manual sink.
class MciDeviceTest : public ::testing::Test {
  protected:
    Reply Send(std::string_view command, std::size_t answerSize = 64,
               NotifyWindow* window = nullptr) {
        // Filled with junk, so that an answer left unwritten shows.
        std::vector<char> answer(answerSize, 'x');
        Reply reply;
        reply.error = m_device.SendString(command, answer, window);
        reply.answer.assign(answer.begin(), std::find(answer.begin(), answer.end(), '\0'));
        return reply;
    }
    // The answer of a command that must succeed.
    std::string Ask(std::string_view command) {
        const Reply reply = Send(command);
        EXPECT_EQ(reply.error, MCIERR_NONE) << command;
        return reply.answer;
    }
    void OpenWith(cdrom::Toc toc) {
        auto drive = std::make_unique<FakeDrive>(std::move(toc));
        m_drive = drive.get();
        m_nextOpen = {std::move(drive), std::nullopt};
        ASSERT_EQ(Send("open cdaudio shareable wait").error, MCIERR_NONE);
    }

    sound::ManualSink m_sink;
    cdrom::DriveOpenResult m_nextOpen;
    int m_opens = 0;
    FakeDrive* m_drive = nullptr;  // owned by the device once open
    MciDevice m_device{[this] {
                           ++m_opens;
                           return std::move(m_nextOpen);
                       },
                       m_sink};
};

}  // namespace corvid::mci
