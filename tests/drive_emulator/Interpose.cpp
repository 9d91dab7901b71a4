// The emulated drive preloaded into a program: the C library's calls that
// reach a device node are caught here, and those on the emulated drive's
// path (CORVID_DRIVE_PATH) or on a descriptor opened from it are answered by
// the drive model instead of the kernel. Everything else goes on to the C
// library unchanged.
//
// A preloaded library has no other place for its state than the process:
// the one drive lives as long as the program does.
//
// Environment:
//   CORVID_DRIVE_PATH     the device path to emulate, e.g. /dev/corvid-test-cd
//   CORVID_DRIVE_CONTROL  the control file (DriveScript.h); read again
//                         whenever it was replaced
//   CORVID_DRIVE_LOG      a file that gets a line for every call on the drive
#undef _FORTIFY_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "tests/drive_emulator/EmulatedDrive.h"

// The stat entry points of the C library before 2.33, which its headers no
// longer declare.
extern "C" int __xstat(int version, const char* path, struct stat* status);
extern "C" int __lxstat(int version, const char* path, struct stat* status);
extern "C" int __fxstat(int version, int fd, struct stat* status);
extern "C" int __fxstatat(int version, int dirfd, const char* path, struct stat* status, int flags);

namespace {

using corvid::drive_emulator::Answer;
using corvid::drive_emulator::Clock;
using corvid::drive_emulator::EmulatedDrive;

template <class Function>
Function Next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

#define NEXT(name) static const auto real_##name = Next<decltype(&name)>(#name)

// The device the kernel would show: /dev/sr0, block major 11, group cdrom.
constexpr unsigned DEVICE_MAJOR = 11;
constexpr gid_t CDROM_GROUP = 24;
constexpr std::size_t MOST_DESCRIPTORS = 1 << 16;

std::array<std::atomic<bool>, MOST_DESCRIPTORS> g_emulated{};

bool IsEmulatedDescriptor(int fd) {
    return fd >= 0 && static_cast<std::size_t>(fd) < MOST_DESCRIPTORS &&
           g_emulated[static_cast<std::size_t>(fd)].load(std::memory_order_acquire);
}

class Emulator {
  public:
    Emulator() {
        if (const char* path = std::getenv("CORVID_DRIVE_PATH")) {
            m_path = path;
        }
    }

    [[nodiscard]] bool IsDrivePath(const char* path) const {
        return path != nullptr && !m_path.empty() && m_path == path;
    }

    // Runs one call on the drive with the control file taken into account,
    // logs it and lets the drive's time pass.
    template <class Call>
    Answer Run(Call call) {
        Answer answer;
        {
            std::lock_guard lock(m_mutex);
            FindFilesLocked();
            const Clock::time_point now = Clock::now();
            ReadControlLocked(now);
            answer = call(m_drive, now);
            LogLocked(answer.log);
        }
        if (answer.driveTime.count() > 0) {
            std::this_thread::sleep_for(answer.driveTime);
        }
        return answer;
    }

    void Log(const std::string& line) {
        std::lock_guard lock(m_mutex);
        FindFilesLocked();
        LogLocked(line);
    }

  private:
    // The control file and the log are looked up at the first call on the
    // drive, not at start, so that a test may name them before it opens the
    // drive in its own process.
    void FindFilesLocked() {
        if (m_filesFound) {
            return;
        }
        m_filesFound = true;
        if (const char* control = std::getenv("CORVID_DRIVE_CONTROL")) {
            m_controlPath = control;
        }
        if (const char* log = std::getenv("CORVID_DRIVE_LOG")) {
            NEXT(open);
            m_log = real_open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        }
    }

    void LogLocked(const std::string& line) {
        if (m_log < 0 || line.empty()) {
            return;
        }
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        char head[64];
        std::snprintf(head, sizeof head, "%lld.%03ld %d ", static_cast<long long>(now.tv_sec),
                      now.tv_nsec / 1'000'000, static_cast<int>(getpid()));
        const std::string text = head + line + "\n";
        NEXT(write);
        static_cast<void>(real_write(m_log, text.data(), text.size()));
    }

    void ReadControlLocked(Clock::time_point now) {
        if (m_controlPath.empty()) {
            if (!m_started) {
                m_started = true;
                m_drive.Apply({}, now);
            }
            return;
        }
        NEXT(stat);
        struct stat status {};
        if (real_stat(m_controlPath.c_str(), &status) != 0) {
            return;
        }
        const bool same = m_started && status.st_ino == m_control.st_ino &&
                          status.st_size == m_control.st_size &&
                          status.st_mtim.tv_sec == m_control.st_mtim.tv_sec &&
                          status.st_mtim.tv_nsec == m_control.st_mtim.tv_nsec;
        if (same) {
            return;
        }
        m_control = status;
        m_started = true;
        const std::string text = ReadWhole(m_controlPath);
        const corvid::drive_emulator::ScriptParse parse =
            corvid::drive_emulator::ParseDriveScript(text);
        if (!parse.problem.empty()) {
            LogLocked("control: not understood: " + parse.problem);
        }
        m_drive.Apply(parse.script, now);
        std::string flat = corvid::drive_emulator::FormatDriveScript(parse.script);
        std::replace(flat.begin(), flat.end(), '\n', ';');
        LogLocked("control: " + flat);
    }

    static std::string ReadWhole(const std::string& path) {
        NEXT(open);
        NEXT(read);
        NEXT(close);
        std::string text;
        const int fd = real_open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return text;
        }
        std::array<char, 4096> buffer{};
        for (;;) {
            const ssize_t count = real_read(fd, buffer.data(), buffer.size());
            if (count <= 0) {
                break;
            }
            text.append(buffer.data(), static_cast<std::size_t>(count));
        }
        real_close(fd);
        return text;
    }

    std::string m_path;
    std::string m_controlPath;
    int m_log = -1;
    bool m_filesFound = false;
    std::mutex m_mutex;
    EmulatedDrive m_drive;
    bool m_started = false;
    struct stat m_control {};
};

// Never destroyed: calls may still come from other libraries' exit handlers.
Emulator& TheEmulator() {
    static Emulator* emulator = new Emulator;
    return *emulator;
}

int Finish(const Answer& answer) {
    if (answer.result < 0) {
        errno = answer.error;
        return -1;
    }
    return answer.result;
}

int OpenDrive(const char* path, int flags) {
    using corvid::drive_emulator::OpenMode;
    using corvid::drive_emulator::OpenWait;
    const Answer answer = TheEmulator().Run([&](EmulatedDrive& drive, Clock::time_point now) {
        Answer opened =
            drive.Open((flags & O_EXCL) != 0 ? OpenMode::Exclusive : OpenMode::Shared,
                       (flags & O_NONBLOCK) != 0 ? OpenWait::NoWait : OpenWait::ForDisc, now);
        opened.log = std::string(path) + ": " + opened.log;
        return opened;
    });
    if (answer.result < 0) {
        errno = answer.error;
        return -1;
    }
    // A descriptor of the kernel's stands for the drive, so that the
    // program's own bookkeeping of descriptors holds.
    NEXT(open);
    const int fd = real_open("/dev/null", O_RDONLY | (flags & O_CLOEXEC));
    if (fd < 0) {
        TheEmulator().Run([](EmulatedDrive& drive, Clock::time_point) {
            drive.Close();
            return Answer{};
        });
        return -1;
    }
    if (static_cast<std::size_t>(fd) < MOST_DESCRIPTORS) {
        g_emulated[static_cast<std::size_t>(fd)].store(true, std::memory_order_release);
    }
    TheEmulator().Log("  descriptor " + std::to_string(fd));
    return fd;
}

void FillBlockDevice(struct stat* status) {
    std::memset(status, 0, sizeof *status);
    status->st_mode = S_IFBLK | 0660;
    status->st_rdev = makedev(DEVICE_MAJOR, 0);
    status->st_gid = CDROM_GROUP;
    status->st_nlink = 1;
    status->st_blksize = 2048;
}

int StatDrive(const char* call, struct stat* status) {
    const Answer answer = TheEmulator().Run([&](EmulatedDrive& drive, Clock::time_point) {
        const int error = drive.NodeError();
        const std::string log = std::string(call) + " -> ";
        if (error != 0) {
            return Answer{-1, error, {}, log + std::strerror(error)};
        }
        return Answer{0, 0, {}, log + "block device 11:0"};
    });
    if (answer.result == 0) {
        FillBlockDevice(status);
    }
    return Finish(answer);
}

int FstatDrive(int fd, struct stat* status) {
    TheEmulator().Log("fstat " + std::to_string(fd) + " -> block device 11:0");
    FillBlockDevice(status);
    return 0;
}

// The mode argument, which open takes only when it may create a file.
unsigned long ModeArgument(va_list arguments, int flags) {
    const bool creates = (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
    return creates ? va_arg(arguments, unsigned) : 0;
}

}  // namespace

#define EXPORTED __attribute__((visibility("default")))

extern "C" {

EXPORTED int open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const auto mode = static_cast<mode_t>(ModeArgument(arguments, flags));
    va_end(arguments);
    if (TheEmulator().IsDrivePath(path)) {
        return OpenDrive(path, flags);
    }
    NEXT(open);
    return real_open(path, flags, mode);
}

EXPORTED int open64(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const auto mode = static_cast<mode_t>(ModeArgument(arguments, flags));
    va_end(arguments);
    if (TheEmulator().IsDrivePath(path)) {
        return OpenDrive(path, flags);
    }
    NEXT(open64);
    return real_open64(path, flags, mode);
}

EXPORTED int openat(int dirfd, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const auto mode = static_cast<mode_t>(ModeArgument(arguments, flags));
    va_end(arguments);
    if (TheEmulator().IsDrivePath(path)) {
        return OpenDrive(path, flags);
    }
    NEXT(openat);
    return real_openat(dirfd, path, flags, mode);
}

EXPORTED int openat64(int dirfd, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const auto mode = static_cast<mode_t>(ModeArgument(arguments, flags));
    va_end(arguments);
    if (TheEmulator().IsDrivePath(path)) {
        return OpenDrive(path, flags);
    }
    NEXT(openat64);
    return real_openat64(dirfd, path, flags, mode);
}

EXPORTED int __open_2(const char* path, int flags) {
    return open(path, flags);
}

EXPORTED int __open64_2(const char* path, int flags) {
    return open64(path, flags);
}

EXPORTED int close(int fd) {
    if (IsEmulatedDescriptor(fd)) {
        g_emulated[static_cast<std::size_t>(fd)].store(false, std::memory_order_release);
        TheEmulator().Run([fd](EmulatedDrive& drive, Clock::time_point) {
            drive.Close();
            return Answer{
                0,
                0,
                {},
                "close " + std::to_string(fd) + ", users " + std::to_string(drive.Users())};
        });
    }
    NEXT(close);
    return real_close(fd);
}

EXPORTED int stat(const char* path, struct stat* status) noexcept {
    if (TheEmulator().IsDrivePath(path)) {
        return StatDrive("stat", status);
    }
    NEXT(stat);
    return real_stat(path, status);
}

EXPORTED int stat64(const char* path, struct stat64* status) noexcept {
    if (TheEmulator().IsDrivePath(path)) {
        return StatDrive("stat64", reinterpret_cast<struct stat*>(status));
    }
    NEXT(stat64);
    return real_stat64(path, status);
}

EXPORTED int lstat(const char* path, struct stat* status) noexcept {
    if (TheEmulator().IsDrivePath(path)) {
        return StatDrive("lstat", status);
    }
    NEXT(lstat);
    return real_lstat(path, status);
}

EXPORTED int lstat64(const char* path, struct stat64* status) noexcept {
    if (TheEmulator().IsDrivePath(path)) {
        return StatDrive("lstat64", reinterpret_cast<struct stat*>(status));
    }
    NEXT(lstat64);
    return real_lstat64(path, status);
}

EXPORTED int fstat(int fd, struct stat* status) noexcept {
    if (IsEmulatedDescriptor(fd)) {
        return FstatDrive(fd, status);
    }
    NEXT(fstat);
    return real_fstat(fd, status);
}

EXPORTED int fstat64(int fd, struct stat64* status) noexcept {
    if (IsEmulatedDescriptor(fd)) {
        return FstatDrive(fd, reinterpret_cast<struct stat*>(status));
    }
    NEXT(fstat64);
    return real_fstat64(fd, status);
}

EXPORTED int fstatat(int dirfd, const char* path, struct stat* status, int flags) noexcept {
    if (TheEmulator().IsDrivePath(path)) {
        return StatDrive("fstatat", status);
    }
    if (path[0] == '\0' && (flags & AT_EMPTY_PATH) != 0 && IsEmulatedDescriptor(dirfd)) {
        return FstatDrive(dirfd, status);
    }
    NEXT(fstatat);
    return real_fstatat(dirfd, path, status, flags);
}

EXPORTED int fstatat64(int dirfd, const char* path, struct stat64* status, int flags) noexcept {
    return fstatat(dirfd, path, reinterpret_cast<struct stat*>(status), flags);
}

// The entry points of programs built against a C library older than 2.33.
EXPORTED int __xstat(int version, const char* path, struct stat* status) {
    if (TheEmulator().IsDrivePath(path)) {
        return StatDrive("__xstat", status);
    }
    NEXT(__xstat);
    return real___xstat(version, path, status);
}

EXPORTED int __xstat64(int version, const char* path, struct stat* status) {
    return __xstat(version, path, status);
}

EXPORTED int __lxstat(int version, const char* path, struct stat* status) {
    if (TheEmulator().IsDrivePath(path)) {
        return StatDrive("__lxstat", status);
    }
    NEXT(__lxstat);
    return real___lxstat(version, path, status);
}

EXPORTED int __lxstat64(int version, const char* path, struct stat* status) {
    return __lxstat(version, path, status);
}

EXPORTED int __fxstat(int version, int fd, struct stat* status) {
    if (IsEmulatedDescriptor(fd)) {
        return FstatDrive(fd, status);
    }
    NEXT(__fxstat);
    return real___fxstat(version, fd, status);
}

EXPORTED int __fxstat64(int version, int fd, struct stat* status) {
    return __fxstat(version, fd, status);
}

EXPORTED int __fxstatat(int version, int dirfd, const char* path, struct stat* status, int flags) {
    if (TheEmulator().IsDrivePath(path)) {
        return StatDrive("__fxstatat", status);
    }
    NEXT(__fxstatat);
    return real___fxstatat(version, dirfd, path, status, flags);
}

EXPORTED int __fxstatat64(int version, int dirfd, const char* path, struct stat* status,
                          int flags) {
    return __fxstatat(version, dirfd, path, status, flags);
}

EXPORTED char* realpath(const char* path, char* resolved) noexcept {
    if (TheEmulator().IsDrivePath(path)) {
        TheEmulator().Log(std::string("realpath ") + path);
        if (resolved == nullptr) {
            return strdup(path);
        }
        return std::strcpy(resolved, path);
    }
    NEXT(realpath);
    return real_realpath(path, resolved);
}

EXPORTED int ioctl(int fd, unsigned long request, ...) noexcept {
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    if (IsEmulatedDescriptor(fd)) {
        return Finish(TheEmulator().Run([&](EmulatedDrive& drive, Clock::time_point now) {
            return drive.Ioctl(request, argument, now);
        }));
    }
    NEXT(ioctl);
    return real_ioctl(fd, request, argument);
}

EXPORTED ssize_t read(int fd, void* buffer, size_t size) {
    if (IsEmulatedDescriptor(fd)) {
        // Audio sectors hold no blocks of data for the block layer to read.
        TheEmulator().Log("read " + std::to_string(fd) + " " + std::to_string(size) +
                          " bytes -> EIO");
        errno = EIO;
        return -1;
    }
    NEXT(read);
    return real_read(fd, buffer, size);
}

}  // extern "C"
