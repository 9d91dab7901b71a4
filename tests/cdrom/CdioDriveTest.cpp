#include <cdio/cdio.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/cdrom/CdioDrive.h"
#include "platform/cdrom/CdioToc.h"
#include "tests/support/TemporaryFolder.h"
#include "tools/imagegen/ImageGen.h"

// The real drive's state, tray and speed with the kernel's side scripted and
// discs read through libcdio's BIN/CUE driver. The monitor thread polls only
// when a test steps its clock.
namespace corvid::cdrom {
namespace {

constexpr const char* DRIVE_NAME = "/dev/test-cdrom";

// The kernel's side of a drive: answers what the test set and records calls.
class ScriptedControl final : public DriveControl {
  public:
    DriveStatus Status() override {
        std::lock_guard lock(m_mutex);
        return m_status;
    }
    MediaChange TakeMediaChange() override {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_mediaChanged, false) ? MediaChange::Changed : MediaChange::Unchanged;
    }
    std::error_code OpenTray() override {
        std::function<void()> hook;
        {
            std::lock_guard lock(m_mutex);
            ++m_openTrayCalls;
            hook = m_duringOpenTray;
        }
        if (hook) {
            hook();
        }
        std::lock_guard lock(m_mutex);
        if (!m_trayError) {
            m_status = DriveStatus::TrayOpen;
        }
        return m_trayError;
    }
    std::error_code CloseTray() override {
        std::lock_guard lock(m_mutex);
        if (!m_trayError) {
            m_status = m_statusAfterClose;
        }
        return m_trayError;
    }
    std::error_code SelectSpeed(int timesAudioRate) override {
        std::lock_guard lock(m_mutex);
        m_speeds.push_back(timesAudioRate);
        return m_speedError;
    }

    void SetStatus(DriveStatus status) {
        std::lock_guard lock(m_mutex);
        m_status = status;
    }
    // The next TakeMediaChange answers Changed.
    void ChangeMedia() {
        std::lock_guard lock(m_mutex);
        m_mediaChanged = true;
    }
    void FailTray(int errorNumber) {
        std::lock_guard lock(m_mutex);
        m_trayError = {errorNumber, std::generic_category()};
    }
    void FailSpeed(int errorNumber) {
        std::lock_guard lock(m_mutex);
        m_speedError = {errorNumber, std::generic_category()};
    }
    void SetStatusAfterClose(DriveStatus status) {
        std::lock_guard lock(m_mutex);
        m_statusAfterClose = status;
    }
    void DuringOpenTray(std::function<void()> hook) {
        std::lock_guard lock(m_mutex);
        m_duringOpenTray = std::move(hook);
    }
    [[nodiscard]] std::vector<int> Speeds() const {
        std::lock_guard lock(m_mutex);
        return m_speeds;
    }
    [[nodiscard]] int OpenTrayCalls() const {
        std::lock_guard lock(m_mutex);
        return m_openTrayCalls;
    }

  private:
    mutable std::mutex m_mutex;
    DriveStatus m_status = DriveStatus::NoDisc;
    DriveStatus m_statusAfterClose = DriveStatus::DiscOk;
    bool m_mediaChanged = false;
    std::error_code m_trayError;
    std::error_code m_speedError;
    std::function<void()> m_duringOpenTray;
    std::vector<int> m_speeds;
    int m_openTrayCalls = 0;
};

// The disc that libcdio finds in the drive: an image, or none.
class DiscSlot {
  public:
    CdioHandle Open() {
        std::function<void()> hook;
        std::optional<std::filesystem::path> cueSheet;
        {
            std::lock_guard lock(m_mutex);
            ++m_opens;
            hook = m_duringOpen;
            cueSheet = m_cueSheet;
        }
        if (hook) {
            hook();
        }
        if (!cueSheet) {
            return nullptr;
        }
        return CdioHandle(cdio_open(cueSheet->c_str(), DRIVER_BINCUE));
    }
    void Insert(std::optional<std::filesystem::path> cueSheet) {
        std::lock_guard lock(m_mutex);
        m_cueSheet = std::move(cueSheet);
    }
    void DuringOpen(std::function<void()> hook) {
        std::lock_guard lock(m_mutex);
        m_duringOpen = std::move(hook);
    }
    [[nodiscard]] int Opens() const {
        std::lock_guard lock(m_mutex);
        return m_opens;
    }

  private:
    mutable std::mutex m_mutex;
    std::optional<std::filesystem::path> m_cueSheet;
    std::function<void()> m_duringOpen;
    int m_opens = 0;
};

imagegen::DiscDescription AudioDisc(std::vector<Lba> lengths) {
    imagegen::DiscDescription disc;
    for (const Lba length : lengths) {
        disc.tracks.emplace_back().length = length;
    }
    return disc;
}

class CdioDriveTest : public ::testing::Test {
  protected:
    CdioDriveTest()
        : m_first(AudioDisc({150, 100})),
          m_second(AudioDisc({120, 80, 60})),
          m_firstCue(Write(m_first, "first")),
          m_secondCue(Write(m_second, "second")) {
        auto control = std::make_unique<ScriptedControl>();
        auto clock = std::make_unique<ManualPollClock>();
        m_control = control.get();
        m_clock = clock.get();
        m_drive = std::make_unique<CdioDrive>(CdioDriveParts{
            DRIVE_NAME, std::move(control), [this] { return m_slot.Open(); }, std::move(clock)});
    }

    std::filesystem::path Write(const imagegen::DiscDescription& disc, const std::string& name) {
        const imagegen::WriteResult written = imagegen::WriteImage(disc, m_folder.Path(), name);
        EXPECT_FALSE(written.error.has_value()) << written.error.value_or("");
        return written.cueSheet;
    }

    void Poll() { ASSERT_TRUE(m_clock->Step()) << "the monitor did not finish a poll"; }

    void PollWith(DriveStatus status) {
        m_control->SetStatus(status);
        Poll();
    }

    void InsertAndPoll(const std::filesystem::path& cueSheet) {
        m_slot.Insert(cueSheet);
        PollWith(DriveStatus::DiscOk);
        ASSERT_EQ(m_drive->State(), DriveState::Ready);
    }

    [[nodiscard]] bool HoldsToc(const imagegen::DiscDescription& disc) {
        const std::shared_ptr<const Toc> toc = m_drive->CurrentToc();
        return toc && *toc == imagegen::ExpectedToc(disc);
    }

    testing::TemporaryFolder m_folder;
    const imagegen::DiscDescription m_first;
    const imagegen::DiscDescription m_second;
    const std::filesystem::path m_firstCue;
    const std::filesystem::path m_secondCue;
    DiscSlot m_slot;
    ScriptedControl* m_control = nullptr;
    ManualPollClock* m_clock = nullptr;
    std::unique_ptr<CdioDrive> m_drive;  // last: stops its monitor before the rest goes
};

TEST_F(CdioDriveTest, StateFollowsTheKernelsStatus) {
    EXPECT_EQ(m_drive->State(), DriveState::NotReady) << "before the first poll";
    m_slot.Insert(m_firstCue);
    const std::pair<DriveStatus, DriveState> steps[] = {
        {DriveStatus::TrayOpen, DriveState::TrayOpen}, {DriveStatus::NoDisc, DriveState::NoDisc},
        {DriveStatus::NotReady, DriveState::NotReady}, {DriveStatus::DiscOk, DriveState::Ready},
        {DriveStatus::TrayOpen, DriveState::TrayOpen},
    };
    for (const auto& [status, state] : steps) {
        PollWith(status);
        EXPECT_EQ(m_drive->State(), state) << static_cast<int>(status);
        EXPECT_EQ(m_drive->CurrentToc() != nullptr, state == DriveState::Ready);
    }
}

TEST_F(CdioDriveTest, ReadyOnlyOnceTheTableOfContentsIsRead) {
    std::optional<DriveState> stateWhileOpening;
    bool tocWhileOpening = true;
    m_slot.DuringOpen([&] {
        stateWhileOpening = m_drive->State();
        tocWhileOpening = m_drive->CurrentToc() != nullptr;
    });
    InsertAndPoll(m_firstCue);
    EXPECT_EQ(stateWhileOpening, DriveState::NotReady);
    EXPECT_FALSE(tocWhileOpening);
    EXPECT_TRUE(HoldsToc(m_first));
}

TEST_F(CdioDriveTest, ADiscSwappedBetweenTwoPollsIsReportedOnce) {
    m_control->ChangeMedia();  // the kernel reports the first disc as a change too
    InsertAndPoll(m_firstCue);
    EXPECT_FALSE(m_drive->TakeDiscChanged()) << "the first disc replaces none";

    m_slot.Insert(m_secondCue);
    m_control->ChangeMedia();
    Poll();
    EXPECT_EQ(m_drive->State(), DriveState::Ready);
    EXPECT_TRUE(HoldsToc(m_second));
    EXPECT_TRUE(m_drive->TakeDiscChanged());
    EXPECT_FALSE(m_drive->TakeDiscChanged());
}

TEST_F(CdioDriveTest, ADiscFoundAfterTheTrayWasOpenIsReportedAsChanged) {
    InsertAndPoll(m_firstCue);
    PollWith(DriveStatus::TrayOpen);
    InsertAndPoll(m_firstCue);
    EXPECT_TRUE(m_drive->TakeDiscChanged());
    EXPECT_FALSE(m_drive->TakeDiscChanged());
}

TEST_F(CdioDriveTest, ADiscThatLeftForAnEmptyDriveIsReportedAsChangedOnce) {
    InsertAndPoll(m_firstCue);
    PollWith(DriveStatus::NoDisc);
    EXPECT_EQ(m_drive->State(), DriveState::NoDisc);
    EXPECT_TRUE(m_drive->TakeDiscChanged());
    PollWith(DriveStatus::NoDisc);
    EXPECT_FALSE(m_drive->TakeDiscChanged());
}

TEST_F(CdioDriveTest, ADriveSpinningUpAgainKeepsItsDisc) {
    InsertAndPoll(m_firstCue);
    PollWith(DriveStatus::NotReady);
    EXPECT_EQ(m_drive->State(), DriveState::Ready);
    PollWith(DriveStatus::DiscOk);
    EXPECT_TRUE(HoldsToc(m_first));
    EXPECT_EQ(m_slot.Opens(), 1) << "the table of contents is read once per disc";
    EXPECT_FALSE(m_drive->TakeDiscChanged());
}

TEST_F(CdioDriveTest, ADiscWithoutTableOfContentsIsTriedAgainLaterNotAtEveryPoll) {
    m_slot.Insert(std::nullopt);
    PollWith(DriveStatus::DiscOk);
    EXPECT_EQ(m_drive->State(), DriveState::NotReady);
    Poll();
    EXPECT_EQ(m_slot.Opens(), 1);

    m_slot.Insert(m_firstCue);
    for (int poll = 0; poll < 100 && m_drive->State() != DriveState::Ready; ++poll) {
        Poll();
    }
    EXPECT_EQ(m_drive->State(), DriveState::Ready);
    EXPECT_EQ(m_slot.Opens(), 2);
}

TEST_F(CdioDriveTest, ADriveThatCannotTellItsStatusHasADiscOnlyIfOneReads) {
    m_slot.Insert(std::nullopt);
    m_control->SetStatusAfterClose(DriveStatus::NoInfo);
    PollWith(DriveStatus::NoInfo);
    EXPECT_EQ(m_drive->State(), DriveState::NoDisc);

    m_slot.Insert(m_firstCue);
    Poll();
    EXPECT_EQ(m_drive->State(), DriveState::NoDisc) << "not tried again at the next poll";
    // Closing the tray is worth a try at once.
    ASSERT_FALSE(m_drive->CloseTray().has_value());
    EXPECT_EQ(m_drive->State(), DriveState::Ready);
}

TEST_F(CdioDriveTest, OpenTrayLetsTheDiscGoFirstAndAnswersOpenAtOnce) {
    InsertAndPoll(m_firstCue);
    std::optional<DriveState> stateWhileEjecting;
    bool tocWhileEjecting = true;
    m_control->DuringOpenTray([&] {
        stateWhileEjecting = m_drive->State();
        tocWhileEjecting = m_drive->CurrentToc() != nullptr;
    });

    EXPECT_FALSE(m_drive->OpenTray().has_value());
    EXPECT_EQ(m_control->OpenTrayCalls(), 1);
    EXPECT_NE(stateWhileEjecting, DriveState::Ready);
    EXPECT_FALSE(tocWhileEjecting);
    EXPECT_EQ(m_drive->State(), DriveState::TrayOpen);
}

TEST_F(CdioDriveTest, ATrayHeldByAnotherProgramStaysShutWithTheDiscIn) {
    InsertAndPoll(m_firstCue);
    m_control->FailTray(EBUSY);

    const std::optional<DriveError> error = m_drive->OpenTray();
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->code, MCIERR_MUST_USE_SHAREABLE);
    EXPECT_NE(error->text.find(DRIVE_NAME), std::string::npos) << error->text;
    EXPECT_EQ(m_drive->State(), DriveState::Ready);
    EXPECT_TRUE(HoldsToc(m_first));
    EXPECT_FALSE(m_drive->TakeDiscChanged());
}

TEST_F(CdioDriveTest, CloseTrayAnswersWithTheDiscItFinds) {
    PollWith(DriveStatus::TrayOpen);
    m_slot.Insert(m_secondCue);
    EXPECT_FALSE(m_drive->CloseTray().has_value());
    EXPECT_EQ(m_drive->State(), DriveState::Ready);
    EXPECT_TRUE(HoldsToc(m_second));

    PollWith(DriveStatus::TrayOpen);
    m_control->SetStatusAfterClose(DriveStatus::NoDisc);
    EXPECT_FALSE(m_drive->CloseTray().has_value());
    EXPECT_EQ(m_drive->State(), DriveState::NoDisc);
}

TEST_F(CdioDriveTest, SpeedChangesOnlyWhenItDiffersFromTheLastSet) {
    m_drive->SetReadSpeed(ReadSpeed::Quiet);
    EXPECT_TRUE(m_control->Speeds().empty()) << "no disc, nothing to read";

    InsertAndPoll(m_firstCue);
    const ReadSpeed speeds[] = {ReadSpeed::Quiet, ReadSpeed::Quiet, ReadSpeed::Fast,
                                ReadSpeed::Fast, ReadSpeed::Quiet};
    for (const ReadSpeed speed : speeds) {
        m_drive->SetReadSpeed(speed);
    }
    EXPECT_EQ(m_control->Speeds(), (std::vector<int>{QUIET_SPEED, FAST_SPEED, QUIET_SPEED}));

    // A speed the drive refused is asked for again.
    m_control->FailSpeed(EIO);
    m_drive->SetReadSpeed(ReadSpeed::Fast);
    m_control->FailSpeed(0);
    m_drive->SetReadSpeed(ReadSpeed::Fast);
    EXPECT_EQ(m_control->Speeds().size(), 5U);

    // A new disc starts with the drive's own speed.
    m_slot.Insert(m_secondCue);
    m_control->ChangeMedia();
    Poll();
    m_drive->SetReadSpeed(ReadSpeed::Fast);
    EXPECT_EQ(m_control->Speeds().size(), 6U);
}

TEST_F(CdioDriveTest, ReadsComeFromTheDiscNowIn) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(75) * SAMPLES_PER_SECTOR);
    const ReadResult none = m_drive->ReadAudio(0, samples);
    EXPECT_EQ(none.sectorsRead, 0);
    ASSERT_TRUE(none.error.has_value());
    EXPECT_EQ(none.error->code, MCIERR_DEVICE_NOT_READY);
    EXPECT_EQ(none.error->text, "There is no disc ready in /dev/test-cdrom.");

    const std::pair<std::filesystem::path, const imagegen::DiscDescription*> discs[] = {
        {m_firstCue, &m_first}, {m_secondCue, &m_second}};
    for (const auto& [cueSheet, description] : discs) {
        m_control->ChangeMedia();
        InsertAndPoll(cueSheet);
        const ReadResult result = m_drive->ReadAudio(100, samples);
        EXPECT_EQ(result.sectorsRead, 75);
        EXPECT_FALSE(result.error.has_value());
        EXPECT_TRUE(samples == imagegen::DiscSamples(*description, 100, 175)) << cueSheet;
    }
}

TEST(CdioPollClock, IntervalClockPollsAtOnceThenStopsWhenTold) {
    IntervalPollClock clock(std::chrono::hours(1));
    EXPECT_TRUE(clock.WaitForNextPoll());
    clock.Stop();
    EXPECT_FALSE(clock.WaitForNextPoll());
}

}  // namespace
}  // namespace corvid::cdrom
