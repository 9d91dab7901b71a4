#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What a test says of the emulated drive, one setting a line in a control
// file that the test rewrites (by renaming a new file over it) whenever the
// drive should change:
//
//   disc /tmp/x/disc.cue     the disc in the drive; "disc none" for none
//   tray closed              or "open": where the drive's own button left it
//   spin-up-ms 1500          how long a disc is "not ready" after it goes in
//   max-speed 24             the fastest speed, in multiples of the audio rate
//   scratch 1000 1100 20     sectors 1000 to 1100 fail to read, each read
//                            that meets them after 20 ms of retries
//   held-by-another yes      another program has the drive open, exclusively
//   permission no            the device node may not be opened by this user
//   unplugged yes            the drive is gone: its node and every call on it
//   generation 3             any change of this number with the same disc
//                            and a closed tray is a disc swapped between two
//                            polls: the drive reports a change of media
//   session 2                a new number starts the drive afresh, as found
//                            when the program starts (for tests that run
//                            one after another in one process)
//
// Lines may come in any order; a setting not given keeps its default.
namespace corvid::drive_emulator {

enum class TrayPosition : std::uint8_t { Closed, Open };

struct ScratchedSectors {
    std::int32_t first = 0;
    std::int32_t last = 0;
    int retryMilliseconds = 0;  // how long a read spends failing on them

    bool operator==(const ScratchedSectors&) const = default;
};

struct DriveScript {
    std::string disc;  // the cue sheet; empty: no disc
    TrayPosition tray = TrayPosition::Closed;
    int spinUpMilliseconds = 0;
    int maxSpeed = 24;
    std::optional<ScratchedSectors> scratch;
    bool heldByAnother = false;
    bool permitted = true;
    bool unplugged = false;
    int generation = 0;
    int session = 0;

    bool operator==(const DriveScript&) const = default;
};

struct ScriptParse {
    DriveScript script;
    std::string problem;  // the first line that was not understood, if any
};

ScriptParse ParseDriveScript(std::string_view text);

// The text of a script, as ParseDriveScript reads it back.
std::string FormatDriveScript(const DriveScript& script);

}  // namespace corvid::drive_emulator
