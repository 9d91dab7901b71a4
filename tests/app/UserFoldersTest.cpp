#include "app/UserFolders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <ostream>
#include <string>

#include "tests/app/TestEnvironment.h"

namespace corvid::app {
namespace {

struct FolderCase {
    std::string name;
    Variables variables;
    std::optional<std::filesystem::path> expected;  // none: an error that names HOME
};

void PrintTo(const FolderCase& given, std::ostream* out) {
    *out << given.name;
}

class TrackListFolder : public ::testing::TestWithParam<FolderCase> {};

TEST_P(TrackListFolder, FollowsTheDataHomeRules) {
    const FolderOrError folder = TrackListFolderPath(EnvironmentOf(GetParam().variables));
    if (const auto* error = std::get_if<FolderError>(&folder)) {
        EXPECT_FALSE(GetParam().expected) << error->text;
        EXPECT_NE(error->text.find("HOME"), std::string::npos);
        return;
    }
    EXPECT_EQ(std::get<std::filesystem::path>(folder), GetParam().expected);
}

const std::filesystem::path DEFAULT = "/home/u/.local/share/corvid-player";

INSTANTIATE_TEST_SUITE_P(
    Environments, TrackListFolder,
    ::testing::Values(
        FolderCase{
            "DataHomeSet", {{"XDG_DATA_HOME", "/d"}, {"HOME", "/home/u"}}, "/d/corvid-player"},
        FolderCase{"DataHomeUnset", {{"HOME", "/home/u"}}, DEFAULT},
        FolderCase{"DataHomeEmpty", {{"XDG_DATA_HOME", ""}, {"HOME", "/home/u"}}, DEFAULT},
        FolderCase{"DataHomeRelative", {{"XDG_DATA_HOME", "d"}, {"HOME", "/home/u"}}, DEFAULT},
        FolderCase{"NoHome", {{"XDG_DATA_HOME", "d"}}, std::nullopt},
        FolderCase{"RelativeHome", {{"HOME", "home/u"}}, std::nullopt}),
    [](const ::testing::TestParamInfo<FolderCase>& info) { return info.param.name; });

TEST(TrackListFolder, IsCreatedWithItsMissingParentsForTheUserAlone) {
    const TemporaryFolder folder;
    const std::filesystem::path home = folder.Path() / "home";
    const std::filesystem::path expected = home / ".local/share/corvid-player";
    for (int time = 0; time < 2; ++time) {
        const FolderOrError created = CreateTrackListFolder(EnvironmentOf({{"HOME", home}}));
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
    // The folder itself, then a parent of it.
    for (const auto& [dataHome, blocking] :
         {std::pair{"", "corvid-player"}, std::pair{"sub", "sub"}}) {
        const TemporaryFolder folder;
        const std::filesystem::path file = folder.Path() / blocking;
        std::ofstream(file) << "not a folder";
        const Variables variables{{"XDG_DATA_HOME", folder.Path() / dataHome}};
        const FolderOrError created = CreateTrackListFolder(EnvironmentOf(variables));
        const auto* error = std::get_if<FolderError>(&created);
        ASSERT_NE(error, nullptr) << blocking;
        EXPECT_EQ(error->cause, std::errc::not_a_directory);
        EXPECT_EQ(error->text, file.string() + ": cannot be created: Not a directory");
    }
}

}  // namespace
}  // namespace corvid::app
