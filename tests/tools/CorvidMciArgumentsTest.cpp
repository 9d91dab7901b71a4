#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>

#include "tests/support/TemporaryFolder.h"
#include "tools/corvid-mci/Arguments.h"

namespace corvid::tools {

void PrintTo(ArgumentKind kind, std::ostream* out) {
    *out << (kind == ArgumentKind::DiscImage ? "DiscImage" : "Command");
}

namespace {

// Windows rips often end in ".CUE"; a missing image must still be taken as
// one, so that the user hears that it is missing rather than that it is an
// unknown command.
TEST(CorvidMciArguments, ImageIsAnyExistingFileOrAnImageNameInAnyLetterCase) {
    const testing::TemporaryFolder folder;
    folder.Write("disc.img", "FILE");
    std::filesystem::create_directory(folder / "folder.img");
    const struct {
        std::string argument;
        ArgumentKind kind;
    } cases[] = {
        {(folder / "album.cue").string(), ArgumentKind::DiscImage},
        {(folder / "Album.CUE").string(), ArgumentKind::DiscImage},
        {(folder / "gone.Cue").string(), ArgumentKind::DiscImage},
        {(folder / "disc.img").string(), ArgumentKind::DiscImage},
        {(folder / "missing.flac").string(), ArgumentKind::DiscImage},
        {(folder / "Missing.WV").string(), ArgumentKind::DiscImage},
        {"status cdaudio mode", ArgumentKind::Command},
        {"play cdaudio from 1 notify", ArgumentKind::Command},
        {(folder / "missing.img").string(), ArgumentKind::Command},
        {(folder / "folder.img").string(), ArgumentKind::Command},
        {".CUE", ArgumentKind::Command},
        {".flac", ArgumentKind::Command},
    };
    for (const auto& argumentCase : cases) {
        EXPECT_EQ(KindOfArgument(argumentCase.argument), argumentCase.kind)
            << argumentCase.argument;
    }
}

}  // namespace
}  // namespace corvid::tools
