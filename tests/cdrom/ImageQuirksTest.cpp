// Sheets in every layout and quirk that rippers write, made by the image
// generator, each opened and checked against the disc it describes.

#include <gtest/gtest.h>

#include <functional>

#include "platform/cdrom/CueSheet.h"
#include "platform/mci/DiscAnswers.h"
#include "tests/support/TemporaryFolder.h"
#include "tools/imagegen/ImageGen.h"

namespace corvid::cdrom {
namespace {

using namespace imagegen;
using testing::TemporaryFolder;

TrackDescription Audio(Lba length, Lba index00 = 0, Lba pregap = 0) {
    TrackDescription track;
    track.length = length;
    track.index00 = index00;
    track.pregap = pregap;
    return track;
}

TrackDescription Data(DataMode mode, Lba length, Lba index00 = 0) {
    TrackDescription track = Audio(length, index00);
    track.type = TrackType::Data;
    track.dataMode = mode;
    return track;
}

DiscDescription Disc(FileLayout layout, AudioFormat format, std::vector<TrackDescription> tracks) {
    DiscDescription disc;
    disc.layout = layout;
    disc.format = format;
    disc.tracks = std::move(tracks);
    return disc;
}

DiscDescription WithTexts(DiscDescription disc, const std::string& title,
                          const std::string& performer) {
    disc.title = title;
    disc.performer = performer;
    disc.songwriter = performer + " & co";
    for (std::size_t index = 0; index < disc.tracks.size(); ++index) {
        disc.tracks[index].title = title + " " + std::to_string(index + 1);
        disc.tracks[index].performer = performer;
        disc.tracks[index].songwriter = "Writer " + std::to_string(index + 1);
    }
    return disc;
}

const char* EncodingName(SheetEncoding encoding) {
    switch (encoding) {
        case SheetEncoding::Windows1252:
            return "WINDOWS-1252";
        case SheetEncoding::ShiftJis:
            return "CP932";
        case SheetEncoding::Windows1251:
            return "WINDOWS-1251";
        case SheetEncoding::Utf8:
            break;
    }
    return "UTF-8";
}

struct QuirkCase {
    const char* name;
    std::function<DiscDescription()> make;
};

void PrintTo(const QuirkCase& quirk, std::ostream* out) {
    *out << quirk.name;
}

DiscDescription Styled(DiscDescription disc, const std::function<void(SheetStyle&)>& style) {
    style(disc.style);
    return disc;
}

const DiscDescription THREE_WAVES = Disc(FileLayout::FilePerTrackGapsAppended, AudioFormat::Wave,
                                         {Audio(40, 5), Audio(30, 11), Audio(25, 7)});

const QuirkCase QUIRK_CASES[] = {
    {"LowerCaseCrLfNoLastLineEnd",
     [] {
         return Styled(THREE_WAVES, [](SheetStyle& style) {
             style.keywords = KeywordCase::Lower;
             style.lineEnd = LineEnd::CarriageReturnLineFeed;
             style.lastLineEnd = LastLineEnd::Absent;
         });
     }},
    {"MixedCaseCarriageReturnsByteOrderMark",
     [] {
         return Styled(Disc(FileLayout::SingleFile, AudioFormat::Flac,
                            {Audio(30), Audio(30, 9), Audio(20, 0, 6)}),
                       [](SheetStyle& style) {
                           style.keywords = KeywordCase::Mixed;
                           style.lineEnd = LineEnd::CarriageReturn;
                           style.byteOrderMark = ByteOrderMark::Present;
                       });
     }},
    {"WindowsPathsGapsAppended",
     [] {
         return Styled(THREE_WAVES,
                       [](SheetStyle& style) { style.naming = FileNaming::WindowsPath; });
     }},
    {"NamesInOtherLetterCase",
     [] {
         return Styled(
             Disc(FileLayout::FilePerTrack, AudioFormat::Flac, {Audio(30, 4), Audio(20, 8)}),
             [](SheetStyle& style) { style.naming = FileNaming::OtherLetterCase; });
     }},
    {"SheetForWaveBesideFlac",
     [] {
         return Styled(Disc(FileLayout::FilePerTrackGapsAppended, AudioFormat::Flac,
                            {Audio(30), Audio(20, 8), Audio(20, 3)}),
                       [](SheetStyle& style) { style.naming = FileNaming::OtherAudioExtension; });
     }},
    {"UnquotedNamesMotorola",
     [] {
         return Styled(
             Disc(FileLayout::SingleFile, AudioFormat::BinaryBigEndian, {Audio(30), Audio(20, 8)}),
             [](SheetStyle& style) { style.naming = FileNaming::Unquoted; });
     }},
    {"Windows1252Texts",
     [] {
         return Styled(WithTexts(THREE_WAVES, "Caf\xC3\xA9 \xE2\x80\x93 Na\xC3\xAFve",
                                 "Mot\xC3\xB6rhead \xE2\x82\xAC"),
                       [](SheetStyle& style) { style.encoding = SheetEncoding::Windows1252; });
     }},
    {"ShiftJisTexts",
     [] {
         return Styled(
             WithTexts(THREE_WAVES, "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE6\xAD\x8C",
                       "\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\xE3\x82\xBF"),
             [](SheetStyle& style) { style.encoding = SheetEncoding::ShiftJis; });
     }},
    {"Windows1251Texts",
     [] {
         return Styled(WithTexts(THREE_WAVES,
                                 "\xD0\x94\xD0\xB5\xD1\x82\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB5 "
                                 "\xD0\xBF\xD0\xB5\xD1\x81\xD0\xBD\xD0\xB8",
                                 "\xD0\x9A\xD0\xB8\xD0\xBD\xD0\xBE"),
                       [](SheetStyle& style) { style.encoding = SheetEncoding::Windows1251; });
     }},
    {"RemarksFlagsUnknownKeywordsAndIndexMarks",
     [] {
         DiscDescription disc = WithTexts(THREE_WAVES, "Album", "Band");
         disc.tracks[0].indexMarks = {10, 20, 39};
         disc.tracks[2].indexMarks = {1};
         return Styled(disc, [](SheetStyle& style) { style.extras = SheetExtras::Everything; });
     }},
    {"GapsLeftOut",
     [] {
         return Disc(FileLayout::FilePerTrackGapsLeftOut, AudioFormat::Wave,
                     {Audio(30, 6), Audio(20, 8), Data(DataMode::Mode1Raw, 20, 5), Audio(20, 3)});
     }},
    {"GapsPrependedWithPregaps",
     [] {
         return Disc(FileLayout::FilePerTrack, AudioFormat::Wave,
                     {Audio(30, 6), Audio(20, 0, 8), Audio(20, 3)});
     }},
    {"HiddenTrackOneMarked",
     [] {
         return Disc(FileLayout::SingleFile, AudioFormat::Flac, {Audio(30, 45), Audio(20, 5)});
     }},
    {"HiddenTrackOneUnmarked",
     [] {
         return Styled(Disc(FileLayout::SingleFile, AudioFormat::Wave, {Audio(30, 45), Audio(20)}),
                       [](SheetStyle& style) { style.firstTrackGap = FirstTrackGap::Unmarked; });
     }},
    {"PregapBesideIndexZero",
     [] {
         return Disc(FileLayout::FilePerTrackGapsAppended, AudioFormat::Wave,
                     {Audio(30), Audio(20, 5, 7), Audio(20, 4, 2)});
     }},
    {"Postgaps",
     [] {
         DiscDescription disc = Disc(FileLayout::SingleFile, AudioFormat::Binary,
                                     {Audio(30), Audio(20, 5), Data(DataMode::Mode1Raw, 20, 3)});
         disc.tracks[0].postgap = 9;
         disc.tracks[1].postgap = 4;
         disc.tracks[2].postgap = 12;
         return disc;
     }},
    {"Mode1CookedFirstThenAudio",
     [] {
         return Disc(FileLayout::SingleFile, AudioFormat::Binary,
                     {Data(DataMode::Mode1Cooked, 40), Audio(30, 10), Audio(20, 5)});
     }},
    {"Mode2FormlessOwnFile",
     [] {
         return Disc(FileLayout::FilePerTrack, AudioFormat::Flac,
                     {Data(DataMode::Mode2Formless, 40), Audio(30, 10), Audio(20)});
     }},
    {"Mode2RawAtTheEnd",
     [] {
         return Disc(FileLayout::FilePerTrackGapsAppended, AudioFormat::Wave,
                     {Audio(30), Audio(20, 5), Data(DataMode::Mode2Raw, 30, 10)});
     }},
    {"CdiRawInOneFile",
     [] {
         return Disc(FileLayout::SingleFile, AudioFormat::Wave,
                     {Data(DataMode::CdiRaw, 30), Audio(30, 6)});
     }},
    {"DataNotRippedWithItsGap",
     [] {
         return Disc(FileLayout::FilePerTrackGapsAppended, AudioFormat::Wave,
                     {Audio(30), Audio(20, 5), Data(DataMode::NotRipped, 1, 20)});
     }},
    {"DataNotRippedWithoutAGap",
     [] {
         return Disc(FileLayout::SingleFile, AudioFormat::Flac,
                     {Audio(30), Audio(20, 5), Data(DataMode::NotRipped, 1)});
     }},
};

class ImageQuirksTest : public ::testing::TestWithParam<QuirkCase> {
  protected:
    TemporaryFolder m_folder;
};

TEST_P(ImageQuirksTest, OpensAsTheDiscItDescribes) {
    const DiscDescription disc = GetParam().make();
    const WriteResult written = WriteImage(disc, m_folder.Path(), "disc");
    ASSERT_FALSE(written.error.has_value()) << *written.error;
    const DiscImageResult loaded = LoadDiscImage(written.cueSheet);
    ASSERT_NE(loaded.image, nullptr) << loaded.error->text;
    const Toc& toc = *loaded.image->SharedToc();

    const Toc expected = ExpectedToc(disc);
    EXPECT_EQ(toc, expected);
    EXPECT_EQ(mci::DiscIdentity(toc), mci::DiscIdentity(expected));

    const ImageDiscInfo& info = loaded.image->Info();
    EXPECT_EQ(info.encoding, EncodingName(disc.style.encoding));
    EXPECT_EQ(info.texts.title, disc.title);
    EXPECT_EQ(info.texts.performer, disc.performer);
    EXPECT_EQ(info.texts.songwriter, disc.songwriter);
    const std::vector<std::vector<Lba>> marks = ExpectedIndexMarks(disc);
    ASSERT_EQ(info.tracks.size(), disc.tracks.size());
    for (std::size_t index = 0; index < disc.tracks.size(); ++index) {
        SCOPED_TRACE("track " + std::to_string(index + 1));
        EXPECT_EQ(info.tracks[index].texts.title, disc.tracks[index].title);
        EXPECT_EQ(info.tracks[index].texts.songwriter, disc.tracks[index].songwriter);
        std::vector<Lba> sectors;
        for (const ImageIndexMark& mark : info.tracks[index].indexMarks) {
            sectors.push_back(mark.sector);
        }
        EXPECT_EQ(sectors, marks[index]);
    }

    std::vector<std::int16_t> samples(static_cast<std::size_t>(toc.leadOut) * SAMPLES_PER_SECTOR);
    const ReadResult read = loaded.image->Read(0, samples);
    EXPECT_FALSE(read.error.has_value()) << read.error->text;
    EXPECT_TRUE(samples == DiscSamples(disc, 0, toc.leadOut));
}

INSTANTIATE_TEST_SUITE_P(Sheets, ImageQuirksTest, ::testing::ValuesIn(QUIRK_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

// An enhanced CD as Redump's sheets give it: its data track in a second
// session, after the first one's lead-out and the second one's lead-in.
TEST(ImageSessionsTest, ADataTrackInASecondSessionLiesAfterTheSessionGap) {
    const std::string sessionLines[] = {
        "REM LEAD-OUT 01:30:00\nREM SESSION 02\nREM LEAD-IN 01:00:00\nREM PREGAP 00:02:00\n",
        "REM SESSION 02\n"};
    for (const std::string& session : sessionLines) {
        SCOPED_TRACE(session);
        const TemporaryFolder folder;
        folder.Write("1.bin", std::string(30 * 2352, '\0'));
        folder.Write("2.bin", std::string(30 * 2352, '\0'));
        folder.Write("3.bin", std::string(50 * 2352, '\0'));
        const std::filesystem::path sheet =
            folder.Write("disc.cue",
                         "REM SESSION 01\nFILE \"1.bin\" BINARY\n  TRACK 01 AUDIO\n"
                         "    INDEX 01 00:00:00\nFILE \"2.bin\" BINARY\n  TRACK 02 AUDIO\n"
                         "    INDEX 00 00:00:00\n    INDEX 01 00:00:10\n" +
                             session +
                             "FILE \"3.bin\" BINARY\n  TRACK 03 MODE1/2352\n"
                             "    INDEX 01 00:00:00\n");

        const DiscImageResult loaded = LoadDiscImage(sheet);
        ASSERT_NE(loaded.image, nullptr) << loaded.error->text;
        const Toc& toc = *loaded.image->SharedToc();
        ASSERT_EQ(toc.tracks.size(), 3U);
        EXPECT_EQ(toc.tracks[1].start, 40);
        EXPECT_EQ(toc.tracks[1].playableEnd, 60);
        EXPECT_EQ(toc.tracks[2].start, 60 + 6750 + 4500 + 150);
        EXPECT_EQ(toc.leadOut, 60 + 11400 + 50);
    }
}

TEST(ImageRenamedTest, AOneFileImageRenamedWithItsSheetIsFoundByTheSheetsName) {
    const TemporaryFolder folder;
    const DiscDescription disc =
        Disc(FileLayout::SingleFile, AudioFormat::Wave, {Audio(30), Audio(20, 8)});
    const WriteResult written = WriteImage(disc, folder.Path(), "CDImage");
    ASSERT_FALSE(written.error.has_value()) << *written.error;
    const std::filesystem::path sheet = folder / "Artist - Album.cue";
    std::filesystem::rename(written.cueSheet, sheet);
    std::filesystem::rename(folder / "CDImage.wav", folder / "Artist - Album.wav");

    const DiscImageResult loaded = LoadDiscImage(sheet);
    ASSERT_NE(loaded.image, nullptr) << loaded.error->text;
    EXPECT_EQ(*loaded.image->SharedToc(), ExpectedToc(disc));

    // With two such files, which one the sheet meant cannot be told.
    std::filesystem::copy_file(folder / "Artist - Album.wav", folder / "artist - album.flac");
    const DiscImageResult ambiguous = LoadDiscImage(sheet);
    ASSERT_TRUE(ambiguous.error.has_value());
    EXPECT_NE(ambiguous.error->text.find("CDImage.wav, which does not exist"), std::string::npos)
        << ambiguous.error->text;
}

}  // namespace
}  // namespace corvid::cdrom
