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

// A name from outside (a disc's CD-TEXT, a cue sheet, a database) as a list
// can hold it: UTF-8 (Windows-1252 when it is not), each control character a
// blank, blanks at its ends dropped, and at most `maxCodePoints` code points.
std::string ListText(std::string_view text, std::size_t maxCodePoints);

}  // namespace corvid::tracklist
