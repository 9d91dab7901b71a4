#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <variant>

namespace corvid::mci {

enum class TimeFormat : std::uint8_t { Msf, Tmsf, Milliseconds };
enum class DoorAction : std::uint8_t { Open, Closed };
enum class WaitFlag : std::uint8_t { NoWait, Wait };
enum class NotifyFlag : std::uint8_t { NoNotify, Notify };
enum class Sharing : std::uint8_t { Exclusive, Shareable };

// The flags that every command may carry.
struct CommandFlags {
    WaitFlag wait = WaitFlag::NoWait;
    NotifyFlag notify = NotifyFlag::NoNotify;
    bool operator==(const CommandFlags&) const = default;
};

// A position as a play command writes it: one to four decimal fields joined by
// colons. What the fields mean depends on the device's time format, so the
// device reads them, not the parser.
struct PositionValue {
    static constexpr std::size_t MAX_FIELDS = 4;
    std::array<std::uint32_t, MAX_FIELDS> fields{};
    std::size_t count = 0;
    bool operator==(const PositionValue&) const = default;
};

enum class StatusItem : std::uint8_t {
    Mode,
    Position,
    PositionOfTrack,
    Length,
    LengthOfTrack,
    NumberOfTracks,
    CurrentTrack,
    TypeOfTrack,
    MediaPresent,
};

struct OpenCommand {
    CommandFlags flags;
    Sharing sharing = Sharing::Exclusive;
    bool operator==(const OpenCommand&) const = default;
};
struct CloseCommand {
    CommandFlags flags;
    bool operator==(const CloseCommand&) const = default;
};
struct SetTimeFormatCommand {
    CommandFlags flags;
    TimeFormat format = TimeFormat::Msf;
    bool operator==(const SetTimeFormatCommand&) const = default;
};
struct SetDoorCommand {
    CommandFlags flags;
    DoorAction action = DoorAction::Open;
    bool operator==(const SetDoorCommand&) const = default;
};
struct PlayCommand {
    CommandFlags flags;
    std::optional<PositionValue> from;  // none: from the current position
    bool operator==(const PlayCommand&) const = default;
};
struct StopCommand {
    CommandFlags flags;
    bool operator==(const StopCommand&) const = default;
};
struct InfoIdentityCommand {
    CommandFlags flags;
    bool operator==(const InfoIdentityCommand&) const = default;
};
struct StatusCommand {
    CommandFlags flags;
    StatusItem item = StatusItem::Mode;
    std::uint32_t track = 0;  // for the items of one track
    bool operator==(const StatusCommand&) const = default;
};

using Command = std::variant<OpenCommand, CloseCommand, SetTimeFormatCommand, SetDoorCommand,
                             PlayCommand, StopCommand, InfoIdentityCommand, StatusCommand>;

// Reads one command string to the device "cdaudio" as the media control
// interface does: keywords in any letter case, words parted by runs of
// blanks, "wait" and "notify" anywhere after the device name. Anything else
// (another device, an unknown verb or item, a missing or malformed number,
// words left over) gives no command.
[[nodiscard]] std::optional<Command> ParseCommand(std::string_view text);

[[nodiscard]] CommandFlags FlagsOf(const Command& command);

}  // namespace corvid::mci
