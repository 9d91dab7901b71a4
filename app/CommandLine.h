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

enum class CommandAction : std::uint8_t { Run, ShowHelp, ShowVersion, Fail };

// What `corvid-player [--device=PATH] [IMAGE]` asks for. Paths are absolute.
struct CommandOptions {
    CommandAction action = CommandAction::Run;
    std::filesystem::path device{DEFAULT_DEVICE};
    std::optional<std::filesystem::path> image;
    std::string failure;  // for Fail: one line, without the usage
};

// Reads the arguments after the program's name, in order: the first bad one
// fails, and --help or --version ends the reading. Relative paths are joined
// to `currentFolder` now, before start-up may change the current folder.
// Whether a path exists is not checked here: opening the device tells.
CommandOptions ParseCommandLine(std::span<const char* const> arguments,
                                const std::filesystem::path& currentFolder);

// "Usage: corvid-player [--device=PATH] [IMAGE]", with its newline.
std::string UsageText();
// The usage and a line on each option.
std::string HelpText();
// "Corvid Player 1.08", with its newline.
std::string VersionText();

}  // namespace corvid::app
