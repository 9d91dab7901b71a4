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

}  // namespace
}  // namespace corvid::tracklist
