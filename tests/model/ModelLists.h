#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>

#include "tools/imagegen/ImageGen.h"
#include "tracklist/TrackList.h"
#include "ui/PlayerDlg.h"

// What the model runs share about discs, lists and files.
namespace corvid::model {

// Three audio tracks of 20, 15 and 10 seconds.
imagegen::DiscDescription FirstDisc();
// 13 seconds of audio, a data track, 9 seconds and a last track of 2
// seconds: a key of its own.
imagegen::DiscDescription SecondDisc();

std::string FileBytes(const std::filesystem::path& path);
// The bytes of every file in the folder, by path.
std::map<std::string, std::string> FolderContents(const std::filesystem::path& folder);

// A track list's form in a file: icons and the track rows' lengths, which
// come from the drive and are not kept, take no part.
tracklist::TrackList Normalized(tracklist::TrackList list);
// The file's list in that form; none when it cannot be read.
std::optional<tracklist::TrackList> ReadListFile(const std::string& path);

std::string DescribeRows(std::span<const tracklist::TrackListRow> rows);
std::string DescribeList(const tracklist::TrackList& list);

// The lengths of the disc in the player, as the window asks for them.
class PlayerDisc final : public tracklist::DiscFacts {
  public:
    explicit PlayerDisc(ui::CPlayerDlg& player) : m_player(player) {}
    int NumberOfTracks() override { return 0; }
    bool IsAudioTrack(int) override { return true; }
    std::string TrackLengthText(int track) override;
    std::string DiscLengthText() override { return {}; }

  private:
    ui::CPlayerDlg& m_player;
};

}  // namespace corvid::model
