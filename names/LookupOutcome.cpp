#include "names/LookupOutcome.h"

#include <utility>

namespace corvid::names {

namespace {

constexpr std::int64_t BYTES_PER_KIBIBYTE = 1024;
constexpr std::int64_t BYTES_PER_MEBIBYTE = BYTES_PER_KIBIBYTE * 1024;

std::string SizeText(std::int64_t bytes) {
    if (bytes >= BYTES_PER_MEBIBYTE && bytes % BYTES_PER_MEBIBYTE == 0) {
        return std::to_string(bytes / BYTES_PER_MEBIBYTE) + " MiB";
    }
    if (bytes >= BYTES_PER_KIBIBYTE && bytes % BYTES_PER_KIBIBYTE == 0) {
        return std::to_string(bytes / BYTES_PER_KIBIBYTE) + " KiB";
    }
    return std::to_string(bytes) + " bytes";
}

}  // namespace

LookupOutcome LookupOutcome::Found(std::vector<ReleaseNames> releases) {
    LookupOutcome outcome;
    outcome.releases = std::move(releases);
    return outcome;
}

LookupOutcome LookupOutcome::Failed(LookupFailure failure) {
    LookupOutcome outcome;
    outcome.failure = std::move(failure);
    return outcome;
}

std::string FailureMessage(const LookupFailure& failure) {
    switch (failure.kind) {
        case FailureKind::Unreachable:
            return "Couldn't reach " + failure.server + ": " + failure.reason;
        case FailureKind::NotFound:
            return "No names were found for this disc.";
        case FailureKind::ServerError:
            return failure.server + " answered with error " + std::to_string(failure.status) + ".";
        case FailureKind::RateLimited:
            return failure.server + " is busy. Try again in a minute.";
        case FailureKind::Malformed:
            return failure.server + " sent an answer that could not be read: " + failure.reason;
        case FailureKind::TooLarge:
            return failure.server + " sent an answer larger than " + SizeText(failure.limit) +
                   "; it was not read.";
        case FailureKind::TimedOut:
            return failure.server + " did not answer in time.";
        case FailureKind::Cancelled:
            return "The search for names was cancelled.";
    }
    return {};
}

}  // namespace corvid::names
