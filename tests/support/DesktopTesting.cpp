#include "tests/support/DesktopTesting.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace corvid::testing {

bool HasProgram(std::string_view name) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        if (::access((folder + "/" + std::string(name)).c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

std::optional<std::string> MissingProgram(std::initializer_list<std::string_view> names) {
    for (const std::string_view name : names) {
        if (!HasProgram(name)) {
            return std::string(name);
        }
    }
    return std::nullopt;
}

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::size_t MatchingSamples(std::span<const std::int16_t> recorded, std::size_t start,
                            std::span<const std::int16_t> expected) {
    std::size_t matching = 0;
    while (start + matching < recorded.size() && matching < expected.size() &&
           recorded[start + matching] == expected[matching]) {
        ++matching;
    }
    return matching;
}

bool EndsInSilence(std::span<const std::int16_t> recorded, std::size_t after,
                   std::size_t silentSamples) {
    if (recorded.size() < after + silentSamples) {
        return false;
    }
    return std::all_of(recorded.end() - static_cast<std::ptrdiff_t>(silentSamples), recorded.end(),
                       [](std::int16_t sample) { return sample == 0; });
}

}  // namespace corvid::testing
