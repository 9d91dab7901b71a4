#include "app/UserFolders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <ostream>
#include <string>

#include "tests/app/TestFolder.h"

namespace corvid::app {
namespace {

struct FolderCase {
    std::string name;
    std::map<std::string, std::string, std::less<>> variables;
    std::filesystem::path expected;
};

void PrintTo(const FolderCase& given, std::ostream* out) {
    *out << given.name;
}

class TrackListFolder : public ::testing::TestWithParam<FolderCase> {};

TEST_P(TrackListFolder, FollowsTheDataHomeRules) {
    const FolderOrError folder = TrackListFolderPath(EnvironmentOf(GetParam().variables));
    const auto* path = std::get_if<std::filesystem::path>(&folder);
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(*path, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Environments, TrackListFolder,
    ::testing::Values(
        FolderCase{"DataHomeSet",
                   {{"XDG_DATA_HOME", "/data"}, {"HOME", "/home/u"}},
                   "/data/corvid-player"},
        FolderCase{"DataHomeUnset", {{"HOME", "/home/u"}}, "/home/u/.local/share/corvid-player"},
        FolderCase{"DataHomeEmpty",
                   {{"XDG_DATA_HOME", ""}, {"HOME", "/home/u"}},
                   "/home/u/.local/share/corvid-player"},
        FolderCase{"DataHomeRelative",
                   {{"XDG_DATA_HOME", "data"}, {"HOME", "/home/u"}},
                   "/home/u/.local/share/corvid-player"}),
    [](const ::testing::TestParamInfo<FolderCase>& info) { return info.param.name; });

TEST(TrackListFolder, WithoutAnAbsoluteHomeThereIsNone) {
    for (const auto& variables : {std::map<std::string, std::string, std::less<>>{},
                                  {{"HOME", "home/u"}},
                                  {{"XDG_DATA_HOME", "data"}}}) {
        const FolderOrError folder = TrackListFolderPath(EnvironmentOf(variables));
        const auto* error = std::get_if<FolderError>(&folder);
        ASSERT_NE(error, nullptr);
        EXPECT_NE(error->text.find("HOME"), std::string::npos);
    }
}

TEST(TrackListFolder, IsCreatedWithItsMissingParentsForTheUserAlone) {
    const TestFolder folder;
    const std::filesystem::path home = folder.Path() / "home";
    const Environment environment = EnvironmentOf({{"HOME", home.string()}});
    const std::filesystem::path expected = home / ".local/share/corvid-player";
    for (int time = 0; time < 2; ++time) {
        const FolderOrError created = CreateTrackListFolder(environment);
        ASSERT_TRUE(std::holds_alternative<std::filesystem::path>(created)) << time;
        EXPECT_EQ(std::get<std::filesystem::path>(created), expected);
    }
    for (const std::filesystem::path& made : {home, home / ".local", expected}) {
        struct stat status {};
        ASSERT_EQ(::stat(made.c_str(), &status), 0) << made;
        EXPECT_TRUE(S_ISDIR(status.st_mode)) << made;
        EXPECT_EQ(status.st_mode & 077, 0U) << made;
    }
}

TEST(TrackListFolder, AFileInTheWayIsAnErrorThatNamesIt) {
    struct Blocked {
        std::string dataHome;
        std::string file;
    };
    for (const Blocked& blocked : {Blocked{"", "corvid-player"}, Blocked{"sub", "sub"}}) {
        const TestFolder folder;
        const std::filesystem::path file = folder.Path() / blocked.file;
        std::ofstream(file) << "not a folder";
        const std::filesystem::path dataHome = folder.Path() / blocked.dataHome;

        const FolderOrError created =
            CreateTrackListFolder(EnvironmentOf({{"XDG_DATA_HOME", dataHome.string()}}));
        const auto* error = std::get_if<FolderError>(&created);
        ASSERT_NE(error, nullptr) << blocked.file;
        EXPECT_EQ(error->cause, std::errc::not_a_directory);
        EXPECT_EQ(error->text, file.string() + ": cannot be created: Not a directory");
    }
}

}  // namespace
}  // namespace corvid::app
