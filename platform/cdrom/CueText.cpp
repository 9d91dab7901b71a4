#include "platform/cdrom/CueText.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string_view>
#include <system_error>

namespace corvid::cdrom {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";
constexpr std::string_view BLANKS = " \t\r";

std::string ErrnoText(int code) {
    return std::error_code(code, std::generic_category()).message();
}

struct ReadBytes {
    std::string bytes;
    std::optional<DriveError> error;
};

ReadBytes ReadWholeFile(const std::filesystem::path& path) {
    std::error_code failure;
    const auto status = std::filesystem::status(path, failure);
    if (status.type() == std::filesystem::file_type::not_found) {
        return {{}, ImageError(MCIERR_FILE_NOT_FOUND, path, "does not exist.")};
    }
    if (failure) {
        return {
            {},
            ImageError(MCIERR_FILE_NOT_FOUND, path, "cannot be read: " + failure.message() + ".")};
    }
    if (status.type() != std::filesystem::file_type::regular) {
        return {{}, ImageError(MCIERR_INVALID_DEVICE_NAME, path, "is not a file.")};
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return {
            {},
            ImageError(MCIERR_FILE_NOT_FOUND, path, "cannot be read: " + ErrnoText(errno) + ".")};
    }
    // One byte more than allowed tells a file that is too large, even one
    // that grows while we read it.
    std::string bytes(MAX_CUE_SHEET_BYTES + 1, '\0');
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file.get());
    if (std::ferror(file.get()) != 0) {
        return {{}, ImageError(MCIERR_HARDWARE, path, "cannot be read: " + ErrnoText(errno) + ".")};
    }
    if (got > MAX_CUE_SHEET_BYTES) {
        return {{},
                ImageError(MCIERR_INVALID_DEVICE_NAME, path,
                           "is larger than a cue sheet can be (1 MiB).")};
    }
    bytes.resize(got);
    return {std::move(bytes), std::nullopt};
}

std::string_view FirstWord(std::string_view line) {
    const std::size_t begin = line.find_first_not_of(BLANKS);
    if (begin == std::string_view::npos) {
        return {};
    }
    const std::size_t end = line.find_first_of(BLANKS, begin);
    return line.substr(begin, end == std::string_view::npos ? end : end - begin);
}

std::string_view LastWord(std::string_view line) {
    const std::size_t end = line.find_last_not_of(BLANKS);
    if (end == std::string_view::npos) {
        return {};
    }
    const std::size_t space = line.find_last_of(BLANKS, end);
    const std::size_t begin = space == std::string_view::npos ? 0 : space + 1;
    return line.substr(begin, end + 1 - begin);
}

FileType TypeOf(std::string_view word) {
    if (word == "BINARY") {
        return FileType::LittleEndianPcm;
    }
    if (word == "MOTOROLA") {
        return FileType::BigEndianPcm;
    }
    return FileType::WithHeader;
}

std::optional<DriveError> ScanLines(const std::filesystem::path& path, CueText& sheet) {
    std::string_view rest = sheet.text;
    int lineNumber = 0;
    int fileLines = 0;
    FileType fileType = FileType::LittleEndianPcm;
    while (!rest.empty()) {
        ++lineNumber;
        const std::size_t newline = rest.find('\n');
        const std::string_view line = rest.substr(0, newline);
        rest = newline == std::string_view::npos ? std::string_view() : rest.substr(newline + 1);
        if (line.size() > MAX_CUE_LINE_BYTES) {
            return ImageError(
                MCIERR_INVALID_DEVICE_NAME, path,
                "is not a cue sheet: line " + std::to_string(lineNumber) + " is too long.");
        }
        const std::string_view keyword = FirstWord(line);
        if (keyword == "FILE") {
            ++fileLines;
            fileType = TypeOf(LastWord(line));
        } else if (keyword == "TRACK") {
            if (fileLines == 0) {
                return ImageError(
                    MCIERR_INVALID_DEVICE_NAME, path,
                    "has a TRACK before any FILE, on line " + std::to_string(lineNumber) + ".");
            }
            sheet.trackFiles.push_back({fileLines - 1, fileType});
        }
    }
    if (sheet.trackFiles.empty()) {
        return ImageError(MCIERR_INVALID_DEVICE_NAME, path, "is not a cue sheet: it has no TRACK.");
    }
    if (sheet.trackFiles.size() > static_cast<std::size_t>(MAX_TRACKS)) {
        return ImageError(MCIERR_INVALID_DEVICE_NAME, path, "has more than 99 tracks.");
    }
    return std::nullopt;
}

}  // namespace

DriveError ImageError(MciError code, const std::filesystem::path& path, const std::string& what) {
    return {code, "The disc image " + path.string() + " " + what};
}

CueTextResult ReadCueText(const std::filesystem::path& path) {
    ReadBytes read = ReadWholeFile(path);
    if (read.error) {
        return {std::nullopt, read.error};
    }
    if (read.bytes.find('\0') != std::string::npos) {
        return {std::nullopt, ImageError(MCIERR_INVALID_DEVICE_NAME, path,
                                         "is not a cue sheet: it holds NUL bytes.")};
    }
    CueText sheet;
    sheet.text = std::move(read.bytes);
    if (sheet.text.starts_with(BYTE_ORDER_MARK)) {
        sheet.text.erase(0, BYTE_ORDER_MARK.size());
    }
    if (auto error = ScanLines(path, sheet)) {
        return {std::nullopt, error};
    }
    return {std::move(sheet), std::nullopt};
}

}  // namespace corvid::cdrom
