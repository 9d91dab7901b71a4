#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cdaudio/DiscTime.h"
#include "cdaudio/MciPort.h"
#include "cdaudio/MessagePort.h"
#include "cdaudio/MixerPort.h"

namespace corvid {

// The drive's mode as GetMode reports it; CDMODE_INITIAL is only the player
// window's first last-seen value, never a result of GetMode.
enum CdMode : int {
    CDMODE_PLAYING = 0,  // the drive is playing
    CDMODE_READY = 1,    // paused, or stopped with an audio track: a play can start
    CDMODE_OPEN = 2,     // the tray is open
    CDMODE_NOAUDIO = 3,  // a disc is present but cannot be played now
    CDMODE_NODISC = 4,   // no disc
    CDMODE_INITIAL = 5,  // the player window's start value
};

// The disc's table of contents to the frame, as the online databases' disc
// IDs need it: frames counted from the start of the program area (the first
// track of most discs starts at 0), 75 to a second.
struct CdTableOfContents {
    struct Track {
        int number = 0;
        int startFrame = 0;
        bool audio = true;

        bool operator==(const Track&) const = default;
    };
    std::vector<Track> tracks;
    int leadOutFrame = 0;  // the first frame after the last track

    bool operator==(const CdTableOfContents&) const = default;
};

// One click of the volume spinner; 15 steps span the whole range.
inline constexpr int VOLUME_STEP = 4369;
inline constexpr int VOLUME_MAX = 65535;

// The level that one UDN_DELTAPOS of the volume spinner sets: the current
// level minus delta steps (a click on the up arrow proposes delta -1), clamped
// to 0..65535.
int VolumeAfterSpinnerDelta(unsigned currentLevel, int delta);

// The program's one connection to the CD drive: MCI command strings to the
// device "cdaudio" and the volume of its CD line.
//
// Every command passes m_hNotifyWnd as the callback window. Error codes are
// ignored except the open's; a failed query reads as an empty answer.
class CCdAudio {
    // The platform behind the device.
    MciPort& m_mci;
    MixerPort& m_mixer;
    MessagePort& m_messages;

  public:
    // The start text of the last play command, or the position saved by
    // Stop: at most 12 characters and a terminating zero.
    static constexpr std::size_t START_POS_SIZE = 13;
    static constexpr std::size_t MAX_START_TEXT = START_POS_SIZE - 1;

    // The device's state, read by the player window.
    MciError m_nOpenError = MCIERR_NONE;   // the open's result; 0 when opened
    NotifyWindow* m_hNotifyWnd = nullptr;  // the callback window of every command
    std::int32_t m_nAuxDevice = -1;        // aux device of the CD line, -1 for none
    char m_szStartPos[START_POS_SIZE] = {};
    bool m_bResume = false;  // the next Play() resumes from m_szStartPos

    // Opens the device ("open cdaudio shareable wait"), shows an open
    // failure through `messages`, sets TMSF and finds the CD volume line.
    CCdAudio(MciPort& mci, MixerPort& mixer, MessagePort& messages);
    // Sends "close cdaudio wait".
    virtual ~CCdAudio();

    CCdAudio(const CCdAudio&) = delete;
    CCdAudio& operator=(const CCdAudio&) = delete;
    CCdAudio(CCdAudio&&) = delete;
    CCdAudio& operator=(CCdAudio&&) = delete;

    void SetNotifyWindow(NotifyWindow* window) { m_hNotifyWnd = window; }

    // Playing.
    // Plays from `start` (a track start text such as "7", or a position text
    // tt:mm:ss:ff) to the end of the disc; a text longer than 12 characters
    // does nothing at all.
    void Play(std::string_view start);
    // Resumes from the position that Stop saved, or plays from track 1.
    void Play();
    void PlayTrack(int track);
    // Plays from tt:mm:ss:ff when track < 100, minutes < 60, seconds < 60 and
    // frames < 75; otherwise sends nothing.
    void PlayAt(int track, int minutes, int seconds, int frames);
    // Saves the current position for the next Play() and stops.
    void Stop();
    void PreviousTrack();
    void NextTrack();
    void OpenDoor();
    void CloseDoor();

    // Queries. An answer buffer's size is the answer size passed to the device.
    void GetStatus(std::string_view item, std::span<char> answer);
    bool StatusIs(std::string_view item, std::string_view expected);
    void GetPosition(std::span<char> answer);  // callers pass 12 bytes
    void GetPositionParts(int& track, int& minutes, int& seconds, int& frames);
    void GetLength(std::span<char> answer);  // callers pass 12 bytes
    std::int32_t GetIdentity();
    int GetNumberOfTracks();
    int GetCurrentTrack();
    bool IsAudioTrack(int track);
    bool HasAudioTrack();
    bool IsMediaPresent();
    CdMode GetMode();
    // Whether GetMode has reported the tray open since the last call. The
    // device tells a disc swapped between two looks by a single "open"
    // answer, and whichever query comes first takes it; the window's mode
    // refresh reads this so that it still forgets the old disc's list.
    bool TakeTrayOpenSeen() { return std::exchange(m_trayOpenSeen, false); }
    // The disc's table of contents; no tracks when the device has no disc
    // or a query fails. Leaves the time format at tmsf, as every query does.
    CdTableOfContents GetTableOfContents();
    // The track's length text mm:ss:ff, cut to `out`.
    void GetTrackLength(int track, std::span<char> out);
    void GetTrackLengthParts(int track, int& minutes, int& seconds, int& frames);
    // "%02d:%02d:%02d:%02d" cut to `out` (12 bytes at least); no device state.
    static void FormatPosition(std::span<char> out, int track, int minutes, int seconds,
                               int frames);

    // CD volume.
    bool HasVolumeControl() const { return m_nAuxDevice != -1; }
    // The left channel's level 0..65535; 0 without an aux device or on failure.
    unsigned GetVolume();
    // Sets both channels to the low 16 bits of `level`; nothing without an aux device.
    void SetVolume(int level);

  private:
    bool m_trayOpenSeen = false;

    MciError Send(std::string_view command, std::span<char> answer = {});
    void FindVolumeDevice();
};

}  // namespace corvid
