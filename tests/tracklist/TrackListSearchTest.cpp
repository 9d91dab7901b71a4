#include "tracklist/TrackListSearch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/tracklist/TrackListFileTestSupport.h"
#include "tracklist/TrackListFile.h"

namespace corvid::tracklist {
namespace {

using testing::TemporaryFolder;

std::string FileWithKey(std::uint32_t key) {
    return FormatTrackList({static_cast<std::int32_t>(key), "Album", "Artist", {}});
}

std::optional<std::string> FoundName(const TemporaryFolder& folder, std::uint32_t key) {
    const auto found = FindTrackListFile(folder.Path(), static_cast<std::int32_t>(key));
    if (!found) {
        return std::nullopt;
    }
    EXPECT_EQ(found->parent_path(), folder.Path());
    return found->filename().string();
}

TEST(TrackListSearch, FindsTheFileByItsKeyWhateverItsNameAndLetterCase) {
    TemporaryFolder folder;
    folder.Write("a.TRK", FileWithKey(5));
    folder.Write("b.Trk", FileWithKey(6));
    folder.Write("Night Music.trk", FileWithKey(7));
    folder.Write(".trk", FileWithKey(8));
    folder.Write("d.txt", FileWithKey(9));
    folder.Write("e.trk.bak", FileWithKey(10));
    folder.Write(".e.trk.Ab12cd.tmp", FileWithKey(11));
    EXPECT_EQ(FoundName(folder, 5), "a.TRK");
    EXPECT_EQ(FoundName(folder, 6), "b.Trk");
    EXPECT_EQ(FoundName(folder, 7), "Night Music.trk");
    EXPECT_EQ(FoundName(folder, 8), ".trk");
    EXPECT_EQ(FoundName(folder, 9), std::nullopt);
    EXPECT_EQ(FoundName(folder, 10), std::nullopt);
    EXPECT_EQ(FoundName(folder, 11), std::nullopt);
    EXPECT_EQ(FoundName(folder, 12), std::nullopt);
}

TEST(TrackListSearch, ByteOrderOfTheNamesDecidesBetweenFilesWithOneKey) {
    const struct {
        std::vector<std::string> namesInCreationOrder;
        std::string winner;
    } cases[] = {
        {{"b.trk", "a.trk", "B.trk"}, "B.trk"},
        {{"z.trk", "\xC3\xA9.trk"}, "z.trk"},
        {{"\xC3\xA9.trk", "z.trk"}, "z.trk"},
        {{"track10.trk", "track9.trk"}, "track10.trk"},
    };
    for (const auto& orderCase : cases) {
        TemporaryFolder folder;
        for (const std::string& name : orderCase.namesInCreationOrder) {
            folder.Write(name, FileWithKey(42));
        }
        EXPECT_EQ(FoundName(folder, 42), orderCase.winner);
    }
}

TEST(TrackListSearch, KeyAbove2147483647IsFoundBySignedKey) {
    TemporaryFolder folder;
    folder.Write("x.trk", FileWithKey(2882400018U));
    EXPECT_EQ(FindTrackListFile(folder.Path(), static_cast<std::int32_t>(2882400018U)),
              folder / "x.trk");
}

TEST(TrackListSearch, OnlyRegularFilesCountAlsoThroughALink) {
    TemporaryFolder folder;
    std::filesystem::create_directory(folder / "0.trk");
    ASSERT_EQ(mkfifo((folder / "1.trk").c_str(), 0644), 0);
    std::filesystem::create_symlink(folder / "missing", folder / "2.trk");
    folder.Write("target", FileWithKey(42));
    std::filesystem::create_symlink("target", folder / "3.trk");
    folder.Write("4.trk", FileWithKey(42));
    EXPECT_EQ(FoundName(folder, 42), "3.trk");
}

TEST(TrackListSearch, LooksAtTheFirstLineOnly) {
    TemporaryFolder folder;
    folder.Write("a.trk", "[CD key] 1\r\n[CD key] 42\r\n");
    folder.Write("b.trk", "[CD key] 1\n42");
    folder.Write("c.trk", "[CD key]" + std::string(2 * SEARCH_PREFIX_BYTES, ' ') + "42\r\n");
    EXPECT_EQ(FoundName(folder, 42), std::nullopt);
}

TEST(TrackListSearch, PassesOverFilesThatCannotBeRead) {
    TemporaryFolder folder;
    std::filesystem::permissions(folder.Path(), std::filesystem::perms(0755));
    chmod(folder.Write("a.trk", FileWithKey(42)).c_str(), 0600);
    folder.Write("b.trk", FileWithKey(42));
    const int found = testing::RunInChild([&] {
        if (!testing::BecomeNobody()) {
            return testing::CHILD_FAILED_TO_SET_UP;
        }
        const auto path = FindTrackListFile(folder.Path(), 42);
        return path == folder / "b.trk" ? 0 : 1;
    });
    EXPECT_EQ(found, 0);
}

TEST(TrackListSearch, FolderThatCannotBeListedFindsNothing) {
    TemporaryFolder folder;
    EXPECT_EQ(FindTrackListFile(folder / "missing", 42), std::nullopt);
}

}  // namespace
}  // namespace corvid::tracklist
