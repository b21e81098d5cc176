// PulseAudio sinks as output devices. Debian's PortAudio reaches a PulseAudio server only
// through ALSA's "default" and "pulse" devices, which play to the server's default sink;
// these devices name every sink the server has and play to the one chosen. They are numbered
// after the PortAudio devices, in the server's order, and described by the server's own
// description of the sink.
//
// Nothing here may hang the caller: the server is never started on our behalf (no
// autospawn), so without a server there are simply no sinks, and every wait for the server
// is bounded.
#include "audio/device.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>

namespace wc::audio {

namespace {

// Longest wait for any one answer of the server (connection, sink list, stream, cork).
constexpr int kWaitMs = 2000;
// Buffered audio the stream asks the server for, sink latency included.
constexpr int kTargetLatencyMs = 75;
constexpr char kClientName[] = "Wavecrest";

// The mixer's own samples: native floats (float32le on the machines we run on).
constexpr pa_sample_spec kSpec{PA_SAMPLE_FLOAT32NE, std::uint32_t(kMixRate),
                               std::uint8_t(kChannels)};
constexpr std::size_t kFrameBytes = sizeof(float) * kChannels;

// --- the sink list ---------------------------------------------------------------------------

struct SinkListing {
    std::vector<PulseSink> sinks;
    bool complete = false;
    bool failed = false;
};

void onListedSink(pa_context*, const pa_sink_info* info, int eol, void* userdata) {
    auto* listing = static_cast<SinkListing*>(userdata);
    if (eol < 0) {
        listing->failed = true;
    } else if (eol > 0) {
        listing->complete = true;
    } else if (info && info->name) {
        // The server always gives a description; its name stands in only if one is missing.
        const char* text = info->description ? info->description : info->name;
        listing->sinks.push_back({info->name, QString::fromUtf8(text)});
    }
}

// --- a playback stream on one sink -----------------------------------------------------------

// The server's callbacks run on the threaded mainloop's own thread with its lock held; the
// main thread takes that lock only around its own calls and waits (which release it).
class PulseAudioDevice final : public Device {
public:
    explicit PulseAudioDevice(int number) : Device(number) {}
    ~PulseAudioDevice() override {
        if (!loop_) return;
        if (running_) {
            pa_threaded_mainloop_lock(loop_);
            if (stream_) {
                pa_stream_set_write_callback(stream_, nullptr, nullptr);
                pa_stream_set_state_callback(stream_, nullptr, nullptr);
                if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream_))) pa_stream_disconnect(stream_);
            }
            if (context_) {
                pa_context_set_state_callback(context_, nullptr, nullptr);
                pa_context_disconnect(context_);
            }
            pa_threaded_mainloop_unlock(loop_);
            // After this no callback can run, so the members they use may go.
            pa_threaded_mainloop_stop(loop_);
        }
        if (stream_) pa_stream_unref(stream_);
        if (context_) pa_context_unref(context_);
        pa_threaded_mainloop_free(loop_);
    }

    // Connects to the server and opens a corked playback stream on the sink.
    bool open(const std::string& sink) {
        loop_ = pa_threaded_mainloop_new();
        if (!loop_) return false;
        context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), kClientName);
        if (!context_) return false;
        pa_context_set_state_callback(context_, &PulseAudioDevice::onContextState, this);
        if (pa_threaded_mainloop_start(loop_) < 0) return false;
        running_ = true;

        pa_threaded_mainloop_lock(loop_);
        const bool ok = connect(sink);
        pa_threaded_mainloop_unlock(loop_);
        return ok;
    }

    bool start() override { return cork(false); }
    void stop() override { cork(true); }

private:
    // Lock held.
    bool connect(const std::string& sink) {
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return false;
        if (!waitUntil([this] {
                const pa_context_state_t s = pa_context_get_state(context_);
                return s == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(s);
            }) ||
            pa_context_get_state(context_) != PA_CONTEXT_READY)
            return false;

        pa_channel_map map;
        pa_channel_map_init_stereo(&map);
        stream_ = pa_stream_new(context_, "Wavecrest output", &kSpec, &map);
        if (!stream_) return false;
        pa_stream_set_state_callback(stream_, &PulseAudioDevice::onStreamState, this);
        pa_stream_set_write_callback(stream_, &PulseAudioDevice::onWrite, this);
        pa_buffer_attr attr;
        attr.maxlength = std::uint32_t(-1);
        attr.tlength = std::uint32_t(pa_usec_to_bytes(kTargetLatencyMs * PA_USEC_PER_MSEC, &kSpec));
        attr.prebuf = std::uint32_t(-1);
        attr.minreq = std::uint32_t(-1);
        attr.fragsize = std::uint32_t(-1);
        // The stream stays on the sink its number names: if that sink goes away the device
        // falls silent rather than the programme moving to another output (a pre-listen
        // headphone, say).
        const auto flags = pa_stream_flags_t(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY |
                                             PA_STREAM_DONT_MOVE);
        if (pa_stream_connect_playback(stream_, sink.c_str(), &attr, flags, nullptr, nullptr) < 0)
            return false;
        if (!waitUntil([this] {
                const pa_stream_state_t s = pa_stream_get_state(stream_);
                return s == PA_STREAM_READY || !PA_STREAM_IS_GOOD(s);
            }) ||
            pa_stream_get_state(stream_) != PA_STREAM_READY)
            return false;

        // Heard lags rendered by the stream's buffer plus the latency the sink is configured
        // to (which the server chose for this stream's request). The sink's momentary latency
        // is no measure here: an idle virtual sink reports seconds until it next wakes.
        pa_usec_t latency = 0;
        if (const pa_buffer_attr* granted = pa_stream_get_buffer_attr(stream_))
            latency += pa_bytes_to_usec(granted->tlength, &kSpec);
        sinkLatency_ = 0;
        if (pa_operation* op =
                pa_context_get_sink_info_by_index(context_, pa_stream_get_device_index(stream_),
                                                  &PulseAudioDevice::onSinkInfo, this)) {
            waitUntil([op] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING; });
            pa_operation_unref(op);
        }
        latency += sinkLatency_;
        latencyFrames = int(latency * kMixRate / PA_USEC_PER_SEC);
        return true;
    }

    bool cork(bool corked) {
        if (!loop_ || !stream_) return false;
        pa_threaded_mainloop_lock(loop_);
        bool ok = pa_stream_get_state(stream_) == PA_STREAM_READY;
        if (ok) {
            pa_operation* op = pa_stream_cork(stream_, corked, &PulseAudioDevice::onDone, this);
            ok = op && finish(op);
        }
        pa_threaded_mainloop_unlock(loop_);
        return ok;
    }

    // Lock held. Waits for the operation's answer; true when the server reported success.
    bool finish(pa_operation* op) {
        opSucceeded_ = false;
        waitUntil([op] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING; });
        const bool ok = pa_operation_get_state(op) == PA_OPERATION_DONE && opSucceeded_;
        pa_operation_unref(op);
        return ok;
    }

    // Lock held. Waits until done() holds or kWaitMs have passed; callbacks and a deadline
    // timer on the mainloop wake the wait.
    template <class Done> bool waitUntil(Done done) {
        timedOut_ = false;
        pa_time_event* deadline =
            pa_context_rttime_new(context_, pa_rtclock_now() + kWaitMs * PA_USEC_PER_MSEC,
                                  &PulseAudioDevice::onDeadline, this);
        if (!deadline) return done();
        while (!done() && !timedOut_)
            pa_threaded_mainloop_wait(loop_);
        pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
        api->time_free(deadline);
        return done();
    }

    static void onContextState(pa_context*, void* self) {
        pa_threaded_mainloop_signal(static_cast<PulseAudioDevice*>(self)->loop_, 0);
    }
    static void onStreamState(pa_stream*, void* self) {
        pa_threaded_mainloop_signal(static_cast<PulseAudioDevice*>(self)->loop_, 0);
    }
    static void onDone(pa_stream*, int success, void* self) {
        auto* dev = static_cast<PulseAudioDevice*>(self);
        dev->opSucceeded_ = success != 0;
        pa_threaded_mainloop_signal(dev->loop_, 0);
    }
    static void onSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* self) {
        auto* dev = static_cast<PulseAudioDevice*>(self);
        if (eol == 0 && info) dev->sinkLatency_ = info->configured_latency;
        pa_threaded_mainloop_signal(dev->loop_, 0);
    }
    static void onDeadline(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
        auto* dev = static_cast<PulseAudioDevice*>(self);
        dev->timedOut_ = true;
        pa_threaded_mainloop_signal(dev->loop_, 0);
    }

    // The real-time path: fills what the server asks for, straight into the server's own
    // buffers. It only renders (try-lock, no allocation of ours, no I/O, no waiting).
    static void onWrite(pa_stream* s, std::size_t bytes, void* self) {
        auto* dev = static_cast<PulseAudioDevice*>(self);
        while (bytes >= kFrameBytes) {
            void* data = nullptr;
            std::size_t n = bytes;
            if (pa_stream_begin_write(s, &data, &n) < 0 || !data) return;
            n = std::min(n, bytes) / kFrameBytes * kFrameBytes;
            if (n == 0) {
                pa_stream_cancel_write(s);
                return;
            }
            dev->render(static_cast<float*>(data), int(n / kFrameBytes), false);
            if (pa_stream_write(s, data, n, nullptr, 0, PA_SEEK_RELATIVE) < 0) return;
            bytes -= n;
        }
    }

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    bool running_ = false;
    // Written by callbacks and read by waits, both under the mainloop lock.
    bool timedOut_ = false;
    bool opSucceeded_ = false;
    pa_usec_t sinkLatency_ = 0;
};

} // namespace

std::vector<PulseSink> pulseAudioSinks() {
    SinkListing listing;
    pa_mainloop* loop = pa_mainloop_new();
    if (!loop) return {};
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), kClientName);
    if (context && pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        // The loop is run by hand, each poll bounded by what is left of the wait.
        using clock = std::chrono::steady_clock;
        const auto deadline = clock::now() + std::chrono::milliseconds(kWaitMs);
        pa_operation* op = nullptr;
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(context);
            if (!PA_CONTEXT_IS_GOOD(state)) break;
            if (state == PA_CONTEXT_READY && !op) {
                op = pa_context_get_sink_info_list(context, &onListedSink, &listing);
                if (!op) break;
            }
            if (listing.complete || listing.failed) break;
            const auto left =
                std::chrono::duration_cast<std::chrono::microseconds>(deadline - clock::now());
            if (left.count() <= 0) break;
            if (pa_mainloop_prepare(loop, int(left.count())) < 0 || pa_mainloop_poll(loop) < 0 ||
                pa_mainloop_dispatch(loop) < 0)
                break;
        }
        if (op) {
            if (pa_operation_get_state(op) == PA_OPERATION_RUNNING) pa_operation_cancel(op);
            pa_operation_unref(op);
        }
        pa_context_disconnect(context);
    }
    if (context) pa_context_unref(context);
    pa_mainloop_free(loop);
    // A list cut short by a failure or the deadline is not the server's list: none at all
    // keeps the numbering honest.
    if (!listing.complete || listing.failed) return {};
    return std::move(listing.sinks);
}

std::unique_ptr<Device> makePulseAudioDevice(int number, const std::string& sink, int* error) {
    auto dev = std::make_unique<PulseAudioDevice>(number);
    if (!dev->open(sink)) {
        *error = kErrNoDriver;
        return nullptr;
    }
    return dev;
}

} // namespace wc::audio
