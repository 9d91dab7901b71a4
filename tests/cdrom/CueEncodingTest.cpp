#include <gtest/gtest.h>

#include <string>

#include "platform/cdrom/CueEncoding.h"

namespace corvid::cdrom {
namespace {

struct EncodingCase {
    const char* name;
    std::string bytes;
    const char* text;      // UTF-8
    const char* encoding;  // as read
};

void PrintTo(const EncodingCase& encodingCase, std::ostream* out) {
    *out << encodingCase.name;
}

std::string Sheet(const std::string& title, const std::string& performer) {
    return "REM GENRE Pop\r\nPERFORMER \"" + performer + "\"\r\nTITLE \"" + title +
           "\"\r\nFILE \"" + title + ".wav\" WAVE\r\n  TRACK 01 AUDIO\r\n    TITLE \"" + title +
           "\"\r\n    INDEX 01 00:00:00\r\n";
}

const EncodingCase ENCODING_CASES[] = {
    {"Ascii", Sheet("Plain", "Band"), "Plain", "UTF-8"},
    {"Utf8", Sheet("Caf\xC3\xA9 \xE2\x80\x93 \xE6\x97\xA5\xE6\x9C\xAC", "Bj\xC3\xB6rk"),
     "Caf\xC3\xA9 \xE2\x80\x93 \xE6\x97\xA5\xE6\x9C\xAC", "UTF-8"},
    {"Windows1252", Sheet("Caf\xE9 \x96 Na\xEFve \x80", "Mot\xF6rhead"),
     "Caf\xC3\xA9 \xE2\x80\x93 Na\xC3\xAFve \xE2\x82\xAC", "WINDOWS-1252"},
    {"Windows1252UnassignedBytesKept", Sheet("a\x81\x8D\xFF", "b"), "a\xC2\x81\xC2\x8D\xC3\xBF",
     "WINDOWS-1252"},
    {"ShiftJis",
     Sheet("\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x89\xcc", "\x82\xa0\x82\xa2\x82\xa4\x83\x5e"),
     "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE6\xAD\x8C", "CP932"},
    {"Windows1251",
     Sheet("\xc4\xe5\xf2\xf1\xea\xe8\xe5 \xef\xe5\xf1\xed\xe8 \xee \xeb\xfe\xe1\xe2\xe8",
           "\xca\xe8\xed\xee"),
     "\xD0\x94\xD0\xB5\xD1\x82\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB5 \xD0\xBF\xD0\xB5\xD1\x81\xD0\xBD"
     "\xD0\xB8 \xD0\xBE \xD0\xBB\xD1\x8E\xD0\xB1\xD0\xB2\xD0\xB8",
     "WINDOWS-1251"},
    {"Utf16LittleEndian",
     std::string("\xFF\xFE"
                 "T\0I\0T\0L\0E\0 \0\"\0\xE9\0\"\0",
                 20),
     "\xC3\xA9", "UTF-16LE"},
};

class CueEncodingTest : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(CueEncodingTest, TextComesOutAsUtf8) {
    const CueSheetText decoded = CueSheetToUtf8(GetParam().bytes);
    EXPECT_EQ(decoded.encoding, GetParam().encoding);
    EXPECT_NE(decoded.text.find(GetParam().text), std::string::npos) << decoded.text;
}

INSTANTIATE_TEST_SUITE_P(Encodings, CueEncodingTest, ::testing::ValuesIn(ENCODING_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvid::cdrom
