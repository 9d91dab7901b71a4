#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <string>

#include "app/Environment.h"

namespace corvid::app {

// A fresh folder under the temporary folder, removed with everything in it.
class TestFolder {
  public:
    TestFolder() {
        std::string pattern = std::filesystem::temp_directory_path() / "corvid-app-XXXXXX";
        EXPECT_NE(mkdtemp(pattern.data()), nullptr) << pattern;
        m_path = pattern;
    }
    ~TestFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    [[nodiscard]] const std::filesystem::path& Path() const { return m_path; }

  private:
    std::filesystem::path m_path;
};

using Variables = std::map<std::string, std::string, std::less<>>;

inline Environment EnvironmentOf(Variables variables) {
    return [variables = std::move(variables)](std::string_view name) -> std::optional<std::string> {
        const auto found = variables.find(name);
        return found == variables.end() ? std::nullopt : std::optional(found->second);
    };
}

}  // namespace corvid::app
