#include "cdaudio/CdAudio.h"

#include <algorithm>
#include <optional>
#include <string>

namespace corvid {

namespace {

constexpr std::string_view EXCLUSIVE_OWNERSHIP_TEXT =
    "Another program has exclusive ownership of the CD audio device. Close any other CD "
    "player and try to start Corvid Player again.";

// Answer buffers of the queries: 20 bytes, of which 19 are offered to the
// device; position and length answers get 12.
constexpr std::size_t QUERY_BUFFER_SIZE = 20;
constexpr std::size_t QUERY_ANSWER_SIZE = 19;
constexpr std::size_t POSITION_ANSWER_SIZE = 12;
// GetTrackLength's own buffers for the track starts and the disc length.
constexpr std::size_t TRACK_LENGTH_BUFFER_SIZE = 13;
constexpr std::size_t DISC_LENGTH_ANSWER_SIZE = 12;
// Added to the last track: the disc length ends 2000 ms before its lead-out.
constexpr std::int64_t LAST_TRACK_EXTRA_MS = 2000;

constexpr std::uint32_t VOLUME_CHANNEL_MASK = 0xFFFFU;
constexpr std::uint32_t VOLUME_BOTH_CHANNELS = 0x10001U;  // 65537

std::string StatusCommand(std::string_view item) {
    std::string command = "status cdaudio ";
    command += item;
    return command;
}

std::string TrackItem(std::string_view item, int track) {
    std::string text(item);
    text += ' ';
    text += std::to_string(track);
    return text;
}

}  // namespace

int VolumeAfterSpinnerDelta(unsigned currentLevel, int delta) {
    const std::int64_t level =
        static_cast<std::int64_t>(currentLevel) - static_cast<std::int64_t>(delta) * VOLUME_STEP;
    return static_cast<int>(std::clamp<std::int64_t>(level, 0, VOLUME_MAX));
}

CCdAudio::CCdAudio(MciPort& mci, MixerPort& mixer, MessagePort& messages)
    : m_mci(mci), m_mixer(mixer), m_messages(messages) {
    m_hNotifyWnd = nullptr;
    m_nOpenError = Send("open cdaudio shareable wait");
    if (m_nOpenError != MCIERR_NONE) {
        if (m_nOpenError == MCIERR_MUST_USE_SHAREABLE) {
            m_messages.ShowMessage(EXCLUSIVE_OWNERSHIP_TEXT);
        } else {
            m_messages.ShowMessage(m_mci.GetErrorString(m_nOpenError));
        }
    }
    Send("set cdaudio time format tmsf");
    m_bResume = false;
    FindVolumeDevice();
}

CCdAudio::~CCdAudio() {
    Send("close cdaudio wait");
}

MciError CCdAudio::Send(std::string_view command, std::span<char> answer) {
    if (!answer.empty()) {
        // A failed query reads as an empty answer whatever the port leaves.
        answer[0] = '\0';
    }
    const MciError error = m_mci.SendString(command, answer, m_hNotifyWnd);
    if (!answer.empty()) {
        answer.back() = '\0';  // never read past the buffer
    }
    return error;
}

// Playing -------------------------------------------------------------------

void CCdAudio::Play(std::string_view start) {
    start = TextOfBuffer(start);
    if (start.size() > MAX_START_TEXT) {
        return;
    }
    // `start` may be m_szStartPos itself (PlayTrack, PlayAt): copy through a
    // temporary.
    const std::string text(start);
    CopyToBuffer(m_szStartPos, text);
    std::string command = "play cdaudio from ";
    command += TextOfBuffer(m_szStartPos);
    command += " notify";
    Send(command);
    m_bResume = false;
}

void CCdAudio::Play() {
    if (!m_bResume) {
        CopyToBuffer(m_szStartPos, "1");
    }
    const std::string start(TextOfBuffer(m_szStartPos));
    Play(start);
}

void CCdAudio::PlayTrack(int track) {
    const std::string text = std::to_string(track);  // at most 11 characters
    CopyToBuffer(m_szStartPos, text);
    Play(text);
}

void CCdAudio::PlayAt(int track, int minutes, int seconds, int frames) {
    if (track >= 100 || minutes >= 60 || seconds >= 60 || frames >= 75) {
        return;
    }
    // Negative values lengthen the text: m_szStartPos keeps it cut to fit,
    // and Play refuses a text over 12 characters, as it always did.
    const std::string text = FormatPositionText(track, minutes, seconds, frames);
    CopyToBuffer(m_szStartPos, text);
    Play(text);
}

void CCdAudio::Stop() {
    GetPosition(std::span<char>(m_szStartPos, POSITION_ANSWER_SIZE));
    m_bResume = true;
    Send("stop cdaudio");
}

void CCdAudio::PreviousTrack() {
    PlayTrack(GetCurrentTrack() - 1);
}

void CCdAudio::NextTrack() {
    PlayTrack(GetCurrentTrack() + 1);
}

void CCdAudio::OpenDoor() {
    Send("set cdaudio door open wait");
}

void CCdAudio::CloseDoor() {
    Send("set cdaudio door closed wait");
}

// Queries -------------------------------------------------------------------

void CCdAudio::GetStatus(std::string_view item, std::span<char> answer) {
    Send(StatusCommand(item), answer);
}

bool CCdAudio::StatusIs(std::string_view item, std::string_view expected) {
    char answer[QUERY_BUFFER_SIZE] = {};
    GetStatus(item, std::span<char>(answer, QUERY_ANSWER_SIZE));
    return TextOfBuffer(answer) == expected;
}

void CCdAudio::GetPosition(std::span<char> answer) {
    GetStatus("position", answer);
}

void CCdAudio::GetPositionParts(int& track, int& minutes, int& seconds, int& frames) {
    char position[POSITION_ANSWER_SIZE] = {};
    GetPosition(position);
    const PositionParts parts = ParsePosition(TextOfBuffer(position));
    track = parts.track;
    minutes = parts.minutes;
    seconds = parts.seconds;
    frames = parts.frames;
}

void CCdAudio::GetLength(std::span<char> answer) {
    GetStatus("length", answer);
}

std::int32_t CCdAudio::GetIdentity() {
    char answer[QUERY_BUFFER_SIZE] = {};
    Send("info cdaudio identity", std::span<char>(answer, QUERY_ANSWER_SIZE));
    return ReadDecimal(TextOfBuffer(answer));
}

int CCdAudio::GetNumberOfTracks() {
    char answer[QUERY_BUFFER_SIZE] = {};
    GetStatus("number of tracks", std::span<char>(answer, QUERY_ANSWER_SIZE));
    return ReadDecimal(TextOfBuffer(answer));
}

int CCdAudio::GetCurrentTrack() {
    char answer[QUERY_BUFFER_SIZE] = {};
    GetStatus("current track", std::span<char>(answer, QUERY_ANSWER_SIZE));
    return ReadDecimal(TextOfBuffer(answer));
}

bool CCdAudio::IsAudioTrack(int track) {
    return StatusIs(TrackItem("type track", track), "audio");
}

bool CCdAudio::HasAudioTrack() {
    const int tracks = GetNumberOfTracks();
    for (int track = 1; track <= tracks; ++track) {
        if (IsAudioTrack(track)) {
            return true;
        }
    }
    return false;
}

bool CCdAudio::IsMediaPresent() {
    return StatusIs("media present", "true");
}

CdMode CCdAudio::GetMode() {
    char answer[QUERY_BUFFER_SIZE] = {};
    GetStatus("mode", std::span<char>(answer, QUERY_ANSWER_SIZE));
    const std::string_view mode = TextOfBuffer(answer);
    if (mode == "open") {
        m_bResume = false;
        m_trayOpenSeen = true;
        return CDMODE_OPEN;
    }
    if (mode == "playing") {
        return CDMODE_PLAYING;
    }
    if (mode == "paused") {
        return CDMODE_READY;
    }
    if (mode == "stopped" && HasAudioTrack()) {
        return CDMODE_READY;
    }
    return IsMediaPresent() ? CDMODE_NOAUDIO : CDMODE_NODISC;
}

void CCdAudio::GetTrackLength(int track, std::span<char> out) {
    Send("set cdaudio time format milliseconds");

    // The caller's size is the answer size of the track starts, but never
    // more than the 13 characters of the buffers that receive them.
    const std::size_t answerSize = std::min(out.size(), TRACK_LENGTH_BUFFER_SIZE);
    char start[TRACK_LENGTH_BUFFER_SIZE] = {};
    GetStatus(TrackItem("position track", track), std::span<char>(start, answerSize));

    char end[TRACK_LENGTH_BUFFER_SIZE] = {};
    std::int64_t extra = 0;
    if (track < GetNumberOfTracks()) {
        GetStatus(TrackItem("position track", track + 1), std::span<char>(end, answerSize));
    } else {
        GetStatus("length", std::span<char>(end, DISC_LENGTH_ANSWER_SIZE));
        extra = LAST_TRACK_EXTRA_MS;
    }

    const std::int64_t length = static_cast<std::int64_t>(ReadDecimal(TextOfBuffer(end))) -
                                ReadDecimal(TextOfBuffer(start)) + extra;
    CopyToBuffer(out, LengthTextFromMilliseconds(length));

    Send("set cdaudio time format tmsf");
}

CdTableOfContents CCdAudio::GetTableOfContents() {
    // MSF positions count the two seconds before the program area: track 1
    // of most discs starts at 00:02:00.
    constexpr int LEAD_IN_FRAMES = 2 * FRAMES_PER_SECOND;
    const auto framesOf = [this](std::string_view item) -> std::optional<int> {
        char answer[QUERY_BUFFER_SIZE] = {};
        if (Send(StatusCommand(item), std::span<char>(answer, QUERY_ANSWER_SIZE)) != MCIERR_NONE) {
            return std::nullopt;
        }
        const LengthParts parts = ParseLength(TextOfBuffer(answer));
        return (parts.minutes * SECONDS_PER_MINUTE + parts.seconds) * FRAMES_PER_SECOND +
               parts.frames;
    };
    CdTableOfContents toc;
    const int trackCount = GetNumberOfTracks();
    Send("set cdaudio time format msf");
    for (int track = 1; track <= trackCount; ++track) {
        const std::optional<int> start = framesOf(TrackItem("position track", track));
        if (!start) {
            toc.tracks.clear();
            break;
        }
        toc.tracks.push_back({track, *start - LEAD_IN_FRAMES, IsAudioTrack(track)});
    }
    // The device's disc length is one frame short of the lead-out.
    const std::optional<int> length = framesOf("length");
    Send("set cdaudio time format tmsf");
    if (toc.tracks.empty() || !length) {
        return {};
    }
    toc.leadOutFrame = toc.tracks.front().startFrame + *length + 1;
    return toc;
}

void CCdAudio::GetTrackLengthParts(int track, int& minutes, int& seconds, int& frames) {
    char length[POSITION_ANSWER_SIZE] = {};
    GetTrackLength(track, length);
    const LengthParts parts = ParseLength(TextOfBuffer(length));
    minutes = parts.minutes;
    seconds = parts.seconds;
    frames = parts.frames;
}

void CCdAudio::FormatPosition(std::span<char> out, int track, int minutes, int seconds,
                              int frames) {
    corvid::FormatPosition(out, track, minutes, seconds, frames);
}

// CD volume -----------------------------------------------------------------

void CCdAudio::FindVolumeDevice() {
    const std::uint32_t devices = m_mixer.GetNumberOfDevices();
    m_nAuxDevice = -1;
    for (std::uint32_t device = 0; device < devices; ++device) {
        std::uint32_t componentType = 0;
        if (m_mixer.GetLineComponentType(device, componentType) == MIXER_NOERROR &&
            componentType == MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC) {
            m_nAuxDevice = static_cast<std::int32_t>(device);
            return;
        }
    }
}

unsigned CCdAudio::GetVolume() {
    if (!HasVolumeControl()) {
        return 0;
    }
    std::uint32_t value = 0;
    if (m_mixer.GetVolume(static_cast<std::uint32_t>(m_nAuxDevice), value) != MIXER_NOERROR) {
        return 0;
    }
    return value & VOLUME_CHANNEL_MASK;
}

void CCdAudio::SetVolume(int level) {
    if (!HasVolumeControl()) {
        return;
    }
    const std::uint32_t channel = static_cast<std::uint32_t>(level) & VOLUME_CHANNEL_MASK;
    m_mixer.SetVolume(static_cast<std::uint32_t>(m_nAuxDevice), channel * VOLUME_BOTH_CHANNELS);
}

}  // namespace corvid
