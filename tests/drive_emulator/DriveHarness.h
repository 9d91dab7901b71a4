#pragma once

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/drive_emulator/DriveScript.h"

// What a test needs to drive the emulated drive from outside the program:
// its control file, rewritten whole for every change, and its log, read
// and waited on.
namespace corvid::drive_emulator {

// The path the programs are told is their CD drive; only the preloaded
// emulator knows it.
inline constexpr const char* EMULATED_DRIVE_PATH = "/dev/corvid-test-cd";

// The environment that puts the emulated drive into a program started with it.
inline std::vector<std::string> DriveEnvironment(const std::string& preload,
                                                 const std::filesystem::path& control,
                                                 const std::filesystem::path& log) {
    return {"LD_PRELOAD=" + preload, std::string("CORVID_DRIVE_PATH=") + EMULATED_DRIVE_PATH,
            "CORVID_DRIVE_CONTROL=" + control.string(), "CORVID_DRIVE_LOG=" + log.string()};
}

class DriveControlFile {
  public:
    explicit DriveControlFile(std::filesystem::path path) : m_path(std::move(path)) {}

    [[nodiscard]] const std::filesystem::path& Path() const { return m_path; }
    [[nodiscard]] const DriveScript& Script() const { return m_script; }

    // Writes the script as a new file renamed over the old one, so that the
    // emulator never reads half of it.
    void Write(const DriveScript& script) {
        m_script = script;
        const std::filesystem::path next = m_path.string() + ".next";
        std::ofstream(next, std::ios::trunc) << FormatDriveScript(script);
        std::filesystem::rename(next, m_path);
    }

    template <class Edit>
    void Change(Edit edit) {
        DriveScript script = m_script;
        edit(script);
        Write(script);
    }

  private:
    std::filesystem::path m_path;
    DriveScript m_script;
};

// The emulator's log: a line for every call on the drive.
class DriveLog {
  public:
    explicit DriveLog(std::filesystem::path path) : m_path(std::move(path)) {}

    [[nodiscard]] const std::filesystem::path& Path() const { return m_path; }

    // What was logged since the last MarkStart: a log may be shared by the
    // tests that run one after another in one process.
    [[nodiscard]] std::string Text() const {
        std::ifstream file(m_path);
        std::ostringstream text;
        text << file.rdbuf();
        const std::string all = text.str();
        return all.size() > m_start ? all.substr(m_start) : std::string();
    }

    void MarkStart() {
        std::error_code error;
        const auto size = std::filesystem::file_size(m_path, error);
        m_start = error ? 0 : static_cast<std::size_t>(size);
    }

    // The lines that hold `part`.
    [[nodiscard]] std::vector<std::string> Lines(const std::string& part) const {
        std::vector<std::string> found;
        std::istringstream text(Text());
        for (std::string line; std::getline(text, line);) {
            if (line.find(part) != std::string::npos) {
                found.push_back(line);
            }
        }
        return found;
    }

    // Waits until `condition` holds, checking it again whenever the log
    // grows: every poll of the drive by the program writes to it. False when
    // it did not hold by the deadline.
    bool WaitUntil(const std::function<bool()>& condition,
                   std::chrono::milliseconds timeout) const {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        if (watch < 0) {
            return condition();
        }
        std::filesystem::create_directories(m_path.parent_path());
        // The folder is watched, as the log may not exist yet.
        inotify_add_watch(watch, m_path.parent_path().c_str(), IN_MODIFY | IN_CREATE);
        bool held = condition();
        while (!held) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                break;
            }
            pollfd changed{watch, POLLIN, 0};
            if (::poll(&changed, 1, static_cast<int>(left.count())) > 0) {
                char events[4096];
                while (::read(watch, events, sizeof events) > 0) {
                }
            }
            held = condition();
        }
        ::close(watch);
        return held;
    }

  private:
    std::filesystem::path m_path;
    std::size_t m_start = 0;
};

}  // namespace corvid::drive_emulator
