#pragma once

#include <grp.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "cdaudio/DiscTime.h"
#include "tests/support/TemporaryFolder.h"
#include "tracklist/TrackList.h"

namespace corvid::tracklist::testing {

// Track n lasts n minutes and 30 seconds, for any n, so a file's rows can
// be checked against it whatever their track numbers.
class MinutesPerTrackDisc : public DiscFacts {
  public:
    int NumberOfTracks() override { return 99; }
    bool IsAudioTrack(int) override { return true; }
    std::string TrackLengthText(int track) override {
        return FormatPositionText(std::abs(track % 100), 30, 0, 0).substr(0, 8);
    }
    std::string DiscLengthText() override { return "99:00:00"; }
};

using ::corvid::testing::NamesIn;
using ::corvid::testing::TemporaryFolder;

inline std::string FileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline constexpr uid_t NOBODY = 65534;
inline constexpr int CHILD_FAILED_TO_SET_UP = 100;

// Runs `body` in a child process and gives its exit status, or -1 when it
// did not exit (it was killed by a signal). The child never returns into the
// test: gtest's assertions cannot reach the parent, so `body` returns a code.
inline int RunInChild(const std::function<int()>& body) {
    const pid_t child = fork();
    if (child == 0) {
        _exit(body());
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) {
        return -2;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// In a child: becomes the user nobody, so that file modes apply to us.
inline bool BecomeNobody() {
    return setgroups(0, nullptr) == 0 && setgid(NOBODY) == 0 && setuid(NOBODY) == 0;
}

}  // namespace corvid::tracklist::testing
