#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "cdaudio/DiscNames.h"
#include "cdaudio/MciPort.h"
#include "platform/cdrom/Toc.h"

namespace corvid::cdrom {

enum class DriveState : std::uint8_t {
    TrayOpen,
    NoDisc,    // tray closed, nothing in it
    NotReady,  // a disc is in, its table of contents not read yet
    Ready,     // a disc is in and CurrentToc() holds its table of contents
};

// A failure of the drive, with the MCI code the device answers and a text
// that names the drive or image: "No CD drive was found at /dev/cdrom."
struct DriveError {
    MciError code = MCIERR_HARDWARE;
    std::string text;
};

enum class ReadSpeed : std::uint8_t {
    Quiet,  // low and quiet: the buffer is full enough
    Fast,   // the buffer runs short
};

struct ReadResult {
    int sectorsRead = 0;              // whole sectors written, from the first
    std::optional<DriveError> error;  // set when fewer than asked were read
};

// A CD drive, real or an image in a virtual tray.
//
// Threads: State, CurrentToc, TakeDiscChanged and Name are called on the
// window's thread and answer from cached state at once: they never wait on
// the hardware. ReadAudio and SetReadSpeed are called on the playback
// engine's reader thread, possibly while the window's thread asks for state.
// OpenTray and CloseTray are called on the window's thread while no read is
// in progress (the engine is stopped first); they block until the tray has
// moved.
class Drive {
  public:
    virtual ~Drive() = default;

    [[nodiscard]] virtual DriveState State() = 0;
    // The table of contents, read once per disc; null unless State() is Ready.
    [[nodiscard]] virtual std::shared_ptr<const Toc> CurrentToc() = 0;
    // True once for each change of disc since the previous call, so that a
    // disc swapped between two polls is not taken for the old one.
    [[nodiscard]] virtual bool TakeDiscChanged() = 0;
    // What the disc in CurrentToc() names: CD-TEXT, or an image's sheet. Null
    // when the drive reads no names or holds no disc.
    [[nodiscard]] virtual std::shared_ptr<const DiscNames> CurrentNames() { return nullptr; }

    virtual std::optional<DriveError> OpenTray() = 0;
    virtual std::optional<DriveError> CloseTray() = 0;

    // Reads samples.size() / SAMPLES_PER_SECTOR whole sectors of CD-DA from
    // `start`: interleaved 16-bit stereo in host byte order. Sectors of a
    // pregap that no file holds read as silence.
    virtual ReadResult ReadAudio(Lba start, std::span<std::int16_t> samples) = 0;
    virtual void SetReadSpeed(ReadSpeed speed) = 0;

    // What messages call the drive: its device path or the image's path.
    [[nodiscard]] virtual std::string Name() const = 0;
};

// Where the "cdaudio" device finds its disc.
struct DriveLocation {
    enum class Kind : std::uint8_t { Device, Image };
    Kind kind = Kind::Device;
    std::filesystem::path path = "/dev/cdrom";
};

struct DriveOpenResult {
    std::unique_ptr<Drive> drive;     // null on failure
    std::optional<DriveError> error;  // set on failure
};

// Opens a real drive (libcdio) or a cue sheet image (our cue sheet reader, libsndfile).
DriveOpenResult OpenDrive(const DriveLocation& location);

}  // namespace corvid::cdrom
