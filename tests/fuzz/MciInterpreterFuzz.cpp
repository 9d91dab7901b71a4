// libFuzzer target for the MCI interpreter: command strings sent to a
// "cdaudio" device over a fake drive and a manual sink. Whatever the text,
// the device answers within the caller's buffer, an error leaves the empty
// text, and nothing crashes, hangs or leaks.
//
// Input: the first byte picks the disc, the second the answer buffer's size.
// The rest is lines. A line is a command string, unless it starts with '!':
//   !s<byte>  the answer size becomes <byte>
//   !o !n !u !r  the drive's tray opens, holds no disc, is not ready, is ready
//   !c<byte>  another disc is put in
//   !f<byte>  reads fail from sector <byte> * 100 on
//   !p<byte>  the sink plays <byte> * 100 sample frames

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "platform/mci/MciCommand.h"
#include "platform/mci/MciDevice.h"
#include "platform/sound/ManualSink.h"
#include "tests/support/FakeDrive.h"

namespace {

using namespace corvid;
using corvid::testing::FakeDrive;
using corvid::testing::FakeTrack;
using corvid::testing::MakeToc;

constexpr std::int64_t FRAMES_PER_PLAY_STEP = 100;
constexpr cdrom::Lba SECTORS_PER_FAIL_STEP = 100;
// Small buffers, so that a play's reader thread does little work per input.
constexpr cdrom::EngineOptions ENGINE_OPTIONS{1, 25};

void Require(bool holds) {
    if (!holds) {
        std::abort();
    }
}

cdrom::Toc DiscNumber(std::uint8_t choice) {
    using cdrom::TrackKind;
    const std::array<std::vector<FakeTrack>, 5> discs = {{
        {{300}, {450}, {150}},
        {{40}},
        {{200, TrackKind::Data}, {300}},
        {{300}, {200, TrackKind::Data}},
        {},
    }};
    return MakeToc(discs[choice % discs.size()]);
}

class CountingWindow final : public NotifyWindow {
  public:
    void PostMciNotify(MciNotifyCode) override {}
};

// The device owns its drive and drops it on "close"; the session keeps the
// fake to act on it between commands.
class SharedDrive final : public cdrom::Drive {
  public:
    explicit SharedDrive(std::shared_ptr<FakeDrive> drive) : m_drive(std::move(drive)) {}
    cdrom::DriveState State() override { return m_drive->State(); }
    std::shared_ptr<const cdrom::Toc> CurrentToc() override { return m_drive->CurrentToc(); }
    bool TakeDiscChanged() override { return m_drive->TakeDiscChanged(); }
    std::optional<cdrom::DriveError> OpenTray() override { return m_drive->OpenTray(); }
    std::optional<cdrom::DriveError> CloseTray() override { return m_drive->CloseTray(); }
    cdrom::ReadResult ReadAudio(cdrom::Lba start, std::span<std::int16_t> samples) override {
        return m_drive->ReadAudio(start, samples);
    }
    void SetReadSpeed(cdrom::ReadSpeed speed) override { m_drive->SetReadSpeed(speed); }
    std::string Name() const override { return m_drive->Name(); }

  private:
    std::shared_ptr<FakeDrive> m_drive;
};

class Session {
  public:
    explicit Session(std::uint8_t disc, std::size_t answerSize)
        : m_nextDisc(DiscNumber(disc)), m_answerSize(answerSize) {}

    void Run(std::string_view line) {
        if (!line.empty() && line.front() == '!') {
            Event(line.substr(1));
            return;
        }
        Send(line);
    }

  private:
    void Send(std::string_view command) {
        // A play that waits blocks until the sink has heard the disc to its
        // end, and this sink moves only between commands.
        const std::optional<mci::Command> parsed = mci::ParseCommand(command);
        if (parsed && std::holds_alternative<mci::PlayCommand>(*parsed) &&
            mci::FlagsOf(*parsed).wait == mci::WaitFlag::Wait) {
            return;
        }
        std::vector<char> answer(m_answerSize, 'x');
        const MciError error = m_device.SendString(command, answer, &m_window);
        if (answer.empty()) {
            return;
        }
        Require(std::find(answer.begin(), answer.end(), '\0') != answer.end());
        if (error != MCIERR_NONE) {
            Require(answer.front() == '\0');
        }
        Require(error == MCIERR_NONE || !m_device.GetErrorString(error).empty());
    }

    void Event(std::string_view event) {
        if (event.empty()) {
            return;
        }
        const auto value = static_cast<std::uint8_t>(event.size() > 1 ? event[1] : 0);
        switch (event.front()) {
            case 's':
                m_answerSize = value;
                return;
            case 'c':
                if (m_drive != nullptr) {
                    m_drive->ChangeDisc(DiscNumber(value));
                }
                return;
            case 'f':
                if (m_drive != nullptr) {
                    m_drive->FailReadsFrom(value * SECTORS_PER_FAIL_STEP);
                }
                return;
            case 'p':
                PlayFrames(value * FRAMES_PER_PLAY_STEP);
                return;
            default:
                SetState(event.front());
        }
    }

    void SetState(char state) {
        if (m_drive == nullptr) {
            return;
        }
        switch (state) {
            case 'o':
                m_drive->SetState(cdrom::DriveState::TrayOpen);
                return;
            case 'n':
                m_drive->SetState(cdrom::DriveState::NoDisc);
                return;
            case 'u':
                m_drive->SetState(cdrom::DriveState::NotReady);
                return;
            case 'r':
                m_drive->SetState(cdrom::DriveState::Ready);
                return;
            default:
                return;
        }
    }

    void PlayFrames(std::int64_t frames) {
        m_sink.SetBeforePull(
            [this](std::int64_t wanted) { m_device.Engine().WaitUntilBuffered(wanted); });
        m_sink.Consume(frames);
        m_sink.SetBeforePull({});
    }

    cdrom::DriveOpenResult Open() {
        m_drive = std::make_shared<FakeDrive>(m_nextDisc);
        return {std::make_unique<SharedDrive>(m_drive), std::nullopt};
    }

    cdrom::Toc m_nextDisc;
    std::size_t m_answerSize;
    std::shared_ptr<FakeDrive> m_drive;  // the last one opened
    CountingWindow m_window;
    sound::ManualSink m_sink;
    mci::MciDevice m_device{[this] { return Open(); }, m_sink, ENGINE_OPTIONS};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    Session session(data[0], data[1]);
    std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        session.Run(rest.substr(0, end));
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return 0;
}
