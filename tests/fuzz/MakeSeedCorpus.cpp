// Writes the seed corpus of the .trk reader's fuzz target: files made by the
// writer, and the same bytes as other tools and hands leave them.
// Usage: trk_seed_corpus FOLDER

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tracklist/TrackListFile.h"

namespace {

using namespace corvid::tracklist;

TrackList WorkedExample() {
    return {static_cast<std::int32_t>(2882400018U),
            "Night Music",
            "Example Quartet",
            {{1, "Overture", "04:10", ROW_ICON_TRACK},
             {2, "02. <Unnamed track>", "12:01", ROW_ICON_TRACK},
             {-2, "Theme", "00:00:00", ROW_ICON_SUBTRACK},
             {-2, "Variation", "03:12:40", ROW_ICON_SUBTRACK},
             {3, "03. DATA TRACK", "00:40", ROW_ICON_TRACK}}};
}

TrackList TrickyNames() {
    return {7,
            "Caf\xC3\xA9 *: \xE2\x82\xAC",
            "",
            {{1, "", "01:00", ROW_ICON_TRACK},
             {-1, "12:00:00:00*", "00:00:00", ROW_ICON_SUBTRACK},
             {-1, " a * b : c ", "00:00:00", ROW_ICON_SUBTRACK},
             {-1, std::string(254, 'n'), "99:59:74", ROW_ICON_SUBTRACK}}};
}

std::string Replaced(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string example = FormatTrackList(WorkedExample());
    const std::string tricky = FormatTrackList(TrickyNames());
    const std::vector<std::pair<std::string, std::string>> seeds = {
        {"worked-example", example},
        {"tricky-names", tricky},
        {"header-only", FormatTrackList({-1, "Album", "Artist", {}})},
        {"line-feeds-alone", Replaced(example, "\r\n", "\n")},
        {"no-last-line-end", example.substr(0, example.size() - 2)},
        {"windows-1252", Replaced(Replaced(tricky, "\xC3\xA9", "\xE9"), "\xE2\x82\xAC", "\x80")},
        {"long-line", Replaced(tricky, std::string(254, 'n'), std::string(300, 'n'))},
        {"short-lines", Replaced(example, "02:00:00:00 Theme", "02:00")},
    };
    const std::filesystem::path folder = argv[1];
    for (const auto& [name, bytes] : seeds) {
        std::ofstream file(folder / name, std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!file) {
            std::fprintf(stderr, "cannot write %s\n", (folder / name).c_str());
            return 1;
        }
    }
    return 0;
}
