#include <gtest/gtest.h>
#include <sndfile.h>

#include <sys/stat.h>

#include <functional>
#include <random>

#include "platform/cdrom/ImageDrive.h"
#include "tests/support/TemporaryFolder.h"

namespace corvid::cdrom {
namespace {

using testing::TemporaryFolder;

std::string Sectors(int count) {
    return std::string(static_cast<std::size_t>(count) * BYTES_PER_SECTOR, '\x11');
}

// A one-track sheet on FILE `file` of `type`.
std::string OneTrackSheet(const std::string& file, const std::string& type = "BINARY") {
    return "FILE \"" + file + "\" " + type + "\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";
}

void WriteWave(const std::filesystem::path& path, int rate, int channels, int format) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    const std::vector<short> samples(static_cast<std::size_t>(rate * channels), 100);
    sf_writef_short(file, samples.data(), rate);
    sf_close(file);
}

struct BrokenCase {
    const char* name;
    std::function<std::filesystem::path(const TemporaryFolder&)> make;
    MciError code;
    const char* says;  // a part of the message
};

void PrintTo(const BrokenCase& brokenCase, std::ostream* out) {
    *out << brokenCase.name;
}

std::filesystem::path SheetOn(const TemporaryFolder& folder, const std::string& sheet) {
    folder.Write("a.bin", Sectors(10));
    return folder.Write("disc.cue", sheet);
}

const BrokenCase BROKEN_CASES[] = {
    {"MissingSheet", [](const TemporaryFolder& folder) { return folder / "none.cue"; },
     MCIERR_FILE_NOT_FOUND, "does not exist"},
    {"SheetIsAFolder",
     [](const TemporaryFolder& folder) {
         std::filesystem::create_directory(folder / "folder.cue");
         return folder / "folder.cue";
     },
     MCIERR_INVALID_DEVICE_NAME, "is not a file"},
    {"Empty", [](const TemporaryFolder& folder) { return folder.Write("disc.cue", ""); },
     MCIERR_INVALID_DEVICE_NAME, "no TRACK"},
    {"JunkBytes",
     [](const TemporaryFolder& folder) {
         std::string junk;
         for (int value = 0; value < 4000; ++value) {
             junk.push_back(static_cast<char>(1 + (value * 37) % 255));
         }
         return folder.Write("disc.cue", junk);
     },
     MCIERR_INVALID_DEVICE_NAME, "is not a cue sheet"},
    {"NulBytes",
     [](const TemporaryFolder& folder) {
         return SheetOn(folder, OneTrackSheet(std::string("a\0.bin", 6)));
     },
     MCIERR_INVALID_DEVICE_NAME, "NUL"},
    {"Huge",
     [](const TemporaryFolder& folder) {
         std::string sheet = OneTrackSheet("a.bin");
         while (sheet.size() <= 1024 * 1024) {
             sheet += "REM padding padding padding padding padding padding padding\n";
         }
         return SheetOn(folder, sheet);
     },
     MCIERR_INVALID_DEVICE_NAME, "larger than"},
    {"OverlongLine",
     [](const TemporaryFolder& folder) {
         return SheetOn(folder, "FILE " + std::string(10000, 'x') + "\n" + OneTrackSheet("a.bin"));
     },
     MCIERR_INVALID_DEVICE_NAME, "line 1: the line is longer than"},
    {"NoTrack",
     [](const TemporaryFolder& folder) { return SheetOn(folder, "FILE \"a.bin\" BINARY\n"); },
     MCIERR_INVALID_DEVICE_NAME, "no TRACK"},
    {"TrackBeforeFile",
     [](const TemporaryFolder& folder) {
         return SheetOn(folder, "TRACK 01 AUDIO\nFILE \"a.bin\" BINARY\nINDEX 01 00:00:00\n");
     },
     MCIERR_INVALID_DEVICE_NAME, "TRACK before any FILE"},
    {"UnclosedQuote",
     [](const TemporaryFolder& folder) {
         return SheetOn(folder, "FILE \"a.bin BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
     },
     MCIERR_HARDWARE, "names the file a.bin BINARY, which does not exist"},
    {"MissingFile",
     [](const TemporaryFolder& folder) {
         return folder.Write("disc.cue", OneTrackSheet("gone.bin"));
     },
     MCIERR_HARDWARE, "names the file gone.bin, which does not exist"},
    {"TextFileAsWave",
     [](const TemporaryFolder& folder) {
         folder.Write("a.wav", "not audio at all\n");
         return folder.Write("disc.cue", OneTrackSheet("a.wav", "WAVE"));
     },
     MCIERR_HARDWARE, "names the file a.wav, which cannot be read"},
    {"EmptyBinary",
     [](const TemporaryFolder& folder) {
         folder.Write("a.bin", "");
         return folder.Write("disc.cue", OneTrackSheet("a.bin"));
     },
     MCIERR_HARDWARE, "names the file a.bin"},
    {"WrongSampleRate",
     [](const TemporaryFolder& folder) {
         WriteWave(folder / "a.wav", 48000, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
         return folder.Write("disc.cue", OneTrackSheet("a.wav", "WAVE"));
     },
     MCIERR_HARDWARE, "which is not 44100 Hz stereo 16-bit audio"},
    {"Mono",
     [](const TemporaryFolder& folder) {
         WriteWave(folder / "a.wav", 44100, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
         return folder.Write("disc.cue", OneTrackSheet("a.wav", "WAVE"));
     },
     MCIERR_HARDWARE, "which is not 44100 Hz stereo 16-bit audio"},
    {"TwentyFourBit",
     [](const TemporaryFolder& folder) {
         WriteWave(folder / "a.flac", 44100, 2, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
         return folder.Write("disc.cue", OneTrackSheet("a.flac", "WAVE"));
     },
     MCIERR_HARDWARE, "which is not 44100 Hz stereo 16-bit audio"},
    {"ShortAudio",
     [](const TemporaryFolder& folder) {
         return SheetOn(folder,
                        "FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                        "  TRACK 02 AUDIO\n    INDEX 01 00:00:10\n");
     },
     MCIERR_HARDWARE, "names the file a.bin, which ends before track 2 starts"},
    {"GapPastTheEnd",
     [](const TemporaryFolder& folder) {
         return SheetOn(folder,
                        "FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                        "  TRACK 02 AUDIO\n    INDEX 00 00:00:20\n    INDEX 01 00:00:30\n");
     },
     MCIERR_HARDWARE, "which ends before track 2 starts"},
    // A sheet cut from a longer disc keeps that disc's numbers: the message
    // names the track as the sheet does, not by its place.
    {"ShortAudioNumberedFromFive",
     [](const TemporaryFolder& folder) {
         return SheetOn(folder,
                        "FILE \"a.bin\" BINARY\n  TRACK 05 AUDIO\n    INDEX 01 00:00:00\n"
                        "  TRACK 06 AUDIO\n    INDEX 01 00:00:10\n");
     },
     MCIERR_HARDWARE, "names the file a.bin, which ends before track 6 starts"},
    {"AbsurdIndex",
     [](const TemporaryFolder& folder) {
         return SheetOn(folder, "FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 99:99:99\n");
     },
     MCIERR_INVALID_DEVICE_NAME, "line 3: INDEX 01 99:99:99 is not a time"},
    {"IndexPastTheFileEnd",
     [](const TemporaryFolder& folder) {
         return SheetOn(folder, "FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 10:00:00\n");
     },
     MCIERR_HARDWARE, "which ends before track 1 starts"},
    {"NoIndexOne",
     [](const TemporaryFolder& folder) {
         return SheetOn(folder,
                        "FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                        "  TRACK 02 AUDIO\n    INDEX 00 00:00:05\n");
     },
     MCIERR_INVALID_DEVICE_NAME, "line 4: TRACK 02 has no INDEX 01"},
    {"IndexZeroAfterIndexOne",
     [](const TemporaryFolder& folder) {
         return SheetOn(folder,
                        "FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n"
                        "    INDEX 00 00:00:05\n    INDEX 01 00:00:02\n");
     },
     MCIERR_INVALID_DEVICE_NAME, "line 4: INDEX 01 00:00:02 lies before the track's INDEX 00"},
    {"OverlappingTracks",
     [](const TemporaryFolder& folder) {
         return SheetOn(folder,
                        "FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:05\n"
                        "  TRACK 02 AUDIO\n    INDEX 01 00:00:02\n");
     },
     MCIERR_INVALID_DEVICE_NAME, "line 5: INDEX 01 does not follow track 1's indexes"},
    {"TwoTracksAtOneSector",
     [](const TemporaryFolder& folder) {
         return SheetOn(folder,
                        "FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:02\n"
                        "  TRACK 02 AUDIO\n    INDEX 01 00:00:02\n");
     },
     MCIERR_INVALID_DEVICE_NAME, "does not follow"},
    {"HundredTracks",
     [](const TemporaryFolder& folder) {
         std::string sheet = "FILE \"a.bin\" BINARY\n";
         for (int number = 1; number <= 100; ++number) {
             const int seconds = number % 60;
             sheet += "  TRACK " + std::to_string(number) + " AUDIO\n    INDEX 01 0" +
                      std::to_string(number / 60) + ":" + (seconds < 10 ? "0" : "") +
                      std::to_string(seconds) + ":00\n";
         }
         return SheetOn(folder, sheet);
     },
     MCIERR_INVALID_DEVICE_NAME, "line 200: the sheet has more than 99 tracks"},
    {"IndexBeforeAnyTrack",
     [](const TemporaryFolder& folder) {
         return SheetOn(folder, "FILE \"a.bin\" BINARY\nINDEX 01 00:00:00\n");
     },
     MCIERR_INVALID_DEVICE_NAME, "line 2: INDEX 01 before any TRACK."},
    {"SheetNamesItself",
     [](const TemporaryFolder& folder) {
         return folder.Write("disc.cue", OneTrackSheet("disc.cue"));
     },
     MCIERR_HARDWARE, "names the file disc.cue, which is the cue sheet itself"},
    {"SheetNamesItselfInOtherCase",
     [](const TemporaryFolder& folder) {
         return folder.Write("disc.cue", OneTrackSheet("C:\\rips\\DISC.CUE"));
     },
     MCIERR_HARDWARE, "which is the cue sheet itself"},
    {"FileIsAFolder",
     [](const TemporaryFolder& folder) {
         std::filesystem::create_directory(folder / "a.wav");
         return folder.Write("disc.cue", OneTrackSheet("a.wav", "WAVE"));
     },
     MCIERR_HARDWARE, "names the file a.wav, which is not a file"},
    {"FileIsAFifo",
     [](const TemporaryFolder& folder) {
         EXPECT_EQ(::mkfifo((folder / "a.bin").c_str(), 0600), 0);
         return folder.Write("disc.cue", OneTrackSheet("a.bin"));
     },
     MCIERR_HARDWARE, "names the file a.bin, which is not a file"},
    {"FileIsDevZero",
     [](const TemporaryFolder& folder) {
         return folder.Write("disc.cue", OneTrackSheet("/dev/zero"));
     },
     MCIERR_HARDWARE, "names the file /dev/zero, which is not a file"},
    {"TenMegabyteSheet",
     [](const TemporaryFolder& folder) {
         std::string sheet = OneTrackSheet("a.bin");
         sheet.resize(10 * 1024 * 1024, '\n');
         return SheetOn(folder, sheet);
     },
     MCIERR_INVALID_DEVICE_NAME, "larger than a cue sheet can be"},
    {"TextBehindAFlacName",
     [](const TemporaryFolder& folder) {
         folder.Write("a.flac", "fLaC but nothing else that FLAC needs");
         return folder.Write("disc.cue", OneTrackSheet("a.flac", "WAVE"));
     },
     MCIERR_HARDWARE, "names the file a.flac, which cannot be read"},
    {"DamagedWavPack",
     [](const TemporaryFolder& folder) {
         folder.Write("a.wv", "wvpk" + std::string(200, '\x01'));
         return folder.Write("disc.cue", OneTrackSheet("a.wv", "WAVE"));
     },
     MCIERR_HARDWARE, "names the file a.wv, which cannot be read as WavPack"},
    {"MonkeysAudio",
     [](const TemporaryFolder& folder) {
         folder.Write("a.ape", "MAC " + std::string(200, '\x01'));
         return folder.Write("disc.cue", OneTrackSheet("a.ape", "WAVE"));
     },
     MCIERR_HARDWARE, "names the file a.ape, which is Monkey's Audio, a type that cannot be read"},
    {"MonkeysAudioFoundForAWaveName",
     [](const TemporaryFolder& folder) {
         folder.Write("a.ape", "MAC " + std::string(200, '\x01'));
         return folder.Write("disc.cue", OneTrackSheet("a.wav", "WAVE"));
     },
     MCIERR_HARDWARE, "names the file a.wav (found as a.ape), which is Monkey's Audio"},
    {"UnrippedDataTrackFollowedInItsFile",
     [](const TemporaryFolder& folder) {
         return SheetOn(folder,
                        "FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                        "  TRACK 02 MODEx/2xxx\n    INDEX 00 00:00:02\n"
                        "  TRACK 03 AUDIO\n    INDEX 01 00:00:05\n");
     },
     MCIERR_INVALID_DEVICE_NAME,
     "line 7: INDEX 01 is in the FILE of track 2, which has no INDEX 01"},
    {"PregapsLongerThanADisc",
     [](const TemporaryFolder& folder) {
         std::string sheet = "FILE \"a.bin\" BINARY\n";
         for (int number = 1; number <= 3; ++number) {
             sheet += "TRACK 0" + std::to_string(number) +
                      " AUDIO\nPREGAP 99:00:00\nINDEX 01 00:00:0" + std::to_string(number) + "\n";
         }
         return SheetOn(folder, sheet);
     },
     MCIERR_INVALID_DEVICE_NAME, "is longer than a CD can be"},
};

class CueSheetErrorsTest : public ::testing::TestWithParam<BrokenCase> {
  protected:
    TemporaryFolder m_folder;
};

TEST_P(CueSheetErrorsTest, OpeningGivesAnErrorThatNamesTheSheet) {
    const std::filesystem::path sheet = GetParam().make(m_folder);
    const DriveOpenResult opened = OpenImageDrive(sheet);
    EXPECT_EQ(opened.drive, nullptr);
    ASSERT_TRUE(opened.error.has_value());
    EXPECT_EQ(opened.error->code, GetParam().code) << opened.error->text;
    EXPECT_NE(opened.error->text.find("The disc image " + sheet.string() + " "), std::string::npos)
        << opened.error->text;
    EXPECT_NE(opened.error->text.find(GetParam().says), std::string::npos) << opened.error->text;
    // A library's own message inside ours brings no second full stop.
    EXPECT_FALSE(opened.error->text.ends_with("..")) << opened.error->text;
}

INSTANTIATE_TEST_SUITE_P(Broken, CueSheetErrorsTest, ::testing::ValuesIn(BROKEN_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

// Damaged copies of a good sheet: each opens or fails with a message, and
// the reader stays usable for the next one.
TEST(CueSheetDamageTest, DamagedSheetsNeverCrashAndNameTheSheet) {
    const TemporaryFolder folder;
    folder.Write("a.bin", Sectors(40));
    folder.Write("b.wav", "RIFF");
    const std::string good =
        "REM GENRE Test\nPERFORMER \"Someone\"\nTITLE \"Album\"\n"
        "FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    TITLE \"One\"\n    INDEX 01 00:00:00\n"
        "  TRACK 02 AUDIO\n    PREGAP 00:00:10\n    INDEX 01 00:00:10\n"
        "  TRACK 03 MODE1/2352\n    INDEX 00 00:00:20\n    INDEX 01 00:00:25\n"
        "FILE \"b.wav\" WAVE\n  TRACK 04 AUDIO\n    INDEX 01 00:00:00\n";
    std::mt19937 random(20240601);
    int opened = 0;
    for (int attempt = 0; attempt < 400; ++attempt) {
        std::string sheet = good;
        const int damages = 1 + static_cast<int>(random() % 4);
        for (int damage = 0; damage < damages; ++damage) {
            const std::size_t at = random() % sheet.size();
            switch (random() % 3) {
                case 0:
                    sheet[at] = static_cast<char>(random() % 256);
                    break;
                case 1:
                    sheet.erase(at, 1 + random() % 12);
                    break;
                default:
                    sheet.insert(at, sheet.substr(random() % sheet.size(), 1 + random() % 20));
                    break;
            }
            if (sheet.empty()) {
                sheet = "x";
            }
        }
        const std::filesystem::path path = folder.Write("damaged.cue", sheet);
        const DriveOpenResult result = OpenImageDrive(path);
        if (result.drive) {
            ++opened;
            continue;
        }
        ASSERT_TRUE(result.error.has_value());
        EXPECT_NE(result.error->text.find(path.string()), std::string::npos) << result.error->text;
    }
    EXPECT_LT(opened, 400);
    EXPECT_TRUE(OpenImageDrive(folder.Write("good.cue", OneTrackSheet("a.bin"))).drive);
}

}  // namespace
}  // namespace corvid::cdrom
