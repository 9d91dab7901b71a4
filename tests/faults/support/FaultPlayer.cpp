#include "tests/faults/support/FaultPlayer.h"

#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>

#include "res/ControlIds.h"
#include "res/PlayerDialogTemplate.h"
#include "tests/support/Pipe.h"
#include "ui/PlayerTiming.h"

namespace corvid::faults {

namespace {

constexpr uid_t NOBODY = 65534;
// A story that has not ended by then hangs: it is killed and fails.
constexpr int CHILD_TIMEOUT_MILLISECONDS = 120'000;

void GiveToNobody(const std::filesystem::path& folder) {
    ASSERT_EQ(lchown(folder.c_str(), NOBODY, NOBODY), 0);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        ASSERT_EQ(lchown(entry.path().c_str(), NOBODY, NOBODY), 0);
    }
}

bool BecomeNobody() {
    return setgroups(0, nullptr) == 0 && setgid(NOBODY) == 0 && setuid(NOBODY) == 0;
}

bool LimitFileSize(std::size_t bytes) {
    // The limit would otherwise end the process at the first write past it.
    if (signal(SIGXFSZ, SIG_IGN) == SIG_ERR) {
        return false;
    }
    const rlimit limit{bytes, bytes};
    return setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

}  // namespace

PlayerRun::PlayerRun(cdrom::PcmSink& sink, mci::DriveOpener opener,
                     const std::filesystem::path& listFolder, cdrom::EngineOptions options)
    : m_startFolder(std::filesystem::current_path()),
      m_device(std::make_unique<mci::MciDevice>(std::move(opener), sink, options)),
      m_mixer(std::make_unique<sound::SinkMixer>(sink)) {
    m_player = std::make_unique<ui::CPlayerDlg>(
        ui::PlayerPorts{m_windows, *m_device, *m_device, *m_mixer, m_nameLookup, listFolder});
    m_window = &m_windows.Open(res::PLAYER_DIALOG, *m_player);
}

PlayerRun::~PlayerRun() {
    if (m_window != nullptr && m_window->IsOpen()) {
        Close();
    }
    m_player.reset();
    std::error_code ignored;
    std::filesystem::current_path(m_startFolder, ignored);
}

std::string PlayerRun::Ask(std::string_view command) {
    char answer[64] = {};
    m_device->SendString(command, answer, nullptr);
    return answer;
}

void PlayerRun::Ticks(int count) {
    m_windows.AdvanceTime(count * ui::TIMER_PERIOD_MILLISECONDS);
}

void PlayerRun::Refresh() {
    Ticks(ui::TICKS_PER_REFRESH);
}

std::string PlayerRun::Text(int controlId) {
    return m_window->Text(controlId);
}

std::string PlayerRun::PlayCaption() {
    return Text(res::PLAY_STOP_BUTTON);
}

void PlayerRun::Click(int controlId) {
    m_window->Click(controlId);
}

void PlayerRun::Close() {
    m_window->CloseBox();
}

mci::DriveOpener ImageOpener(const std::filesystem::path& cueSheet) {
    return [cueSheet] { return cdrom::OpenDrive({cdrom::DriveLocation::Kind::Image, cueSheet}); };
}

cdrom::ReadResult FailingDrive::ReadAudio(cdrom::Lba start, std::span<std::int16_t> samples) {
    const cdrom::Lba failFrom = m_failFrom;
    const auto wanted = static_cast<cdrom::Lba>(samples.size() / cdrom::SAMPLES_PER_SECTOR);
    if (start + wanted <= failFrom) {
        return m_inner->ReadAudio(start, samples);
    }
    ++m_failedReads;
    const cdrom::Lba good = std::max(0, failFrom - start);
    cdrom::ReadResult result;
    if (good > 0) {
        result = m_inner->ReadAudio(
            start, samples.first(static_cast<std::size_t>(good) * cdrom::SAMPLES_PER_SECTOR));
    }
    result.error = cdrom::DriveError{MCIERR_HARDWARE,
                                     "Sector " + std::to_string(failFrom) + " cannot be read."};
    return result;
}

std::optional<pid_t> ServerPid(const testing::PulseServer& server) {
    const std::string socket = "socket=" + (server.Folder() / "native").string();
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream file(entry.path() / "cmdline", std::ios::binary);
        const std::string commandLine{std::istreambuf_iterator<char>(file), {}};
        if (commandLine.find(socket) != std::string::npos) {
            return static_cast<pid_t>(std::stol(name));
        }
    }
    return std::nullopt;
}

void RunInChild(const ChildLimits& limits, const std::filesystem::path& folder,
                const std::function<void()>& story) {
    const bool asNobody = limits.user == ChildUser::NobodyWhenRoot && geteuid() == 0;
    if (asNobody) {
        GiveToNobody(folder);
    }
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (asNobody && !BecomeNobody()) {
            _exit(2);
        }
        if (limits.fileSizeLimit > 0 && !LimitFileSize(limits.fileSizeLimit)) {
            _exit(3);
        }
        story();
        _exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    // Debian 12's <sys/pidfd.h> lacks C linkage for C++, so call the kernel directly.
    const testing::FileDescriptor ended(static_cast<int>(::syscall(SYS_pidfd_open, child, 0)));
    pollfd watched{ended.Get(), POLLIN, 0};
    if (::poll(&watched, 1, CHILD_TIMEOUT_MILLISECONDS) == 0) {
        ::kill(child, SIGKILL);
        ADD_FAILURE() << "the story's child did not end in time";
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the story's child ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the story failed in the child; its output says why";
}

}  // namespace corvid::faults
