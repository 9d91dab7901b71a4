#include <gtest/gtest.h>

#include <sndfile.h>

#include <string>
#include <vector>

#include "platform/cdrom/CueEncoding.h"
#include "platform/cdrom/CueSheet.h"
#include "tests/support/TemporaryFolder.h"

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

enum class Order { LittleEndian, BigEndian };

// Latin-1 text as UTF-16, without a byte order mark.
std::string Utf16(const std::string& latin1, Order order) {
    std::string wide;
    for (const char byte : latin1) {
        wide += order == Order::LittleEndian ? std::string{byte, '\0'} : std::string{'\0', byte};
    }
    return wide;
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
    {"Utf8MarkWithAStrayWindows1252Byte",
     "\xEF\xBB\xBF" + Sheet("M\xC3\xB6tley Cr\xC3\xBC\xE9 \x96 Remaster", "Band"),
     "M\xC3\xB6tley Cr\xC3\xBC\xC3\xA9 \xE2\x80\x93 Remaster", "UTF-8"},
    {"Utf16LittleEndian",
     std::string("\xFF\xFE"
                 "T\0I\0T\0L\0E\0 \0\"\0\xE9\0\"\0",
                 20),
     "\xC3\xA9", "UTF-16LE"},
    {"Utf16LittleEndianWithoutMark", Utf16(Sheet("Caf\xE9", "B\xE4nd"), Order::LittleEndian),
     "Caf\xC3\xA9", "UTF-16LE"},
    {"Utf16BigEndianWithoutMark", Utf16(Sheet("Caf\xE9", "B\xE4nd"), Order::BigEndian),
     "Caf\xC3\xA9", "UTF-16BE"},
};

class CueEncodingTest : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(CueEncodingTest, TextComesOutAsUtf8) {
    const CueSheetText decoded = CueSheetToUtf8(GetParam().bytes);
    EXPECT_EQ(decoded.encoding, GetParam().encoding);
    EXPECT_NE(decoded.text.find(GetParam().text), std::string::npos) << decoded.text;
}

INSTANTIATE_TEST_SUITE_P(Encodings, CueEncodingTest, ::testing::ValuesIn(ENCODING_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

// Sheets too short for the detector to tell their code page, each naming
// its one file as the file system holds it, in UTF-8.
struct NamedFileCase {
    const char* name;
    std::string bytes;  // the file's name in the sheet's code page
    const char* text;   // the same in UTF-8
};

void PrintTo(const NamedFileCase& namedCase, std::ostream* out) {
    *out << namedCase.name;
}

const NamedFileCase NAMED_FILE_CASES[] = {
    {"Polish",
     "Czes\xb3"
     "aw Niemen - Dziwny jest ten \x9cwiat",
     "Czes\xc5\x82"
     "aw Niemen - Dziwny jest ten \xc5\x9bwiat"},
    {"Turkish", "Bar\xfd\xfe Man\xe7o - Da\xf0lar Da\xf0lar",
     "Bar\xc4\xb1\xc5\x9f Man\xc3\xa7o - Da\xc4\x9flar Da\xc4\x9flar"},
    {"Lithuanian",
     "\xde"
     "algiris \xe0\xfeuolas",
     "\xc5\xbd"
     "algiris \xc4\x85\xc5\xbeuolas"},
    {"Korean", "\xbe\xc6\xc0\xcc\xc0\xaf", "\xec\x95\x84\xec\x9d\xb4\xec\x9c\xa0"},
    {"ChineseSimplified", "\xcd\xf5\xb7\xc6", "\xe7\x8e\x8b\xe8\x8f\xb2"},
    {"ChineseTraditional", "\xa9P\xaaN\xad\xdb - \xb4\xb8\xa4\xd1",
     "\xe5\x91\xa8\xe6\x9d\xb0\xe5\x80\xab - \xe6\x99\xb4\xe5\xa4\xa9"},
    {"Japanese", "\x92\xc5\x96\xbc\x97\xd1\x8c\xe7",
     "\xe6\xa4\x8e\xe5\x90\x8d\xe6\x9e\x97\xe6\xaa\x8e"},
    {"Russian", "\xc4\xc4\xd2", "\xd0\x94\xd0\x94\xd0\xa2"},
};

class CueReadingByFilesTest : public ::testing::TestWithParam<NamedFileCase> {};

TEST_P(CueReadingByFilesTest, TheReadingThatFindsTheFilesIsTaken) {
    const testing::TemporaryFolder folder;
    const std::string name = GetParam().bytes;
    folder.Write("sheet.cue", "REM GENRE Pop\r\nREM DATE 2001\r\nTITLE \"" + name +
                                  "\"\r\nFILE \"" + name +
                                  ".wav\" WAVE\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n");
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    const std::filesystem::path audio = folder / (std::string(GetParam().text) + ".wav");
    SNDFILE* file = sf_open(audio.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    const std::vector<short> samples(44100 * 2, 100);
    sf_writef_short(file, samples.data(), 44100);
    sf_close(file);

    const DiscImageResult loaded = LoadDiscImage(folder / "sheet.cue");
    ASSERT_NE(loaded.image, nullptr) << loaded.error->text;
    EXPECT_EQ(loaded.image->Info().texts.title, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(CodePages, CueReadingByFilesTest, ::testing::ValuesIn(NAMED_FILE_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CueReadingByFilesTest, WithNoReadingThatFindsTheFileTheFirstNamesIt) {
    const testing::TemporaryFolder folder;
    folder.Write("sheet.cue",
                 "FILE \"Caf\xE9.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n"
                 "    INDEX 01 00:00:00\r\n");
    const DiscImageResult loaded = LoadDiscImage(folder / "sheet.cue");
    ASSERT_TRUE(loaded.error.has_value());
    EXPECT_NE(loaded.error->text.find("names the file Caf\xC3\xA9.wav, which does not exist"),
              std::string::npos)
        << loaded.error->text;
}

}  // namespace
}  // namespace corvid::cdrom
