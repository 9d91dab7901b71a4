// Runs the tests with the emulated drive preloaded: the process starts itself
// again with LD_PRELOAD set, as the emulator must be there from the start.
// The drive's control file and log lie in a folder of this process.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "tests/drive_emulator/DriveHarness.h"

int main(int argc, char** argv) {
    const char* preload = std::getenv("LD_PRELOAD");
    if (preload == nullptr || std::string(preload) != CORVID_DRIVE_PRELOAD) {
        setenv("LD_PRELOAD", CORVID_DRIVE_PRELOAD, 1);
        setenv("CORVID_DRIVE_PATH", corvid::drive_emulator::EMULATED_DRIVE_PATH, 1);
        execv("/proc/self/exe", argv);
        std::perror("realdrive_device_tests: cannot start again with the emulated drive");
        return 1;
    }
    std::string folder =
        (std::filesystem::temp_directory_path() / "corvid-realdrive-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        std::perror("realdrive_device_tests: no temporary folder");
        return 1;
    }
    setenv("CORVID_DRIVE_CONTROL", (folder + "/control").c_str(), 1);
    setenv("CORVID_DRIVE_LOG", (folder + "/drive.log").c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return result;
}
