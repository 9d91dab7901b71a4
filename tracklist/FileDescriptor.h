#pragma once

#include <cstddef>
#include <string>
#include <system_error>

namespace corvid::tracklist {

// Owns a POSIX file descriptor and closes it when it goes.
class FileDescriptor {
  public:
    FileDescriptor() = default;
    explicit FileDescriptor(int descriptor) : m_descriptor(descriptor) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(FileDescriptor&& other) noexcept : m_descriptor(other.m_descriptor) {
        other.m_descriptor = -1;
    }
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    [[nodiscard]] int Get() const { return m_descriptor; }
    [[nodiscard]] bool IsOpen() const { return m_descriptor >= 0; }
    // Gives the descriptor up to the caller, who closes it.
    [[nodiscard]] int Release() {
        const int descriptor = m_descriptor;
        m_descriptor = -1;
        return descriptor;
    }

    // Closes now; a write error that only the close reports comes back here.
    std::error_code Close();

  private:
    int m_descriptor = -1;
};

// Opens `name` in the folder `folder` (AT_FDCWD for the current one) for
// reading. Never blocks on a FIFO and never takes a terminal.
FileDescriptor OpenForReading(int folder, const char* name);

struct ReadBytes {
    std::string bytes;
    std::error_code error;
};

// Reads from the current offset until the end of the file or `maxBytes`.
ReadBytes ReadUpTo(const FileDescriptor& file, std::size_t maxBytes);

std::error_code LastError();

}  // namespace corvid::tracklist
