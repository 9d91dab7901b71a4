#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "platform/cdrom/Drive.h"

namespace corvid::tools {

enum class AfterCommands : std::uint8_t { WaitWhilePlaying, Leave };

struct MciSessionOptions {
    cdrom::DriveLocation location;
    std::vector<std::string> commands;  // empty: read them from standard input
    AfterCommands after = AfterCommands::WaitWhilePlaying;
};

// Opens the device the way the player does, sends each command string and
// prints its answer or error, then stays while the device reports "playing",
// printing the position once a second. Returns the process's exit code.
int RunMciSession(const MciSessionOptions& options, std::istream& input, std::ostream& output,
                  std::ostream& errors);

}  // namespace corvid::tools
