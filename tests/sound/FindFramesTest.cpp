#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/support/PulseServer.h"

namespace corvid::testing {
namespace {

TEST(FindFrames, FindsWholeFramesOnly) {
    const std::vector<std::int16_t> recording = {0, 1, 2, 3, 4, 5, 6, 7};
    const std::vector<std::int16_t> aligned = {4, 5, 6, 7};
    const std::vector<std::int16_t> straddling = {3, 4};
    const std::vector<std::int16_t> absent = {7, 8};
    EXPECT_EQ(FindFrames(recording, aligned), 4U);
    EXPECT_EQ(FindFrames(recording, straddling), std::nullopt);
    EXPECT_EQ(FindFrames(recording, absent), std::nullopt);
}

}  // namespace
}  // namespace corvid::testing
