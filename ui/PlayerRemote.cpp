#include "ui/PlayerRemote.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "res/ControlIds.h"
#include "tracklist/TrackListRows.h"
#include "ui/PlayerTiming.h"

namespace corvid::ui {

namespace {

constexpr std::string_view TITLE_SEPARATOR = " — ";

std::int64_t Microseconds(int minutes, int seconds, int frames) {
    const std::int64_t allFrames =
        (static_cast<std::int64_t>(minutes) * SECONDS_PER_MINUTE + seconds) * FRAMES_PER_SECOND +
        frames;
    return allFrames * MICROSECONDS_PER_SECOND / FRAMES_PER_SECOND;
}

// Object paths take letters, digits and underscores only.
std::string PathElement(std::string_view text) {
    std::string element(text);
    std::replace_if(
        element.begin(), element.end(),
        [](char character) { return std::isalnum(static_cast<unsigned char>(character)) == 0; },
        '_');
    return element;
}

// A track row is named by its track; a subtrack row also by its start, since
// all subtracks of a track share one key.
std::string RowId(const tracklist::TrackListRow& row) {
    std::string id(ROW_ID_PREFIX);
    id += "track_" + std::to_string(tracklist::TrackNumberOfKey(row.rowKey));
    if (tracklist::KindOfKey(row.rowKey) == tracklist::RowKind::SUBTRACK) {
        id += "_subtrack_" + PathElement(row.timeText);
    }
    return id;
}

}  // namespace

void PlayerRemote::Play() {
    if (m_player.DriveMode() != CDMODE_READY) {
        return;
    }
    m_player.OnPlayStop();
}

void PlayerRemote::Pause() {
    if (m_player.DriveMode() != CDMODE_PLAYING) {
        return;
    }
    m_player.OnPlayStop();
}

void PlayerRemote::Stop() {
    Pause();
}

void PlayerRemote::PlayPause() {
    if (!CanPlay()) {
        return;
    }
    m_player.OnPlayStop();
}

void PlayerRemote::Next() {
    if (!CanGoNext()) {
        return;
    }
    m_player.OnNextTrack();
}

void PlayerRemote::Previous() {
    if (!CanGoPrevious()) {
        return;
    }
    m_player.OnPrevTrack();
}

void PlayerRemote::Seek(std::int64_t offsetMicroseconds) {
    if (!CanSeek()) {
        return;
    }
    const std::int64_t target =
        std::max<std::int64_t>(PositionMicroseconds() + offsetMicroseconds, 0);
    if (target >= Track().lengthMicroseconds) {
        Next();
        return;
    }
    SeekToSecond(static_cast<int>(target / MICROSECONDS_PER_SECOND));
}

void PlayerRemote::SetPosition(std::string_view trackId, std::int64_t positionMicroseconds) {
    if (!CanSeek()) {
        return;
    }
    const RemoteTrack track = Track();
    if (trackId != track.trackId || positionMicroseconds < 0 ||
        positionMicroseconds > track.lengthMicroseconds) {
        return;
    }
    SeekToSecond(static_cast<int>(positionMicroseconds / MICROSECONDS_PER_SECOND));
}

void PlayerRemote::SeekToSecond(int second) {
    // As a drag of the thumb: the window's tick sends the one play.
    window::MessageParams drag;
    drag.message = window::WM_HSCROLL;
    drag.controlId = res::POSITION_SCROLL_BAR;
    drag.scrollCode = window::SB_THUMBTRACK;
    drag.thumbPosition = second;
    static_cast<void>(m_player.OnHScroll(drag));
}

void PlayerRemote::SetVolume(double volume) {
    if (!m_player.Device().HasVolumeControl() || !m_player.IsControlEnabled(res::VOLUME_SPIN)) {
        return;
    }
    const double target = std::clamp(volume, 0.0, 1.0) * VOLUME_MAX;
    const double current = m_player.CdVolume();
    const auto steps = static_cast<int>(std::lround((target - current) / VOLUME_STEP));
    if (steps == 0) {
        return;
    }
    // The up arrow proposes -1 and raises the volume by one step.
    window::MessageParams click;
    click.message = window::WM_NOTIFY;
    click.code = window::UDN_DELTAPOS;
    click.controlId = res::VOLUME_SPIN;
    click.upDown.delta = -steps;
    static_cast<void>(m_player.OnDeltaPosVolume(click));
}

PlaybackStatus PlayerRemote::Status() const {
    if (m_player.LastMode() == CDMODE_PLAYING) {
        return PlaybackStatus::PLAYING;
    }
    if (m_player.LastMode() == CDMODE_READY && m_player.Device().m_bResume) {
        return PlaybackStatus::PAUSED;
    }
    return PlaybackStatus::STOPPED;
}

bool PlayerRemote::HasCurrentRow() const {
    const int current = m_player.CurrentRow();
    return current >= 0 && current < m_player.RowCount();
}

int PlayerRemote::PlayingRow() {
    if (HasCurrentRow()) {
        return m_player.CurrentRow();
    }
    const PositionParts position = m_player.PositionShown();
    return m_player.FindRowForPosition(
        FormatPositionText(position.track, position.minutes, position.seconds, position.frames));
}

RemoteTrack PlayerRemote::Track() {
    RemoteTrack track{std::string(NO_TRACK_ID), m_player.AlbumText(), m_player.ArtistText(), "", 0};
    const int rowIndex = PlayingRow();
    if (rowIndex < 0 || rowIndex >= m_player.RowCount()) {
        return track;
    }
    const tracklist::TrackListRow row = m_player.RowAt(rowIndex);
    const int trackNumber = tracklist::TrackNumberOfKey(row.rowKey);
    track.trackId = RowId(row);
    track.title = row.name;
    if (tracklist::KindOfKey(row.rowKey) == tracklist::RowKind::SUBTRACK) {
        int trackRow = rowIndex;
        while (trackRow > 0 && m_player.RowAt(trackRow).rowKey != trackNumber) {
            --trackRow;
        }
        track.title = m_player.RowAt(trackRow).name + std::string(TITLE_SEPARATOR) + row.name;
    }
    track.lengthMicroseconds = TrackLengthMicroseconds(trackNumber);
    return track;
}

std::int64_t PlayerRemote::TrackLengthMicroseconds(int trackNumber) {
    const unsigned list = m_player.ListGeneration();
    if (m_knownLength && m_knownLength->listGeneration == list &&
        m_knownLength->trackNumber == trackNumber) {
        return m_knownLength->microseconds;
    }
    const LengthParts length = m_player.TrackLengthOf(trackNumber);
    m_knownLength =
        KnownLength{list, trackNumber, Microseconds(length.minutes, length.seconds, length.frames)};
    return m_knownLength->microseconds;
}

std::int64_t PlayerRemote::PositionMicroseconds() const {
    const PositionParts position = m_player.PositionShown();
    return Microseconds(position.minutes, position.seconds, position.frames);
}

double PlayerRemote::Volume() {
    return static_cast<double>(m_player.CdVolume()) / VOLUME_MAX;
}

bool PlayerRemote::CanPlay() const {
    return m_player.IsControlEnabled(res::PLAY_STOP_BUTTON);
}

bool PlayerRemote::CanGoNext() const {
    return m_player.IsControlEnabled(res::NEXT_TRACK_BUTTON);
}

bool PlayerRemote::CanGoPrevious() const {
    return m_player.IsControlEnabled(res::PREVIOUS_TRACK_BUTTON);
}

bool PlayerRemote::CanSeek() const {
    // The bar of an empty drive is left enabled, with nothing to seek in.
    return m_player.CdKey() != -1 && m_player.IsControlEnabled(res::POSITION_SCROLL_BAR);
}

const RemoteState& PlayerRemote::State() {
    const StateInputs inputs = CurrentInputs();
    if (!m_knownState || m_knownState->inputs != inputs) {
        m_knownState = KnownState{inputs, ReadState()};
    }
    m_knownState->state.volume = Volume();
    return m_knownState->state;
}

PlayerRemote::StateInputs PlayerRemote::CurrentInputs() const {
    // The position chooses the playing row only when the list has no current
    // row; while play moves within the current row nothing is read again.
    const PositionParts position = HasCurrentRow() ? PositionParts{} : m_player.PositionShown();
    return StateInputs{.controlChanges = m_player.ControlChanges(),
                       .lastMode = m_player.LastMode(),
                       .resume = m_player.Device().m_bResume,
                       .cdKey = m_player.CdKey(),
                       .seeking = m_player.IsSeeking(),
                       .listGeneration = m_player.ListGeneration(),
                       .currentRow = m_player.CurrentRow(),
                       .position = position};
}

RemoteState PlayerRemote::ReadState() {
    RemoteState state;
    state.status = Status();
    state.track = Track();
    state.volume = Volume();
    state.canPlay = CanPlay();
    state.canPause = CanPlay();
    state.canGoNext = CanGoNext();
    state.canGoPrevious = CanGoPrevious();
    state.canSeek = CanSeek();
    state.seeking = m_player.IsSeeking();
    return state;
}

}  // namespace corvid::ui
