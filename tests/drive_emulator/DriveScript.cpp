#include "tests/drive_emulator/DriveScript.h"

#include <charconv>
#include <sstream>
#include <vector>

namespace corvid::drive_emulator {

namespace {

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t begin = line.find_first_not_of(" \t\r", at);
        if (begin == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(line.find_first_of(" \t\r", begin), line.size());
        words.push_back(line.substr(begin, end - begin));
        at = end;
    }
    return words;
}

template <class Number>
bool ReadNumber(std::string_view word, Number& number) {
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), number);
    return error == std::errc() && end == word.data() + word.size();
}

bool ReadYesNo(std::string_view word, bool& value) {
    if (word != "yes" && word != "no") {
        return false;
    }
    value = word == "yes";
    return true;
}

// The rest of the line after its first word, for a path with spaces.
std::string_view RestAfterKeyword(std::string_view line, std::string_view keyword) {
    std::string_view rest = line.substr(line.find(keyword) + keyword.size());
    const std::size_t begin = rest.find_first_not_of(" \t");
    if (begin == std::string_view::npos) {
        return {};
    }
    rest = rest.substr(begin);
    while (!rest.empty() && (rest.back() == '\r' || rest.back() == ' ')) {
        rest.remove_suffix(1);
    }
    return rest;
}

bool ReadLine(std::string_view line, DriveScript& script) {
    const std::vector<std::string_view> words = Words(line);
    if (words.empty() || words[0].starts_with('#')) {
        return true;
    }
    const std::string_view keyword = words[0];
    if (keyword == "disc" && words.size() >= 2) {
        const std::string_view path = RestAfterKeyword(line, keyword);
        script.disc = path == "none" ? std::string() : std::string(path);
        return true;
    }
    if (words.size() == 2) {
        const std::string_view value = words[1];
        if (keyword == "tray" && (value == "open" || value == "closed")) {
            script.tray = value == "open" ? TrayPosition::Open : TrayPosition::Closed;
            return true;
        }
        if (keyword == "spin-up-ms") {
            return ReadNumber(value, script.spinUpMilliseconds);
        }
        if (keyword == "max-speed") {
            return ReadNumber(value, script.maxSpeed) && script.maxSpeed > 0;
        }
        if (keyword == "held-by-another") {
            return ReadYesNo(value, script.heldByAnother);
        }
        if (keyword == "permission") {
            return ReadYesNo(value, script.permitted);
        }
        if (keyword == "unplugged") {
            return ReadYesNo(value, script.unplugged);
        }
        if (keyword == "generation") {
            return ReadNumber(value, script.generation);
        }
        if (keyword == "session") {
            return ReadNumber(value, script.session);
        }
        if (keyword == "scratch" && value == "none") {
            script.scratch.reset();
            return true;
        }
    }
    if (keyword == "scratch" && words.size() == 4) {
        ScratchedSectors scratch;
        if (!ReadNumber(words[1], scratch.first) || !ReadNumber(words[2], scratch.last) ||
            !ReadNumber(words[3], scratch.retryMilliseconds) || scratch.last < scratch.first) {
            return false;
        }
        script.scratch = scratch;
        return true;
    }
    return false;
}

}  // namespace

ScriptParse ParseDriveScript(std::string_view text) {
    ScriptParse parse;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = text.substr(at, end - at);
        if (!ReadLine(line, parse.script) && parse.problem.empty()) {
            parse.problem = std::string(line);
        }
        at = end + 1;
    }
    return parse;
}

std::string FormatDriveScript(const DriveScript& script) {
    std::ostringstream text;
    text << "disc " << (script.disc.empty() ? "none" : script.disc) << '\n'
         << "tray " << (script.tray == TrayPosition::Open ? "open" : "closed") << '\n'
         << "spin-up-ms " << script.spinUpMilliseconds << '\n'
         << "max-speed " << script.maxSpeed << '\n';
    if (script.scratch) {
        text << "scratch " << script.scratch->first << ' ' << script.scratch->last << ' '
             << script.scratch->retryMilliseconds << '\n';
    } else {
        text << "scratch none\n";
    }
    text << "held-by-another " << (script.heldByAnother ? "yes" : "no") << '\n'
         << "permission " << (script.permitted ? "yes" : "no") << '\n'
         << "unplugged " << (script.unplugged ? "yes" : "no") << '\n'
         << "generation " << script.generation << '\n'
         << "session " << script.session << '\n';
    return text.str();
}

}  // namespace corvid::drive_emulator
