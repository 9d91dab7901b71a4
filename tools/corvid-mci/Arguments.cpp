#include "tools/corvid-mci/Arguments.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <system_error>

namespace corvid::tools {

namespace {

constexpr std::string_view CUE_EXTENSION = ".cue";

bool EndsInCueExtension(std::string_view argument) {
    if (argument.size() <= CUE_EXTENSION.size()) {
        return false;
    }
    const std::string_view ending = argument.substr(argument.size() - CUE_EXTENSION.size());
    return std::equal(ending.begin(), ending.end(), CUE_EXTENSION.begin(),
                      [](char given, char wanted) {
                          return std::tolower(static_cast<unsigned char>(given)) == wanted;
                      });
}

bool IsExistingRegularFile(std::string_view argument) {
    std::error_code ignored;
    return std::filesystem::is_regular_file(std::filesystem::path(std::string(argument)), ignored);
}

}  // namespace

ArgumentKind KindOfArgument(std::string_view argument) {
    if (IsExistingRegularFile(argument) || EndsInCueExtension(argument)) {
        return ArgumentKind::DiscImage;
    }
    return ArgumentKind::Command;
}

}  // namespace corvid::tools
