#include "platform/sound/PulseSink.h"

#include <pulse/rtclock.h>

#include <algorithm>
#include <span>

#include "platform/cdrom/Toc.h"
#include "platform/sound/PulseVolume.h"

namespace corvid::sound {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t FRAME_BYTES = cdrom::CHANNELS * sizeof(std::int16_t);
// How soon to ask a source that ran short again. Nothing is played in its
// place: the server waits, as it does before the first sound.
constexpr std::chrono::milliseconds SHORT_SOURCE_RETRY = 15ms;
// What the server waits for before it starts to play.
constexpr std::chrono::milliseconds START_BUFFER = 50ms;
// How often the stream's clock is set right by the server's while it plays.
// libpulse's automatic updates come every 1.5 s, and go on while corked.
constexpr std::chrono::milliseconds TIMING_INTERVAL = 1000ms;
// Once the sound runs, the question rides on a write, which wakes this thread
// anyway, when the last answer is this close to due. Writes come every
// quarter of the target latency, every half second or sooner, so the timer
// then asks only when no write comes.
constexpr std::chrono::milliseconds TIMING_SLACK = 250ms;

constexpr pa_sample_spec SAMPLE_SPEC = {PA_SAMPLE_S16NE, cdrom::SAMPLE_RATE, cdrom::CHANNELS};

pa_usec_t Microseconds(std::chrono::milliseconds duration) {
    return static_cast<pa_usec_t>(std::chrono::microseconds(duration).count());
}

// To the nearest frame: libpulse floors byte counts to whole microseconds, so
// flooring again would lose the last frame of a stream.
std::chrono::milliseconds DurationOf(std::int64_t frames) {
    return std::chrono::milliseconds((frames * 1000 + cdrom::SAMPLE_RATE - 1) / cdrom::SAMPLE_RATE);
}

std::int64_t FramesAt(pa_usec_t time) {
    return static_cast<std::int64_t>((time * cdrom::SAMPLE_RATE + PA_USEC_PER_SEC / 2) /
                                     PA_USEC_PER_SEC);
}

PulseSink& Self(void* self) {
    return *static_cast<PulseSink*>(self);
}

}  // namespace

PulseSink::PulseSink(PulseSinkOptions options) : m_options(std::move(options)) {
    m_mainloop.reset(pa_threaded_mainloop_new());
    if (!m_mainloop) {
        return;
    }
    m_api = pa_threaded_mainloop_get_api(m_mainloop.get());
    Connect();
    if (pa_threaded_mainloop_start(m_mainloop.get()) < 0) {
        m_stream.reset();
        m_context.reset();
        m_reconnectTimer.reset();
        m_mainloop.reset();
        m_link = ServerLink::Absent;
    }
}

PulseSink::~PulseSink() {
    if (!m_mainloop) {
        return;
    }
    // Once the loop has stopped no callback can run: the objects go in peace.
    pa_threaded_mainloop_stop(m_mainloop.get());
    m_drain.reset();
    m_stream.reset();
    m_context.reset();
    m_pullTimer.reset();
    m_timingTimer.reset();
    m_reconnectTimer.reset();
}

void PulseSink::SetSource(cdrom::PcmSource* source) {
    LoopLock lock(m_mainloop.get());
    m_source = source;
    WakePuller();
}

void PulseSink::SetState(cdrom::SinkState state) {
    LoopLock lock(m_mainloop.get());
    if (state == m_state) {
        return;
    }
    m_state = state;
    if (m_link != ServerLink::Streaming) {
        return;
    }
    SetCorked(state == cdrom::SinkState::Paused);
    WakePuller();
}

void PulseSink::Flush() {
    LoopLock lock(m_mainloop.get());
    m_drain.reset();
    m_endOfStream = false;
    m_drained = false;
    m_heardBefore = 0;
    m_streamPulled = 0;
    m_streamHeard = 0;
    if (m_link != ServerLink::Streaming) {
        return;
    }
    // The stream's clock runs on through a flush; the heard count starts again
    // from the writes that follow.
    Forget(pa_stream_flush(m_stream.get(), nullptr, nullptr));
    RequestTiming();
    WakePuller();
}

std::int64_t PulseSink::HeardFrames() const {
    LoopLock lock(m_mainloop.get());
    RefreshHeard();
    return m_heardBefore + m_streamHeard;
}

bool PulseSink::HasVolumeControl() const {
    return m_mainloop != nullptr;
}

cdrom::VolumeLevels PulseSink::GetVolume() const {
    return m_volume.load();
}

void PulseSink::SetVolume(cdrom::VolumeLevels levels) {
    LoopLock lock(m_mainloop.get());
    m_volume = levels;
    m_volumeOrigin = VolumeOrigin::Known;
    if (m_link == ServerLink::Streaming) {
        ApplyVolume();
    }
}

ServerLink PulseSink::Link() const {
    LoopLock lock(m_mainloop.get());
    return m_link;
}

bool PulseSink::WaitUntil(const std::function<bool()>& condition,
                          std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        std::uint64_t seen = 0;
        {
            std::lock_guard lock(m_changeMutex);
            seen = m_changes;
        }
        if (condition()) {
            return true;
        }
        std::unique_lock lock(m_changeMutex);
        if (!m_changed.wait_until(lock, deadline, [&] { return m_changes != seen; })) {
            lock.unlock();
            return condition();
        }
    }
}

void PulseSink::Notify() const {
    {
        std::lock_guard lock(m_changeMutex);
        ++m_changes;
    }
    m_changed.notify_all();
}

void PulseSink::Connect() {
    m_link = ServerLink::Connecting;
    m_stream.reset();
    m_context.reset(pa_context_new(m_api, STREAM_NAME));
    m_volumeQueriesSent = 0;
    m_volumeRepliesSeen = 0;
    m_firstFreshReply = 0;
    if (!m_context) {
        LoseServer();
        return;
    }
    pa_context_set_state_callback(m_context.get(), &OnContextState, this);
    pa_context_set_subscribe_callback(m_context.get(), &OnSubscription, this);
    const char* server =
        m_options.serverAddress.empty() ? nullptr : m_options.serverAddress.c_str();
    // No autospawn: a server that is not there is waited for, never started by us.
    if (pa_context_connect(m_context.get(), server, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        LoseServer();
    }
    Notify();
}

void PulseSink::OnContextState(pa_context* context, void* self) {
    switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            Self(self).HandleContextReady();
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            Self(self).LoseServer();
            break;
        default:
            break;
    }
}

void PulseSink::HandleContextReady() {
    Forget(
        pa_context_subscribe(m_context.get(), PA_SUBSCRIPTION_MASK_SINK_INPUT, nullptr, nullptr));
    CreateStream();
}

void PulseSink::CreateStream() {
    pa_channel_map channels{};
    pa_channel_map_init_stereo(&channels);
    m_stream.reset(pa_stream_new(m_context.get(), STREAM_NAME, &SAMPLE_SPEC, &channels));
    if (!m_stream) {
        LoseServer();
        return;
    }
    pa_stream_set_state_callback(m_stream.get(), &OnStreamState, this);
    pa_stream_set_write_callback(m_stream.get(), &OnWritable, this);
    pa_stream_set_latency_update_callback(m_stream.get(), &OnTimingUpdate, this);

    pa_buffer_attr buffer{};
    buffer.maxlength = static_cast<std::uint32_t>(-1);
    buffer.tlength = static_cast<std::uint32_t>(
        pa_usec_to_bytes(Microseconds(m_options.targetLatency), &SAMPLE_SPEC));
    // Play as soon as a little is there, not only once the whole target is
    // buffered: a source that has less than that to give would never start.
    buffer.prebuf = static_cast<std::uint32_t>(pa_usec_to_bytes(
        Microseconds(std::min(m_options.targetLatency / 10, START_BUFFER)), &SAMPLE_SPEC));
    // The server's own choice is a request every 20 ms or so: a wake-up of
    // this process each time. A quarter of the target wakes it a few times a
    // second and still leaves three quarters buffered when it does.
    buffer.minreq = static_cast<std::uint32_t>(
        pa_usec_to_bytes(Microseconds(m_options.targetLatency / 4), &SAMPLE_SPEC));
    buffer.fragsize = static_cast<std::uint32_t>(-1);
    m_streamCorked = m_state == cdrom::SinkState::Paused;
    const auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_ADJUST_LATENCY |
        (m_streamCorked ? PA_STREAM_START_CORKED : PA_STREAM_NOFLAGS));
    const pa_cvolume volume = StereoVolumeFromLevels(m_volume.load());
    const pa_cvolume* initialVolume = m_volumeOrigin == VolumeOrigin::Known ? &volume : nullptr;
    m_streamPulled = 0;
    m_streamHeard = 0;
    if (pa_stream_connect_playback(m_stream.get(), nullptr, &buffer, flags, initialVolume,
                                   nullptr) < 0) {
        LoseServer();
    }
}

void PulseSink::OnStreamState(pa_stream* stream, void* self) {
    switch (pa_stream_get_state(stream)) {
        case PA_STREAM_READY:
            Self(self).HandleStreamReady();
            break;
        case PA_STREAM_FAILED:
        case PA_STREAM_TERMINATED:
            Self(self).LoseServer();
            break;
        default:
            break;
    }
}

void PulseSink::HandleStreamReady() {
    m_streamIndex = pa_stream_get_index(m_stream.get());
    m_link = ServerLink::Streaming;
    SetCorked(m_state == cdrom::SinkState::Paused);
    if (m_volumeOrigin == VolumeOrigin::Known) {
        // A change made while the stream was being made.
        ApplyVolume();
    }
    QueryVolume();
    // The stream's clock reads nothing before the server's first timing.
    RequestTiming();
    WakePuller();
    Notify();
}

void PulseSink::LoseServer() {
    if (m_link == ServerLink::Absent) {
        return;
    }
    GiveBackUnheardFrames();
    ReleaseStream();
    if (m_context) {
        // Freed by the next Connect, outside of its own callbacks.
        Silence(m_context.get());
    }
    m_link = ServerLink::Absent;
    ArmTimer(m_reconnectTimer, m_options.reconnectInterval, &OnReconnectTimer);
    Notify();
}

void PulseSink::GiveBackUnheardFrames() {
    RefreshHeard();
    const std::int64_t lost = m_streamPulled - m_streamHeard;
    m_heardBefore += m_streamHeard;
    m_streamPulled = 0;
    m_streamHeard = 0;
    if (m_drained) {
        return;
    }
    // Whatever the source said after the lost frames, it says again.
    m_endOfStream = false;
    if (lost > 0 && m_source != nullptr) {
        m_source->OnLost(lost);
    }
}

void PulseSink::ReleaseStream() {
    m_drain.reset();
    m_stream.reset();
    m_streamIndex = PA_INVALID_INDEX;
}

void PulseSink::OnReconnectTimer(pa_mainloop_api*, pa_time_event*, const struct timeval*,
                                 void* self) {
    Self(self).Connect();
}

void PulseSink::OnWritable(pa_stream*, std::size_t, void* self) {
    Self(self).FillStream();
}

void PulseSink::OnPullTimer(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
    PulseSink& sink = Self(self);
    if (sink.m_endOfStream) {
        sink.FinishDrain();
        return;
    }
    sink.FillStream();
}

void PulseSink::WakePuller() {
    // The source is pulled on the loop's thread, never on the caller's.
    if (m_link == ServerLink::Streaming && m_state == cdrom::SinkState::Playing) {
        ArmTimer(m_pullTimer, 0ms, &OnPullTimer);
    }
}

bool PulseSink::CanPull() const {
    return m_link == ServerLink::Streaming && m_source != nullptr &&
           m_state == cdrom::SinkState::Playing && !m_endOfStream;
}

void PulseSink::FillStream() {
    bool wrote = false;
    while (CanPull()) {
        std::size_t size = pa_stream_writable_size(m_stream.get());
        if (size == static_cast<std::size_t>(-1) || size < FRAME_BYTES) {
            break;
        }
        void* data = nullptr;
        if (pa_stream_begin_write(m_stream.get(), &data, &size) < 0 || data == nullptr) {
            break;
        }
        const std::size_t asked = size / FRAME_BYTES;
        const std::span<std::int16_t> out(static_cast<std::int16_t*>(data),
                                          asked * cdrom::CHANNELS);
        const cdrom::PcmSource::PullResult result = m_source->Pull(out);
        const std::size_t frames = std::min(result.frames, asked);
        if (frames > 0) {
            pa_stream_write(m_stream.get(), data, frames * FRAME_BYTES, nullptr, 0,
                            PA_SEEK_RELATIVE);
            m_streamPulled += static_cast<std::int64_t>(frames);
            wrote = true;
        } else {
            pa_stream_cancel_write(m_stream.get());
        }
        if (result.endOfStream) {
            StartDrain();
            break;
        }
        if (frames < asked) {
            ArmTimer(m_pullTimer, SHORT_SOURCE_RETRY, &OnPullTimer);
            break;
        }
    }
    if (wrote) {
        RequestTimingWithWrite();
        Notify();
    }
}

void PulseSink::StartDrain() {
    m_endOfStream = true;
    m_drainWaited = false;
    m_drain.reset(pa_stream_drain(m_stream.get(), &OnDrainDone, this));
    if (!m_drain) {
        // Without the server's answer, the stream's clock tells the end.
        FinishDrain();
    }
}

void PulseSink::OnDrainDone(pa_stream*, int success, void* self) {
    PulseSink& sink = Self(self);
    sink.m_drain.reset();
    if (success != 0) {
        sink.FinishDrain();
    }
}

void PulseSink::FinishDrain() {
    if (m_drained || m_drain || !m_endOfStream || m_link != ServerLink::Streaming ||
        m_streamCorked) {
        return;
    }
    // The server answers a drain once it has taken everything; the device
    // may still be playing the last of it. Wait that out once: the clock
    // itself may stop a frame short when the stream runs dry.
    RefreshHeard();
    const std::int64_t unheard = m_streamPulled - m_streamHeard;
    if (unheard > 0 && !m_drainWaited) {
        m_drainWaited = true;
        ArmTimer(m_pullTimer, DurationOf(unheard), &OnPullTimer);
        return;
    }
    m_drained = true;
    m_streamHeard = m_streamPulled;
    if (m_source != nullptr) {
        m_source->OnDrained();
    }
    Notify();
}

void PulseSink::RequestTiming() {
    SendTimingRequest(TIMING_INTERVAL);
}

void PulseSink::RequestTimingWithWrite() {
    if (pa_rtclock_now() - m_lastTimingRequest >= Microseconds(TIMING_INTERVAL - TIMING_SLACK)) {
        SendTimingRequest(TIMING_INTERVAL + TIMING_SLACK);
    }
}

void PulseSink::SendTimingRequest(std::chrono::milliseconds nextRequest) {
    if (m_link != ServerLink::Streaming) {
        return;
    }
    Forget(pa_stream_update_timing_info(m_stream.get(), nullptr, nullptr));
    m_lastTimingRequest = pa_rtclock_now();
    // Only a playing stream's clock runs; a corked or drained one is left alone.
    if (!m_streamCorked && !m_drained) {
        ArmTimer(m_timingTimer, nextRequest, &OnTimingTimer);
    }
}

void PulseSink::OnTimingTimer(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
    Self(self).RequestTiming();
}

void PulseSink::OnTimingUpdate(pa_stream*, void* self) {
    PulseSink& sink = Self(self);
    sink.RefreshHeard();
    sink.Notify();
}

void PulseSink::RefreshHeard() const {
    if (m_link != ServerLink::Streaming || m_streamCorked || m_drained) {
        return;
    }
    pa_usec_t time = 0;
    if (pa_stream_get_time(m_stream.get(), &time) < 0) {
        return;
    }
    const pa_timing_info* timing = pa_stream_get_timing_info(m_stream.get());
    if (timing == nullptr || timing->write_index_corrupt != 0) {
        return;
    }
    // The stream's time counts from its start, flushes included; the frames
    // written since the last Flush end at the write index.
    const std::int64_t written = timing->write_index / static_cast<std::int64_t>(FRAME_BYTES);
    const std::int64_t firstFrame = written - m_streamPulled;
    const std::int64_t heard =
        std::clamp<std::int64_t>(FramesAt(time) - firstFrame, 0, m_streamPulled);
    m_streamHeard = std::max(m_streamHeard, heard);
}

void PulseSink::SetCorked(bool corked) {
    if (corked == m_streamCorked) {
        return;
    }
    if (corked) {
        // The count holds from here, whatever the next timing update says.
        RefreshHeard();
        m_drainWaited = false;
    }
    m_streamCorked = corked;
    Forget(pa_stream_cork(m_stream.get(), corked ? 1 : 0, nullptr, nullptr));
    // A cork leaves the stream's clock unread until the server's next timing.
    RequestTiming();
}

void PulseSink::ApplyVolume() {
    const pa_cvolume volume = StereoVolumeFromLevels(m_volume.load());
    Forget(pa_context_set_sink_input_volume(m_context.get(), m_streamIndex, &volume, nullptr,
                                            nullptr));
    m_firstFreshReply = m_volumeQueriesSent;
}

void PulseSink::OnSubscription(pa_context*, pa_subscription_event_type_t event, std::uint32_t index,
                               void* self) {
    PulseSink& sink = Self(self);
    const auto facility = event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    const auto type = event & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
    if (facility == PA_SUBSCRIPTION_EVENT_SINK_INPUT && type == PA_SUBSCRIPTION_EVENT_CHANGE &&
        index == sink.m_streamIndex) {
        sink.QueryVolume();
    }
}

void PulseSink::QueryVolume() {
    Forget(pa_context_get_sink_input_info(m_context.get(), m_streamIndex, &OnSinkInputInfo, this));
    ++m_volumeQueriesSent;
}

void PulseSink::OnSinkInputInfo(pa_context*, const pa_sink_input_info* info, int end, void* self) {
    PulseSink& sink = Self(self);
    if (end != 0) {
        ++sink.m_volumeRepliesSeen;
        return;
    }
    if (info != nullptr) {
        sink.TakeVolume(*info);
    }
}

void PulseSink::TakeVolume(const pa_sink_input_info& info) {
    if (info.index != m_streamIndex || m_volumeRepliesSeen < m_firstFreshReply) {
        return;
    }
    m_volume = LevelsFromVolume(info.volume);
    m_volumeOrigin = VolumeOrigin::Known;
    Notify();
}

void PulseSink::ArmTimer(TimeEventPtr& timer, std::chrono::milliseconds delay,
                         void (*callback)(pa_mainloop_api*, pa_time_event*, const struct timeval*,
                                          void*)) {
    timeval when{};
    pa_gettimeofday(&when);
    pa_timeval_add(&when, Microseconds(delay));
    if (timer) {
        m_api->time_restart(timer.get(), &when);
        return;
    }
    timer = TimeEventPtr(m_api->time_new(m_api, &when, callback, this), TimeEventDeleter(m_api));
}

}  // namespace corvid::sound
