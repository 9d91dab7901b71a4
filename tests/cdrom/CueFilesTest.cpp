#include <gtest/gtest.h>

#include <vector>

#include "platform/cdrom/CueFiles.h"
#include "tests/support/TemporaryFolder.h"

namespace corvid::cdrom {
namespace {

using testing::TemporaryFolder;

struct FindCase {
    const char* name;
    std::vector<const char*> files;  // made beside the sheet
    const char* written;             // the FILE line's name
    const char* found;               // relative to the folder, or empty when none is
};

void PrintTo(const FindCase& findCase, std::ostream* out) {
    *out << findCase.name;
}

const FindCase FIND_CASES[] = {
    {"AsWritten", {"a.wav"}, "a.wav", "a.wav"},
    {"InAFolder", {"disc 1/a.wav"}, "disc 1/a.wav", "disc 1/a.wav"},
    {"Backslashes", {"disc 1/a.wav"}, "disc 1\\a.wav", "disc 1/a.wav"},
    {"DriveLetterAndFoldersBesideTheSheet",
     {"01 - Intro.wav"},
     "C:\\Rips\\Album\\01 - Intro.wav",
     "01 - Intro.wav"},
    {"DriveLetterWithTheLastFolderKept",
     {"Album/01.wav"},
     "D:\\Music\\Album\\01.wav",
     "Album/01.wav"},
    {"UnixAbsolutePathMoved", {"a.flac"}, "/home/someone/rips/a.flac", "a.flac"},
    {"OtherLetterCase", {"Track One.WAV"}, "track one.wav", "Track One.WAV"},
    {"OtherLetterCaseInFolders", {"CD1/Song.flac"}, "cd1\\SONG.FLAC", "CD1/Song.flac"},
    {"TwoFilesInOtherCasesAreNoMatch", {"Song.wav", "SONG.wav"}, "song.wav", ""},
    {"ConvertedToFlac", {"Album.flac"}, "Album.wav", "Album.flac"},
    {"ConvertedToWavPackInOtherCase", {"album.WV"}, "Album.wav", "album.WV"},
    {"TwoConversionsAreNoMatch", {"Album.flac", "Album.wv"}, "Album.wav", ""},
    {"RawNamesAreNotSwapped", {"Album.wav"}, "Album.bin", ""},
    {"NotAnAudioFileBesideIt", {"Album.txt"}, "Album.wav", ""},
    {"Missing", {"b.wav"}, "a.wav", ""},
    // Copied from a Mac, names keep their accents apart from their letters.
    {"AccentsDecomposedOnDisk", {"Cafe\xCC\x81.wav"}, "Caf\xC3\xA9.wav", "Cafe\xCC\x81.wav"},
    {"AccentsDecomposedInTheSheet", {"Caf\xC3\xA9.wav"}, "Cafe\xCC\x81.wav", "Caf\xC3\xA9.wav"},
    {"HangulDecomposedOnDisk",
     {"\xe1\x84\x8b\xe1\x85\xa1\xe1\x84\x8b\xe1\x85\xb5\xe1\x84\x8b\xe1\x85\xb2.flac"},
     "\xec\x95\x84\xec\x9d\xb4\xec\x9c\xa0.flac",
     "\xe1\x84\x8b\xe1\x85\xa1\xe1\x84\x8b\xe1\x85\xb5\xe1\x84\x8b\xe1\x85\xb2.flac"},
    {"AccentedCapitals",
     {"\xC3\x89t\xC3\xA9 Indien.wav"},
     "\xC3\x89T\xC3\x89 INDIEN.WAV",
     "\xC3\x89t\xC3\xA9 Indien.wav"},
    {"OtherAccentIsNoMatch", {"Caf\xC3\xA8.wav"}, "Caf\xC3\xA9.wav", ""},
};

class CueFilesTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(CueFilesTest, FindsTheOneFileTheNameMeans) {
    const TemporaryFolder folder;
    for (const char* file : GetParam().files) {
        std::filesystem::create_directories((folder / file).parent_path());
        folder.Write(file, "x");
    }
    const std::optional<std::filesystem::path> found =
        FindCueFile(folder.Path(), GetParam().written);
    if (std::string(GetParam().found).empty()) {
        EXPECT_FALSE(found.has_value()) << *found;
        return;
    }
    ASSERT_TRUE(found.has_value());
    EXPECT_TRUE(std::filesystem::equivalent(*found, folder / GetParam().found)) << *found;
}

INSTANTIATE_TEST_SUITE_P(Names, CueFilesTest, ::testing::ValuesIn(FIND_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CueFilesTest, AnAbsoluteNameThatExistsIsTaken) {
    const TemporaryFolder folder;
    const TemporaryFolder elsewhere;
    const std::filesystem::path file = elsewhere.Write("a.wav", "x");
    EXPECT_EQ(FindCueFile(folder.Path(), file.string()), file);
}

}  // namespace
}  // namespace corvid::cdrom
