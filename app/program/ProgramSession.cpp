#include "app/program/ProgramSession.h"

#include <string>
#include <system_error>
#include <variant>

#include "app/UserFolders.h"

namespace corvid::app {
namespace {

std::filesystem::path CurrentFolder() {
    std::error_code ignored;
    return std::filesystem::current_path(ignored);
}

// The track list folder, made when missing. When it cannot be, the user is
// told and the lists are kept in the current folder for this run.
std::filesystem::path TrackListFolder(const Environment& environment,
                                      window::WindowSystem& windows) {
    FolderOrError folder = CreateTrackListFolder(environment);
    if (auto* path = std::get_if<std::filesystem::path>(&folder)) {
        return std::move(*path);
    }
    std::filesystem::path current = CurrentFolder();
    const std::string text = std::get<FolderError>(folder).text +
                             "\nTrack lists are read and saved in " + current.string() +
                             " instead.";
    windows.ShowMessageBox(text, window::MessageBoxButtons::OK);
    return current;
}

}  // namespace

cdrom::DriveLocation DriveLocationOf(const CommandOptions& options) {
    if (options.image) {
        return {cdrom::DriveLocation::Kind::Image, *options.image};
    }
    return {cdrom::DriveLocation::Kind::Device, options.device};
}

names::NameServers NameServersOf(const CommandOptions& options) {
    names::NameServers servers;
    if (!options.musicBrainzServer.empty()) {
        servers.musicBrainz = QUrl(QString::fromStdString(options.musicBrainzServer));
    }
    if (!options.gnudbServer.empty()) {
        servers.gnudb = QUrl(QString::fromStdString(options.gnudbServer));
    }
    return servers;
}

ProgramSession::ProgramSession(const CommandOptions& options, const Environment& environment,
                               window::WindowSystem& windows)
    : m_windows(windows),
      m_trackListFolder(TrackListFolder(environment, windows)),
      m_mixer(m_sink),
      m_device([location = DriveLocationOf(options)] { return cdrom::OpenDrive(location); },
               m_sink),
      m_nameLookup(QStringLiteral(CORVID_NAMES_MODULE), m_timers,
                   names::ClientIdentity{.version = std::string(PROGRAM_VERSION),
                                         .projectPage = std::string(PROJECT_PAGE)},
                   NameServersOf(options)) {}

ui::PlayerPorts ProgramSession::Ports() {
    return {m_windows, m_device, m_device, m_mixer, m_nameLookup, m_trackListFolder};
}

}  // namespace corvid::app
