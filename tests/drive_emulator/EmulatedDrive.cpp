#include "tests/drive_emulator/EmulatedDrive.h"

#include <linux/cdrom.h>
#include <scsi/sg.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/cdrom/CueSheet.h"

namespace corvid::drive_emulator {

namespace {

using cdrom::Lba;
using namespace std::chrono_literals;

// What the kernel answers CDROM_GET_CAPABILITY with for a DVD writer's
// CD-ROM side: everything the player may ask of it.
constexpr int CAPABILITIES = CDC_CLOSE_TRAY | CDC_OPEN_TRAY | CDC_LOCK | CDC_SELECT_SPEED |
                             CDC_MULTI_SESSION | CDC_MCN | CDC_MEDIA_CHANGED | CDC_PLAY_AUDIO |
                             CDC_DRIVE_STATUS | CDC_GENERIC_PACKET | CDC_CD_R | CDC_CD_RW | CDC_DVD;
// The SCSI layer's questions for the drive's address, as <scsi/scsi.h>
// numbers them (its other names clash with the MMC code's).
constexpr unsigned long SCSI_IOCTL_GET_IDLUN = 0x5382;
constexpr unsigned long SCSI_IOCTL_GET_BUS_NUMBER = 0x5386;
// The kernel reads at most this many sectors of audio in one CDROMREADAUDIO.
constexpr int MOST_AUDIO_FRAMES = CD_FRAMES;
// While a drive becomes ready, the kernel tries a command again every two
// seconds, ten times.
constexpr auto KERNEL_RETRY_INTERVAL = 2s;
constexpr int KERNEL_RETRIES = 10;

std::string Hex(unsigned long value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%lx", value);
    return text;
}

Answer Failed(int error, std::string log) {
    return {-1, error, 0ns, std::move(log) + " -> " + std::strerror(error)};
}

Answer Done(int result, std::string log) {
    return {result, 0, 0ns, std::move(log) + " -> " + std::to_string(result)};
}

cdrom_msf0 ToMsf(Lba lba) {
    const int frames = lba + CD_MSF_OFFSET;
    return {static_cast<__u8>(frames / (CD_SECS * CD_FRAMES)),
            static_cast<__u8>(frames / CD_FRAMES % CD_SECS), static_cast<__u8>(frames % CD_FRAMES)};
}

Lba FromMsf(const cdrom_msf0& msf) {
    return (msf.minute * CD_SECS + msf.second) * CD_FRAMES + msf.frame - CD_MSF_OFFSET;
}

}  // namespace

// The drive

int EmulatedDrive::Users() const {
    return m_ownUsers + (m_script.heldByAnother ? 1 : 0);
}

int EmulatedDrive::NodeError() const {
    return m_script.unplugged ? ENOENT : 0;
}

EmulatedDrive::Readiness EmulatedDrive::State(Clock::time_point now) const {
    if (m_tray == TrayPosition::Open) {
        return Readiness::TrayOpen;
    }
    if (!m_disc) {
        return Readiness::NoDisc;
    }
    return now < m_readyAt ? Readiness::SpinningUp : Readiness::Ready;
}

const cdrom::Toc* EmulatedDrive::DiscToc() const {
    return m_disc ? m_disc->SharedToc().get() : nullptr;
}

void EmulatedDrive::InsertDisc(const std::string& cueSheet, Clock::time_point now) {
    m_disc.reset();
    m_discPath = cueSheet;
    if (!cueSheet.empty()) {
        // A disc the drive cannot read is as good as none.
        m_disc = cdrom::LoadDiscImage(cueSheet).image;
    }
    if (m_tray == TrayPosition::Closed) {
        m_mediaChanged = true;
        m_readyAt = now + std::chrono::milliseconds(m_script.spinUpMilliseconds);
    }
}

void EmulatedDrive::MoveTray(TrayPosition position, Clock::time_point now) {
    if (position == m_tray) {
        return;
    }
    m_tray = position;
    m_mediaChanged = true;
    if (position == TrayPosition::Closed) {
        m_readyAt = now + std::chrono::milliseconds(m_script.spinUpMilliseconds);
    }
}

void EmulatedDrive::Apply(const DriveScript& script, Clock::time_point now) {
    if (!m_applied || script.session != m_script.session) {
        // The drive as the program finds it: a disc in it has spun up.
        m_applied = true;
        m_script = script;
        m_tray = script.tray;
        InsertDisc(script.disc, now);
        m_readyAt = now;
        m_mediaChanged = false;
        m_doorLocked = false;
        m_speed = 0;
        return;
    }
    const DriveScript old = std::exchange(m_script, script);
    if (script.tray != old.tray) {
        MoveTray(script.tray, now);
    }
    if (script.disc != old.disc || script.generation != old.generation) {
        InsertDisc(script.disc, now);
    }
}

Answer EmulatedDrive::Open(OpenMode mode, OpenWait wait, Clock::time_point now) {
    const std::string log = std::string("open ") + (mode == OpenMode::Exclusive ? "O_EXCL " : "") +
                            (wait == OpenWait::NoWait ? "O_NONBLOCK" : "waiting for a disc");
    if (m_script.unplugged) {
        return Failed(ENOENT, log);
    }
    if (!m_script.permitted) {
        return Failed(EACCES, log);
    }
    if (mode == OpenMode::Exclusive && m_script.heldByAnother) {
        return Failed(EBUSY, log);
    }
    if (wait == OpenWait::ForDisc) {
        // The kernel closes an open tray for a program that waits for a disc.
        MoveTray(TrayPosition::Closed, now);
        if (State(now) != Readiness::Ready) {
            return Failed(ENOMEDIUM, log);
        }
    }
    ++m_ownUsers;
    return Done(0, log + ", users " + std::to_string(Users()));
}

void EmulatedDrive::Close() {
    m_ownUsers = std::max(0, m_ownUsers - 1);
}

std::chrono::nanoseconds EmulatedDrive::ReadTime(std::int32_t sectors) const {
    const int speed = m_speed == 0 ? m_script.maxSpeed : std::min(m_speed, m_script.maxSpeed);
    return std::chrono::nanoseconds(std::int64_t{sectors} * 1'000'000'000 /
                                    (std::int64_t{CD_FRAMES} * speed));
}

bool EmulatedDrive::Scratched(std::int32_t first, std::int32_t count) const {
    if (!m_script.scratch) {
        return false;
    }
    return first <= m_script.scratch->last && first + count - 1 >= m_script.scratch->first;
}

std::chrono::nanoseconds EmulatedDrive::WaitForReady(Clock::time_point now) const {
    if (State(now) != Readiness::SpinningUp) {
        return 0ns;
    }
    std::chrono::nanoseconds waited = 0ns;
    for (int retry = 0; retry < KERNEL_RETRIES && now + waited < m_readyAt; ++retry) {
        waited += KERNEL_RETRY_INTERVAL;
    }
    return waited;
}

// The kernel's CD-ROM ioctls

Answer EmulatedDrive::Ioctl(unsigned long request, void* argument, Clock::time_point now) {
    if (m_script.unplugged) {
        const bool transfer =
            request == CDROMREADAUDIO || request == SG_IO || request == CDROM_SEND_PACKET;
        return Failed(transfer ? EIO : ENODEV, "ioctl " + Hex(request) + " on an unplugged drive");
    }
    switch (request) {
        case CDROM_GET_CAPABILITY:
            return Done(CAPABILITIES, "CDROM_GET_CAPABILITY");
        case CDROM_DRIVE_STATUS:
            return DriveStatus(now);
        case CDROM_DISC_STATUS:
            return DiscStatus(now);
        case CDROM_MEDIA_CHANGED:
            return MediaChanged();
        case CDROMREADTOCHDR:
            return ReadTocHeader(argument, now);
        case CDROMREADTOCENTRY:
            return ReadTocEntry(argument, now);
        case CDROMMULTISESSION:
            return MultiSession(argument, now);
        case CDROM_GET_MCN:
            return ReadMcn(argument, now);
        case CDROMREADAUDIO:
            return ReadAudio(argument, now);
        case CDROMEJECT:
            return Eject(now);
        case CDROMCLOSETRAY:
            return CloseTray(now);
        case CDROM_LOCKDOOR:
            return LockDoor(reinterpret_cast<unsigned long>(argument));
        case CDROM_SELECT_SPEED:
            return SelectSpeed(reinterpret_cast<unsigned long>(argument));
        case CDROM_SEND_PACKET:
            return SendPacket(argument, now);
        case SG_IO:
            return ScsiGeneric(argument, now);
        case SCSI_IOCTL_GET_IDLUN: {
            // The drive is the first device on the first host: 0:0:0:0.
            auto* address = static_cast<std::uint32_t*>(argument);
            address[0] = 0;
            address[1] = 0;
            return Done(0, "SCSI_IOCTL_GET_IDLUN 0:0:0:0");
        }
        case SCSI_IOCTL_GET_BUS_NUMBER:
            *static_cast<int*>(argument) = 0;
            return Done(0, "SCSI_IOCTL_GET_BUS_NUMBER 0");
        default:
            // Neither the CD-ROM layer nor the SCSI layer knows it.
            return Failed(ENOTTY, "unknown ioctl " + Hex(request));
    }
}

Answer EmulatedDrive::DriveStatus(Clock::time_point now) const {
    switch (State(now)) {
        case Readiness::TrayOpen:
            return Done(CDS_TRAY_OPEN, "CDROM_DRIVE_STATUS CDS_TRAY_OPEN");
        case Readiness::NoDisc:
            return Done(CDS_NO_DISC, "CDROM_DRIVE_STATUS CDS_NO_DISC");
        case Readiness::SpinningUp:
            return Done(CDS_DRIVE_NOT_READY, "CDROM_DRIVE_STATUS CDS_DRIVE_NOT_READY");
        case Readiness::Ready:
            break;
    }
    return Done(CDS_DISC_OK, "CDROM_DRIVE_STATUS CDS_DISC_OK");
}

Answer EmulatedDrive::DiscStatus(Clock::time_point now) const {
    const std::chrono::nanoseconds waited = WaitForReady(now);
    Answer answer;
    if (State(now + waited) != Readiness::Ready) {
        answer = Done(CDS_NO_DISC, "CDROM_DISC_STATUS CDS_NO_DISC");
    } else {
        const auto& tracks = DiscToc()->tracks;
        const bool audio = std::any_of(tracks.begin(), tracks.end(), [](const auto& track) {
            return track.kind == cdrom::TrackKind::Audio;
        });
        const bool data = std::any_of(tracks.begin(), tracks.end(), [](const auto& track) {
            return track.kind == cdrom::TrackKind::Data;
        });
        if (audio) {
            answer = data ? Done(CDS_MIXED, "CDROM_DISC_STATUS CDS_MIXED")
                          : Done(CDS_AUDIO, "CDROM_DISC_STATUS CDS_AUDIO");
        } else {
            answer = Done(CDS_DATA_1, "CDROM_DISC_STATUS CDS_DATA_1");
        }
    }
    answer.driveTime = waited;
    return answer;
}

Answer EmulatedDrive::MediaChanged() {
    const bool changed = std::exchange(m_mediaChanged, false);
    return Done(changed ? 1 : 0, "CDROM_MEDIA_CHANGED");
}

Answer EmulatedDrive::ReadTocHeader(void* argument, Clock::time_point now) const {
    const std::chrono::nanoseconds waited = WaitForReady(now);
    if (State(now + waited) != Readiness::Ready) {
        return Failed(ENOMEDIUM, "CDROMREADTOCHDR");
    }
    auto* header = static_cast<cdrom_tochdr*>(argument);
    const auto& tracks = DiscToc()->tracks;
    header->cdth_trk0 = static_cast<__u8>(tracks.front().number);
    header->cdth_trk1 = static_cast<__u8>(tracks.back().number);
    Answer answer = Done(0, "CDROMREADTOCHDR tracks " + std::to_string(header->cdth_trk0) + "-" +
                                std::to_string(header->cdth_trk1));
    answer.driveTime = waited;
    return answer;
}

Answer EmulatedDrive::ReadTocEntry(void* argument, Clock::time_point now) const {
    auto* entry = static_cast<cdrom_tocentry*>(argument);
    const std::string log = "CDROMREADTOCENTRY track " + std::to_string(entry->cdte_track) +
                            (entry->cdte_format == CDROM_MSF ? " msf" : " lba");
    if (entry->cdte_format != CDROM_MSF && entry->cdte_format != CDROM_LBA) {
        return Failed(EINVAL, log);
    }
    const std::chrono::nanoseconds waited = WaitForReady(now);
    if (State(now + waited) != Readiness::Ready) {
        return Failed(ENOMEDIUM, log);
    }
    const cdrom::Toc& toc = *DiscToc();
    Lba start = 0;
    bool data = false;
    if (entry->cdte_track == CDROM_LEADOUT) {
        start = toc.leadOut;
        data = toc.tracks.back().kind == cdrom::TrackKind::Data;
    } else if (const cdrom::TocTrack* track = toc.FindTrack(entry->cdte_track)) {
        start = track->start;
        data = track->kind == cdrom::TrackKind::Data;
    } else {
        // The drive's ILLEGAL REQUEST, which the kernel passes on as EIO.
        return Failed(EIO, log);
    }
    entry->cdte_adr = 1;
    entry->cdte_ctrl = data ? CDROM_DATA_TRACK : 0;
    entry->cdte_datamode = data ? 1 : 0;
    if (entry->cdte_format == CDROM_MSF) {
        entry->cdte_addr.msf = ToMsf(start);
    } else {
        entry->cdte_addr.lba = start;
    }
    Answer answer = Done(0, log + " at " + std::to_string(start) + (data ? " data" : " audio"));
    answer.driveTime = waited;
    return answer;
}

Answer EmulatedDrive::MultiSession(void* argument, Clock::time_point /*now*/) const {
    auto* session = static_cast<cdrom_multisession*>(argument);
    if (session->addr_format != CDROM_MSF && session->addr_format != CDROM_LBA) {
        return Failed(EINVAL, "CDROMMULTISESSION");
    }
    // One session: the kernel gives 0, the start of the disc's only session.
    session->xa_flag = 0;
    if (session->addr_format == CDROM_MSF) {
        session->addr.msf = ToMsf(0);
    } else {
        session->addr.lba = 0;
    }
    return Done(0, "CDROMMULTISESSION last session at 0");
}

Answer EmulatedDrive::ReadMcn(void* argument, Clock::time_point now) const {
    const std::chrono::nanoseconds waited = WaitForReady(now);
    if (State(now + waited) != Readiness::Ready) {
        return Failed(ENOMEDIUM, "CDROM_GET_MCN");
    }
    // The images carry no catalogue number: the drive's field is empty.
    auto* mcn = static_cast<cdrom_mcn*>(argument);
    std::memset(mcn->medium_catalog_number, 0, sizeof mcn->medium_catalog_number);
    Answer answer = Done(0, "CDROM_GET_MCN none");
    answer.driveTime = waited;
    return answer;
}

Answer EmulatedDrive::ReadAudio(void* argument, Clock::time_point now) {
    auto* read = static_cast<cdrom_read_audio*>(argument);
    Lba first = 0;
    if (read->addr_format == CDROM_LBA) {
        first = read->addr.lba;
    } else if (read->addr_format == CDROM_MSF) {
        first = FromMsf(read->addr.msf);
    } else {
        return Failed(EINVAL, "CDROMREADAUDIO");
    }
    const std::string log = "CDROMREADAUDIO " + std::to_string(first) + " +" +
                            std::to_string(read->nframes) + " at " +
                            std::to_string(m_speed == 0 ? m_script.maxSpeed : m_speed) + "x";
    if (first < 0 || read->nframes <= 0 || read->nframes > MOST_AUDIO_FRAMES) {
        return Failed(EINVAL, log);
    }
    const std::chrono::nanoseconds waited = WaitForReady(now);
    if (State(now + waited) != Readiness::Ready) {
        return Failed(ENOMEDIUM, log);
    }
    const cdrom::Toc& toc = *DiscToc();
    const Lba end = first + read->nframes;
    for (Lba sector = first; sector < end; ++sector) {
        const cdrom::TocTrack* track = toc.TrackAt(sector);
        if (track == nullptr || track->kind != cdrom::TrackKind::Audio) {
            // LOGICAL BLOCK ADDRESS OUT OF RANGE or ILLEGAL MODE FOR THIS TRACK.
            Answer answer = Failed(EIO, log + " outside the audio");
            answer.driveTime = waited;
            return answer;
        }
    }
    if (Scratched(first, read->nframes)) {
        Answer answer = Failed(EIO, log + " scratched");
        answer.driveTime = waited + std::chrono::milliseconds(m_script.scratch->retryMilliseconds);
        return answer;
    }
    std::vector<std::int16_t> samples(static_cast<std::size_t>(read->nframes) *
                                      cdrom::SAMPLES_PER_SECTOR);
    const cdrom::ReadResult result = m_disc->Read(first, samples);
    if (result.error) {
        return Failed(EIO, log + ": " + result.error->text);
    }
    // Drives deliver little-endian samples, as this machine keeps them.
    std::memcpy(read->buf, samples.data(), samples.size() * sizeof(std::int16_t));
    Answer answer = Done(0, log);
    answer.driveTime = waited + ReadTime(read->nframes);
    return answer;
}

Answer EmulatedDrive::Eject(Clock::time_point now) {
    // The kernel lets only the drive's one user eject it, and not while a
    // program keeps the door locked.
    if (Users() != 1 || m_doorLocked) {
        return Failed(EBUSY, "CDROMEJECT with " + std::to_string(Users()) + " users");
    }
    MoveTray(TrayPosition::Open, now);
    return Done(0, "CDROMEJECT");
}

Answer EmulatedDrive::CloseTray(Clock::time_point now) {
    MoveTray(TrayPosition::Closed, now);
    return Done(0, "CDROMCLOSETRAY");
}

Answer EmulatedDrive::LockDoor(unsigned long argument) {
    m_doorLocked = argument != 0;
    // Unlocking while others use the drive is for root only; the player runs
    // as a desktop user.
    if (Users() != 1 && argument == 0) {
        return Failed(EBUSY, "CDROM_LOCKDOOR 0 with " + std::to_string(Users()) + " users");
    }
    return Done(0, "CDROM_LOCKDOOR " + std::to_string(argument));
}

Answer EmulatedDrive::SelectSpeed(unsigned long argument) {
    m_speed = static_cast<int>(std::min<unsigned long>(argument, 0xffff / 177));
    return Done(0, "CDROM_SELECT_SPEED " + std::to_string(argument));
}

Answer EmulatedDrive::SendPacket(void* argument, Clock::time_point now) {
    auto* packet = static_cast<cdrom_generic_command*>(argument);
    const std::span<const std::uint8_t> command(packet->cmd, CDROM_PACKET_SIZE);
    std::span<std::uint8_t> data;
    if (packet->buffer != nullptr) {
        data = std::span(packet->buffer, packet->buflen);
    }
    const MmcAnswer mmc = Mmc(command, data, now);
    packet->stat = mmc.status;
    Answer answer;
    answer.driveTime = mmc.driveTime;
    if (mmc.status != 0) {
        if (packet->sense != nullptr) {
            std::memset(packet->sense, 0, sizeof *packet->sense);
            packet->sense->error_code = 0x70;
            packet->sense->sense_key = mmc.senseKey;
            packet->sense->add_sense_len = 10;
            packet->sense->asc = mmc.asc;
            packet->sense->ascq = mmc.ascq;
        }
        answer.result = -1;
        answer.error = EIO;
        answer.log = "CDROM_SEND_PACKET " + mmc.log + " -> EIO";
        return answer;
    }
    answer.log = "CDROM_SEND_PACKET " + mmc.log + " -> 0";
    return answer;
}

Answer EmulatedDrive::ScsiGeneric(void* argument, Clock::time_point now) {
    auto* io = static_cast<sg_io_hdr_t*>(argument);
    if (io->interface_id != 'S' || io->iovec_count != 0 || io->cmdp == nullptr) {
        return Failed(io->interface_id != 'S' ? ENOSYS : EINVAL, "SG_IO not understood");
    }
    const std::span<const std::uint8_t> command(io->cmdp, io->cmd_len);
    std::span<std::uint8_t> data;
    if (io->dxferp != nullptr && io->dxfer_direction == SG_DXFER_FROM_DEV) {
        data = std::span(static_cast<std::uint8_t*>(io->dxferp), io->dxfer_len);
    }
    const MmcAnswer mmc = Mmc(command, data, now);
    io->status = mmc.status;
    io->masked_status = static_cast<unsigned char>(mmc.status >> 1);
    io->msg_status = 0;
    io->host_status = 0;
    io->driver_status = mmc.status != 0 ? 0x08 : 0;  // DRIVER_SENSE
    io->resid = static_cast<int>(io->dxfer_len - mmc.transferred);
    io->duration = static_cast<unsigned>(
        std::chrono::duration_cast<std::chrono::milliseconds>(mmc.driveTime).count());
    io->info = mmc.status != 0 ? SG_INFO_CHECK : SG_INFO_OK;
    io->sb_len_wr = 0;
    if (mmc.status != 0 && io->sbp != nullptr && io->mx_sb_len > 0) {
        std::uint8_t sense[18] = {};
        sense[0] = 0x70;
        sense[2] = mmc.senseKey;
        sense[7] = 10;
        sense[12] = mmc.asc;
        sense[13] = mmc.ascq;
        io->sb_len_wr = std::min<unsigned char>(io->mx_sb_len, sizeof sense);
        std::memcpy(io->sbp, sense, io->sb_len_wr);
    }
    Answer answer;
    answer.driveTime = mmc.driveTime;
    answer.log = "SG_IO " + mmc.log + " -> 0";
    return answer;
}

}  // namespace corvid::drive_emulator
