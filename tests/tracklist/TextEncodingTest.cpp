#include "tracklist/TextEncoding.h"

#include <gtest/gtest.h>

namespace corvid::tracklist {
namespace {

struct Utf8Case {
    const char* name;
    std::string_view bytes;
    bool valid;
};

const Utf8Case UTF8_CASES[] = {
    {"Empty", "", true},
    {"Ascii", "Night Music", true},
    {"TwoThreeAndFourBytes", "\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xB5", true},
    {"HighestCodePoint", "\xF4\x8F\xBF\xBF", true},
    {"Windows1252Letter", "Caf\xE9", false},
    {"LoneContinuation", "\x80", false},
    {"CutShortAtTheEnd", "ab\xE2\x82", false},
    {"OverlongSlash", "\xC0\xAF", false},
    {"OverlongThreeBytes", "\xE0\x80\xAF", false},
    {"Surrogate", "\xED\xA0\x80", false},
    {"AboveTheHighest", "\xF4\x90\x80\x80", false},
    {"FiveByteLead", "\xF8\x88\x80\x80\x80", false},
};

class Utf8Validity : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Validity, TellsWellFormedFromBroken) {
    EXPECT_EQ(IsValidUtf8(GetParam().bytes), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(Cases, Utf8Validity, ::testing::ValuesIn(UTF8_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Windows1252ToUtf8, ConvertsTheHighHalfAndKeepsTheUndefinedBytes) {
    EXPECT_EQ(Windows1252ToUtf8("Caf\xE9 \x80 \x9F \xFF"),
              "Caf\xC3\xA9 \xE2\x82\xAC \xC5\xB8 \xC3\xBF");
    EXPECT_EQ(Windows1252ToUtf8("\x81\x8D\x8F\x90\x9D"),
              "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
}

TEST(Windows1252ToUtf8, EveryByteGivesValidUtf8OfOneCodePoint) {
    for (int byte = 0; byte < 256; ++byte) {
        const std::string text = Windows1252ToUtf8(std::string(1, static_cast<char>(byte)));
        EXPECT_TRUE(IsValidUtf8(text)) << byte;
        EXPECT_EQ(CodePointCount(text), 1U) << byte;
    }
}

struct ListTextCase {
    const char* name;
    std::string bytes;
    std::string shown;
};

void PrintTo(const ListTextCase& listCase, std::ostream* out) {
    *out << listCase.name;
}

const ListTextCase LIST_TEXT_CASES[] = {
    {"Plain", "  Night Music ", "Night Music"},
    {"LineBreaksAndTabsAreBlanks", "One\r\nTwo\tThree", "One  Two Three"},
    {"ControlsGo",
     "A\x01"
     "B\x7F"
     "C",
     "ABC"},
    // CD-TEXT authored in Windows-1252 and read by libcdio as Latin-1.
    {"C1ControlsReadAsWindows1252", "Don\xC2\x92t Stop\xC2\x85 \xC2\x96 Live",
     "Don\xE2\x80\x99t Stop\xE2\x80\xA6 \xE2\x80\x93 Live"},
    {"Windows1252Line", "Caf\xE9", "Caf\xC3\xA9"},
    {"LineSeparatorsAreBlanks", "Top\xE2\x80\xA8Hidden\xE2\x80\xA9Too", "Top Hidden Too"},
    {"InvisibleMarksGo",
     "\xEF\xBB\xBF"
     "Ab\xE2\x80\xAE"
     "cd\xE2\x81\xA6"
     "ef",
     "Abcdef"},
    {"JoinersStay", "\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x8E\xA4",
     "\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x8E\xA4"},
    {"CutOnAWholeCharacterWithoutATrailingBlank", std::string(19, 'a') + " \xC3\xA9",
     std::string(19, 'a')},
};

class ListTextTest : public ::testing::TestWithParam<ListTextCase> {};

TEST_P(ListTextTest, ShowsANameInOneRow) {
    EXPECT_EQ(ListText(GetParam().bytes, 20), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Names, ListTextTest, ::testing::ValuesIn(LIST_TEXT_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvid::tracklist
