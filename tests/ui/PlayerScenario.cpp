#include "tests/ui/PlayerScenario.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/cdrom/Drive.h"
#include "res/ControlIds.h"
#include "res/PlayerDialogTemplate.h"
#include "ui/PlayerTiming.h"

namespace corvid::ui::testing {

namespace {

constexpr int TICKS_PER_SECOND = 1000 / TIMER_PERIOD_MILLISECONDS;
constexpr int SAMPLE_FRAMES_PER_FRAME = 588;
constexpr uid_t NOBODY = 65534;

std::string Ask(MciPort& device, std::string_view command) {
    char answer[64] = {};
    device.SendString(command, answer, nullptr);
    return answer;
}

// Gives a folder tree to the user nobody, so that a child that has become
// nobody can use it.
void GiveToNobody(const std::filesystem::path& folder) {
    ASSERT_EQ(chown(folder.c_str(), NOBODY, NOBODY), 0);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        ASSERT_EQ(lchown(entry.path().c_str(), NOBODY, NOBODY), 0);
    }
}

}  // namespace

imagegen::DiscDescription ThreeTrackDisc() {
    imagegen::DiscDescription disc;
    disc.tracks.resize(3);
    disc.tracks[0].length = 20 * FRAMES_PER_SECOND;
    disc.tracks[1].length = 15 * FRAMES_PER_SECOND;
    disc.tracks[2].length = 10 * FRAMES_PER_SECOND;
    return disc;
}

MciError RecordingMci::SendString(std::string_view command, std::span<char> answer,
                                  NotifyWindow* notify) {
    {
        std::scoped_lock lock(m_mutex);
        m_commands.emplace_back(command);
    }
    return m_device.SendString(command, answer, notify);
}

std::vector<std::string> RecordingMci::Commands() const {
    std::scoped_lock lock(m_mutex);
    return m_commands;
}

int RecordingMci::Count(std::string_view prefix) const {
    std::scoped_lock lock(m_mutex);
    int count = 0;
    for (const std::string& command : m_commands) {
        count += command.starts_with(prefix) ? 1 : 0;
    }
    return count;
}

void RecordingMci::Forget() {
    std::scoped_lock lock(m_mutex);
    m_commands.clear();
}

void PlayerScenario::SetUp() {
    m_startFolder = std::filesystem::current_path();
    const imagegen::WriteResult written = imagegen::WriteImage(m_disc, m_folder.Path(), "disc");
    ASSERT_FALSE(written.error) << *written.error;
    m_cueSheet = written.cueSheet;
    std::filesystem::create_directory(ListFolder());
}

void PlayerScenario::TearDown() {
    if (m_window != nullptr && m_window->IsOpen()) {
        Close();
    }
    m_player.reset();
    std::filesystem::current_path(m_startFolder);
}

void PlayerScenario::Start() {
    StartWith([this] { return cdrom::OpenDrive({cdrom::DriveLocation::Kind::Image, m_cueSheet}); });
}

void PlayerScenario::StartWith(mci::DriveOpener opener) {
    m_device = std::make_unique<mci::MciDevice>(std::move(opener), m_sink);
    m_sink.SetBeforePull(
        [this](std::int64_t frames) { m_device->Engine().WaitUntilBuffered(frames); });
    m_mci = std::make_unique<RecordingMci>(*m_device);
    m_player = std::make_unique<CPlayerDlg>(
        PlayerPorts{m_windows, *m_mci, *m_device, m_mixer, m_nameLookup, ListFolder()});
    m_window = &m_windows.Open(res::PLAYER_DIALOG, *m_player);
}

void PlayerScenario::Close() {
    Window().CloseBox();
}

void PlayerScenario::Hear(int frames) {
    m_sink.Consume(static_cast<std::int64_t>(frames) * SAMPLE_FRAMES_PER_FRAME);
}

void PlayerScenario::Ticks(int count) {
    m_windows.AdvanceTime(count * TIMER_PERIOD_MILLISECONDS);
}

void PlayerScenario::UntilRefresh() {
    for (int tick = 0; tick < TICKS_PER_REFRESH; ++tick) {
        m_mci->Forget();
        Ticks(1);
        if (m_mci->Count("status cdaudio mode") > 0) {
            return;
        }
    }
    ADD_FAILURE() << "no refresh within ten ticks";
}

void PlayerScenario::PlaySeconds(int seconds) {
    for (int second = 0; second < seconds; ++second) {
        Hear(FRAMES_PER_SECOND);
        Ticks(TICKS_PER_SECOND);
    }
}

headless::HeadlessDialog& PlayerScenario::Window() {
    return *m_window;
}

std::string PlayerScenario::Text(int controlId) {
    return Window().Text(controlId);
}

bool PlayerScenario::IsEnabled(int controlId) {
    return Window().IsEnabled(controlId);
}

void PlayerScenario::Click(int controlId) {
    Window().Click(controlId);
}

void PlayerScenario::Type(int controlId, std::string_view text) {
    Window().TypeText(controlId, text);
}

std::vector<std::string> PlayerScenario::Rows() {
    const window::ListView& list = Window().ListControl(res::TRACK_LIST);
    std::vector<std::string> rows;
    for (int row = 0; row < list.ItemCount(); ++row) {
        rows.push_back(list.ItemText(row, 0) + "|" + list.ItemText(row, 1));
    }
    return rows;
}

std::string PlayerScenario::Position() {
    return Ask(*m_device, "status cdaudio position");
}

std::string PlayerScenario::Mode() {
    return Ask(*m_device, "status cdaudio mode");
}

std::int32_t PlayerScenario::DiscKey() {
    sound::ManualSink sink;
    mci::MciDevice device(
        [this] {
            return cdrom::OpenDrive({cdrom::DriveLocation::Kind::Image, m_cueSheet});
        },
        sink);
    Ask(device, "open cdaudio shareable wait");
    return static_cast<std::int32_t>(std::stoll(Ask(device, "info cdaudio identity")));
}

void PlayerScenario::RunAsNobodyWhenRoot(const std::function<void()>& story) {
    if (geteuid() != 0) {
        story();
        return;
    }
    GiveToNobody(m_folder.Path());
    const pid_t child = fork();
    if (child == 0) {
        const bool dropped =
            setgroups(0, nullptr) == 0 && setgid(NOBODY) == 0 && setuid(NOBODY) == 0;
        if (!dropped) {
            _exit(2);
        }
        story();
        _exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the story failed in the child; its output says why";
}

}  // namespace corvid::ui::testing
