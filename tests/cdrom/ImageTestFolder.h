#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace corvid::testing {

// A fresh folder under the temporary folder, removed with everything in it.
class ImageTestFolder {
  public:
    ImageTestFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "corvid-image-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "cannot make a temporary folder from " << pattern;
        }
        m_path = pattern;
    }
    ~ImageTestFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ImageTestFolder(const ImageTestFolder&) = delete;
    ImageTestFolder& operator=(const ImageTestFolder&) = delete;

    [[nodiscard]] const std::filesystem::path& Path() const { return m_path; }
    [[nodiscard]] std::filesystem::path operator/(std::string_view name) const {
        return m_path / name;
    }

    std::filesystem::path Write(std::string_view name, std::string_view bytes) const {
        const std::filesystem::path path = m_path / name;
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

  private:
    std::filesystem::path m_path;
};

}  // namespace corvid::testing
