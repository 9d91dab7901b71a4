#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace corvid::testing {

struct CommandResult {
    int exitStatus = -1;  // -1 when the command could not run or was killed
    std::string output;   // standard output and standard error together
};

// A child process started by the test fixtures, ended by its process id. It
// is also sent SIGTERM when the thread that started it ends, so that a test
// that crashes leaves no server behind: start it on the test's own thread.
class ChildProcess {
  public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `arguments[0]` from the PATH with `environment`. Standard output
    // goes to `outputFd` and standard error to `errorFd` (-1: /dev/null).
    // An empty object on failure.
    static ChildProcess Spawn(const std::vector<std::string>& arguments,
                              const std::vector<std::string>& environment, int outputFd,
                              int errorFd);

    [[nodiscard]] bool IsRunning() const { return m_pid > 0; }
    [[nodiscard]] pid_t Pid() const { return m_pid; }
    // True once the process has ended; it is then reaped.
    [[nodiscard]] bool HasEnded();
    // Sends SIGTERM and waits for the end. Returns the exit status, as Wait.
    int Terminate();
    // Waits for the end. The exit code, or -1 when killed by a signal.
    int Wait();

  private:
    explicit ChildProcess(pid_t pid) : m_pid(pid) {}
    pid_t m_pid = -1;
};

// A private PulseAudio server for tests: one null sink, test_null, in a
// temporary folder of its own that is removed with the object. Clients reach
// it at Address(). It can be stopped and started again at the same address.
class PulseServer {
  public:
    static constexpr std::string_view SINK_NAME = "test_null";
    static constexpr std::string_view MONITOR_NAME = "test_null.monitor";

    PulseServer();
    ~PulseServer();
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    // Starts the server and waits until it answers, at most `timeout`.
    // False when it did not come up; Log() tells why.
    [[nodiscard]] bool Start(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Stops the server with SIGTERM and waits until it has gone.
    void Stop();
    [[nodiscard]] bool IsRunning() const { return m_server.IsRunning(); }

    // For PULSE_SERVER or pa_context_connect: "unix:<folder>/native".
    [[nodiscard]] const std::string& Address() const { return m_address; }
    [[nodiscard]] const std::filesystem::path& Folder() const { return m_folder; }
    // The environment for a client of this server: this process's own, with
    // PULSE_SERVER and the runtime folders pointing at the server.
    [[nodiscard]] std::vector<std::string> ClientEnvironment() const;
    // Runs pactl against this server and waits for it.
    [[nodiscard]] CommandResult Pactl(const std::vector<std::string>& arguments) const;
    // What the server has written to standard output and error so far.
    [[nodiscard]] std::string Log() const;

  private:
    [[nodiscard]] bool WaitUntilAnswering(std::chrono::steady_clock::time_point deadline);
    [[nodiscard]] bool WaitForSocket(std::chrono::steady_clock::time_point deadline) const;

    std::filesystem::path m_folder;
    std::filesystem::path m_socket;
    std::string m_address;
    ChildProcess m_server;
};

// Records the null sink's monitor with parec as raw 16-bit little-endian
// stereo at 44100 Hz, from a reader thread, until Stop or destruction.
class MonitorRecording {
  public:
    using Samples = std::vector<std::int16_t>;

    explicit MonitorRecording(const PulseServer& server);
    ~MonitorRecording();
    MonitorRecording(const MonitorRecording&) = delete;
    MonitorRecording& operator=(const MonitorRecording&) = delete;

    // Waits until parec delivers its first bytes: from then on nothing played
    // is missed. False when it did not within `timeout`.
    [[nodiscard]] bool WaitUntilRecording(std::chrono::milliseconds timeout);
    // Waits until `predicate` holds for the samples recorded so far, checked
    // whenever more arrive. False when it did not within `timeout` or parec ended.
    [[nodiscard]] bool WaitFor(const std::function<bool(std::span<const std::int16_t>)>& predicate,
                               std::chrono::milliseconds timeout);
    [[nodiscard]] Samples Recorded() const;
    void Stop();

  private:
    void ReadLoop(int fd);

    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<std::int16_t> m_samples;
    std::optional<unsigned char> m_oddByte;  // first half of a sample split between reads
    bool m_ended = false;
    ChildProcess m_parec;
    std::thread m_reader;
};

// The sample index in `recording` where `frames` (interleaved stereo) first
// appear whole, searching frame by frame.
std::optional<std::size_t> FindFrames(std::span<const std::int16_t> recording,
                                      std::span<const std::int16_t> frames);

}  // namespace corvid::testing
