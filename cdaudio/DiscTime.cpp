#include "cdaudio/DiscTime.h"

#include <algorithm>
#include <charconv>
#include <initializer_list>
#include <iterator>

namespace corvid {

namespace {

// The fields in "%02d", joined by colons.
std::string JoinFields(std::initializer_list<long long> fields) {
    std::string text;
    for (const long long field : fields) {
        if (!text.empty()) {
            text += ':';
        }
        AppendTimeField(text, field);
    }
    return text;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

void AppendTimeField(std::string& text, long long value) {
    // The window's tick writes several of these five times a second:
    // to_chars needs neither the locale nor a format string.
    char digits[24];
    const std::to_chars_result written = std::to_chars(std::begin(digits), std::end(digits), value);
    if (value >= 0 && value < 10) {
        text += '0';
    }
    text.append(std::begin(digits), written.ptr);
}

Msf MsfFromFrames(std::int64_t frames) {
    Msf msf;
    msf.minutes = static_cast<int>(frames / FRAMES_PER_MINUTE);
    msf.seconds = static_cast<int>((frames / FRAMES_PER_SECOND) % SECONDS_PER_MINUTE);
    msf.frames = static_cast<int>(frames % FRAMES_PER_SECOND);
    return msf;
}

int ReadDecimal(std::string_view text, std::size_t offset) {
    if (offset >= text.size()) {
        return 0;
    }
    std::size_t i = offset;
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Unsigned arithmetic wraps modulo 2^32 without undefined behaviour.
    std::uint32_t value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10U + static_cast<std::uint32_t>(text[i] - '0');
        ++i;
    }
    if (negative) {
        value = 0U - value;
    }
    return static_cast<int>(value);  // two's complement: modulo 2^32
}

std::string FormatPositionText(int track, int minutes, int seconds, int frames) {
    return JoinFields({track, minutes, seconds, frames});
}

void FormatPosition(std::span<char> out, int track, int minutes, int seconds, int frames) {
    CopyToBuffer(out, FormatPositionText(track, minutes, seconds, frames));
}

PositionParts ParsePosition(std::string_view text) {
    text = TextOfBuffer(text);
    PositionParts parts;
    parts.track = ReadDecimal(text, 0);
    parts.minutes = ReadDecimal(text, 3);
    parts.seconds = ReadDecimal(text, 6);
    parts.frames = ReadDecimal(text, 9);
    return parts;
}

LengthParts ParseLength(std::string_view text) {
    text = TextOfBuffer(text);
    LengthParts parts;
    parts.minutes = ReadDecimal(text, 0);
    parts.seconds = ReadDecimal(text, 3);
    parts.frames = ReadDecimal(text, 6);
    return parts;
}

std::string LengthTextFromMilliseconds(std::int64_t milliseconds) {
    constexpr std::int64_t MILLISECONDS_PER_MINUTE =
        static_cast<std::int64_t>(SECONDS_PER_MINUTE) * MILLISECONDS_PER_SECOND;
    const std::int64_t minutes = milliseconds / MILLISECONDS_PER_MINUTE;
    const std::int64_t seconds = (milliseconds / MILLISECONDS_PER_SECOND) % SECONDS_PER_MINUTE;
    const std::int64_t frames =
        (milliseconds * FRAMES_PER_SECOND / MILLISECONDS_PER_SECOND) % FRAMES_PER_SECOND;
    return JoinFields({minutes, seconds, frames});
}

std::string_view TextOfBuffer(std::span<const char> buffer) {
    const auto end = std::find(buffer.begin(), buffer.end(), '\0');
    return {buffer.data(), static_cast<std::size_t>(end - buffer.begin())};
}

void CopyToBuffer(std::span<char> out, std::string_view text) {
    if (out.empty()) {
        return;
    }
    const std::size_t length = std::min(text.size(), out.size() - 1);
    std::copy_n(text.begin(), length, out.begin());
    out[length] = '\0';
}

}  // namespace corvid
