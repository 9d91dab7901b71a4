#include "tracklist/TrackListSearch.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tracklist/FileDescriptor.h"
#include "tracklist/TrackListFile.h"

namespace corvid::tracklist {

namespace {

constexpr std::string_view EXTENSION = ".trk";

struct FolderCloser {
    void operator()(DIR* folder) const { ::closedir(folder); }
};
using FolderHandle = std::unique_ptr<DIR, FolderCloser>;

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool HasTrackListExtension(std::string_view name) {
    if (name.size() < EXTENSION.size()) {
        return false;
    }
    const std::string_view end = name.substr(name.size() - EXTENSION.size());
    return std::equal(end.begin(), end.end(), EXTENSION.begin(),
                      [](char a, char b) { return LowerAscii(a) == b; });
}

std::vector<std::string> CandidateNames(DIR* folder) {
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(folder)) {
        if (entry->d_type == DT_DIR || !HasTrackListExtension(entry->d_name)) {
            continue;
        }
        names.emplace_back(entry->d_name);
    }
    // std::string compares as unsigned bytes: the same order everywhere.
    std::sort(names.begin(), names.end());
    return names;
}

bool CarriesKey(int folder, const std::string& name, std::int32_t cdKey) {
    const FileDescriptor file = OpenForReading(folder, name.c_str());
    if (!file.IsOpen()) {
        return false;
    }
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return false;
    }
    // Asking for no more than the file holds spares a read that finds its end.
    const auto fileBytes = static_cast<std::size_t>(status.st_size);
    const ReadBytes start = ReadUpTo(file, std::min(SEARCH_PREFIX_BYTES, fileBytes));
    return !start.error && ReadCdKey(start.bytes) == cdKey;
}

}  // namespace

std::optional<std::filesystem::path> FindTrackListFile(const std::filesystem::path& folder,
                                                       std::int32_t cdKey) {
    const FolderHandle handle(::opendir(folder.c_str()));
    if (!handle) {
        return std::nullopt;
    }
    for (const std::string& name : CandidateNames(handle.get())) {
        if (CarriesKey(::dirfd(handle.get()), name, cdKey)) {
            return folder / name;
        }
    }
    return std::nullopt;
}

}  // namespace corvid::tracklist
