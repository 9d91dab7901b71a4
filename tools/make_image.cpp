// corvid-make-image: writes a generated CD image (a cue sheet and its audio).

#include <charconv>
#include <cmath>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/imagegen/ImageGen.h"

namespace {

using namespace corvid::imagegen;

constexpr int EXIT_USAGE = 2;

constexpr std::string_view USAGE = R"(Usage: corvid-make-image [OPTION]... --track KIND:SECONDS...
Writes a CD image: a cue sheet and its audio files.

  --track audio:SECONDS   add an audio track (SECONDS may have a fraction)
  --track data:SECONDS    add a data track (MODE1/2352 unless --data-mode says)
  --data-mode mode1-2352|mode1-2048|mode2-2336|mode2-2352|cdi-2352|not-ripped
                          the last data track's mode; not-ripped is EAC's
                          MODEx/2xxx, whose sectors no file holds
  --index00 SECTORS       gap before the last track's INDEX 01, held in the file
  --pregap SECTORS        silence before the last track, held by no file
  --postgap SECTORS       silence after the last track, held by no file
  --index SECTORS         an index mark (INDEX 02, 03...) this far into the last track
  --title TEXT            title of the last track, or of the disc before any track
  --performer TEXT        performer of the last track, or of the disc
  --songwriter TEXT       songwriter of the last track, or of the disc
  --format bin|bin-be|wave|flac   audio files (default bin)
  --files single|per-track|gaps-appended|gaps-left-out
                          one file for the disc, or one per track with each
                          gap at the start of its track's file, at the end
                          of the previous one, or in none (default single)
  --signal test|music     a counting test signal or generated music (default test)
  --embed-cue none|block|tag|both
                          put the sheet into the FLAC file too (with --format
                          flac and --files single): as a CUESHEET block, as a
                          CUESHEET tag holding its text, or both (default none)
How the sheet is written, as ripping programs differ:
  --line-ends lf|crlf|cr              (default lf)
  --last-line-end present|absent      (default present)
  --byte-order-mark absent|present    (default absent)
  --keywords upper|lower|mixed        (default upper)
  --names as-written|unquoted|windows|other-case|other-extension
                          FILE names: quoted, unquoted, as a Windows path with
                          a drive letter, in upper case, or with .wav for .flac
  --encoding utf-8|windows-1252|shift-jis|windows-1251   (default utf-8)
  --extras none|all       REM, CATALOG, ISRC, FLAGS lines and an unknown keyword
  --first-gap marked|unmarked   whether track 1's INDEX 00 is written
  --output DIR            folder to write into (default .)
  --name BASE             name of the cue sheet without .cue (default image)
  --help                  show this help
A sector is 1/75 second. Prints the cue sheet's path, or the FLAC file's when
it carries the sheet.
)";

struct Options {
    DiscDescription disc;
    std::string output = ".";
    std::string name = "image";
};

struct UsageError {
    std::string text;
};

std::optional<int> ParseCount(std::string_view text) {
    int value = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (failure != std::errc() || end != text.data() + text.size() || value < 0) {
        return std::nullopt;
    }
    return value;
}

std::optional<TrackDescription> ParseTrack(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    TrackDescription track;
    const std::string_view kind = text.substr(0, colon);
    if (kind == "data") {
        track.type = TrackType::Data;
    } else if (kind != "audio") {
        return std::nullopt;
    }
    const std::string_view seconds = text.substr(colon + 1);
    double value = 0;
    const auto [end, failure] =
        std::from_chars(seconds.data(), seconds.data() + seconds.size(), value);
    if (failure != std::errc() || end != seconds.data() + seconds.size() || !(value > 0) ||
        value > 6000) {
        return std::nullopt;
    }
    track.length = static_cast<Lba>(std::lround(value * 75));
    return track;
}

template <typename Value>
std::optional<Value> Choose(std::string_view text,
                            std::initializer_list<std::pair<std::string_view, Value>> choices) {
    for (const auto& [name, value] : choices) {
        if (text == name) {
            return value;
        }
    }
    return std::nullopt;
}

std::string& TextOf(std::string_view option, TrackDescription* last, DiscDescription& disc) {
    if (option == "--title") {
        return last ? last->title : disc.title;
    }
    if (option == "--performer") {
        return last ? last->performer : disc.performer;
    }
    return last ? last->songwriter : disc.songwriter;
}

std::optional<UsageError> ApplyTrackOption(std::string_view option, std::string_view value,
                                           Options& options) {
    TrackDescription* last = options.disc.tracks.empty() ? nullptr : &options.disc.tracks.back();
    if (option == "--title" || option == "--performer" || option == "--songwriter") {
        TextOf(option, last, options.disc) = value;
        return std::nullopt;
    }
    const std::optional<int> sectors = ParseCount(value);
    if (!last) {
        return UsageError{std::string(option) + " needs a --track before it"};
    }
    if (!sectors) {
        return UsageError{std::string(option) + " takes a number of sectors, not '" +
                          std::string(value) + "'"};
    }
    if (option == "--index") {
        last->indexMarks.push_back(*sectors);
    } else if (option == "--index00") {
        last->index00 = *sectors;
    } else {
        (option == "--pregap" ? last->pregap : last->postgap) = *sectors;
    }
    return std::nullopt;
}

// Sets `target` to the choice named `value`; false when there is none.
template <typename Value>
bool Set(Value& target, std::string_view value,
         std::initializer_list<std::pair<std::string_view, Value>> choices) {
    const std::optional<Value> chosen = Choose<Value>(value, choices);
    if (chosen) {
        target = *chosen;
    }
    return chosen.has_value();
}

// The options of how the sheet is written; nothing when `option` is not one.
std::optional<bool> ApplyStyleOption(std::string_view option, std::string_view value,
                                     SheetStyle& style) {
    if (option == "--line-ends") {
        return Set(style.lineEnd, value,
                   {{"lf", LineEnd::LineFeed},
                    {"crlf", LineEnd::CarriageReturnLineFeed},
                    {"cr", LineEnd::CarriageReturn}});
    }
    if (option == "--last-line-end") {
        return Set(style.lastLineEnd, value,
                   {{"present", LastLineEnd::Present}, {"absent", LastLineEnd::Absent}});
    }
    if (option == "--byte-order-mark") {
        return Set(style.byteOrderMark, value,
                   {{"present", ByteOrderMark::Present}, {"absent", ByteOrderMark::Absent}});
    }
    if (option == "--keywords") {
        return Set(style.keywords, value,
                   {{"upper", KeywordCase::Upper},
                    {"lower", KeywordCase::Lower},
                    {"mixed", KeywordCase::Mixed}});
    }
    if (option == "--names") {
        return Set(style.naming, value,
                   {{"as-written", FileNaming::AsWritten},
                    {"unquoted", FileNaming::Unquoted},
                    {"windows", FileNaming::WindowsPath},
                    {"other-case", FileNaming::OtherLetterCase},
                    {"other-extension", FileNaming::OtherAudioExtension}});
    }
    if (option == "--encoding") {
        return Set(style.encoding, value,
                   {{"utf-8", SheetEncoding::Utf8},
                    {"windows-1252", SheetEncoding::Windows1252},
                    {"shift-jis", SheetEncoding::ShiftJis},
                    {"windows-1251", SheetEncoding::Windows1251}});
    }
    if (option == "--extras") {
        return Set(style.extras, value,
                   {{"none", SheetExtras::None}, {"all", SheetExtras::Everything}});
    }
    if (option == "--first-gap") {
        return Set(style.firstTrackGap, value,
                   {{"marked", FirstTrackGap::Marked}, {"unmarked", FirstTrackGap::Unmarked}});
    }
    return std::nullopt;
}

std::optional<UsageError> ApplyDataMode(std::string_view value, Options& options) {
    if (options.disc.tracks.empty() || options.disc.tracks.back().type != TrackType::Data) {
        return UsageError{"--data-mode needs a --track data:SECONDS before it"};
    }
    const bool known = Set(options.disc.tracks.back().dataMode, value,
                           {{"mode1-2352", DataMode::Mode1Raw},
                            {"mode1-2048", DataMode::Mode1Cooked},
                            {"mode2-2336", DataMode::Mode2Formless},
                            {"mode2-2352", DataMode::Mode2Raw},
                            {"cdi-2352", DataMode::CdiRaw},
                            {"not-ripped", DataMode::NotRipped}});
    if (!known) {
        return UsageError{"bad value '" + std::string(value) + "' for --data-mode"};
    }
    return std::nullopt;
}

std::optional<UsageError> ApplyOption(std::string_view option, std::string_view value,
                                      Options& options) {
    const auto bad = [&] {
        return UsageError{"bad value '" + std::string(value) + "' for " + std::string(option)};
    };
    if (option == "--track") {
        const auto track = ParseTrack(value);
        if (!track) {
            return bad();
        }
        options.disc.tracks.push_back(*track);
    } else if (option == "--format") {
        const auto format = Choose<AudioFormat>(value, {{"bin", AudioFormat::Binary},
                                                        {"bin-be", AudioFormat::BinaryBigEndian},
                                                        {"wave", AudioFormat::Wave},
                                                        {"flac", AudioFormat::Flac}});
        if (!format) {
            return bad();
        }
        options.disc.format = *format;
    } else if (option == "--files") {
        const auto layout =
            Choose<FileLayout>(value, {{"single", FileLayout::SingleFile},
                                       {"per-track", FileLayout::FilePerTrack},
                                       {"gaps-appended", FileLayout::FilePerTrackGapsAppended},
                                       {"gaps-left-out", FileLayout::FilePerTrackGapsLeftOut}});
        if (!layout) {
            return bad();
        }
        options.disc.layout = *layout;
    } else if (option == "--signal") {
        const auto signal =
            Choose<Signal>(value, {{"test", Signal::Test}, {"music", Signal::Music}});
        if (!signal) {
            return bad();
        }
        options.disc.signal = *signal;
    } else if (option == "--embed-cue") {
        const auto embedded = Choose<EmbeddedSheet>(value, {{"none", EmbeddedSheet::None},
                                                            {"block", EmbeddedSheet::Block},
                                                            {"tag", EmbeddedSheet::Tag},
                                                            {"both", EmbeddedSheet::BlockAndTag}});
        if (!embedded) {
            return bad();
        }
        options.disc.embedded = *embedded;
    } else if (option == "--output") {
        options.output = value;
    } else if (option == "--name") {
        options.name = value;
    } else if (option == "--index00" || option == "--pregap" || option == "--postgap" ||
               option == "--index" || option == "--title" || option == "--performer" ||
               option == "--songwriter") {
        return ApplyTrackOption(option, value, options);
    } else if (option == "--data-mode") {
        return ApplyDataMode(value, options);
    } else if (const std::optional<bool> styled =
                   ApplyStyleOption(option, value, options.disc.style)) {
        if (!*styled) {
            return bad();
        }
    } else {
        return UsageError{"unknown option " + std::string(option)};
    }
    return std::nullopt;
}

std::optional<UsageError> ParseArguments(const std::vector<std::string_view>& arguments,
                                         Options& options) {
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        std::string_view option = arguments[index];
        std::string_view value;
        if (const std::size_t equals = option.find('='); equals != std::string_view::npos) {
            value = option.substr(equals + 1);
            option = option.substr(0, equals);
        } else if (index + 1 < arguments.size()) {
            value = arguments[++index];
        } else {
            return UsageError{std::string(option) + " needs a value"};
        }
        if (auto error = ApplyOption(option, value, options)) {
            return error;
        }
    }
    if (options.disc.tracks.empty()) {
        return UsageError{"no --track given"};
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    for (const std::string_view argument : arguments) {
        if (argument == "--help") {
            std::cout << USAGE;
            return 0;
        }
    }
    Options options;
    if (auto error = ParseArguments(arguments, options)) {
        std::cerr << "corvid-make-image: " << error->text << "\n" << USAGE;
        return EXIT_USAGE;
    }
    const WriteResult result = WriteImage(options.disc, options.output, options.name);
    if (result.error) {
        std::cerr << "corvid-make-image: " << *result.error << "\n";
        return 1;
    }
    std::cout << (result.carrier.empty() ? result.cueSheet : result.carrier).string() << "\n";
    return 0;
}
