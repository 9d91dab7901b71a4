#include "tracklist/TextEncoding.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace corvid::tracklist {

namespace {

constexpr char32_t MAX_CODE_POINT = 0x10FFFF;
constexpr char32_t FIRST_SURROGATE = 0xD800;
constexpr char32_t LAST_SURROGATE = 0xDFFF;

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0U) == 0x80U;
}

// The length of the sequence that `lead` begins and the bits it carries; a
// length of 0 for a byte that cannot begin one.
struct Lead {
    std::size_t length = 0;
    char32_t bits = 0;
};

Lead ReadLead(unsigned char lead) {
    if (lead < 0x80U) {
        return {1, lead};
    }
    if ((lead & 0xE0U) == 0xC0U) {
        return {2, lead & 0x1FU};
    }
    if ((lead & 0xF0U) == 0xE0U) {
        return {3, lead & 0x0FU};
    }
    if ((lead & 0xF8U) == 0xF0U) {
        return {4, lead & 0x07U};
    }
    return {};
}

// The smallest code point that needs a sequence of each length.
constexpr std::array<char32_t, 5> SMALLEST_FOR_LENGTH = {0, 0, 0x80, 0x800, 0x10000};

// The length of the well-formed sequence at `offset`, or 0.
std::size_t SequenceLength(std::string_view bytes, std::size_t offset) {
    const Lead lead = ReadLead(static_cast<unsigned char>(bytes[offset]));
    if (lead.length == 0 || offset + lead.length > bytes.size()) {
        return 0;
    }
    char32_t codePoint = lead.bits;
    for (std::size_t i = 1; i < lead.length; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[offset + i]);
        if (!IsContinuation(byte)) {
            return 0;
        }
        codePoint = (codePoint << 6U) | (byte & 0x3FU);
    }
    if (codePoint < SMALLEST_FOR_LENGTH[lead.length] || codePoint > MAX_CODE_POINT) {
        return 0;
    }
    if (codePoint >= FIRST_SURROGATE && codePoint <= LAST_SURROGATE) {
        return 0;
    }
    return lead.length;
}

// Code points of the bytes 0x80 to 0x9F; the rest of Windows-1252 is Latin-1.
constexpr std::array<char16_t, 32> WINDOWS_1252_HIGH_CONTROLS = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& text, char32_t codePoint) {
    if (codePoint < 0x80) {
        text += static_cast<char>(codePoint);
        return;
    }
    if (codePoint < 0x800) {
        text += static_cast<char>(0xC0U | (codePoint >> 6U));
        text += static_cast<char>(0x80U | (codePoint & 0x3FU));
        return;
    }
    text += static_cast<char>(0xE0U | (codePoint >> 12U));
    text += static_cast<char>(0x80U | ((codePoint >> 6U) & 0x3FU));
    text += static_cast<char>(0x80U | (codePoint & 0x3FU));
}

// The byte offset of code point `count`, or the text's size when it has fewer.
std::size_t OffsetOfCodePoint(std::string_view utf8, std::size_t count) {
    std::size_t offset = 0;
    for (std::size_t seen = 0; offset < utf8.size(); ++offset) {
        if (IsContinuation(static_cast<unsigned char>(utf8[offset]))) {
            continue;
        }
        if (seen == count) {
            return offset;
        }
        ++seen;
    }
    return offset;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        const std::size_t length = SequenceLength(bytes, offset);
        if (length == 0) {
            return false;
        }
        offset += length;
    }
    return true;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char character : bytes) {
        const auto byte = static_cast<unsigned char>(character);
        if (byte >= 0x80U && byte < 0xA0U) {
            AppendUtf8(text, WINDOWS_1252_HIGH_CONTROLS[byte - 0x80U]);
        } else {
            AppendUtf8(text, byte);
        }
    }
    return text;
}

std::string DecodeLine(std::string_view bytes) {
    if (IsValidUtf8(bytes)) {
        return std::string(bytes);
    }
    return Windows1252ToUtf8(bytes);
}

std::string_view FirstCodePoints(std::string_view utf8, std::size_t count) {
    return utf8.substr(0, OffsetOfCodePoint(utf8, count));
}

std::string_view AfterCodePoints(std::string_view utf8, std::size_t count) {
    return utf8.substr(OffsetOfCodePoint(utf8, count));
}

std::size_t CodePointCount(std::string_view utf8) {
    std::size_t count = 0;
    for (const char character : utf8) {
        if (!IsContinuation(static_cast<unsigned char>(character))) {
            ++count;
        }
    }
    return count;
}

std::string WithReplacementCharacters(std::string_view bytes) {
    constexpr std::string_view REPLACEMENT_CHARACTER = "\xEF\xBF\xBD";
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t offset = 0; offset < bytes.size();) {
        const std::size_t length = SequenceLength(bytes, offset);
        if (length == 0) {
            text += REPLACEMENT_CHARACTER;
            ++offset;
            continue;
        }
        text.append(bytes.substr(offset, length));
        offset += length;
    }
    return text;
}

std::string C1ControlsAsWindows1252(std::string_view utf8) {
    std::string text;
    text.reserve(utf8.size());
    for (std::size_t offset = 0; offset < utf8.size(); ++offset) {
        const auto lead = static_cast<unsigned char>(utf8[offset]);
        const auto next = offset + 1 < utf8.size() ? static_cast<unsigned char>(utf8[offset + 1])
                                                   : std::uint8_t{0};
        if (lead == 0xC2U && next >= 0x80U && next < 0xA0U) {
            AppendUtf8(text, WINDOWS_1252_HIGH_CONTROLS[next - 0x80U]);
            ++offset;
            continue;
        }
        text += utf8[offset];
    }
    return text;
}

namespace {

enum class RowCharacter : std::uint8_t { Kept, Blank, Dropped };

// Line breaks become blanks. Controls go, and so do the marks that are
// invisible yet hide or reorder the text around them (a byte order mark,
// the bidirectional embeddings, overrides and isolates). The joiners stay:
// some scripts and emoji need them.
RowCharacter ClassifyForRow(char32_t codePoint) {
    if (codePoint == '\t' || codePoint == '\n' || codePoint == '\r' || codePoint == 0x2028 ||
        codePoint == 0x2029) {
        return RowCharacter::Blank;
    }
    const bool control = codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0);
    const bool embedding = codePoint >= 0x202A && codePoint <= 0x202E;
    const bool isolate = codePoint >= 0x2066 && codePoint <= 0x2069;
    if (control || embedding || isolate || codePoint == 0xFEFF) {
        return RowCharacter::Dropped;
    }
    return RowCharacter::Kept;
}

char32_t CodePointOf(std::string_view sequence) {
    char32_t codePoint = ReadLead(static_cast<unsigned char>(sequence[0])).bits;
    for (std::size_t i = 1; i < sequence.size(); ++i) {
        codePoint = (codePoint << 6U) | (static_cast<unsigned char>(sequence[i]) & 0x3FU);
    }
    return codePoint;
}

std::string TrimmedBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

}  // namespace

std::string RowText(std::string_view utf8, std::size_t maxCodePoints) {
    std::string text;
    text.reserve(utf8.size());
    for (std::size_t offset = 0; offset < utf8.size();) {
        const std::size_t length = std::max<std::size_t>(1, SequenceLength(utf8, offset));
        const std::string_view sequence = utf8.substr(offset, length);
        offset += length;
        switch (ClassifyForRow(CodePointOf(sequence))) {
            case RowCharacter::Kept:
                text.append(sequence);
                break;
            case RowCharacter::Blank:
                text += ' ';
                break;
            case RowCharacter::Dropped:
                break;
        }
    }
    // Trimmed again after the cut, which may leave a blank at the end.
    return TrimmedBlanks(FirstCodePoints(TrimmedBlanks(text), maxCodePoints));
}

std::string ListText(std::string_view text, std::size_t maxCodePoints) {
    // A C1 control in a name is text that was Windows-1252 read as Latin-1
    // (CD-TEXT says ISO 8859-1, but rippers and authoring tools wrote
    // Windows-1252): 0x92 meant a closing quote, not a control.
    return RowText(C1ControlsAsWindows1252(DecodeLine(text)), maxCodePoints);
}

}  // namespace corvid::tracklist
