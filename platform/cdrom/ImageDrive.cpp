#include "platform/cdrom/ImageDrive.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "platform/cdrom/CueSheet.h"
#include "platform/cdrom/CueText.h"

namespace corvid::cdrom {

namespace {

// The sheet's TITLE and PERFORMER lines and its index marks, as a disc's names.
std::shared_ptr<const DiscNames> NamesOfImage(const DiscImage& image) {
    const ImageDiscInfo& info = image.Info();
    const Toc& toc = *image.SharedToc();
    auto names = std::make_shared<DiscNames>();
    names->title = info.texts.title;
    names->performer = info.texts.performer;
    const std::size_t trackCount = std::min(info.tracks.size(), toc.tracks.size());
    for (std::size_t index = 0; index < trackCount; ++index) {
        const ImageTrackInfo& track = info.tracks[index];
        DiscTrackNames trackNames{
            toc.tracks[index].number, track.texts.title, track.texts.performer, {}};
        for (const ImageIndexMark& mark : track.indexMarks) {
            trackNames.indexMarks.push_back({mark.number, mark.sector - toc.tracks[index].start});
        }
        if (!trackNames.title.empty() || !trackNames.performer.empty() ||
            !trackNames.indexMarks.empty()) {
            names->tracks.push_back(std::move(trackNames));
        }
    }
    return names;
}

class ImageDrive final : public Drive {
  public:
    ImageDrive(std::filesystem::path cueSheet, std::unique_ptr<DiscImage> image)
        : m_cueSheet(std::move(cueSheet)),
          m_image(std::move(image)),
          m_toc(m_image->SharedToc()),
          m_names(NamesOfImage(*m_image)) {}

    DriveState State() override {
        std::lock_guard lock(m_stateMutex);
        return m_state;
    }

    std::shared_ptr<const Toc> CurrentToc() override {
        std::lock_guard lock(m_stateMutex);
        return m_state == DriveState::Ready ? m_toc : nullptr;
    }

    std::shared_ptr<const DiscNames> CurrentNames() override {
        std::lock_guard lock(m_stateMutex);
        return m_state == DriveState::Ready ? m_names : nullptr;
    }
    bool TakeDiscChanged() override {
        std::lock_guard lock(m_stateMutex);
        return std::exchange(m_discChanged, false);
    }

    std::optional<DriveError> OpenTray() override;
    std::optional<DriveError> CloseTray() override;
    ReadResult ReadAudio(Lba start, std::span<std::int16_t> samples) override;
    void SetReadSpeed(ReadSpeed /*speed*/) override {}
    std::string Name() const override { return m_cueSheet.string(); }

  private:
    std::filesystem::path m_cueSheet;

    // Guards the image and its files: held by reads and by tray moves.
    std::mutex m_imageMutex;
    std::unique_ptr<DiscImage> m_image;
    std::optional<DriveError> m_loadError;

    // Guards what the window's thread asks for; held only for copies.
    std::mutex m_stateMutex;
    DriveState m_state = DriveState::Ready;
    std::shared_ptr<const Toc> m_toc;
    std::shared_ptr<const DiscNames> m_names;
    bool m_discChanged = false;
};

std::optional<DriveError> ImageDrive::OpenTray() {
    std::lock_guard imageLock(m_imageMutex);
    m_image.reset();
    m_loadError.reset();
    std::lock_guard lock(m_stateMutex);
    m_state = DriveState::TrayOpen;
    return std::nullopt;
}

std::optional<DriveError> ImageDrive::CloseTray() {
    std::lock_guard imageLock(m_imageMutex);
    // Closing again on an image that could not be read tries it once more.
    if (State() == DriveState::Ready) {
        return std::nullopt;
    }
    DiscImageResult loaded = LoadDiscImage(m_cueSheet);
    m_image = std::move(loaded.image);
    m_loadError = loaded.error;
    std::lock_guard lock(m_stateMutex);
    if (!m_image) {
        // The disc left while the tray was out: a change like any other, so
        // that its list is not kept for an empty drive.
        if (m_toc) {
            m_discChanged = true;
            m_toc.reset();
        }
        m_names.reset();
        m_state = DriveState::NoDisc;
        return m_loadError;
    }
    const std::shared_ptr<const Toc>& toc = m_image->SharedToc();
    if (!m_toc || *m_toc != *toc) {
        m_discChanged = true;
    }
    m_toc = toc;
    m_names = NamesOfImage(*m_image);
    m_state = DriveState::Ready;
    return std::nullopt;
}

ReadResult ImageDrive::ReadAudio(Lba start, std::span<std::int16_t> samples) {
    std::lock_guard imageLock(m_imageMutex);
    if (!m_image) {
        return {0, m_loadError.value_or(
                       ImageError(MCIERR_DEVICE_NOT_READY, m_cueSheet, "is out of its drive."))};
    }
    return m_image->Read(start, samples);
}

}  // namespace

DriveOpenResult OpenImageDrive(const std::filesystem::path& cueSheet) {
    DiscImageResult loaded = LoadDiscImage(cueSheet);
    if (!loaded.image) {
        return {nullptr, loaded.error};
    }
    return {std::make_unique<ImageDrive>(cueSheet, std::move(loaded.image)), std::nullopt};
}

}  // namespace corvid::cdrom
