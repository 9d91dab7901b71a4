// The MMC commands that reach the emulated drive through SG_IO or
// CDROM_SEND_PACKET, answered with the data layouts of the MMC standard
// (big-endian fields, MSF addresses counted from the lead-in).
#include <algorithm>
#include <cstring>
#include <vector>

#include "tests/drive_emulator/EmulatedDrive.h"

namespace corvid::drive_emulator {

namespace {

using cdrom::Lba;
using namespace std::chrono_literals;

enum Opcode : std::uint8_t {
    TEST_UNIT_READY = 0x00,
    REQUEST_SENSE = 0x03,
    INQUIRY = 0x12,
    MODE_SENSE_6 = 0x1a,
    START_STOP_UNIT = 0x1b,
    PREVENT_ALLOW_MEDIUM_REMOVAL = 0x1e,
    READ_TOC_PMA_ATIP = 0x43,
    GET_CONFIGURATION = 0x46,
    MODE_SENSE_10 = 0x5a,
    SET_CD_SPEED = 0xbb,
    READ_CD = 0xbe,
};

enum SenseKey : std::uint8_t {
    NOT_READY = 0x02,
    MEDIUM_ERROR = 0x03,
    ILLEGAL_REQUEST = 0x05,
};

constexpr std::uint8_t CHECK_CONDITION = 0x02;
constexpr std::uint8_t LEAD_OUT_TRACK = 0xaa;
constexpr std::uint8_t CONTROL_DATA_TRACK = 0x04;
constexpr std::uint8_t ADR_POSITION = 0x10;
constexpr std::uint8_t CAPABILITIES_PAGE = 0x2a;
constexpr std::uint8_t ALL_PAGES = 0x3f;
constexpr std::uint16_t PROFILE_CD_ROM = 0x0008;
constexpr int AUDIO_RATE_KILOBYTES = 176;  // kB/s of 1x
constexpr std::size_t SUBCHANNEL_RAW = 96;
constexpr std::size_t SUBCHANNEL_Q = 16;

std::string Hex(std::uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02x", value);
    return text;
}

MmcAnswer Check(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq, std::string log) {
    MmcAnswer answer;
    answer.status = CHECK_CONDITION;
    answer.senseKey = key;
    answer.asc = asc;
    answer.ascq = ascq;
    answer.log = std::move(log) + " CHECK CONDITION " + Hex(key) + "/" + Hex(asc) + "/" + Hex(ascq);
    return answer;
}

MmcAnswer InvalidField(std::string log) {
    return Check(ILLEGAL_REQUEST, 0x24, 0x00, std::move(log));
}

// Copies what the caller's buffer holds of `bytes`, as a drive stops at the
// allocation length.
MmcAnswer Give(const std::vector<std::uint8_t>& bytes, std::span<std::uint8_t> data,
               std::size_t allocation, std::string log) {
    MmcAnswer answer;
    answer.transferred = std::min({bytes.size(), data.size(), allocation});
    std::copy_n(bytes.begin(), answer.transferred, data.begin());
    answer.log = std::move(log) + " GOOD " + std::to_string(answer.transferred) + " bytes";
    return answer;
}

void PutBig16(std::vector<std::uint8_t>& bytes, std::size_t at, unsigned value) {
    bytes[at] = static_cast<std::uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<std::uint8_t>(value);
}

void AppendBig32(std::vector<std::uint8_t>& bytes, std::int32_t value) {
    const auto word = static_cast<std::uint32_t>(value);
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<std::uint8_t>(word >> shift));
    }
}

// An address as READ TOC gives it: a big-endian LBA, or 0, M, S, F.
void AppendAddress(std::vector<std::uint8_t>& bytes, Lba lba, bool msf) {
    if (!msf) {
        AppendBig32(bytes, lba);
        return;
    }
    const int frames = lba + cdrom::LEAD_IN_FRAMES;
    bytes.insert(bytes.end(), {0, static_cast<std::uint8_t>(frames / (60 * 75)),
                               static_cast<std::uint8_t>(frames / 75 % 60),
                               static_cast<std::uint8_t>(frames % 75)});
}

std::int32_t Big32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::int32_t>((std::uint32_t{bytes[at]} << 24) |
                                     (std::uint32_t{bytes[at + 1]} << 16) |
                                     (std::uint32_t{bytes[at + 2]} << 8) | bytes[at + 3]);
}

unsigned Big16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return (unsigned{bytes[at]} << 8) | bytes[at + 1];
}

std::uint8_t Control(const cdrom::TocTrack& track) {
    return track.kind == cdrom::TrackKind::Data ? CONTROL_DATA_TRACK : 0;
}

std::vector<std::uint8_t> Padded(std::string_view text, std::size_t width) {
    std::vector<std::uint8_t> bytes(width, ' ');
    std::copy_n(text.begin(), std::min(width, text.size()), bytes.begin());
    return bytes;
}

}  // namespace

MmcAnswer EmulatedDrive::Mmc(std::span<const std::uint8_t> command, std::span<std::uint8_t> data,
                             Clock::time_point now) {
    if (command.empty()) {
        return Check(ILLEGAL_REQUEST, 0x20, 0x00, "empty command");
    }
    switch (command[0]) {
        case TEST_UNIT_READY:
            return TestUnitReady(now);
        case INQUIRY:
            return Inquiry(command, data);
        case MODE_SENSE_6:
        case MODE_SENSE_10:
            return ModeSense(command, data);
        case READ_TOC_PMA_ATIP:
            return ReadToc(command, data, now);
        case READ_CD:
            return ReadCd(command, data, now);
        case GET_CONFIGURATION:
            return GetConfiguration(command, data, now);
        case START_STOP_UNIT:
            return StartStopUnit(command, now);
        case PREVENT_ALLOW_MEDIUM_REMOVAL: {
            MmcAnswer answer;
            answer.log = "PREVENT ALLOW MEDIUM REMOVAL GOOD";
            return answer;
        }
        case SET_CD_SPEED:
            return SetCdSpeed(command);
        default:
            // INVALID COMMAND OPERATION CODE.
            return Check(ILLEGAL_REQUEST, 0x20, 0x00, "unknown MMC opcode " + Hex(command[0]));
    }
}

MmcAnswer EmulatedDrive::NotReadySense(Clock::time_point now) const {
    switch (State(now)) {
        case Readiness::TrayOpen:
            return Check(NOT_READY, 0x3a, 0x02, "MEDIUM NOT PRESENT - TRAY OPEN");
        case Readiness::NoDisc:
            return Check(NOT_READY, 0x3a, 0x01, "MEDIUM NOT PRESENT - TRAY CLOSED");
        case Readiness::SpinningUp:
            return Check(NOT_READY, 0x04, 0x01, "BECOMING READY");
        case Readiness::Ready:
            break;
    }
    return {};
}

MmcAnswer EmulatedDrive::TestUnitReady(Clock::time_point now) const {
    if (State(now) != Readiness::Ready) {
        MmcAnswer answer = NotReadySense(now);
        answer.log = "TEST UNIT READY " + answer.log;
        return answer;
    }
    MmcAnswer answer;
    answer.log = "TEST UNIT READY GOOD";
    return answer;
}

MmcAnswer EmulatedDrive::Inquiry(std::span<const std::uint8_t> command,
                                 std::span<std::uint8_t> data) const {
    if (command.size() < 6) {
        return InvalidField("INQUIRY");
    }
    if ((command[1] & 0x01) != 0) {
        return InvalidField("INQUIRY vital product data page " + Hex(command[2]));
    }
    // A removable CD/DVD device of the MMC command set.
    std::vector<std::uint8_t> bytes = {0x05, 0x80, 0x05, 0x32, 31, 0, 0, 0};
    for (const auto& field :
         {Padded("CORVID", 8), Padded("EMULATED DRIVE", 16), Padded("1.0", 4)}) {
        bytes.insert(bytes.end(), field.begin(), field.end());
    }
    return Give(bytes, data, Big16(command, 3), "INQUIRY");
}

MmcAnswer EmulatedDrive::ModeSense(std::span<const std::uint8_t> command,
                                   std::span<std::uint8_t> data) const {
    const bool ten = command[0] == 0x5a;
    if (command.size() < (ten ? 10U : 6U)) {
        return InvalidField("MODE SENSE");
    }
    const std::uint8_t page = command[2] & 0x3f;
    const std::string log =
        std::string(ten ? "MODE SENSE(10)" : "MODE SENSE(6)") + " page " + Hex(page);
    if (page != CAPABILITIES_PAGE && page != ALL_PAGES) {
        return InvalidField(log);
    }
    const unsigned fastest = static_cast<unsigned>(m_script.maxSpeed * AUDIO_RATE_KILOBYTES);
    const unsigned current =
        static_cast<unsigned>((m_speed == 0 ? m_script.maxSpeed : m_speed) * AUDIO_RATE_KILOBYTES);
    // The CD capabilities and mechanical status page: reads CD-R and CD-RW,
    // plays audio, reads CD-DA accurately with C2 pointers, ISRC and UPC; a
    // tray that locks and ejects.
    std::vector<std::uint8_t> capabilities = {CAPABILITIES_PAGE,
                                              20,
                                              0x03,
                                              0x00,
                                              0x41,
                                              0x73,
                                              0x29,
                                              0x00,
                                              0,
                                              0,
                                              0x01,
                                              0x00,
                                              0x08,
                                              0x00,
                                              0,
                                              0,
                                              0,
                                              0,
                                              0,
                                              0,
                                              0,
                                              0};
    PutBig16(capabilities, 8, fastest);
    PutBig16(capabilities, 14, current);
    std::vector<std::uint8_t> bytes;
    if (ten) {
        bytes = {0, 0, 0, 0, 0, 0, 0, 0};
        bytes.insert(bytes.end(), capabilities.begin(), capabilities.end());
        PutBig16(bytes, 0, static_cast<unsigned>(bytes.size() - 2));
        return Give(bytes, data, Big16(command, 7), log);
    }
    bytes = {0, 0, 0, 0};
    bytes.insert(bytes.end(), capabilities.begin(), capabilities.end());
    bytes[0] = static_cast<std::uint8_t>(bytes.size() - 1);
    return Give(bytes, data, command[4], log);
}

MmcAnswer EmulatedDrive::ReadToc(std::span<const std::uint8_t> command,
                                 std::span<std::uint8_t> data, Clock::time_point now) const {
    if (command.size() < 10) {
        return InvalidField("READ TOC/PMA/ATIP");
    }
    const bool msf = (command[1] & 0x02) != 0;
    const std::uint8_t format = command[2] & 0x0f;
    const std::uint8_t from = command[6];
    const std::string log = "READ TOC/PMA/ATIP format " + std::to_string(format) +
                            (msf ? " msf" : " lba") + " from " + std::to_string(from);
    if (State(now) != Readiness::Ready) {
        MmcAnswer answer = NotReadySense(now);
        answer.log = log + " " + answer.log;
        return answer;
    }
    const cdrom::Toc& toc = *DiscToc();
    const auto& tracks = toc.tracks;
    const auto first = static_cast<std::uint8_t>(tracks.front().number);
    const auto last = static_cast<std::uint8_t>(tracks.back().number);
    std::vector<std::uint8_t> bytes = {0, 0, first, last};
    switch (format) {
        case 0: {
            if (from > last && from != LEAD_OUT_TRACK) {
                return InvalidField(log);
            }
            for (const cdrom::TocTrack& track : tracks) {
                if (track.number < from || from == LEAD_OUT_TRACK) {
                    continue;
                }
                bytes.insert(bytes.end(),
                             {0, static_cast<std::uint8_t>(ADR_POSITION | Control(track)),
                              static_cast<std::uint8_t>(track.number), 0});
                AppendAddress(bytes, track.start, msf);
            }
            bytes.insert(bytes.end(),
                         {0, static_cast<std::uint8_t>(ADR_POSITION | Control(tracks.back())),
                          LEAD_OUT_TRACK, 0});
            AppendAddress(bytes, toc.leadOut, msf);
            break;
        }
        case 1:
            // One session, the disc's only one, which starts with track 1.
            bytes[2] = 1;
            bytes[3] = 1;
            bytes.insert(
                bytes.end(),
                {0, static_cast<std::uint8_t>(ADR_POSITION | Control(tracks.front())), first, 0});
            AppendAddress(bytes, tracks.front().start, msf);
            break;
        case 2: {
            // The full TOC of session 1: points A0, A1 and A2, then the tracks.
            bytes[2] = 1;
            bytes[3] = 1;
            const auto point = [&](std::uint8_t control, std::uint8_t number, std::uint8_t pmin,
                                   std::uint8_t psec, std::uint8_t pframe) {
                bytes.insert(bytes.end(), {1, static_cast<std::uint8_t>(ADR_POSITION | control), 0,
                                           number, 0, 0, 0, 0, pmin, psec, pframe});
            };
            point(Control(tracks.front()), 0xa0, first, 0, 0);
            point(Control(tracks.back()), 0xa1, last, 0, 0);
            const int leadOut = toc.leadOut + cdrom::LEAD_IN_FRAMES;
            point(Control(tracks.back()), 0xa2, static_cast<std::uint8_t>(leadOut / 4500),
                  static_cast<std::uint8_t>(leadOut / 75 % 60),
                  static_cast<std::uint8_t>(leadOut % 75));
            for (const cdrom::TocTrack& track : tracks) {
                const int start = track.start + cdrom::LEAD_IN_FRAMES;
                point(Control(track), static_cast<std::uint8_t>(track.number),
                      static_cast<std::uint8_t>(start / 4500),
                      static_cast<std::uint8_t>(start / 75 % 60),
                      static_cast<std::uint8_t>(start % 75));
            }
            break;
        }
        case 5:
            // No CD-TEXT on the disc: the header alone.
            bytes = {0, 2, 0, 0};
            return Give(bytes, data, Big16(command, 7), log + " (no CD-TEXT)");
        default:
            return InvalidField(log);
    }
    PutBig16(bytes, 0, static_cast<unsigned>(bytes.size() - 2));
    return Give(bytes, data, Big16(command, 7), log);
}

MmcAnswer EmulatedDrive::ReadCd(std::span<const std::uint8_t> command, std::span<std::uint8_t> data,
                                Clock::time_point now) {
    if (command.size() < 12) {
        return InvalidField("READ CD");
    }
    const std::uint8_t sectorType = (command[1] >> 2) & 0x07;
    const Lba first = Big32(command, 2);
    const auto count = static_cast<Lba>((unsigned{command[6]} << 16) | Big16(command, 7));
    const std::uint8_t subchannel = command[10] & 0x07;
    const std::string log = "READ CD " + std::to_string(first) + " +" + std::to_string(count) +
                            " type " + std::to_string(sectorType) + " fields " + Hex(command[9]) +
                            " subchannel " + std::to_string(subchannel);
    if (State(now) != Readiness::Ready) {
        MmcAnswer answer = NotReadySense(now);
        answer.log = log + " " + answer.log;
        return answer;
    }
    if (sectorType > 1) {
        return Check(ILLEGAL_REQUEST, 0x64, 0x00, log);  // ILLEGAL MODE FOR THIS TRACK
    }
    const std::size_t extra = subchannel == 1 ? SUBCHANNEL_RAW : subchannel == 2 ? SUBCHANNEL_Q : 0;
    const std::size_t sectorBytes = cdrom::BYTES_PER_SECTOR + extra;
    if (data.size() < sectorBytes * static_cast<std::size_t>(count)) {
        return InvalidField(log + " with a short buffer");
    }
    const cdrom::Toc& toc = *DiscToc();
    for (Lba sector = first; sector < first + count; ++sector) {
        const cdrom::TocTrack* track = toc.TrackAt(sector);
        if (track == nullptr) {
            return Check(ILLEGAL_REQUEST, 0x21, 0x00, log);  // LBA OUT OF RANGE
        }
        if (track->kind != cdrom::TrackKind::Audio) {
            return Check(ILLEGAL_REQUEST, 0x64, 0x00, log);
        }
    }
    if (Scratched(first, count)) {
        MmcAnswer answer = Check(MEDIUM_ERROR, 0x11, 0x00, log);  // UNRECOVERED READ ERROR
        answer.driveTime = std::chrono::milliseconds(m_script.scratch->retryMilliseconds);
        return answer;
    }
    std::vector<std::int16_t> samples(cdrom::SAMPLES_PER_SECTOR);
    for (Lba index = 0; index < count; ++index) {
        if (m_disc->Read(first + index, samples).error) {
            return Check(MEDIUM_ERROR, 0x11, 0x00, log);
        }
        std::uint8_t* out = data.data() + static_cast<std::size_t>(index) * sectorBytes;
        std::memcpy(out, samples.data(), cdrom::BYTES_PER_SECTOR);
        std::memset(out + cdrom::BYTES_PER_SECTOR, 0, extra);
    }
    MmcAnswer answer;
    answer.transferred = sectorBytes * static_cast<std::size_t>(count);
    answer.driveTime = ReadTime(count);
    answer.log = log + " GOOD";
    return answer;
}

MmcAnswer EmulatedDrive::GetConfiguration(std::span<const std::uint8_t> command,
                                          std::span<std::uint8_t> data,
                                          Clock::time_point now) const {
    if (command.size() < 10) {
        return InvalidField("GET CONFIGURATION");
    }
    const unsigned start = Big16(command, 2);
    const std::uint8_t requestType = command[1] & 0x03;
    const bool disc = State(now) == Readiness::Ready;
    const std::uint16_t profile = disc ? PROFILE_CD_ROM : 0;
    // Feature 0, the profile list: CD-ROM. Feature 1, core: ATAPI. Feature
    // 0x1e, CD read: with CD-TEXT and C2 pointers.
    struct Feature {
        unsigned code;
        std::vector<std::uint8_t> bytes;
    };
    const std::vector<Feature> features = {
        {0x0000, {0x00, 0x00, 0x03, 4, 0x00, 0x08, static_cast<std::uint8_t>(disc ? 1 : 0), 0}},
        {0x0001, {0x00, 0x01, 0x0b, 8, 0, 0, 0, 2, 1, 0, 0, 0}},
        {0x001e, {0x00, 0x1e, static_cast<std::uint8_t>(disc ? 0x09 : 0x08), 4, 0x03, 0, 0, 0}},
    };
    std::vector<std::uint8_t> bytes = {0, 0, 0, 0, 0, 0, 0, 0};
    PutBig16(bytes, 6, profile);
    for (const Feature& feature : features) {
        const bool current = (feature.bytes[2] & 0x01) != 0;
        const bool wanted = requestType == 2
                                ? feature.code == start
                                : feature.code >= start && (requestType == 0 || current);
        if (wanted) {
            bytes.insert(bytes.end(), feature.bytes.begin(), feature.bytes.end());
        }
    }
    const auto length = static_cast<std::int32_t>(bytes.size() - 4);
    for (int index = 0; index < 4; ++index) {
        bytes[static_cast<std::size_t>(index)] =
            static_cast<std::uint8_t>(static_cast<std::uint32_t>(length) >> (24 - 8 * index));
    }
    return Give(
        bytes, data, Big16(command, 7),
        "GET CONFIGURATION from " + std::to_string(start) + " type " + std::to_string(requestType));
}

MmcAnswer EmulatedDrive::StartStopUnit(std::span<const std::uint8_t> command,
                                       Clock::time_point now) {
    if (command.size() < 6) {
        return InvalidField("START STOP UNIT");
    }
    const bool loadEject = (command[4] & 0x02) != 0;
    const bool start = (command[4] & 0x01) != 0;
    MmcAnswer answer;
    if (loadEject) {
        // A command sent straight to the drive passes the kernel's count of
        // users: only a locked door stops it.
        if (!start && m_doorLocked) {
            return Check(ILLEGAL_REQUEST, 0x53, 0x02, "START STOP UNIT eject");
        }
        MoveTray(start ? TrayPosition::Closed : TrayPosition::Open, now);
    }
    answer.log =
        std::string("START STOP UNIT ") + (loadEject ? (start ? "load" : "eject") : "") + " GOOD";
    return answer;
}

MmcAnswer EmulatedDrive::SetCdSpeed(std::span<const std::uint8_t> command) {
    if (command.size() < 12) {
        return InvalidField("SET CD SPEED");
    }
    const unsigned kilobytes = Big16(command, 2);
    m_speed = kilobytes == 0xffff
                  ? 0
                  : static_cast<int>((kilobytes + AUDIO_RATE_KILOBYTES - 1) / AUDIO_RATE_KILOBYTES);
    MmcAnswer answer;
    answer.log = "SET CD SPEED " + std::to_string(kilobytes) + " kB/s GOOD";
    return answer;
}

}  // namespace corvid::drive_emulator
