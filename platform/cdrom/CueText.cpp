#include "platform/cdrom/CueText.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>

#include "platform/cdrom/CueEncoding.h"

namespace corvid::cdrom {

namespace {

constexpr std::size_t READ_PIECE_BYTES = 16 * 1024;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string ErrnoText(int code) {
    return std::error_code(code, std::generic_category()).message();
}

struct ReadBytes {
    std::string bytes;
    std::optional<DriveError> error;
};

ReadBytes ReadWholeFile(const std::filesystem::path& path) {
    if (auto error = CheckImageFile(path)) {
        return {{}, error};
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return {
            {},
            ImageError(MCIERR_FILE_NOT_FOUND, path, "cannot be read: " + ErrnoText(errno) + ".")};
    }
    // One byte more than allowed tells a file that is too large, even one
    // that grows while we read it. Read a piece at a time, as a buffer of
    // the largest size costs more to clear than a sheet to read.
    std::string bytes;
    std::array<char, READ_PIECE_BYTES> piece{};
    while (bytes.size() <= MAX_CUE_SHEET_BYTES) {
        const std::size_t got = std::fread(piece.data(), 1, piece.size(), file.get());
        bytes.append(piece.data(), got);
        if (got < piece.size()) {
            break;
        }
    }
    if (std::ferror(file.get()) != 0) {
        return {{}, ImageError(MCIERR_HARDWARE, path, "cannot be read: " + ErrnoText(errno) + ".")};
    }
    if (bytes.size() > MAX_CUE_SHEET_BYTES) {
        return {{},
                ImageError(MCIERR_INVALID_DEVICE_NAME, path,
                           "is larger than a cue sheet can be (1 MiB).")};
    }
    return {std::move(bytes), std::nullopt};
}

}  // namespace

std::optional<DriveError> CheckImageFile(const std::filesystem::path& path) {
    std::error_code failure;
    const auto status = std::filesystem::status(path, failure);
    if (status.type() == std::filesystem::file_type::not_found) {
        return ImageError(MCIERR_FILE_NOT_FOUND, path, "does not exist.");
    }
    if (failure) {
        return ImageError(MCIERR_FILE_NOT_FOUND, path,
                          "cannot be read: " + failure.message() + ".");
    }
    if (status.type() != std::filesystem::file_type::regular) {
        return ImageError(MCIERR_INVALID_DEVICE_NAME, path, "is not a file.");
    }
    return std::nullopt;
}

DriveError ImageError(MciError code, const std::filesystem::path& path, const std::string& what) {
    return {code, "The disc image " + path.string() + " " + what};
}

DriveError SheetError(const std::filesystem::path& path, const CueParseError& error) {
    if (error.line == 0) {
        return ImageError(MCIERR_INVALID_DEVICE_NAME, path, error.what + ".");
    }
    return ImageError(MCIERR_INVALID_DEVICE_NAME, path,
                      "line " + std::to_string(error.line) + ": " + error.what + ".");
}

CueTextResult ReadCueText(const std::filesystem::path& path) {
    ReadBytes read = ReadWholeFile(path);
    if (read.error) {
        return {std::nullopt, read.error, {}};
    }
    CueSheetText text = CueSheetToUtf8(read.bytes);
    CueParseResult parsed = ParseCueSheet(text.text);
    if (parsed.error) {
        return {std::nullopt, SheetError(path, *parsed.error), std::move(text.encoding)};
    }
    return {std::move(parsed.sheet), std::nullopt, std::move(text.encoding)};
}

std::vector<CueTextResult> OtherCueTextReadings(const std::filesystem::path& path) {
    const ReadBytes read = ReadWholeFile(path);
    if (read.error) {
        return {};
    }
    std::vector<CueTextResult> readings;
    for (CueSheetText& text : OtherReadingsOf(read.bytes)) {
        CueParseResult parsed = ParseCueSheet(text.text);
        if (!parsed.error) {
            readings.push_back({std::move(parsed.sheet), std::nullopt, std::move(text.encoding)});
        }
    }
    return readings;
}

}  // namespace corvid::cdrom
