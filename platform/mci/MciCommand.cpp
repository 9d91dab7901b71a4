#include "platform/mci/MciCommand.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace corvid::mci {

namespace {

using Words = std::vector<std::string_view>;

constexpr std::string_view DEVICE_NAME = "cdaudio";
// Stands for a decimal number in a pattern of words.
constexpr std::string_view NUMBER = "#";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

Words SplitWords(std::string_view text) {
    Words words;
    std::size_t index = 0;
    while (index < text.size()) {
        while (index < text.size() && IsBlank(text[index])) {
            ++index;
        }
        const std::size_t begin = index;
        while (index < text.size() && !IsBlank(text[index])) {
            ++index;
        }
        if (index > begin) {
            words.push_back(text.substr(begin, index - begin));
        }
    }
    return words;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameWord(std::string_view word, std::string_view keyword) {
    return word.size() == keyword.size() &&
           std::equal(word.begin(), word.end(), keyword.begin(),
                      [](char left, char right) { return Lower(left) == Lower(right); });
}

std::optional<std::uint32_t> ReadNumber(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > std::numeric_limits<std::uint32_t>::max()) {
            return std::nullopt;
        }
    }
    return static_cast<std::uint32_t>(value);
}

std::optional<PositionValue> ReadPosition(std::string_view text) {
    PositionValue position;
    for (;;) {
        if (position.count == PositionValue::MAX_FIELDS) {
            return std::nullopt;
        }
        const std::size_t colon = text.find(':');
        const std::optional<std::uint32_t> field = ReadNumber(text.substr(0, colon));
        if (!field) {
            return std::nullopt;
        }
        position.fields[position.count++] = *field;
        if (colon == std::string_view::npos) {
            return position;
        }
        text.remove_prefix(colon + 1);
    }
}

// Takes "wait" and "notify" out of the words, wherever they stand.
CommandFlags TakeFlags(Words& words) {
    CommandFlags flags;
    std::erase_if(words, [&flags](std::string_view word) {
        if (SameWord(word, "wait")) {
            flags.wait = WaitFlag::Wait;
            return true;
        }
        if (SameWord(word, "notify")) {
            flags.notify = NotifyFlag::Notify;
            return true;
        }
        return false;
    });
    return flags;
}

bool Matches(const Words& words, std::initializer_list<std::string_view> pattern) {
    return words.size() == pattern.size() &&
           std::equal(words.begin(), words.end(), pattern.begin(), SameWord);
}

std::optional<Command> ParseOpen(const Words& words, CommandFlags flags) {
    if (words.empty()) {
        return OpenCommand{flags, Sharing::Exclusive};
    }
    if (Matches(words, {"shareable"})) {
        return OpenCommand{flags, Sharing::Shareable};
    }
    return std::nullopt;
}

std::optional<Command> ParseClose(const Words& words, CommandFlags flags) {
    if (!words.empty()) {
        return std::nullopt;
    }
    return CloseCommand{flags};
}

std::optional<Command> ParseStop(const Words& words, CommandFlags flags) {
    if (!words.empty()) {
        return std::nullopt;
    }
    return StopCommand{flags};
}

std::optional<Command> ParseSet(const Words& words, CommandFlags flags) {
    struct SetPattern {
        std::string_view first;
        std::string_view second;
        std::string_view value;
        Command command;
    };
    const SetPattern patterns[] = {
        {"time", "format", "tmsf", SetTimeFormatCommand{flags, TimeFormat::Tmsf}},
        {"time", "format", "msf", SetTimeFormatCommand{flags, TimeFormat::Msf}},
        {"time", "format", "milliseconds", SetTimeFormatCommand{flags, TimeFormat::Milliseconds}},
        {"time", "format", "ms", SetTimeFormatCommand{flags, TimeFormat::Milliseconds}},
        {"door", "open", {}, SetDoorCommand{flags, DoorAction::Open}},
        {"door", "closed", {}, SetDoorCommand{flags, DoorAction::Closed}},
    };
    for (const SetPattern& pattern : patterns) {
        const bool matched = pattern.value.empty()
                                 ? Matches(words, {pattern.first, pattern.second})
                                 : Matches(words, {pattern.first, pattern.second, pattern.value});
        if (matched) {
            return pattern.command;
        }
    }
    return std::nullopt;
}

std::optional<Command> ParsePlay(const Words& words, CommandFlags flags) {
    if (words.empty()) {
        return PlayCommand{flags, std::nullopt};
    }
    if (words.size() != 2 || !SameWord(words[0], "from")) {
        return std::nullopt;
    }
    const std::optional<PositionValue> from = ReadPosition(words[1]);
    if (!from) {
        return std::nullopt;
    }
    return PlayCommand{flags, from};
}

std::optional<Command> ParseInfo(const Words& words, CommandFlags flags) {
    if (!Matches(words, {"identity"})) {
        return std::nullopt;
    }
    return InfoIdentityCommand{flags};
}

struct StatusPattern {
    StatusItem item;
    std::array<std::string_view, 3> words;
};

constexpr StatusPattern STATUS_ITEMS[] = {
    {StatusItem::Mode, {"mode"}},
    {StatusItem::Position, {"position"}},
    {StatusItem::PositionOfTrack, {"position", "track", NUMBER}},
    {StatusItem::Length, {"length"}},
    {StatusItem::LengthOfTrack, {"length", "track", NUMBER}},
    {StatusItem::NumberOfTracks, {"number", "of", "tracks"}},
    {StatusItem::CurrentTrack, {"current", "track"}},
    {StatusItem::TypeOfTrack, {"type", "track", NUMBER}},
    {StatusItem::MediaPresent, {"media", "present"}},
};

std::optional<StatusCommand> MatchStatus(const Words& words, const StatusPattern& pattern,
                                         CommandFlags flags) {
    const auto length = static_cast<std::size_t>(
        std::count_if(pattern.words.begin(), pattern.words.end(),
                      [](std::string_view word) { return !word.empty(); }));
    if (words.size() != length) {
        return std::nullopt;
    }
    StatusCommand command{flags, pattern.item, 0};
    for (std::size_t index = 0; index < length; ++index) {
        if (pattern.words[index] != NUMBER) {
            if (!SameWord(words[index], pattern.words[index])) {
                return std::nullopt;
            }
            continue;
        }
        const std::optional<std::uint32_t> track = ReadNumber(words[index]);
        if (!track) {
            return std::nullopt;
        }
        command.track = *track;
    }
    return command;
}

std::optional<Command> ParseStatus(const Words& words, CommandFlags flags) {
    for (const StatusPattern& pattern : STATUS_ITEMS) {
        if (std::optional<StatusCommand> command = MatchStatus(words, pattern, flags)) {
            return *command;
        }
    }
    return std::nullopt;
}

struct Verb {
    std::string_view name;
    std::optional<Command> (*parse)(const Words&, CommandFlags);
};

constexpr Verb VERBS[] = {
    {"open", ParseOpen}, {"close", ParseClose}, {"set", ParseSet},       {"play", ParsePlay},
    {"stop", ParseStop}, {"info", ParseInfo},   {"status", ParseStatus},
};

}  // namespace

std::optional<Command> ParseCommand(std::string_view text) {
    Words words = SplitWords(text);
    if (words.size() < 2 || !SameWord(words[1], DEVICE_NAME)) {
        return std::nullopt;
    }
    const auto* const verb = std::find_if(
        std::begin(VERBS), std::end(VERBS),
        [&words](const Verb& candidate) { return SameWord(words[0], candidate.name); });
    if (verb == std::end(VERBS)) {
        return std::nullopt;
    }
    words.erase(words.begin(), words.begin() + 2);
    const CommandFlags flags = TakeFlags(words);
    return verb->parse(words, flags);
}

CommandFlags FlagsOf(const Command& command) {
    return std::visit([](const auto& typed) { return typed.flags; }, command);
}

}  // namespace corvid::mci
