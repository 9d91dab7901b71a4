#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include <pulse/pulseaudio.h>

#include "platform/cdrom/PcmSink.h"
#include "platform/sound/PulseHandles.h"

namespace corvid::sound {

struct PulseSinkOptions {
    // The server as libpulse names it ("unix:/run/user/1000/pulse/native").
    // Empty: libpulse's own choice (PULSE_SERVER, then the user's server).
    std::string serverAddress;
    // What the stream keeps buffered on the server. Long, as paplay's, so
    // that the server asks for more in large pieces, rarely: a stop and a
    // seek flush it, a pause corks it, and the position comes from the
    // server's clock, so none of them waits for the buffer to play out.
    std::chrono::milliseconds targetLatency{2000};
    // How often to try again while no server can be reached.
    std::chrono::milliseconds reconnectInterval{1000};
};

// How far the sink's link to the server has come.
enum class ServerLink : std::uint8_t {
    Absent,      // no server; trying again every reconnectInterval
    Connecting,  // the connection or the stream is being made
    Streaming,   // the stream is there
};

// The sink on a PulseAudio server (or PipeWire serving its protocol): one
// stream, "Corvid Player", for the sink's whole life, corked while paused.
//
// Threads: the stream is served by libpulse's threaded main loop, on which
// the source is pulled and told of drains and losses; the source may call the
// sink from there (but not WaitUntil). Every other call takes that loop's lock
// only for short local work; none waits for the server.
//
// No server: the sink is made all the same and tries again every
// reconnectInterval. Frames pulled but never heard are given back to the
// source (OnLost) before it is pulled again; state and volume are kept and
// given to the next stream. The volume control is there whenever libpulse
// runs, server or not.
class PulseSink final : public cdrom::PcmSink {
  public:
    static constexpr const char* STREAM_NAME = "Corvid Player";

    explicit PulseSink(PulseSinkOptions options = {});
    ~PulseSink() override;
    PulseSink(const PulseSink&) = delete;
    PulseSink& operator=(const PulseSink&) = delete;

    void SetSource(cdrom::PcmSource* source) override;
    void SetState(cdrom::SinkState state) override;
    void Flush() override;
    [[nodiscard]] std::int64_t HeardFrames() const override;
    [[nodiscard]] bool HasVolumeControl() const override;
    [[nodiscard]] cdrom::VolumeLevels GetVolume() const override;
    void SetVolume(cdrom::VolumeLevels levels) override;

    [[nodiscard]] ServerLink Link() const;
    // Waits until `condition` holds, checked again whenever the link, the
    // volume, the stream's timing or its buffer changes. False when it still
    // does not hold after `timeout`. For tests and tools; the window never
    // waits. `condition` may call the sink.
    bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) const;

  private:
    enum class VolumeOrigin : std::uint8_t { ServerDefault, Known };

    static void OnContextState(pa_context* context, void* self);
    static void OnSubscription(pa_context* context, pa_subscription_event_type_t event,
                               std::uint32_t index, void* self);
    static void OnSinkInputInfo(pa_context* context, const pa_sink_input_info* info, int end,
                                void* self);
    static void OnStreamState(pa_stream* stream, void* self);
    static void OnWritable(pa_stream* stream, std::size_t bytes, void* self);
    static void OnTimingUpdate(pa_stream* stream, void* self);
    static void OnDrainDone(pa_stream* stream, int success, void* self);
    static void OnReconnectTimer(pa_mainloop_api* api, pa_time_event* event, const struct timeval*,
                                 void* self);
    static void OnPullTimer(pa_mainloop_api* api, pa_time_event* event, const struct timeval*,
                            void* self);
    static void OnTimingTimer(pa_mainloop_api* api, pa_time_event* event, const struct timeval*,
                              void* self);

    // All below run with the main loop's lock held.
    void Connect();
    void HandleContextReady();
    void CreateStream();
    void HandleStreamReady();
    void LoseServer();
    void GiveBackUnheardFrames();
    void ReleaseStream();
    void WakePuller();
    void FillStream();
    void StartDrain();
    void FinishDrain();
    void SetCorked(bool corked);
    void ApplyVolume();
    void QueryVolume();
    void TakeVolume(const pa_sink_input_info& info);
    void RefreshHeard() const;
    // Asks the server for the stream's timing now, and again every while it plays.
    void RequestTiming();
    // The same, from a write, once the last request is nearly due again.
    void RequestTimingWithWrite();
    // Asks now, and again after `nextRequest` unless a write asks first.
    void SendTimingRequest(std::chrono::milliseconds nextRequest);
    void ArmTimer(TimeEventPtr& timer, std::chrono::milliseconds delay,
                  void (*callback)(pa_mainloop_api*, pa_time_event*, const struct timeval*, void*));
    [[nodiscard]] bool CanPull() const;
    void Notify() const;

    const PulseSinkOptions m_options;
    MainloopPtr m_mainloop;
    pa_mainloop_api* m_api = nullptr;
    ContextPtr m_context;
    StreamPtr m_stream;
    OperationPtr m_drain;
    TimeEventPtr m_reconnectTimer;
    TimeEventPtr m_pullTimer;
    TimeEventPtr m_timingTimer;

    cdrom::PcmSource* m_source = nullptr;
    cdrom::SinkState m_state = cdrom::SinkState::Paused;
    ServerLink m_link = ServerLink::Absent;
    std::uint32_t m_streamIndex = PA_INVALID_INDEX;
    pa_usec_t m_lastTimingRequest = 0;  // on libpulse's monotonic clock
    bool m_streamCorked = true;
    bool m_endOfStream = false;  // the source said so; the stream drains
    bool m_drained = false;      // and everything pulled has been heard
    bool m_drainWaited = false;  // for the last frames after the server's answer

    // Frames since the last Flush: heard on streams that are gone, and
    // written to and heard on the stream there is now.
    std::int64_t m_heardBefore = 0;
    std::int64_t m_streamPulled = 0;
    mutable std::int64_t m_streamHeard = 0;

    // Written under the loop's lock, read without it: the window and the
    // desktop's controls ask for it five times a second.
    std::atomic<cdrom::VolumeLevels> m_volume{cdrom::VolumeLevels{}};
    VolumeOrigin m_volumeOrigin = VolumeOrigin::ServerDefault;
    // Volume queries are answered in order; those sent before our own last
    // change would carry the old volume.
    std::uint64_t m_volumeQueriesSent = 0;
    std::uint64_t m_volumeRepliesSeen = 0;
    std::uint64_t m_firstFreshReply = 0;

    mutable std::mutex m_changeMutex;
    mutable std::condition_variable m_changed;
    mutable std::uint64_t m_changes = 0;
};

}  // namespace corvid::sound
