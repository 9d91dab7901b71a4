#include "tests/model/ModelLists.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "cdaudio/DiscTime.h"
#include "tracklist/TrackListFile.h"

namespace corvid::model {

namespace {

imagegen::TrackDescription Track(imagegen::TrackType type, int seconds) {
    imagegen::TrackDescription track;
    track.type = type;
    track.length = seconds * FRAMES_PER_SECOND;
    return track;
}

// Files are read without a disc: only what a file keeps is compared.
class NoDisc final : public tracklist::DiscFacts {
  public:
    int NumberOfTracks() override { return 0; }
    bool IsAudioTrack(int) override { return true; }
    std::string TrackLengthText(int) override { return {}; }
    std::string DiscLengthText() override { return {}; }
};

}  // namespace

imagegen::DiscDescription FirstDisc() {
    imagegen::DiscDescription disc;
    for (const int seconds : {20, 15, 10}) {
        disc.tracks.push_back(Track(imagegen::TrackType::Audio, seconds));
    }
    return disc;
}

imagegen::DiscDescription SecondDisc() {
    imagegen::DiscDescription disc;
    disc.tracks.push_back(Track(imagegen::TrackType::Audio, 13));
    disc.tracks.push_back(Track(imagegen::TrackType::Data, 4));
    disc.tracks.push_back(Track(imagegen::TrackType::Audio, 9));
    disc.tracks.push_back(Track(imagegen::TrackType::Audio, 2));
    return disc;
}

std::string FileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::map<std::string, std::string> FolderContents(const std::filesystem::path& folder) {
    std::map<std::string, std::string> contents;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.is_regular_file()) {
            contents[entry.path().string()] = FileBytes(entry.path());
        }
    }
    return contents;
}

tracklist::TrackList Normalized(tracklist::TrackList list) {
    for (tracklist::TrackListRow& row : list.rows) {
        row.icon = row.rowKey < 0 ? tracklist::ROW_ICON_SUBTRACK : tracklist::ROW_ICON_TRACK;
        if (row.rowKey > 0) {
            row.timeText.clear();
        }
    }
    return list;
}

std::optional<tracklist::TrackList> ReadListFile(const std::string& path) {
    NoDisc disc;
    tracklist::TrackListReadResult result = tracklist::ReadTrackList(path, disc);
    if (!result.list) {
        return std::nullopt;
    }
    return Normalized(std::move(*result.list));
}

std::string DescribeRows(std::span<const tracklist::TrackListRow> rows) {
    std::string text;
    for (std::size_t index = 0; index < rows.size(); ++index) {
        text += "\n    " + std::to_string(index) + ": " + std::to_string(rows[index].rowKey) + " " +
                rows[index].timeText + " " + rows[index].name;
    }
    return text;
}

std::string DescribeList(const tracklist::TrackList& list) {
    return "\n    album \"" + list.album + "\", artist \"" + list.artist + "\", key " +
           std::to_string(list.cdKey) + DescribeRows(list.rows);
}

std::string PlayerDisc::TrackLengthText(int track) {
    const LengthParts length = m_player.TrackLengthOf(track);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", length.minutes, length.seconds,
                  length.frames);
    return text;
}

}  // namespace corvid::model
