#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace corvid::cdrom {

// The names of the folders that a sheet's FILE lines are looked for in,
// each folder listed once however many lines look into it: a sheet of 99
// Windows paths beside a folder of thousands of files would otherwise list
// it hundreds of times. For one opening of one sheet.
class FolderListings {
  public:
    struct Entry {
        std::string name;
        std::string folded;  // as names are compared: see FindCueFile
    };
    // Nothing when the folder cannot be listed, or holds too many names to
    // search one by one.
    const std::vector<Entry>* Of(const std::filesystem::path& folder);

  private:
    std::map<std::filesystem::path, std::optional<std::vector<Entry>>> m_listings;
};

// The file that a FILE line names, looked for from the sheet's folder as
// rippers' sheets need: the name as written; else read as a Windows path
// (backslashes as folder separators, a drive letter dropped), its folders
// dropped one by one from the front until the rest is found beside the sheet;
// else with its letters in another case, or its accents composed otherwise,
// where exactly one file matches; else, for an audio file, the one file of
// the same base name with another audio extension (a sheet written for .wav
// beside a folder converted to .flac). Nothing when none of these is found.
// Only looks: nothing is opened.
std::optional<std::filesystem::path> FindCueFile(const std::filesystem::path& folder,
                                                 const std::string& name, FolderListings& listings);
std::optional<std::filesystem::path> FindCueFile(const std::filesystem::path& folder,
                                                 const std::string& name);

// The one audio file beside a cue sheet with the sheet's own base name, in
// any letter case: the audio of a one-file image that was renamed together
// with its sheet, whose FILE line kept the ripper's name ("CDImage.wav").
// Nothing when there is none, or more than one.
std::optional<std::filesystem::path> FindAudioNamedAfterSheet(const std::filesystem::path& cueSheet,
                                                              FolderListings& listings);

// The one cue sheet beside an audio file with the file's base name or whole
// name, in any letter case ("Album.cue" or "Album.flac.cue" beside
// "Album.flac"). Nothing when there is none, or more than one.
std::optional<std::filesystem::path> FindSheetNamedAfterAudio(const std::filesystem::path& audio);

// Names of files of raw samples (".bin", ".raw", ".pcm", ".img", in any case).
bool IsRawAudioFileName(const std::filesystem::path& path);
// Names of the audio files that images are made of, raw or with a header.
bool IsAudioFileName(const std::filesystem::path& path);

}  // namespace corvid::cdrom
