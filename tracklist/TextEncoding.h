#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace corvid::tracklist {

// True when `bytes` is well-formed UTF-8: no overlong forms, no surrogates,
// nothing above U+10FFFF, no sequence cut short.
bool IsValidUtf8(std::string_view bytes);

// Windows-1252 text as UTF-8. The five bytes that code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 controls of the same value, as
// Windows converts them, so no byte is lost.
std::string Windows1252ToUtf8(std::string_view bytes);

// A line of a file as UTF-8: the line itself when it is valid UTF-8, else the
// line read as Windows-1252.
std::string DecodeLine(std::string_view bytes);

// The first `count` code points of UTF-8 text, never splitting a character.
std::string_view FirstCodePoints(std::string_view utf8, std::size_t count);

// The UTF-8 text after its first `count` code points; empty when it has fewer.
std::string_view AfterCodePoints(std::string_view utf8, std::size_t count);

// The number of code points of UTF-8 text.
std::size_t CodePointCount(std::string_view utf8);

// Bytes as valid UTF-8: each byte that starts no well-formed sequence
// becomes U+FFFD.
std::string WithReplacementCharacters(std::string_view bytes);

// UTF-8 text whose C1 controls (U+0080 to U+009F) are read as the
// Windows-1252 characters of those byte values.
std::string C1ControlsAsWindows1252(std::string_view utf8);

// Valid UTF-8 text as one list row shows it: each line break or tab a
// blank; control characters, byte order marks and the invisible
// bidirectional controls left out; blanks at its ends dropped; at most
// `maxCodePoints` code points.
std::string RowText(std::string_view utf8, std::size_t maxCodePoints);

// A name from a disc's CD-TEXT or a cue sheet as a list can hold it: UTF-8
// (Windows-1252 when it is not), its C1 controls read as Windows-1252, then
// as RowText makes it.
std::string ListText(std::string_view text, std::size_t maxCodePoints);

}  // namespace corvid::tracklist
