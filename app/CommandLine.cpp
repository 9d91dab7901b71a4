#include "app/CommandLine.h"

namespace corvid::app {
namespace {

constexpr std::string_view PROGRAM_NAME = "corvid-player";
constexpr std::string_view DEVICE_OPTION = "--device";
constexpr std::string_view DEVICE_PREFIX = "--device=";
constexpr std::string_view MUSICBRAINZ_PREFIX = "--musicbrainz-server=";
constexpr std::string_view GNUDB_PREFIX = "--gnudb-server=";

CommandOptions Failed(std::string failure) {
    CommandOptions options;
    options.action = CommandAction::Fail;
    options.failure = std::string(PROGRAM_NAME) + ": " + std::move(failure);
    return options;
}

CommandOptions WithAction(CommandAction action) {
    CommandOptions options;
    options.action = action;
    return options;
}

std::filesystem::path Absolute(std::string_view path, const std::filesystem::path& currentFolder) {
    const std::filesystem::path given(path);
    return given.is_absolute() ? given : currentFolder / given;
}

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

// A server's address: http:// or https:// and a host at least.
std::optional<CommandOptions> ReadServer(std::string_view option, std::string_view prefix,
                                         std::string& server) {
    const std::string_view address = option.substr(prefix.size());
    const std::string name(prefix.substr(0, prefix.size() - 1));
    for (const std::string_view scheme : {"http://", "https://"}) {
        if (address.starts_with(scheme) && address.size() > scheme.size()) {
            server = std::string(address);
            return std::nullopt;
        }
    }
    return Failed("option " + name + " needs an http:// or https:// address: " + name + "=URL");
}

// Reads one option into `options`; an action that ends the reading comes back.
std::optional<CommandOptions> ReadOption(std::string_view option, CommandOptions& options,
                                         const std::filesystem::path& currentFolder) {
    if (option == "--help") {
        return WithAction(CommandAction::ShowHelp);
    }
    if (option == "--version") {
        return WithAction(CommandAction::ShowVersion);
    }
    if (option.starts_with(MUSICBRAINZ_PREFIX)) {
        return ReadServer(option, MUSICBRAINZ_PREFIX, options.musicBrainzServer);
    }
    if (option.starts_with(GNUDB_PREFIX)) {
        return ReadServer(option, GNUDB_PREFIX, options.gnudbServer);
    }
    if (option != DEVICE_OPTION && !option.starts_with(DEVICE_PREFIX)) {
        return Failed("unknown option " + Quoted(option));
    }
    if (option.size() <= DEVICE_PREFIX.size()) {
        return Failed("option --device needs a path: --device=PATH");
    }
    options.device = Absolute(option.substr(DEVICE_PREFIX.size()), currentFolder);
    return std::nullopt;
}

std::optional<CommandOptions> ReadImage(std::string_view image, CommandOptions& options,
                                        const std::filesystem::path& currentFolder) {
    if (image.empty()) {
        return Failed("the image path is empty");
    }
    const std::filesystem::path absolute = Absolute(image, currentFolder);
    if (options.image) {
        return Failed("only one image can be played: " + Quoted(options.image->string()) + " and " +
                      Quoted(absolute.string()));
    }
    options.image = absolute;
    return std::nullopt;
}

}  // namespace

CommandOptions ParseCommandLine(std::span<const char* const> arguments,
                                const std::filesystem::path& currentFolder) {
    CommandOptions options;
    bool optionsEnded = false;
    for (const char* rawArgument : arguments) {
        const std::string_view argument(rawArgument);
        const bool isOption = !optionsEnded && argument.size() > 1 && argument.front() == '-';
        if (isOption && argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::optional<CommandOptions> ended = isOption
                                                  ? ReadOption(argument, options, currentFolder)
                                                  : ReadImage(argument, options, currentFolder);
        if (ended) {
            return *std::move(ended);
        }
    }
    return options;
}

std::string UsageText() {
    return "Usage: " + std::string(PROGRAM_NAME) +
           " [--device=PATH] [--musicbrainz-server=URL] [--gnudb-server=URL] [IMAGE]\n";
}

std::string HelpText() {
    return UsageText() +
           "Plays audio CDs from a drive, or from a disc image (a cue sheet) given as IMAGE.\n"
           "\n"
           "  --device=PATH  the CD drive to use (default " +
           std::string(DEFAULT_DEVICE) +
           ")\n"
           "  --musicbrainz-server=URL  the MusicBrainz web service asked by \"Find names\n"
           "                 online...\" (default https://musicbrainz.org)\n"
           "  --gnudb-server=URL  the gnudb (CDDB) server asked when MusicBrainz knows\n"
           "                 no release (default https://gnudb.gnudb.org)\n"
           "  --help         show this text and exit\n"
           "  --version      show the version and exit\n"
           "\n"
           "Nothing is sent over the network unless \"Find names online...\" is chosen\n"
           "in the window menu.\n";
}

std::string VersionText() {
    return "Corvid Player " + std::string(PROGRAM_VERSION) + "\n";
}

}  // namespace corvid::app
