#include "platform/mci/MciDevice.h"

#include <algorithm>
#include <limits>
#include <type_traits>
#include <utility>

#include "platform/mci/DiscAnswers.h"
#include "platform/mci/PlayNotice.h"

namespace corvid::mci {

namespace {

using cdrom::DriveState;
using cdrom::Lba;

void WriteAnswer(std::span<char> answer, std::string_view text) {
    const std::size_t length = std::min(text.size(), answer.size() - 1);
    std::copy_n(text.begin(), length, answer.begin());
    answer[length] = '\0';
}

const cdrom::TocTrack* FindTrack(const cdrom::Toc& toc, std::uint32_t number) {
    if (number > static_cast<std::uint32_t>(std::numeric_limits<int>::max())) {
        return nullptr;
    }
    return toc.FindTrack(static_cast<int>(number));
}

}  // namespace

MciDevice::MciDevice(DriveOpener opener, cdrom::PcmSink& sink, cdrom::EngineOptions options)
    : m_opener(std::move(opener)), m_engine(sink, options) {}

MciDevice::~MciDevice() {
    m_engine.Detach();
}

MciError MciDevice::SendString(std::string_view text, std::span<char> answer,
                               NotifyWindow* notify) {
    if (!answer.empty()) {
        answer[0] = '\0';
    }
    const std::optional<Command> command = ParseCommand(text);
    Reply reply;
    if (!command) {
        reply.error = MCIERR_UNRECOGNIZED_COMMAND;
    } else if (m_drive == nullptr && !std::holds_alternative<OpenCommand>(*command)) {
        reply.error = MCIERR_INVALID_DEVICE_NAME;
    } else {
        reply = Dispatch(*command, notify);
    }
    if (reply.error == MCIERR_NONE && !answer.empty() && reply.answer.size() >= answer.size()) {
        reply.error = MCIERR_PARAM_OVERFLOW;
    }
    if (reply.error != MCIERR_NONE) {
        m_lastError = reply.error;
        m_lastErrorText = std::move(reply.errorText);
        return reply.error;
    }
    if (!answer.empty()) {
        WriteAnswer(answer, reply.answer);
    }
    // A play tells its window when it ends; any other command when it is done.
    const bool isPlay = std::holds_alternative<PlayCommand>(*command);
    if (!isPlay && notify != nullptr && FlagsOf(*command).notify == NotifyFlag::Notify) {
        notify->PostMciNotify(MciNotifyCode::Successful);
    }
    return MCIERR_NONE;
}

MciDevice::Reply MciDevice::Dispatch(const Command& command, NotifyWindow* notify) {
    const bool touchesDisc = !std::holds_alternative<OpenCommand>(command) &&
                             !std::holds_alternative<CloseCommand>(command);
    if (touchesDisc) {
        RefreshDisc();
    }
    return std::visit(
        [this, notify](const auto& typed) -> Reply {
            if constexpr (std::is_same_v<std::decay_t<decltype(typed)>, PlayCommand>) {
                return Play(typed, notify);
            } else {
                return Execute(typed);
            }
        },
        command);
}

MciDevice::Reply MciDevice::Execute(const OpenCommand&) {
    if (m_drive != nullptr) {
        return {};  // already open; it stays as it is
    }
    cdrom::DriveOpenResult opened = m_opener ? m_opener() : cdrom::DriveOpenResult{};
    if (opened.drive == nullptr) {
        cdrom::DriveError error = opened.error.value_or(
            cdrom::DriveError{MCIERR_HARDWARE, "The CD drive could not be opened."});
        return Fail(error.code, std::move(error.text));
    }
    m_drive = std::move(opened.drive);
    m_driveName = m_drive->Name();
    m_timeFormat = TimeFormat::Msf;
    m_reportOpenOnce = false;
    // A change before the open is no change the caller has seen.
    static_cast<void>(m_drive->TakeDiscChanged());
    RefreshDisc();
    return {};
}

MciDevice::Reply MciDevice::Execute(const CloseCommand&) {
    m_engine.Detach();
    m_playNotice.reset();
    m_toc.reset();
    m_names.reset();
    m_positionSource = PositionSource::DiscStart;
    m_reportOpenOnce = false;
    m_drive.reset();
    return {};
}

MciDevice::Reply MciDevice::Execute(const SetTimeFormatCommand& command) {
    m_timeFormat = command.format;
    return {};
}

MciDevice::Reply MciDevice::Execute(const SetDoorCommand& command) {
    std::optional<cdrom::DriveError> error;
    if (command.action == DoorAction::Open) {
        StopEngine();
        ForgetDisc();
        error = m_drive->OpenTray();
    } else {
        error = m_drive->CloseTray();
    }
    RefreshDisc();
    if (error) {
        return Fail(error->code, std::move(error->text));
    }
    return {};
}

MciDevice::Reply MciDevice::Execute(const StopCommand&) {
    StopEngine();
    return {};
}

MciDevice::Reply MciDevice::Execute(const InfoIdentityCommand&) {
    if (!HasDisc()) {
        return Fail(MCIERR_DEVICE_NOT_READY);
    }
    return Answer(std::to_string(DiscIdentity(*m_toc)));
}

MciDevice::Reply MciDevice::Execute(const StatusCommand& command) {
    switch (command.item) {
        case StatusItem::Mode:
            return Answer(ModeWord());
        case StatusItem::MediaPresent:
            return Answer(HasDisc() ? "true" : "false");
        default:
            break;
    }
    if (!HasDisc()) {
        return Fail(MCIERR_DEVICE_NOT_READY);
    }
    switch (command.item) {
        case StatusItem::Position:
            return Answer(PositionText(*m_toc, CurrentPosition(), m_timeFormat));
        case StatusItem::Length:
            return Answer(DiscLengthText(*m_toc, m_timeFormat));
        case StatusItem::NumberOfTracks:
            return Answer(std::to_string(m_toc->tracks.size()));
        case StatusItem::CurrentTrack:
            return Answer(std::to_string(TrackHolding(*m_toc, CurrentPosition()).number));
        default:
            return StatusOfTrack(command);
    }
}

MciDevice::Reply MciDevice::StatusOfTrack(const StatusCommand& command) {
    const cdrom::TocTrack* track = FindTrack(*m_toc, command.track);
    if (track == nullptr) {
        return Fail(MCIERR_OUTOFRANGE);
    }
    switch (command.item) {
        case StatusItem::PositionOfTrack:
            return Answer(TrackStartText(*track, m_timeFormat));
        case StatusItem::LengthOfTrack:
            return Answer(TrackLengthText(*m_toc, *track, m_timeFormat));
        case StatusItem::TypeOfTrack:
            return Answer(track->kind == cdrom::TrackKind::Audio ? "audio" : "other");
        default:
            return Fail(MCIERR_UNRECOGNIZED_COMMAND);
    }
}

MciDevice::Reply MciDevice::Play(const PlayCommand& command, NotifyWindow* notify) {
    if (!HasDisc()) {
        return Fail(MCIERR_DEVICE_NOT_READY);
    }
    std::optional<Lba> start;
    if (command.from) {
        start = ResolvePosition(*m_toc, *command.from, m_timeFormat);
    } else if (const Lba here = CurrentPosition(); here < m_toc->leadOut) {
        start = here;
    }
    if (!start) {
        return Fail(MCIERR_OUTOFRANGE);
    }
    const bool wantsNotice = command.flags.notify == NotifyFlag::Notify;
    auto notice = std::make_shared<PlayNotice>(wantsNotice ? notify : nullptr);
    m_playNotice = notice;
    m_positionSource = PositionSource::Engine;
    m_engine.Play(*m_drive, m_toc, *start, [notice](MciNotifyCode code) { notice->Finish(code); });
    if (command.flags.wait == WaitFlag::Wait) {
        return WaitForPlay(*notice);
    }
    return {};
}

MciDevice::Reply MciDevice::WaitForPlay(PlayNotice& notice) {
    if (notice.WaitForEnd() != MciNotifyCode::Failure) {
        return {};
    }
    std::optional<cdrom::DriveError> error = m_engine.Status().error;
    if (!error) {
        return Fail(MCIERR_HARDWARE);
    }
    return Fail(error->code, std::move(error->text));
}

void MciDevice::RefreshDisc() {
    if (m_drive->TakeDiscChanged()) {
        m_reportOpenOnce = true;
        ForgetDisc();
    }
    m_driveState = m_drive->State();
    if (m_driveState != DriveState::Ready) {
        ForgetDisc();
        return;
    }
    if (m_toc != nullptr) {
        return;
    }
    std::shared_ptr<const cdrom::Toc> toc = m_drive->CurrentToc();
    // A disc without a track is not one that can be listed or played.
    if (toc != nullptr && !toc->tracks.empty()) {
        m_toc = std::move(toc);
        m_names = m_drive->CurrentNames();
        // A disc swapped between the two questions: its names are not this one's.
        if (m_drive->CurrentToc() != m_toc) {
            m_names.reset();
        }
        m_positionSource = PositionSource::DiscStart;
    }
}

DiscNames MciDevice::CurrentDiscNames() {
    if (!HasDisc() || m_names == nullptr) {
        return {};
    }
    return *m_names;
}

void MciDevice::ForgetDisc() {
    if (m_playNotice != nullptr) {
        m_playNotice->MarkDiscGone();
    }
    StopEngine();
    m_playNotice.reset();
    m_toc.reset();
    m_names.reset();
    m_positionSource = PositionSource::DiscStart;
}

void MciDevice::StopEngine() {
    if (m_positionSource == PositionSource::Engine) {
        m_engine.Stop();
    }
}

std::string MciDevice::ModeWord() {
    if (std::exchange(m_reportOpenOnce, false)) {
        return "open";
    }
    switch (m_driveState) {
        case DriveState::TrayOpen:
            return "open";
        case DriveState::NoDisc:
        case DriveState::NotReady:
            return "not ready";
        case DriveState::Ready:
            break;
    }
    if (!HasDisc()) {
        return "not ready";
    }
    const bool playing = m_positionSource == PositionSource::Engine &&
                         m_engine.Status().mode == cdrom::EngineMode::Playing;
    return playing ? "playing" : "stopped";
}

Lba MciDevice::CurrentPosition() const {
    if (m_positionSource == PositionSource::Engine) {
        return m_engine.Status().position;
    }
    return m_toc->tracks.front().start;
}

std::string MciDevice::DriveLabel() const {
    return m_driveName.empty() ? std::string("the CD drive") : m_driveName;
}

std::string MciDevice::GetErrorString(MciError error) {
    if (error == m_lastError && !m_lastErrorText.empty()) {
        return m_lastErrorText;
    }
    switch (error) {
        case MCIERR_NONE:
            return "The command was carried out.";
        case MCIERR_UNRECOGNIZED_COMMAND:
            return "The CD audio device does not know this command.";
        case MCIERR_HARDWARE:
            return "A hardware error occurred in " + DriveLabel() + ".";
        case MCIERR_INVALID_DEVICE_NAME:
            return "The CD audio device for " + DriveLabel() + " is not open.";
        case MCIERR_PARAM_OVERFLOW:
            return "The answer of the CD audio device is longer than the space given for it.";
        case MCIERR_FILE_NOT_FOUND:
            return "A file that " + DriveLabel() + " needs was not found.";
        case MCIERR_DEVICE_NOT_READY:
            return "No disc is ready in " + DriveLabel() + ".";
        case MCIERR_OUTOFRANGE:
            return "The position asked for lies outside the disc in " + DriveLabel() + ".";
        case MCIERR_MUST_USE_SHAREABLE:
            return "Another program is using " + DriveLabel() + ".";
        default:
            return "The CD audio device failed with error " + std::to_string(error) + ".";
    }
}

}  // namespace corvid::mci
