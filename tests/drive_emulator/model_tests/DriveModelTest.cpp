// The emulated drive's answers, checked against the kernel's and the MMC
// layouts and against the image the disc comes from. Time is passed in, so
// nothing waits.
#include <gtest/gtest.h>
#include <linux/cdrom.h>
#include <scsi/sg.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include "tests/drive_emulator/EmulatedDrive.h"
#include "tests/support/TemporaryFolder.h"
#include "tools/imagegen/ImageGen.h"

namespace corvid::drive_emulator {
namespace {

using namespace std::chrono_literals;

// Track 1: 10 s; track 2: 5 s after a 2 s INDEX 00 gap; track 3: data, 4 s.
imagegen::DiscDescription MixedDisc() {
    imagegen::DiscDescription disc;
    disc.tracks.resize(3);
    disc.tracks[0].length = 750;
    disc.tracks[1].length = 375;
    disc.tracks[1].index00 = 150;
    disc.tracks[2].type = imagegen::TrackType::Data;
    disc.tracks[2].length = 300;
    return disc;
}

class DriveModel : public ::testing::Test {
  protected:
    void SetUp() override {
        const imagegen::WriteResult written = imagegen::WriteImage(m_disc, m_folder.Path(), "disc");
        ASSERT_FALSE(written.error) << *written.error;
        m_script.disc = written.cueSheet.string();
        m_script.spinUpMilliseconds = 1500;
        m_drive.Apply(m_script, m_now);
        ASSERT_EQ(m_drive.Open(OpenMode::Shared, OpenWait::NoWait, m_now).result, 0);
    }

    void Change(void (*edit)(DriveScript&)) {
        edit(m_script);
        m_drive.Apply(m_script, m_now);
    }

    int Ioctl(unsigned long request, void* argument = nullptr) {
        const Answer answer = m_drive.Ioctl(request, argument, m_now);
        m_lastError = answer.error;
        m_lastTime = answer.driveTime;
        return answer.result;
    }

    int Status() { return Ioctl(CDROM_DRIVE_STATUS, reinterpret_cast<void*>(CDSL_CURRENT)); }
    int Changed() { return Ioctl(CDROM_MEDIA_CHANGED, reinterpret_cast<void*>(CDSL_CURRENT)); }

    imagegen::DiscDescription m_disc = MixedDisc();
    testing::TemporaryFolder m_folder;
    DriveScript m_script;
    EmulatedDrive m_drive;
    Clock::time_point m_now = Clock::time_point() + 1h;
    int m_lastError = 0;
    std::chrono::nanoseconds m_lastTime{0};
};

TEST_F(DriveModel, TheTocEntriesAreTheImagesInTheKernelsUnits) {
    const cdrom::Toc expected = imagegen::ExpectedToc(m_disc);
    cdrom_tochdr header{};
    ASSERT_EQ(Ioctl(CDROMREADTOCHDR, &header), 0);
    EXPECT_EQ(header.cdth_trk0, 1);
    EXPECT_EQ(header.cdth_trk1, 3);
    std::vector<std::pair<int, cdrom::Lba>> starts;
    for (const cdrom::TocTrack& track : expected.tracks) {
        starts.emplace_back(track.number, track.start);
    }
    starts.emplace_back(CDROM_LEADOUT, expected.leadOut);
    for (const auto& [number, start] : starts) {
        cdrom_tocentry lba{};
        lba.cdte_track = static_cast<__u8>(number);
        lba.cdte_format = CDROM_LBA;
        ASSERT_EQ(Ioctl(CDROMREADTOCENTRY, &lba), 0) << number;
        EXPECT_EQ(lba.cdte_addr.lba, start) << number;
        cdrom_tocentry msf{};
        msf.cdte_track = static_cast<__u8>(number);
        msf.cdte_format = CDROM_MSF;
        ASSERT_EQ(Ioctl(CDROMREADTOCENTRY, &msf), 0) << number;
        const int frames = start + CD_MSF_OFFSET;
        EXPECT_EQ(msf.cdte_addr.msf.minute, frames / 4500) << number;
        EXPECT_EQ(msf.cdte_addr.msf.second, frames / 75 % 60) << number;
        EXPECT_EQ(msf.cdte_addr.msf.frame, frames % 75) << number;
        EXPECT_EQ(msf.cdte_ctrl & CDROM_DATA_TRACK,
                  number == 3 || number == CDROM_LEADOUT ? CDROM_DATA_TRACK : 0)
            << number;
    }
    cdrom_tocentry missing{};
    missing.cdte_track = 4;
    missing.cdte_format = CDROM_LBA;
    EXPECT_EQ(Ioctl(CDROMREADTOCENTRY, &missing), -1);
    EXPECT_EQ(m_lastError, EIO);
    EXPECT_EQ(Ioctl(CDROM_DISC_STATUS), CDS_MIXED);
}

TEST_F(DriveModel, TheButtonOpensAndClosesTheTrayAndEachChangeIsToldOnce) {
    EXPECT_EQ(Status(), CDS_DISC_OK);
    EXPECT_EQ(Changed(), 0);
    Change([](DriveScript& script) { script.tray = TrayPosition::Open; });
    EXPECT_EQ(Status(), CDS_TRAY_OPEN);
    EXPECT_EQ(Changed(), 1);
    EXPECT_EQ(Changed(), 0);
    cdrom_tochdr header{};
    EXPECT_EQ(Ioctl(CDROMREADTOCHDR, &header), -1);
    EXPECT_EQ(m_lastError, ENOMEDIUM);

    Change([](DriveScript& script) { script.tray = TrayPosition::Closed; });
    EXPECT_EQ(Status(), CDS_DRIVE_NOT_READY);
    EXPECT_EQ(Changed(), 1);
    // The kernel waits for a drive that becomes ready, two seconds a try.
    EXPECT_EQ(Ioctl(CDROMREADTOCHDR, &header), 0);
    EXPECT_EQ(m_lastTime, 2s);
    m_now += 1500ms;
    EXPECT_EQ(Status(), CDS_DISC_OK);

    // A disc swapped between two polls: the tray was never seen open.
    Change([](DriveScript& script) { ++script.generation; });
    EXPECT_EQ(Changed(), 1);
    EXPECT_EQ(Status(), CDS_DRIVE_NOT_READY);
}

TEST_F(DriveModel, OnlyTheDrivesOneUserMayEjectIt) {
    ASSERT_EQ(m_drive.Open(OpenMode::Shared, OpenWait::NoWait, m_now).result, 0);
    EXPECT_EQ(Ioctl(CDROMEJECT), -1);
    EXPECT_EQ(m_lastError, EBUSY);
    EXPECT_EQ(Ioctl(CDROM_LOCKDOOR, nullptr), -1) << "unlocking is for root while others use it";
    m_drive.Close();
    EXPECT_EQ(Ioctl(CDROMEJECT), 0);
    EXPECT_EQ(Status(), CDS_TRAY_OPEN);
    EXPECT_EQ(Ioctl(CDROMCLOSETRAY), 0);

    Change([](DriveScript& script) { script.heldByAnother = true; });
    EXPECT_EQ(Ioctl(CDROMEJECT), -1);
    EXPECT_EQ(m_lastError, EBUSY);
    EXPECT_EQ(m_drive.Open(OpenMode::Exclusive, OpenWait::NoWait, m_now).error, EBUSY);
    EXPECT_EQ(m_drive.Open(OpenMode::Shared, OpenWait::NoWait, m_now).result, 0);
}

struct NodeCase {
    const char* name;
    void (*edit)(DriveScript&);
    int openError;
    int statusError;  // of an ioctl on a descriptor opened before
};

TEST_F(DriveModel, ANodeWithoutPermissionOrAnUnpluggedDriveFailsAsTheKernelDoes) {
    const std::vector<NodeCase> cases = {
        {"no permission", [](DriveScript& script) { script.permitted = false; }, EACCES, 0},
        {"unplugged", [](DriveScript& script) { script.unplugged = true; }, ENOENT, ENODEV},
    };
    for (const NodeCase& node : cases) {
        DriveScript script = m_script;
        node.edit(script);
        m_drive.Apply(script, m_now);
        EXPECT_EQ(m_drive.Open(OpenMode::Shared, OpenWait::NoWait, m_now).error, node.openError)
            << node.name;
        const int status = Status();
        EXPECT_EQ(status < 0 ? m_lastError : 0, node.statusError) << node.name;
        m_drive.Apply(m_script, m_now);
    }
}

TEST_F(DriveModel, AudioReadsGiveTheImagesSamplesInDriveTime) {
    std::vector<std::int16_t> buffer(75 * cdrom::SAMPLES_PER_SECTOR);
    cdrom_read_audio read{};
    read.addr_format = CDROM_LBA;
    read.addr.lba = 700;
    read.nframes = 75;
    read.buf = reinterpret_cast<__u8*>(buffer.data());
    ASSERT_EQ(Ioctl(CDROMREADAUDIO, &read), 0);
    EXPECT_TRUE(buffer == imagegen::DiscSamples(m_disc, 700, 775));
    EXPECT_EQ(m_lastTime, std::chrono::nanoseconds(1s) / 24) << "a second of audio at 24x";
    ASSERT_EQ(Ioctl(CDROM_SELECT_SPEED, reinterpret_cast<void*>(4)), 0);
    ASSERT_EQ(Ioctl(CDROMREADAUDIO, &read), 0);
    EXPECT_EQ(m_lastTime, 250ms);

    read.nframes = 76;
    EXPECT_EQ(Ioctl(CDROMREADAUDIO, &read), -1);
    EXPECT_EQ(m_lastError, EINVAL) << "the kernel reads at most 75 sectors at once";
    read.nframes = 1;
    read.addr.lba = 1275;  // the data track
    EXPECT_EQ(Ioctl(CDROMREADAUDIO, &read), -1);
    EXPECT_EQ(m_lastError, EIO);

    Change([](DriveScript& script) { script.scratch = ScratchedSectors{710, 720, 30}; });
    read.addr.lba = 700;
    read.nframes = 11;
    EXPECT_EQ(Ioctl(CDROMREADAUDIO, &read), -1);
    EXPECT_EQ(m_lastError, EIO);
    EXPECT_EQ(m_lastTime, 30ms);
    read.nframes = 10;
    EXPECT_EQ(Ioctl(CDROMREADAUDIO, &read), 0) << "the sectors before the scratch read well";
}

TEST_F(DriveModel, MmcCommandsAnswerWithTheStandardsLayoutsAndSense) {
    std::vector<std::uint8_t> data(1024);
    // READ TOC format 0 in LBA from track 2: track 2, track 3, the lead-out.
    const std::vector<std::uint8_t> readToc = {0x43, 0, 0, 0, 0, 0, 2, 0x04, 0x00, 0};
    const MmcAnswer toc = m_drive.Mmc(readToc, data, m_now);
    ASSERT_EQ(toc.status, 0) << toc.log;
    const std::vector<std::uint8_t> expected = {
        0, 26,   1,    3,                     // length, first and last track
        0, 0x10, 2,    0, 0, 0, 0x03, 0x84,   // track 2 at 900
        0, 0x14, 3,    0, 0, 0, 0x04, 0xfb,   // track 3, data, at 1275
        0, 0x14, 0xaa, 0, 0, 0, 0x06, 0x27};  // the lead-out at 1575
    EXPECT_EQ(std::vector<std::uint8_t>(data.begin(), data.begin() + 28), expected);

    const std::vector<std::uint8_t> unknown = {0xee, 0, 0, 0, 0, 0};
    const MmcAnswer refused = m_drive.Mmc(unknown, data, m_now);
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.senseKey, 0x05);
    EXPECT_EQ(refused.asc, 0x20);

    Change([](DriveScript& script) { script.tray = TrayPosition::Open; });
    Change([](DriveScript& script) { script.tray = TrayPosition::Closed; });
    const std::vector<std::uint8_t> testUnitReady(6, 0);
    const MmcAnswer spinning = m_drive.Mmc(testUnitReady, data, m_now);
    EXPECT_EQ(spinning.senseKey, 0x02);
    EXPECT_EQ(spinning.asc, 0x04);
    EXPECT_EQ(spinning.ascq, 0x01);
    m_now += 2s;
    EXPECT_EQ(m_drive.Mmc(testUnitReady, data, m_now).status, 0);
}

// The two ways a packet reaches the drive report a refusal each in its own way.
TEST_F(DriveModel, APacketsCheckConditionReachesTheCallerThroughEitherPath) {
    std::array<unsigned char, 6> unknown = {0xee, 0, 0, 0, 0, 0};
    std::array<unsigned char, 32> sense{};
    sg_io_hdr_t io{};
    io.interface_id = 'S';
    io.dxfer_direction = SG_DXFER_NONE;
    io.cmd_len = unknown.size();
    io.cmdp = unknown.data();
    io.mx_sb_len = sense.size();
    io.sbp = sense.data();
    // SG_IO itself succeeds; the status and the sense tell the refusal.
    ASSERT_EQ(Ioctl(SG_IO, &io), 0);
    EXPECT_EQ(io.status, 0x02);
    EXPECT_EQ(io.info & SG_INFO_CHECK, SG_INFO_CHECK);
    ASSERT_GE(io.sb_len_wr, 14);
    EXPECT_EQ(sense[0], 0x70);
    EXPECT_EQ(sense[2] & 0x0f, 0x05);
    EXPECT_EQ(sense[12], 0x20);

    // CDROM_SEND_PACKET fails with EIO and fills the caller's sense.
    cdrom_generic_command packet{};
    request_sense packetSense{};
    std::copy(unknown.begin(), unknown.end(), packet.cmd);
    packet.sense = &packetSense;
    packet.data_direction = CGC_DATA_NONE;
    EXPECT_EQ(Ioctl(CDROM_SEND_PACKET, &packet), -1);
    EXPECT_EQ(m_lastError, EIO);
    EXPECT_EQ(packetSense.sense_key, 0x05);
    EXPECT_EQ(packetSense.asc, 0x20);

    // A READ CD of one audio sector through SG_IO gives its 2352 bytes.
    std::array<unsigned char, 12> readCd = {0xbe, 1 << 2, 0, 0, 0x02, 0xbc, 0, 0, 1, 0x10, 0, 0};
    std::vector<std::int16_t> samples(cdrom::SAMPLES_PER_SECTOR);
    io.dxfer_direction = SG_DXFER_FROM_DEV;
    io.cmd_len = readCd.size();
    io.cmdp = readCd.data();
    io.dxferp = samples.data();
    io.dxfer_len = cdrom::BYTES_PER_SECTOR;
    ASSERT_EQ(Ioctl(SG_IO, &io), 0);
    EXPECT_EQ(io.status, 0);
    EXPECT_EQ(io.resid, 0);
    EXPECT_TRUE(samples == imagegen::DiscSamples(m_disc, 700, 701));
}

TEST(DriveScriptText, ReadsBackWhatItWritesAndNamesALineItDoesNotKnow) {
    DriveScript script;
    script.disc = "/tmp/a folder/disc.cue";
    script.tray = TrayPosition::Open;
    script.spinUpMilliseconds = 800;
    script.scratch = ScratchedSectors{10, 20, 5};
    script.heldByAnother = true;
    script.generation = 4;
    const ScriptParse parse = ParseDriveScript(FormatDriveScript(script));
    EXPECT_TRUE(parse.problem.empty()) << parse.problem;
    EXPECT_EQ(parse.script, script);
    EXPECT_EQ(ParseDriveScript("tray ajar\n").problem, "tray ajar");
    EXPECT_EQ(ParseDriveScript("scratch 20 10 5").problem, "scratch 20 10 5");
}

}  // namespace
}  // namespace corvid::drive_emulator
