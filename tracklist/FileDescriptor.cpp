#include "tracklist/FileDescriptor.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace corvid::tracklist {

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        Close();
        m_descriptor = other.m_descriptor;
        other.m_descriptor = -1;
    }
    return *this;
}

std::error_code FileDescriptor::Close() {
    if (m_descriptor < 0) {
        return {};
    }
    // Linux frees the descriptor even when close fails: never retry it.
    const int result = ::close(m_descriptor);
    m_descriptor = -1;
    return result == 0 ? std::error_code() : LastError();
}

FileDescriptor OpenForReading(int folder, const char* name) {
    return FileDescriptor(::openat(folder, name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
}

ReadBytes ReadUpTo(const FileDescriptor& file, std::size_t maxBytes) {
    constexpr std::size_t FIRST_BUFFER_BYTES = 4096;
    ReadBytes result;
    std::size_t filled = 0;
    while (filled < maxBytes) {
        if (filled == result.bytes.size()) {
            result.bytes.resize(std::min(maxBytes, std::max(FIRST_BUFFER_BYTES, filled * 2)));
        }
        const ssize_t got =
            ::read(file.Get(), result.bytes.data() + filled, result.bytes.size() - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            result.error = LastError();
            break;
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    result.bytes.resize(filled);
    return result;
}

std::error_code LastError() {
    return {errno, std::generic_category()};
}

}  // namespace corvid::tracklist
