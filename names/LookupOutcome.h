#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "names/ReleaseNames.h"

namespace corvid::names {

enum class FailureKind : std::uint8_t {
    Unreachable,  // no connection, or it broke: `reason` says why
    NotFound,     // no database knows the disc
    ServerError,  // an HTTP error status, or a CDDB error code, in `status`
    RateLimited,  // the server still asked us to wait after one retry
    Malformed,    // an answer that could not be read: `reason` says why
    TooLarge,     // an answer longer than `limit` bytes, not read to its end
    TimedOut,     // no whole answer within the time limit
    Cancelled,
};

struct LookupFailure {
    FailureKind kind = FailureKind::NotFound;
    std::string server;  // host name of the server that failed
    std::string reason;
    int status = 0;
    std::int64_t limit = 0;

    bool operator==(const LookupFailure&) const = default;
};

// What one search for a disc's names ended with: the releases found (at least
// one), or why there are none.
struct LookupOutcome {
    std::vector<ReleaseNames> releases;
    std::optional<LookupFailure> failure;

    static LookupOutcome Found(std::vector<ReleaseNames> releases);
    static LookupOutcome Failed(LookupFailure failure);

    [[nodiscard]] bool Succeeded() const { return !failure.has_value(); }
    bool operator==(const LookupOutcome&) const = default;
};

// The sentence the window shows for a failure.
std::string FailureMessage(const LookupFailure& failure);

}  // namespace corvid::names
