#include "platform/cdrom/CueText.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
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

// The name of a FILE line: quoted, or up to the next blank.
std::string FileName(std::string_view line) {
    std::string_view rest = line.substr(line.find("FILE") + 4);
    rest.remove_prefix(std::min(rest.size(), rest.find_first_not_of(BLANKS)));
    if (rest.starts_with('"')) {
        rest.remove_prefix(1);
        return std::string(rest.substr(0, rest.find('"')));
    }
    return std::string(rest.substr(0, rest.find_first_of(BLANKS)));
}

// The number of an INDEX line, or -1.
int IndexNumber(std::string_view line) {
    std::string_view rest = line.substr(line.find("INDEX") + 5);
    rest.remove_prefix(std::min(rest.size(), rest.find_first_not_of(BLANKS)));
    int number = -1;
    std::from_chars(rest.data(), rest.data() + rest.size(), number);
    return number;
}

class LineScanner {
  public:
    LineScanner(const std::filesystem::path& path, CueText& sheet) : m_path(path), m_sheet(sheet) {}

    std::optional<DriveError> Scan(std::string_view line, int lineNumber);

  private:
    std::optional<DriveError> Error(const std::string& what) const {
        return ImageError(MCIERR_INVALID_DEVICE_NAME, m_path, what);
    }

    const std::filesystem::path& m_path;
    CueText& m_sheet;
};

std::optional<DriveError> LineScanner::Scan(std::string_view line, int lineNumber) {
    if (line.size() > MAX_CUE_LINE_BYTES) {
        return Error("is not a cue sheet: line " + std::to_string(lineNumber) + " is too long.");
    }
    const std::string_view keyword = FirstWord(line);
    const int currentFile = static_cast<int>(m_sheet.files.size()) - 1;
    if (keyword == "FILE") {
        m_sheet.files.push_back({FileName(line), TypeOf(LastWord(line))});
    } else if (keyword == "TRACK") {
        if (currentFile < 0) {
            return Error("has a TRACK before any FILE, on line " + std::to_string(lineNumber) +
                         ".");
        }
        if (m_sheet.tracks.size() == static_cast<std::size_t>(MAX_TRACKS)) {
            return Error("has more than 99 tracks.");
        }
        m_sheet.tracks.emplace_back();
    } else if (keyword == "INDEX" && !m_sheet.tracks.empty()) {
        const int number = IndexNumber(line);
        if (number == 0) {
            m_sheet.tracks.back().indexZeroFile = currentFile;
        } else if (number == 1) {
            m_sheet.tracks.back().indexOneFile = currentFile;
        }
    }
    return std::nullopt;
}

std::optional<DriveError> ScanLines(const std::filesystem::path& path, CueText& sheet) {
    LineScanner scanner(path, sheet);
    std::string_view rest = sheet.text;
    int lineNumber = 0;
    while (!rest.empty()) {
        const std::size_t newline = rest.find('\n');
        if (auto error = scanner.Scan(rest.substr(0, newline), ++lineNumber)) {
            return error;
        }
        rest = newline == std::string_view::npos ? std::string_view() : rest.substr(newline + 1);
    }
    if (sheet.tracks.empty()) {
        return ImageError(MCIERR_INVALID_DEVICE_NAME, path, "is not a cue sheet: it has no TRACK.");
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
