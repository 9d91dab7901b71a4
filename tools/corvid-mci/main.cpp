#include <iostream>
#include <string>
#include <string_view>

#include "tools/corvid-mci/Arguments.h"
#include "tools/corvid-mci/MciSession.h"

namespace {

constexpr std::string_view USAGE =
    "Usage: corvid-mci [--device=PATH | IMAGE.cue] [--no-wait] [COMMAND...]\n"
    "Sends MCI command strings to the \"cdaudio\" device and prints each answer.\n"
    "Commands come from the command line, or one a line from standard input.\n"
    "After the last command it stays while the device is playing, printing the\n"
    "position once a second; --no-wait leaves at once.\n"
    "  --device=PATH  the CD drive (default /dev/cdrom)\n"
    "  IMAGE.cue      a disc image to play as if it were in a drive: any existing\n"
    "                 file, or a name ending in .cue in any letter case; a FLAC\n"
    "                 or WavPack file that carries its own cue sheet (.flac, .wv)\n"
    "Example: corvid-mci disc.cue \"play cdaudio from 1 notify\"\n";

}  // namespace

int main(int argc, char** argv) {
    corvid::tools::MciSessionOptions options;
    for (int index = 1; index < argc; ++index) {
        const std::string_view argument = argv[index];
        if (argument == "--help") {
            std::cout << USAGE;
            return 0;
        }
        if (argument == "--no-wait") {
            options.after = corvid::tools::AfterCommands::Leave;
        } else if (argument.starts_with("--device=")) {
            options.location = {corvid::cdrom::DriveLocation::Kind::Device,
                                std::string(argument.substr(9))};
        } else if (argument.starts_with("--")) {
            std::cerr << "corvid-mci: unknown option " << argument << "\n" << USAGE;
            return 2;
        } else if (corvid::tools::KindOfArgument(argument) ==
                   corvid::tools::ArgumentKind::DiscImage) {
            options.location = {corvid::cdrom::DriveLocation::Kind::Image, std::string(argument)};
        } else {
            options.commands.emplace_back(argument);
        }
    }
    return corvid::tools::RunMciSession(options, std::cin, std::cout, std::cerr);
}
