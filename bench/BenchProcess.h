#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvid::bench {

// CLOCK_MONOTONIC in seconds: the one clock every figure of the benchmarks is read on.
[[nodiscard]] double MonotonicSeconds();

enum class ChildInput : std::uint8_t { Null, Pipe };

// A program started by a benchmark. Its output goes to /dev/null; its input is
// /dev/null or a pipe the benchmark writes to. A child still running when the
// object goes is sent SIGTERM and waited for.
class Child {
  public:
    Child() = default;
    ~Child();
    Child(Child&& other) noexcept;
    Child& operator=(Child&& other) noexcept;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Starts `arguments[0]` from the PATH. `startedAt` is set to the clock
    // just before the process is made. Empty on failure.
    static Child Start(const std::vector<std::string>& arguments, ChildInput input,
                       double* startedAt = nullptr);

    [[nodiscard]] bool IsRunning() const { return m_pid > 0; }
    [[nodiscard]] pid_t Pid() const { return m_pid; }
    // Writes to the child's input pipe; false when there is none or it broke.
    bool Write(std::string_view text);
    void CloseInput();
    // Sends SIGTERM and waits, and SIGKILL when it is still there after
    // `grace`. The exit code, or none when a signal ended it.
    std::optional<int> Terminate(std::chrono::milliseconds grace = std::chrono::seconds(10));
    std::optional<int> Wait();

  private:
    void Release();

    pid_t m_pid = -1;
    int m_input = -1;
};

}  // namespace corvid::bench
