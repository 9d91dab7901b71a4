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
  --track data:SECONDS    add a MODE1/2352 data track
  --index00 SECTORS       gap before the last track's INDEX 01, held in the file
  --pregap SECTORS        silence before the last track, held by no file
  --title TEXT            title of the last track, or of the disc before any track
  --performer TEXT        performer of the last track, or of the disc
  --format bin|bin-be|wave|flac   audio files (default bin)
  --files single|per-track|gaps-appended
                          one file for the disc, or one per track with each
                          gap at the start of its track's file or at the end
                          of the previous one (default single)
  --signal test|music     a counting test signal or generated music (default test)
  --output DIR            folder to write into (default .)
  --name BASE             name of the cue sheet without .cue (default image)
  --help                  show this help
A sector is 1/75 second. Prints the cue sheet's path.
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

std::optional<UsageError> ApplyTrackOption(std::string_view option, std::string_view value,
                                           Options& options) {
    TrackDescription* last = options.disc.tracks.empty() ? nullptr : &options.disc.tracks.back();
    if (option == "--title" || option == "--performer") {
        std::string& target =
            last ? (option == "--title" ? last->title : last->performer)
                 : (option == "--title" ? options.disc.title : options.disc.performer);
        target = value;
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
    (option == "--index00" ? last->index00 : last->pregap) = *sectors;
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
                                       {"gaps-appended", FileLayout::FilePerTrackGapsAppended}});
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
    } else if (option == "--output") {
        options.output = value;
    } else if (option == "--name") {
        options.name = value;
    } else if (option == "--index00" || option == "--pregap" || option == "--title" ||
               option == "--performer") {
        return ApplyTrackOption(option, value, options);
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
    std::cout << result.cueSheet.string() << "\n";
    return 0;
}
