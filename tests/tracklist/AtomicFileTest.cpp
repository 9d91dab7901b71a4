#include "tracklist/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include "tests/tracklist/TrackListFileTestSupport.h"
#include "tracklist/TrackListFile.h"
#include "tracklist/TrackListSearch.h"

namespace corvid::tracklist {
namespace {

namespace fs = std::filesystem;
using testing::FileBytes;
using testing::NamesIn;
using testing::RunInChild;
using testing::TemporaryFolder;

constexpr std::int32_t KEY = 42;

// A list whose file takes many save chunks; `tag` tells two such lists apart.
std::string LargeListBytes(char tag, int rows) {
    TrackList list{KEY, "Album", "Artist", {}};
    for (int row = 0; row < rows; ++row) {
        list.rows.push_back(
            {-(row % 99 + 1), std::string(200, tag), "01:02:03", ROW_ICON_SUBTRACK});
    }
    return FormatTrackList(list);
}

mode_t ModeOf(const fs::path& path) {
    struct stat status {};
    stat(path.c_str(), &status);
    return status.st_mode & 07777;
}

TEST(AtomicFile, ReplacesTheFileWholeAndLeavesNothingBeside) {
    TemporaryFolder folder;
    const auto path = folder.Write("x.trk", "old bytes");
    ASSERT_FALSE(WriteFileAtomically(path, "new"));
    EXPECT_EQ(FileBytes(path), "new");
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"x.trk"});
}

TEST(AtomicFile, KeepsTheOldModeAndOwnerAndGivesANewFileTheUmasksMode) {
    TemporaryFolder folder;
    const auto old = folder.Write("old.trk", "old");
    chmod(old.c_str(), 0640);
    ASSERT_EQ(chown(old.c_str(), testing::NOBODY, testing::NOBODY), 0);
    ASSERT_FALSE(WriteFileAtomically(old, "new"));
    EXPECT_EQ(ModeOf(old), 0640U);
    struct stat status {};
    stat(old.c_str(), &status);
    EXPECT_EQ(status.st_uid, testing::NOBODY);

    const mode_t mask = umask(027);
    umask(mask);
    ASSERT_FALSE(WriteFileAtomically(folder / "new.trk", "new"));
    EXPECT_EQ(ModeOf(folder / "new.trk"), 0666U & ~mask);
}

TEST(AtomicFile, WritesThroughASymbolicLinkToItsTarget) {
    TemporaryFolder folder;
    fs::create_directory(folder / "lists");
    folder.Write("lists/real.trk", "old");
    fs::create_symlink("lists/real.trk", folder / "link.trk");
    fs::create_symlink("lists/new.trk", folder / "dangling.trk");

    ASSERT_FALSE(WriteFileAtomically(folder / "link.trk", "new"));
    ASSERT_FALSE(WriteFileAtomically(folder / "dangling.trk", "made"));
    EXPECT_TRUE(fs::is_symlink(folder / "link.trk"));
    EXPECT_EQ(FileBytes(folder / "lists/real.trk"), "new");
    EXPECT_EQ(FileBytes(folder / "lists/new.trk"), "made");
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"dangling.trk", "link.trk", "lists"}));
    EXPECT_EQ(NamesIn(folder / "lists"), (std::vector<std::string>{"new.trk", "real.trk"}));
}

TEST(AtomicFile, RefusesWhatIsNotARegularFile) {
    TemporaryFolder folder;
    fs::create_directory(folder / "folder.trk");
    ASSERT_EQ(mkfifo((folder / "fifo.trk").c_str(), 0644), 0);
    fs::create_symlink("loop.trk", folder / "loop.trk");
    const struct {
        const char* name;
        std::errc cause;
    } cases[] = {
        {"folder.trk", std::errc::is_a_directory},
        {"fifo.trk", std::errc::invalid_argument},
        {"loop.trk", std::errc::too_many_symbolic_link_levels},
    };
    for (const auto& refusedCase : cases) {
        const auto error = WriteFileAtomically(folder / refusedCase.name, "new");
        ASSERT_TRUE(error) << refusedCase.name;
        EXPECT_EQ(error->cause, refusedCase.cause) << error->text;
        EXPECT_TRUE(error->text.starts_with((folder / refusedCase.name).string())) << error->text;
    }
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"fifo.trk", "folder.trk", "loop.trk"}));
}

// Once the rename has put the new file in place the save has succeeded, even
// when the folder cannot be synced after it: here it has moved away.
TEST(AtomicFile, FolderThatCannotBeSyncedAfterTheRenameFailsNothing) {
    TemporaryFolder folder;
    fs::create_directory(folder / "lists");
    const auto path = folder.Write("lists/x.trk", "old");
    const auto error = WriteFileAtomically(path, "new", [&](SaveStep step) {
        if (step == SaveStep::Renamed) {
            fs::rename(folder / "lists", folder / "moved");
        }
    });
    EXPECT_FALSE(error) << error->text;
    EXPECT_EQ(FileBytes(folder / "moved/x.trk"), "new");
    EXPECT_EQ(NamesIn(folder / "moved"), std::vector<std::string>{"x.trk"});
}

// Saves `bytes` in a child that kills itself at step `killedAt`; its status.
int SaveKilledAt(const fs::path& path, const std::string& bytes, int killedAt) {
    return RunInChild([&] {
        int seen = 0;
        WriteFileAtomically(path, bytes, [&](SaveStep) {
            if (++seen == killedAt) {
                raise(SIGKILL);
            }
        });
        return 0;
    });
}

void RemoveAllBut(const TemporaryFolder& folder, const std::string& kept) {
    for (const std::string& name : folder.Names()) {
        if (name != kept) {
            fs::remove(folder / name);
        }
    }
}

// A save killed at every step it passes leaves the old file until the rename
// and the new one after it, byte for byte, and nothing that the search finds.
TEST(AtomicFile, SaveKilledAtAnyStepLeavesTheOldFileOrTheNewOne) {
    TemporaryFolder folder;
    const std::string oldBytes = LargeListBytes('o', 1500);
    const std::string newBytes = LargeListBytes('n', 1500);
    const auto path = folder / "x.trk";
    int steps = 0;
    ASSERT_FALSE(WriteFileAtomically(path, newBytes, [&](SaveStep) { ++steps; }));
    ASSERT_GT(steps, 15);

    for (int killedAt = 1; killedAt <= steps; ++killedAt) {
        ASSERT_FALSE(WriteFileAtomically(path, oldBytes));
        ASSERT_EQ(SaveKilledAt(path, newBytes, killedAt), -1) << "not killed at " << killedAt;
        const bool renamed = killedAt == steps;
        EXPECT_TRUE(FileBytes(path) == (renamed ? newBytes : oldBytes))
            << "killed at step " << killedAt << " of " << steps;
        EXPECT_EQ(FindTrackListFile(folder.Path(), KEY), path) << "killed at step " << killedAt;
        RemoveAllBut(folder, "x.trk");
    }
}

TEST(AtomicFile, WriteFailureKeepsTheOldFileAndRemovesTheTemporaryOne) {
    TemporaryFolder folder;
    const auto path = folder.Write("x.trk", "old");
    const int result = RunInChild([&] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{SAVE_CHUNK_BYTES + 100, SAVE_CHUNK_BYTES + 100};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            return testing::CHILD_FAILED_TO_SET_UP;
        }
        const auto error = WriteFileAtomically(path, LargeListBytes('n', 500));
        return error && error->cause == std::errc::file_too_large ? 0 : 1;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(FileBytes(path), "old");
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"x.trk"});
}

struct ProtectedCase {
    const char* name;
    fs::perms folderMode;
    bool fileIsNobodys;
};

void PrintTo(const ProtectedCase& protectedCase, std::ostream* out) {
    *out << protectedCase.name;
}

const ProtectedCase PROTECTED_CASES[] = {
    {"ReadOnlyFileInAWritableFolder", fs::perms::all, false},
    {"WritableFileInAReadOnlyFolder", fs::perms(0755), true},
};

class ProtectedSave : public ::testing::TestWithParam<ProtectedCase> {};

// As root we may write anything, so a child that has become nobody tries.
TEST_P(ProtectedSave, IsRefusedAndKeepsTheOldFile) {
    TemporaryFolder folder;
    fs::permissions(folder.Path(), GetParam().folderMode);
    const auto path = folder.Write("x.trk", "old");
    if (GetParam().fileIsNobodys) {
        ASSERT_EQ(chown(path.c_str(), testing::NOBODY, testing::NOBODY), 0);
    }
    const int result = RunInChild([&] {
        if (!testing::BecomeNobody()) {
            return testing::CHILD_FAILED_TO_SET_UP;
        }
        const auto error = WriteFileAtomically(path, "new");
        return error && error->cause == std::errc::permission_denied ? 0 : 1;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(FileBytes(path), "old");
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"x.trk"});
}

INSTANTIATE_TEST_SUITE_P(Cases, ProtectedSave, ::testing::ValuesIn(PROTECTED_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvid::tracklist
