#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace corvid {

// Error codes as the media control interface numbers them. 0 is success.
using MciError = std::uint32_t;
inline constexpr MciError MCIERR_NONE = 0;
inline constexpr MciError MCIERR_UNRECOGNIZED_COMMAND = 261;
inline constexpr MciError MCIERR_HARDWARE = 262;
inline constexpr MciError MCIERR_INVALID_DEVICE_NAME = 263;
inline constexpr MciError MCIERR_PARAM_OVERFLOW = 268;
inline constexpr MciError MCIERR_FILE_NOT_FOUND = 275;
inline constexpr MciError MCIERR_DEVICE_NOT_READY = 276;
inline constexpr MciError MCIERR_OUTOFRANGE = 282;
inline constexpr MciError MCIERR_MUST_USE_SHAREABLE = 291;

// Why a play ended, as the play's completion notice carries it.
enum class MciNotifyCode : std::uint8_t {
    Successful = 1,  // played to the end
    Superseded = 2,  // another play or a stop took its place
    Aborted = 4,
    Failure = 8,  // a read error or the disc went away
};

// The window that receives play-completion notices. PostMciNotify may be
// called from any thread; an implementation delivers the notice on the
// window's own thread, like any other message, and never calls back into the
// device from inside PostMciNotify.
class NotifyWindow {
  public:
    virtual ~NotifyWindow() = default;
    virtual void PostMciNotify(MciNotifyCode code) = 0;
};

// The MCI string-command port of the "cdaudio" device.
//
// Called on the window's thread only. SendString performs one command; an
// answer, when the command has one, is written into `answer` as a
// zero-terminated text that, with its terminator, fits answer.size() bytes.
// An empty span means the caller takes no answer. Returns MCIERR_NONE or an
// error code; on error the answer (if any) is the empty text. Only commands
// with "wait" may block; every status query answers from cached state.
// `notify` may be null; it receives the notice of a command sent with
// "notify".
class MciPort {
  public:
    virtual ~MciPort() = default;
    virtual MciError SendString(std::string_view command, std::span<char> answer,
                                NotifyWindow* notify) = 0;
    // The text for an error code, naming the drive or image it concerns.
    virtual std::string GetErrorString(MciError error) = 0;
};

}  // namespace corvid
