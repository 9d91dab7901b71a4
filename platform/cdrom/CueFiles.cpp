#include "platform/cdrom/CueFiles.h"

#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

namespace corvid::cdrom {

namespace {

using Path = std::filesystem::path;

// A folder of more names than this is not searched name by name: a sheet
// beside a huge folder must not make opening slow.
constexpr std::size_t MAX_NAMES_TO_COMPARE = 20000;
// The folders of a path that are dropped one by one are the last few: no
// ripper writes a deeper one, and each costs a look into the sheet's folder.
constexpr std::size_t MAX_PARTS = 16;

constexpr std::array<std::string_view, 11> AUDIO_EXTENSIONS = {
    ".wav", ".flac", ".wv", ".aiff", ".aif", ".ogg", ".oga", ".opus", ".mp3", ".ape", ".tta"};

constexpr std::array<std::string_view, 4> RAW_EXTENSIONS = {".bin", ".raw", ".pcm", ".img"};

std::string AsciiFolded(std::string_view text) {
    std::string folded(text);
    std::transform(folded.begin(), folded.end(), folded.begin(), [](char letter) {
        return letter >= 'A' && letter <= 'Z' ? static_cast<char>(letter - 'A' + 'a') : letter;
    });
    return folded;
}

// One step of ICU over UTF-16 text: `step` writes into the buffer it is
// given and says how long its result is.
template <typename Step>
std::optional<std::u16string> IcuStep(std::size_t capacity, Step step) {
    std::u16string out(capacity, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    const std::int32_t length = step(out.data(), static_cast<std::int32_t>(out.size()), status);
    if (U_FAILURE(status) || length < 0 || static_cast<std::size_t>(length) > out.size()) {
        return std::nullopt;
    }
    out.resize(static_cast<std::size_t>(length));
    return out;
}

// `text` with its letters in one case and each accent as a mark of its own
// (case-folded and in Unicode's NFD): names copied from a Mac keep their
// accents apart from their letters, sheets written on Windows together,
// and the two must match. Nothing for bytes that are not UTF-8.
std::optional<std::string> UnicodeFolded(std::string_view text) {
    // Folding can make a text longer, by a few characters at most for each.
    const std::size_t capacity = text.size() * 4 + 16;
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* decomposed = unorm2_getNFDInstance(&status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    const auto wide = IcuStep(capacity, [&](char16_t* out, std::int32_t size, UErrorCode& error) {
        std::int32_t length = 0;
        u_strFromUTF8(out, size, &length, text.data(), static_cast<std::int32_t>(text.size()),
                      &error);
        return length;
    });
    const auto normalize = [&](const std::u16string& from) {
        return IcuStep(capacity, [&](char16_t* out, std::int32_t size, UErrorCode& error) {
            return unorm2_normalize(decomposed, from.data(), static_cast<std::int32_t>(from.size()),
                                    out, size, &error);
        });
    };
    const auto fold = [&](const std::u16string& from) {
        return IcuStep(capacity, [&](char16_t* out, std::int32_t size, UErrorCode& error) {
            return u_strFoldCase(out, size, from.data(), static_cast<std::int32_t>(from.size()),
                                 U_FOLD_CASE_DEFAULT, &error);
        });
    };
    if (!wide) {
        return std::nullopt;
    }
    // Decomposed, folded and decomposed again: Unicode's caseless match.
    const std::optional<std::u16string> first = normalize(*wide);
    const std::optional<std::u16string> folded = first ? fold(*first) : std::nullopt;
    const std::optional<std::u16string> last = folded ? normalize(*folded) : std::nullopt;
    if (!last) {
        return std::nullopt;
    }
    std::string out(last->size() * 3, '\0');
    std::int32_t length = 0;
    u_strToUTF8(out.data(), static_cast<std::int32_t>(out.size()), &length, last->data(),
                static_cast<std::int32_t>(last->size()), &status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    out.resize(static_cast<std::size_t>(length));
    return out;
}

// A name as it is compared with the names of a folder's files: in any
// letter case, and with its accents composed or not. Names that are not
// UTF-8 are compared in ASCII's letter case only.
std::string Folded(std::string_view text) {
    const bool ascii = std::all_of(text.begin(), text.end(), [](char letter) {
        return static_cast<unsigned char>(letter) < 0x80;
    });
    if (ascii) {
        return AsciiFolded(text);
    }
    return UnicodeFolded(text).value_or(AsciiFolded(text));
}

bool Exists(const Path& path) {
    std::error_code failure;
    return std::filesystem::exists(path, failure);
}

bool IsAudioExtension(const std::string& extension) {
    return std::find(AUDIO_EXTENSIONS.begin(), AUDIO_EXTENSIONS.end(), Folded(extension)) !=
           AUDIO_EXTENSIONS.end();
}

bool IsRawExtension(const std::string& extension) {
    return std::find(RAW_EXTENSIONS.begin(), RAW_EXTENSIONS.end(), AsciiFolded(extension)) !=
           RAW_EXTENSIONS.end();
}

// The one entry of `folder` that `accepts` takes, if there is exactly one.
template <typename Accepts>
std::optional<Path> OnlyEntry(FolderListings& listings, const Path& folder, Accepts accepts) {
    const std::vector<FolderListings::Entry>* entries = listings.Of(folder);
    if (entries == nullptr) {
        return std::nullopt;
    }
    const FolderListings::Entry* found = nullptr;
    for (const FolderListings::Entry& entry : *entries) {
        if (!accepts(entry)) {
            continue;
        }
        if (found != nullptr) {
            return std::nullopt;
        }
        found = &entry;
    }
    return found == nullptr ? std::nullopt : std::optional(folder / found->name);
}

// An entry of another audio type with the base name `foldedStem`.
bool IsAudioNamed(const FolderListings::Entry& entry, const std::string& foldedStem) {
    const Path folded(entry.folded);
    return folded.stem().string() == foldedStem && IsAudioExtension(folded.extension().string());
}

// `relative` under `folder`, each part matched in any letter case where the
// exact name is missing and exactly one entry matches.
std::optional<Path> FindInAnyCase(FolderListings& listings, const Path& folder,
                                  const std::vector<std::string>& parts) {
    Path found = folder;
    for (const std::string& part : parts) {
        if (Exists(found / part)) {
            found /= part;
            continue;
        }
        const std::string wanted = Folded(part);
        const std::optional<Path> match =
            OnlyEntry(listings, found,
                      [&](const FolderListings::Entry& entry) { return entry.folded == wanted; });
        if (!match) {
            return std::nullopt;
        }
        found = *match;
    }
    return found;
}

// The one file beside where `parts` points that has its base name and
// another audio extension.
std::optional<Path> FindOtherExtension(FolderListings& listings, const Path& folder,
                                       std::vector<std::string> parts) {
    const Path last(parts.back());
    if (!IsAudioExtension(last.extension().string())) {
        return std::nullopt;
    }
    const std::string stem = Folded(last.stem().string());
    parts.pop_back();
    const std::optional<Path> parent = FindInAnyCase(listings, folder, parts);
    if (!parent) {
        return std::nullopt;
    }
    return OnlyEntry(listings, *parent,
                     [&](const FolderListings::Entry& entry) { return IsAudioNamed(entry, stem); });
}

// The parts of a name read as a Windows path: backslashes and slashes both
// separate folders, a drive letter and empty or "." parts are dropped.
std::vector<std::string> WindowsParts(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    const bool driveLetter =
        name.size() >= 2 && name[1] == ':' &&
        ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
    if (driveLetter) {
        name.erase(0, 2);
    }
    std::vector<std::string> parts;
    std::string_view rest = name;
    while (!rest.empty()) {
        const std::size_t slash = std::min(rest.size(), rest.find('/'));
        const std::string_view part = rest.substr(0, slash);
        if (!part.empty() && part != ".") {
            parts.emplace_back(part);
        }
        rest.remove_prefix(std::min(rest.size(), slash + 1));
    }
    return parts;
}

}  // namespace

const std::vector<FolderListings::Entry>* FolderListings::Of(const Path& folder) {
    const auto known = m_listings.find(folder);
    if (known != m_listings.end()) {
        return known->second ? &*known->second : nullptr;
    }
    std::optional<std::vector<Entry>>& listing = m_listings[folder];
    std::error_code failure;
    std::filesystem::directory_iterator entries(folder, failure);
    if (failure) {
        return nullptr;
    }
    std::vector<Entry> names;
    for (const std::filesystem::directory_entry& entry : entries) {
        if (names.size() == MAX_NAMES_TO_COMPARE) {
            return nullptr;
        }
        std::string name = entry.path().filename().string();
        std::string folded = Folded(name);
        names.push_back({std::move(name), std::move(folded)});
    }
    listing = std::move(names);
    return &*listing;
}

std::optional<Path> FindCueFile(const Path& folder, const std::string& name) {
    FolderListings listings;
    return FindCueFile(folder, name, listings);
}

std::optional<Path> FindCueFile(const Path& folder, const std::string& name,
                                FolderListings& listings) {
    const Path written(name);
    const Path asWritten = written.is_absolute() ? written : folder / written;
    if (!name.empty() && Exists(asWritten)) {
        return asWritten;
    }
    std::vector<std::string> parts = WindowsParts(name);
    if (parts.empty()) {
        return std::nullopt;
    }
    if (parts.size() > MAX_PARTS) {
        parts.erase(parts.begin(), parts.end() - static_cast<std::ptrdiff_t>(MAX_PARTS));
    }
    // The whole path under the sheet's folder first, then ever shorter tails.
    for (std::size_t first = 0; first < parts.size(); ++first) {
        const std::vector<std::string> tail(parts.begin() + static_cast<std::ptrdiff_t>(first),
                                            parts.end());
        if (std::optional<Path> found = FindInAnyCase(listings, folder, tail)) {
            return found;
        }
    }
    for (std::size_t first = 0; first < parts.size(); ++first) {
        const std::vector<std::string> tail(parts.begin() + static_cast<std::ptrdiff_t>(first),
                                            parts.end());
        if (std::optional<Path> found = FindOtherExtension(listings, folder, tail)) {
            return found;
        }
    }
    return std::nullopt;
}

std::optional<Path> FindAudioNamedAfterSheet(const Path& cueSheet, FolderListings& listings) {
    const std::string stem = Folded(cueSheet.stem().string());
    return OnlyEntry(listings, cueSheet.parent_path(),
                     [&](const FolderListings::Entry& entry) { return IsAudioNamed(entry, stem); });
}

std::optional<Path> FindSheetNamedAfterAudio(const Path& audio) {
    FolderListings listings;
    const std::string stem = Folded(audio.stem().string());
    const std::string name = Folded(audio.filename().string());
    return OnlyEntry(listings, audio.parent_path(), [&](const FolderListings::Entry& entry) {
        const Path folded(entry.folded);
        const std::string sheetStem = folded.stem().string();
        return folded.extension() == ".cue" && (sheetStem == stem || sheetStem == name);
    });
}

bool IsRawAudioFileName(const Path& path) {
    return IsRawExtension(path.extension().string());
}

bool IsAudioFileName(const Path& path) {
    const std::string extension = path.extension().string();
    return IsAudioExtension(extension) || IsRawExtension(extension);
}

}  // namespace corvid::cdrom
