#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <string>

#include "app/Environment.h"
#include "tests/support/TemporaryFolder.h"

namespace corvid::app {

using ::corvid::testing::TemporaryFolder;

using Variables = std::map<std::string, std::string, std::less<>>;

inline Environment EnvironmentOf(Variables variables) {
    return [variables = std::move(variables)](std::string_view name) -> std::optional<std::string> {
        const auto found = variables.find(name);
        return found == variables.end() ? std::nullopt : std::optional(found->second);
    };
}

}  // namespace corvid::app
