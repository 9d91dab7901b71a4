#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ui/PlayerDlg.h"

namespace corvid::ui {

enum class PlaybackStatus { PLAYING, PAUSED, STOPPED };

// The row that plays, as a desktop's media controls name it.
struct RemoteTrack {
    // An object path of its own for every row; NO_TRACK_ID without a row.
    std::string trackId;
    std::string album;
    std::string artist;
    // The track's name, or "track name — subtrack name" while a subtrack plays.
    std::string title;
    std::int64_t lengthMicroseconds = 0;

    bool operator==(const RemoteTrack&) const = default;
};

// Everything but the position, whose steady change no one is told of.
struct RemoteState {
    PlaybackStatus status = PlaybackStatus::STOPPED;
    RemoteTrack track;
    double volume = 0.0;
    bool canPlay = false;
    bool canPause = false;
    bool canGoNext = false;
    bool canGoPrevious = false;
    bool canSeek = false;
    // The position bar's seek waits for the window's next ticks.
    bool seeking = false;

    bool operator==(const RemoteState&) const = default;
};

inline constexpr std::string_view NO_TRACK_ID = "/org/mpris/MediaPlayer2/TrackList/NoTrack";
inline constexpr std::string_view ROW_ID_PREFIX = "/org/corvidplayer/row/";
inline constexpr std::int64_t MICROSECONDS_PER_SECOND = 1'000'000;

// The player window as a desktop's media controls see it. Every command goes
// through the window's own handlers, and every state is read from what the
// window shows, so that the two never disagree. A command is refused, doing
// nothing, where the window's matching control would not act. Only call it
// on the window's thread while the window is shown.
class PlayerRemote {
  public:
    explicit PlayerRemote(CPlayerDlg& player) : m_player(player) {}

    // Starts play when the drive is ready.
    void Play();
    // Stop and Pause both end play, keeping the place for the next Play.
    void Pause();
    void Stop();
    void PlayPause();
    void Next();
    void Previous();
    // Moves by the offset within the track; past its end it acts as Next.
    void Seek(std::int64_t offsetMicroseconds);
    // Moves to the position in the track, when trackId is the playing row's.
    void SetPosition(std::string_view trackId, std::int64_t positionMicroseconds);
    // 0..1 on the CD volume, in the volume spinner's steps.
    void SetVolume(double volume);

    [[nodiscard]] PlaybackStatus Status() const;
    [[nodiscard]] RemoteTrack Track();
    [[nodiscard]] std::int64_t PositionMicroseconds() const;
    [[nodiscard]] double Volume();
    [[nodiscard]] bool CanPlay() const;
    [[nodiscard]] bool CanGoNext() const;
    [[nodiscard]] bool CanGoPrevious() const;
    [[nodiscard]] bool CanSeek() const;
    // Read again only when the window's controls or its play state moved;
    // the volume, which the desktop may change, is read every time.
    [[nodiscard]] const RemoteState& State();

  private:
    // A track's length, asked of the drive once per disc: the desktop's
    // controls read the state five times a second.
    struct KnownLength {
        unsigned listGeneration = 0;
        int trackNumber = 0;
        std::int64_t microseconds = 0;
    };

    // Everything the state is read from besides the volume.
    struct StateInputs {
        std::uint64_t controlChanges = 0;
        int lastMode = 0;
        bool resume = false;
        std::int32_t cdKey = 0;
        bool seeking = false;
        unsigned listGeneration = 0;
        int currentRow = 0;
        PositionParts position;

        bool operator==(const StateInputs&) const = default;
    };
    struct KnownState {
        StateInputs inputs;
        RemoteState state;
    };

    [[nodiscard]] StateInputs CurrentInputs() const;
    [[nodiscard]] RemoteState ReadState();
    void SeekToSecond(int second);
    [[nodiscard]] bool HasCurrentRow() const;
    [[nodiscard]] int PlayingRow();
    [[nodiscard]] std::int64_t TrackLengthMicroseconds(int trackNumber);

    CPlayerDlg& m_player;
    std::optional<KnownLength> m_knownLength;
    std::optional<KnownState> m_knownState;
};

}  // namespace corvid::ui
