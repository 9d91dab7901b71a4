#pragma once

#include <cstdint>
#include <filesystem>

#include "platform/cdrom/CueText.h"

// Cue sheets that an audio file carries inside itself, as rippers write a
// whole disc into one file: a FLAC file's CUESHEET metadata block or its
// CUESHEET Vorbis comment, a WavPack file's "cuesheet" APEv2 tag.
namespace corvid::cdrom {

// What a file given as a disc image is: a cue sheet, or an audio file that
// may carry one.
enum class ImageSource : std::uint8_t { CueSheet, Flac, WavPack };

// By the file's first bytes, else by its extension (".flac", ".wv" in any
// letter case), so that a missing or damaged carrier is still reported as
// one. Anything else is a cue sheet.
ImageSource ImageSourceOf(const std::filesystem::path& path);

// Reads the sheet a FLAC or WavPack file carries, laid out as the text
// reader lays out a sheet with one FILE, the carrier, whatever name its FILE
// line gives. A FLAC CUESHEET block gives tracks, their INDEX points, ISRCs,
// data tracks and the catalogue number, and never names; so when a file has
// both, its tag is taken if it names the disc or a track (TITLE or
// PERFORMER), else the block. Errors name the carrier: one with neither
// "carries no cue sheet"; a tag's faults give its line; a block must be of
// a CD (44100 Hz, its CD flag set, offsets on sector boundaries, within the
// audio, in order).
CueTextResult ReadEmbeddedCue(const std::filesystem::path& carrier, ImageSource source);

}  // namespace corvid::cdrom
