#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// What the tests that run the real programs on a desktop share: finding the
// tools they need, reading the programs' logs, and comparing what the sound
// server heard with the disc's PCM.
namespace corvid::testing {

// True when `name` is an executable in a folder of PATH.
bool HasProgram(std::string_view name);

// The first of `names` that is not installed, or none.
std::optional<std::string> MissingProgram(std::initializer_list<std::string_view> names);

// The whole file as text; empty when it cannot be read.
std::string ReadText(const std::filesystem::path& path);

// How many samples from `start` on match `expected` before the first that differs.
std::size_t MatchingSamples(std::span<const std::int16_t> recorded, std::size_t start,
                            std::span<const std::int16_t> expected);

// True when the last `silentSamples` of the recording, all after `after`, are silence.
bool EndsInSilence(std::span<const std::int16_t> recorded, std::size_t after,
                   std::size_t silentSamples);

}  // namespace corvid::testing
