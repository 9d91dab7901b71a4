#include "tools/corvid-mci/Arguments.h"

#include <strings.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <string>
#include <system_error>

namespace corvid::tools {

namespace {

// A cue sheet, or an audio file that may carry one.
constexpr std::array<std::string_view, 3> IMAGE_EXTENSIONS = {".cue", ".flac", ".wv"};

bool EndsInImageExtension(std::string_view argument) {
    return std::any_of(IMAGE_EXTENSIONS.begin(), IMAGE_EXTENSIONS.end(),
                       [&](std::string_view extension) {
                           return argument.size() > extension.size() &&
                                  strncasecmp(argument.data() + argument.size() - extension.size(),
                                              extension.data(), extension.size()) == 0;
                       });
}

bool IsExistingRegularFile(std::string_view argument) {
    std::error_code ignored;
    return std::filesystem::is_regular_file(std::filesystem::path(std::string(argument)), ignored);
}

}  // namespace

ArgumentKind KindOfArgument(std::string_view argument) {
    if (IsExistingRegularFile(argument) || EndsInImageExtension(argument)) {
        return ArgumentKind::DiscImage;
    }
    return ArgumentKind::Command;
}

}  // namespace corvid::tools
