#include "platform/cdrom/CueEncoding.h"

#include <iconv.h>
#include <uchardet/uchardet.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <optional>

namespace corvid::cdrom {

namespace {

constexpr std::string_view WINDOWS_1252 = "WINDOWS-1252";
constexpr std::string_view UTF8_MARK = "\xEF\xBB\xBF";

struct DetectorDeleter {
    void operator()(uchardet_t detector) const { uchardet_delete(detector); }
};

struct IconvCloser {
    explicit IconvCloser(iconv_t opened) : handle(opened) {}
    ~IconvCloser() { iconv_close(handle); }
    IconvCloser(const IconvCloser&) = delete;
    IconvCloser& operator=(const IconvCloser&) = delete;

    iconv_t handle;
};

// The length of the UTF-8 sequence that starts `text`, or 0 when it is not one.
std::size_t SequenceLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    std::uint32_t lowest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        lowest = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length) {
        return 0;
    }
    std::uint32_t code = lead & (0x7FU >> length);
    for (std::size_t index = 1; index < length; ++index) {
        const auto next = static_cast<unsigned char>(text[index]);
        if ((next & 0xC0U) != 0x80U) {
            return 0;
        }
        code = (code << 6U) | (next & 0x3FU);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < lowest || code > 0x10FFFF || surrogate ? 0 : length;
}

bool IsUtf8(std::string_view text) {
    while (!text.empty()) {
        const std::size_t length = SequenceLength(text);
        if (length == 0) {
            return false;
        }
        text.remove_prefix(length);
    }
    return true;
}

void AppendUtf8(std::uint32_t code, std::string& out) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0U | (code >> 6U)));
        out.push_back(static_cast<char>(0x80U | (code & 0x3FU)));
    } else {
        out.push_back(static_cast<char>(0xE0U | (code >> 12U)));
        out.push_back(static_cast<char>(0x80U | ((code >> 6U) & 0x3FU)));
        out.push_back(static_cast<char>(0x80U | (code & 0x3FU)));
    }
}

// Windows-1252 by hand: glibc's converter refuses its five unassigned bytes,
// which are kept here as the control characters of the same number.
std::string FromWindows1252(std::string_view bytes) {
    static constexpr std::array<std::uint16_t, 32> HIGH_CONTROLS = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        const bool control = value >= 0x80 && value < 0xA0;
        AppendUtf8(control ? HIGH_CONTROLS[value - 0x80U] : value, out);
    }
    return out;
}

std::optional<std::string> Convert(std::string_view bytes, const std::string& from) {
    const iconv_t handle = iconv_open("UTF-8", from.c_str());
    if (handle == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    const IconvCloser closer(handle);
    std::string input(bytes);
    // No code page takes more than four UTF-8 bytes for one of its bytes.
    std::string output(input.size() * 4 + 4, '\0');
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = output.data();
    std::size_t outLeft = output.size();
    if (iconv(handle, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) {
        return std::nullopt;
    }
    output.resize(output.size() - outLeft);
    return output;
}

std::string Detect(std::string_view bytes) {
    const std::unique_ptr<std::remove_pointer_t<uchardet_t>, DetectorDeleter> detector(
        uchardet_new());
    if (!detector || uchardet_handle_data(detector.get(), bytes.data(), bytes.size()) != 0) {
        return {};
    }
    uchardet_data_end(detector.get());
    const char* charset = uchardet_get_charset(detector.get());
    return charset == nullptr ? std::string() : std::string(charset);
}

// The code page to read the bytes in, from uchardet's guess.
std::string TrustedEncoding(const std::string& guess) {
    static constexpr std::string_view OTHER_SCRIPTS[] = {
        "SHIFT_JIS",    "EUC-JP",     "ISO-2022-JP",  "GB18030",      "BIG5",
        "EUC-KR",       "EUC-TW",     "UHC",          "WINDOWS-1251", "KOI8-R",
        "KOI8-U",       "IBM866",     "IBM855",       "ISO-8859-5",   "MAC-CYRILLIC",
        "WINDOWS-1253", "ISO-8859-7", "WINDOWS-1255", "ISO-8859-8",   "WINDOWS-1256",
        "ISO-8859-6",   "TIS-620",    "WINDOWS-1258", "VISCII"};
    // Windows programs wrote Microsoft's variant of Shift-JIS.
    if (guess == "SHIFT_JIS") {
        return "CP932";
    }
    const bool trusted = std::find(std::begin(OTHER_SCRIPTS), std::end(OTHER_SCRIPTS), guess) !=
                         std::end(OTHER_SCRIPTS);
    return trusted ? guess : std::string(WINDOWS_1252);
}

// UTF-8 with each byte that starts no valid sequence read as Windows-1252.
std::string Utf8WithStrayBytes(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    while (!bytes.empty()) {
        const std::size_t length = SequenceLength(bytes);
        if (length == 0) {
            out += FromWindows1252(bytes.substr(0, 1));
            bytes.remove_prefix(1);
            continue;
        }
        out.append(bytes.substr(0, length));
        bytes.remove_prefix(length);
    }
    return out;
}

// The bytes read in one code page; none when they are not text in it.
std::optional<std::string> ReadAs(std::string_view bytes, const std::string& encoding) {
    if (encoding == WINDOWS_1252) {
        return FromWindows1252(bytes);
    }
    return Convert(bytes, encoding);
}

// UTF-16 written without its mark: a sheet is mostly ASCII keywords and
// digits, so one byte of nearly every pair is zero, and always the same one.
std::optional<std::string> UnmarkedUtf16Encoding(std::string_view bytes) {
    constexpr std::size_t SAMPLED_PAIRS = 256;
    const std::size_t pairs = std::min(bytes.size() / 2, SAMPLED_PAIRS);
    if (pairs < 2) {
        return std::nullopt;
    }
    std::size_t zeroFirst = 0;
    std::size_t zeroSecond = 0;
    for (std::size_t pair = 0; pair < pairs; ++pair) {
        zeroFirst += bytes[2 * pair] == '\0' ? 1 : 0;
        zeroSecond += bytes[2 * pair + 1] == '\0' ? 1 : 0;
    }
    const auto mostly = [pairs](std::size_t count) { return count * 4 >= pairs * 3; };
    // A few wide characters (of CJK scripts, say) have a zero byte of their own.
    const auto few = [pairs](std::size_t count) { return count * 16 < pairs; };
    if (mostly(zeroSecond) && few(zeroFirst)) {
        return "UTF-16LE";
    }
    if (mostly(zeroFirst) && few(zeroSecond)) {
        return "UTF-16BE";
    }
    return std::nullopt;
}

std::optional<CueSheetText> FromUtf16(std::string_view bytes) {
    std::string encoding;
    if (bytes.starts_with("\xFF\xFE")) {
        encoding = "UTF-16LE";
        bytes.remove_prefix(2);
    } else if (bytes.starts_with("\xFE\xFF")) {
        encoding = "UTF-16BE";
        bytes.remove_prefix(2);
    } else if (std::optional<std::string> unmarked = UnmarkedUtf16Encoding(bytes)) {
        encoding = std::move(*unmarked);
    } else {
        return std::nullopt;
    }
    std::optional<std::string> text = Convert(bytes, encoding);
    if (!text) {
        return std::nullopt;
    }
    return CueSheetText{std::move(*text), encoding};
}

}  // namespace

CueSheetText CueSheetToUtf8(std::string_view bytes) {
    // Before UTF-8: UTF-16 of ASCII text, zeros and all, is valid UTF-8.
    if (std::optional<CueSheetText> wide = FromUtf16(bytes)) {
        return std::move(*wide);
    }
    if (IsUtf8(bytes)) {
        return {std::string(bytes), "UTF-8"};
    }
    if (bytes.starts_with(UTF8_MARK)) {
        return {Utf8WithStrayBytes(bytes), "UTF-8"};
    }
    const std::string encoding = TrustedEncoding(Detect(bytes));
    if (encoding != WINDOWS_1252) {
        if (std::optional<std::string> text = Convert(bytes, encoding)) {
            return {std::move(*text), encoding};
        }
    }
    return {FromWindows1252(bytes), std::string(WINDOWS_1252)};
}

std::vector<CueSheetText> OtherReadingsOf(std::string_view bytes) {
    if (IsUtf8(bytes) || FromUtf16(bytes) || bytes.starts_with(UTF8_MARK)) {
        return {};
    }
    // The code pages that rippers on Windows wrote sheets in, by how many
    // people use them.
    static constexpr std::string_view CODE_PAGES[] = {
        WINDOWS_1252,   "WINDOWS-1250", "WINDOWS-1251", "CP932",        "GB18030",
        "CP949",        "BIG5",         "WINDOWS-1254", "WINDOWS-1257", "WINDOWS-1253",
        "WINDOWS-1255", "WINDOWS-1256", "WINDOWS-1258", "ISO-8859-2",   "KOI8-R"};
    const std::string chosen = CueSheetToUtf8(bytes).encoding;
    std::vector<std::string> encodings;
    const std::string guess = Detect(bytes);
    if (!guess.empty()) {
        encodings.push_back(guess == "SHIFT_JIS" ? "CP932" : guess);
    }
    encodings.insert(encodings.end(), std::begin(CODE_PAGES), std::end(CODE_PAGES));
    std::vector<CueSheetText> readings;
    std::vector<std::string> tried{chosen};
    for (const std::string& encoding : encodings) {
        if (std::find(tried.begin(), tried.end(), encoding) != tried.end()) {
            continue;
        }
        tried.push_back(encoding);
        if (std::optional<std::string> text = ReadAs(bytes, encoding)) {
            readings.push_back({std::move(*text), encoding});
        }
    }
    return readings;
}

}  // namespace corvid::cdrom
