#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <array>

#include "tracklist/FileDescriptor.h"

namespace corvid::testing {

using FileDescriptor = tracklist::FileDescriptor;

// Both ends of a pipe, closed on exec; neither is open when the pipe could
// not be made.
struct Pipe {
    FileDescriptor read;
    FileDescriptor write;
};

inline Pipe MakePipe() {
    std::array<int, 2> descriptors{-1, -1};
    if (::pipe2(descriptors.data(), O_CLOEXEC) != 0) {
        return {};
    }
    return {FileDescriptor(descriptors[0]), FileDescriptor(descriptors[1])};
}

}  // namespace corvid::testing
