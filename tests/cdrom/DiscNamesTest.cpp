// The names a disc carries, as an image's sheet and as libcdio's CD-TEXT
// give them to the drive.
#include <cdio/cdio.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/cdrom/CdioDisc.h"
#include "platform/cdrom/Drive.h"
#include "platform/cdrom/ImageDrive.h"
#include "tests/support/TemporaryFolder.h"
#include "tools/imagegen/ImageGen.h"

namespace corvid::cdrom {
namespace {

using imagegen::DiscDescription;
using imagegen::SheetEncoding;

DiscDescription NamedDisc(SheetEncoding encoding) {
    DiscDescription disc;
    disc.title = "Caf\xC3\xA9 Nights";
    disc.performer = "The Band";
    disc.tracks.resize(3);
    disc.tracks[0].length = 300;
    disc.tracks[0].title = "Closer";
    disc.tracks[1].length = 400;
    disc.tracks[1].index00 = 30;
    disc.tracks[1].title = "Guest Spot";
    disc.tracks[1].performer = "A Friend";
    disc.tracks[1].indexMarks = {75, 160};
    disc.tracks[2].length = 200;
    disc.style.encoding = encoding;
    return disc;
}

DiscNames ExpectedNames(bool withIndexMarks) {
    DiscNames names;
    names.title = "Caf\xC3\xA9 Nights";
    names.performer = "The Band";
    names.tracks = {{1, "Closer", "", {}}, {2, "Guest Spot", "A Friend", {}}};
    if (withIndexMarks) {
        names.tracks[1].indexMarks = {{2, 75}, {3, 160}};
    }
    return names;
}

std::filesystem::path Write(const DiscDescription& disc, const testing::TemporaryFolder& folder) {
    const imagegen::WriteResult written = imagegen::WriteImage(disc, folder.Path(), "disc");
    EXPECT_FALSE(written.error.has_value()) << written.error.value_or("");
    return written.cueSheet;
}

class ImageNamesTest : public ::testing::TestWithParam<SheetEncoding> {};

TEST_P(ImageNamesTest, TheSheetsNamesAndIndexMarksComeWithTheDisc) {
    testing::TemporaryFolder folder;
    DriveOpenResult opened = OpenImageDrive(Write(NamedDisc(GetParam()), folder));
    ASSERT_TRUE(opened.drive) << opened.error->text;
    const std::shared_ptr<const DiscNames> names = opened.drive->CurrentNames();
    ASSERT_NE(names, nullptr);
    EXPECT_EQ(*names, ExpectedNames(true));

    ASSERT_EQ(opened.drive->OpenTray(), std::nullopt);
    EXPECT_EQ(opened.drive->CurrentNames(), nullptr);
    ASSERT_EQ(opened.drive->CloseTray(), std::nullopt);
    ASSERT_NE(opened.drive->CurrentNames(), nullptr);
    EXPECT_EQ(*opened.drive->CurrentNames(), ExpectedNames(true));
}

INSTANTIATE_TEST_SUITE_P(Encodings, ImageNamesTest,
                         ::testing::Values(SheetEncoding::Utf8, SheetEncoding::Windows1252));

TEST(ImageNamesTest, AnImageThatNamesNothingHasEmptyNames) {
    testing::TemporaryFolder folder;
    DiscDescription disc;
    disc.tracks.resize(2);
    disc.tracks[0].length = 100;
    disc.tracks[1].length = 100;
    DriveOpenResult opened = OpenImageDrive(Write(disc, folder));
    ASSERT_TRUE(opened.drive);
    ASSERT_NE(opened.drive->CurrentNames(), nullptr);
    EXPECT_EQ(*opened.drive->CurrentNames(), DiscNames{});
}

// libcdio's own image driver turns a sheet's TITLE and PERFORMER into CD-TEXT,
// as a drive reads it from a disc's lead-in. CD-TEXT is Latin-1, and so is
// what that driver takes a sheet's text to be.
TEST(CdTextTest, ADiscsCdTextBecomesItsNames) {
    testing::TemporaryFolder folder;
    const std::filesystem::path sheet = Write(NamedDisc(SheetEncoding::Windows1252), folder);
    const std::shared_ptr<CdioDisc> disc =
        CdioDisc::Load(CdioHandle(cdio_open(sheet.c_str(), DRIVER_BINCUE)), "/dev/test-cdrom");
    ASSERT_NE(disc, nullptr);
    ASSERT_NE(disc->GetNames(), nullptr);
    EXPECT_EQ(*disc->GetNames(), ExpectedNames(false));
}

TEST(CdTextTest, ADiscWithoutCdTextHasNoNames) {
    testing::TemporaryFolder folder;
    DiscDescription described;
    described.tracks.resize(1);
    described.tracks[0].length = 100;
    const std::filesystem::path sheet = Write(described, folder);
    const std::shared_ptr<CdioDisc> disc =
        CdioDisc::Load(CdioHandle(cdio_open(sheet.c_str(), DRIVER_BINCUE)), "/dev/test-cdrom");
    ASSERT_NE(disc, nullptr);
    ASSERT_NE(disc->GetNames(), nullptr);
    EXPECT_EQ(*disc->GetNames(), DiscNames{});
}

}  // namespace
}  // namespace corvid::cdrom
