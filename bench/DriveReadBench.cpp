// Logs the reads the playback engine makes of a drive while it plays a disc
// image through the sound server in real time: a simulated drive takes as
// long to read as a real one at the speed the engine asks for (4x quiet,
// 8x fast), and notes each read and each change of speed. Prints the reads
// grouped into bursts, the pauses between them and the drive's duty cycle.
// Usage: drive_read_bench IMAGE.cue

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <utility>
#include <vector>

#include "bench/BenchFigures.h"
#include "bench/BenchProcess.h"
#include "platform/cdrom/CdioDrive.h"
#include "platform/cdrom/Drive.h"
#include "platform/cdrom/PlaybackEngine.h"
#include "platform/sound/PulseSink.h"

namespace {

using namespace corvid;
using namespace corvid::cdrom;
using bench::MonotonicSeconds;
using bench::TimedRead;

constexpr double SECTORS_PER_SECOND = 75;
// Reads closer than this belong to one burst.
constexpr double BURST_GAP_SECONDS = 0.05;
constexpr auto END_MARGIN = std::chrono::seconds(30);

struct SpeedChange {
    double at = 0;
    ReadSpeed speed = ReadSpeed::Quiet;
};

int TimesAudioRate(ReadSpeed speed) {
    return speed == ReadSpeed::Quiet ? QUIET_SPEED : FAST_SPEED;
}

// An image drive that takes a real drive's time over each read.
class SimulatedDrive final : public Drive {
  public:
    explicit SimulatedDrive(std::unique_ptr<Drive> image) : m_image(std::move(image)) {}
    ~SimulatedDrive() override {
        {
            std::lock_guard lock(m_mutex);
            m_closing = true;
        }
        m_wake.notify_all();
    }
    SimulatedDrive(const SimulatedDrive&) = delete;
    SimulatedDrive& operator=(const SimulatedDrive&) = delete;

    DriveState State() override { return m_image->State(); }
    std::shared_ptr<const Toc> CurrentToc() override { return m_image->CurrentToc(); }
    bool TakeDiscChanged() override { return m_image->TakeDiscChanged(); }
    std::optional<DriveError> OpenTray() override { return m_image->OpenTray(); }
    std::optional<DriveError> CloseTray() override { return m_image->CloseTray(); }
    std::string Name() const override { return m_image->Name(); }

    ReadResult ReadAudio(Lba start, std::span<std::int16_t> samples) override {
        const double startedAt = MonotonicSeconds();
        const ReadResult result = m_image->ReadAudio(start, samples);
        const int sectors = static_cast<int>(samples.size() / SAMPLES_PER_SECTOR);
        std::unique_lock lock(m_mutex);
        // The drive's own time: the disc turns under the head at this speed.
        const double busy = sectors / (SECTORS_PER_SECOND * TimesAudioRate(m_speed));
        const auto until =
            std::chrono::steady_clock::now() +
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                std::chrono::duration<double>(busy - (MonotonicSeconds() - startedAt)));
        m_wake.wait_until(lock, until, [this] { return m_closing; });
        m_reads.push_back({startedAt, MonotonicSeconds(), start, sectors});
        return result;
    }

    void SetReadSpeed(ReadSpeed speed) override {
        m_image->SetReadSpeed(speed);
        std::lock_guard lock(m_mutex);
        m_speed = speed;
        m_speedChanges.push_back({MonotonicSeconds(), speed});
    }

    [[nodiscard]] std::vector<TimedRead> Reads() const {
        std::lock_guard lock(m_mutex);
        return m_reads;
    }
    [[nodiscard]] std::vector<SpeedChange> SpeedChanges() const {
        std::lock_guard lock(m_mutex);
        return m_speedChanges;
    }

  private:
    std::unique_ptr<Drive> m_image;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_closing = false;
    ReadSpeed m_speed = ReadSpeed::Quiet;
    std::vector<TimedRead> m_reads;
    std::vector<SpeedChange> m_speedChanges;
};

class EndWaiter {
  public:
    void Notice(MciNotifyCode code) {
        std::lock_guard lock(m_mutex);
        m_code = code;
        m_ended.notify_all();
    }
    std::optional<MciNotifyCode> Wait(std::chrono::seconds timeout) {
        std::unique_lock lock(m_mutex);
        m_ended.wait_for(lock, timeout, [this] { return m_code.has_value(); });
        return m_code;
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_ended;
    std::optional<MciNotifyCode> m_code;
};

void PrintBursts(const std::vector<TimedRead>& reads, double playStart) {
    const std::vector<bench::ReadBurst> bursts = bench::GroupIntoBursts(reads, BURST_GAP_SECONDS);
    std::printf("%5s %9s %9s %9s %8s %9s %6s\n", "burst", "start s", "length s", "pause s",
                "sectors", "audio s", "reads");
    for (std::size_t index = 0; index < bursts.size(); ++index) {
        const bench::ReadBurst& burst = bursts[index];
        std::printf("%5zu %9.2f %9.2f %9.2f %8d %9.2f %6d\n", index + 1, burst.start - playStart,
                    burst.end - burst.start, burst.pauseBefore, burst.sectors,
                    burst.sectors / SECTORS_PER_SECOND, burst.reads);
    }
    double longestPause = 0;
    for (const bench::ReadBurst& burst : bursts) {
        longestPause = std::max(longestPause, burst.pauseBefore);
    }
    int fewest = reads.empty() ? 0 : reads.front().sectors;
    int most = fewest;
    for (const TimedRead& read : reads) {
        fewest = std::min(fewest, read.sectors);
        most = std::max(most, read.sectors);
    }
    std::printf("reads %zu of %d to %d sectors, bursts %zu, longest pause %.2f s\n", reads.size(),
                fewest, most, bursts.size(), longestPause);
}

void PrintSpeedChanges(const std::vector<SpeedChange>& changes, double playStart) {
    for (const SpeedChange& change : changes) {
        std::printf("speed at %.2f s: %s (%dx)\n", change.at - playStart,
                    change.speed == ReadSpeed::Quiet ? "quiet" : "fast",
                    TimesAudioRate(change.speed));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: drive_read_bench IMAGE.cue\n");
        return 2;
    }
    DriveOpenResult opened = OpenDrive({DriveLocation::Kind::Image, argv[1]});
    if (!opened.drive) {
        std::fprintf(stderr, "%s\n", opened.error ? opened.error->text.c_str() : "cannot open");
        return 1;
    }
    SimulatedDrive drive(std::move(opened.drive));
    const std::shared_ptr<const Toc> toc = drive.CurrentToc();
    if (!toc || toc->tracks.empty()) {
        std::fprintf(stderr, "the image has no table of contents\n");
        return 1;
    }
    const double discSeconds = (toc->leadOut - toc->tracks.front().start) / SECTORS_PER_SECOND;

    sound::PulseSink sink;
    EndWaiter waiter;
    std::optional<MciNotifyCode> end;
    double playStart = 0;
    double playEnd = 0;
    {
        PlaybackEngine engine(sink);
        playStart = MonotonicSeconds();
        engine.Play(drive, toc, toc->tracks.front().start,
                    [&waiter](MciNotifyCode code) { waiter.Notice(code); });
        end = waiter.Wait(std::chrono::seconds(static_cast<int>(discSeconds)) + END_MARGIN);
        playEnd = MonotonicSeconds();
        engine.Detach();
    }
    if (end != MciNotifyCode::Successful) {
        std::fprintf(stderr, "the play did not end well\n");
        return 1;
    }
    const std::vector<TimedRead> reads = drive.Reads();
    std::printf("disc %.1f s played in %.1f s\n", discSeconds, playEnd - playStart);
    PrintSpeedChanges(drive.SpeedChanges(), playStart);
    PrintBursts(reads, playStart);
    const double lastRead = reads.empty() ? playStart : reads.back().end;
    const double duty = bench::DutyCycle(reads, playStart, lastRead);
    const double dutyWhole = bench::DutyCycle(reads, playStart, playEnd);
    std::printf("duty cycle: %.1f %% up to the last read, %.1f %% over the whole play\n",
                duty * 100, dutyWhole * 100);
    std::printf("summary drive reads %zu bursts %zu duty %.1f\n", reads.size(),
                bench::GroupIntoBursts(reads, BURST_GAP_SECONDS).size(), dutyWhole * 100);
    return 0;
}
