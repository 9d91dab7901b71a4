#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace corvid {

// Disc time: 75 frames to the second, whole numbers only; every division
// truncates toward zero.
inline constexpr int FRAMES_PER_SECOND = 75;
inline constexpr int SECONDS_PER_MINUTE = 60;
inline constexpr int FRAMES_PER_MINUTE = FRAMES_PER_SECOND * SECONDS_PER_MINUTE;
inline constexpr int MILLISECONDS_PER_SECOND = 1000;

// A position text "tt:mm:ss:ff" is 11 characters; with its terminator 12.
inline constexpr std::size_t POSITION_TEXT_SIZE = 12;

struct PositionParts {
    int track = 0;
    int minutes = 0;
    int seconds = 0;
    int frames = 0;
    bool operator==(const PositionParts&) const = default;
};

struct LengthParts {
    int minutes = 0;
    int seconds = 0;
    int frames = 0;
};

// Minutes, seconds and frames of a count of frames.
struct Msf {
    int minutes = 0;
    int seconds = 0;
    int frames = 0;
};
Msf MsfFromFrames(std::int64_t frames);

// Reads a decimal number at `offset` the way the C library's atoi does: leading
// white space, an optional sign, then digits up to the first other character;
// 0 when there is no digit or the offset lies past the text; wraps silently
// modulo 2^32 on overflow.
int ReadDecimal(std::string_view text, std::size_t offset = 0);

// `value` as printf's "%02lld" writes it: two digits at least, a negative
// number with its sign and no zero.
void AppendTimeField(std::string& text, long long value);

// "%02d:%02d:%02d:%02d" into `out`, cut to fit with its terminator. No range
// check: a value of 100 or more takes three digits, a negative one its sign.
void FormatPosition(std::span<char> out, int track, int minutes, int seconds, int frames);
std::string FormatPositionText(int track, int minutes, int seconds, int frames);

// Fields of a position text found by their offsets 0, 3, 6 and 9 alone.
PositionParts ParsePosition(std::string_view text);
// Fields of a length text found by their offsets 0, 3 and 6 alone.
LengthParts ParseLength(std::string_view text);

// The length text "%02d:%02d:%02d" of a duration in milliseconds.
std::string LengthTextFromMilliseconds(std::int64_t milliseconds);

// The text of a zero-terminated character buffer: its characters up to the
// first zero, or all of them when it holds none.
std::string_view TextOfBuffer(std::span<const char> buffer);

// Copies `text` into `out` as a zero-terminated text, cut to fit with its
// terminator (an empty `out` receives nothing).
void CopyToBuffer(std::span<char> out, std::string_view text);

}  // namespace corvid
