#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace corvid::app {

inline constexpr std::string_view DEFAULT_DEVICE = "/dev/cdrom";
inline constexpr int BAD_OPTION_EXIT_CODE = 2;
inline constexpr std::string_view PROGRAM_VERSION = "1.08";
// Where the people who run the name servers can reach the program's makers.
inline constexpr std::string_view PROJECT_PAGE = "https://github.com/corvidplayer/corvid-player";

enum class CommandAction : std::uint8_t { Run, ShowHelp, ShowVersion, Fail };

// What `corvid-player [--device=PATH] [IMAGE]` asks for. Paths are absolute.
struct CommandOptions {
    CommandAction action = CommandAction::Run;
    std::filesystem::path device{DEFAULT_DEVICE};
    std::optional<std::filesystem::path> image;
    std::string failure;  // for Fail: one line, without the usage
    // The web services asked for a disc's names; empty for their own servers.
    std::string musicBrainzServer;
    std::string gnudbServer;
};

// Reads the arguments after the program's name, in order: the first bad one
// fails, and --help or --version ends the reading. Relative paths are joined
// to `currentFolder` now, before start-up may change the current folder.
// Whether a path exists is not checked here: opening the device tells.
CommandOptions ParseCommandLine(std::span<const char* const> arguments,
                                const std::filesystem::path& currentFolder);

// "Usage: corvid-player [--device=PATH] [--musicbrainz-server=URL]
// [--gnudb-server=URL] [IMAGE]", with its newline.
std::string UsageText();
// The usage and a line on each option.
std::string HelpText();
// "Corvid Player 1.08", with its newline.
std::string VersionText();

}  // namespace corvid::app
