#pragma once
// A channel: one source plus what the library does to it on its way out. DSP callbacks edit
// its floats at the source rate, then the channel is resampled to the mixing rate and
// mixed with its volume and pan into a device or a mixer.
//
// Threads: every field is written by the main thread while it holds the render lock of the
// device the channel belongs to; the render thread reads and advances the audio-side fields
// (slide progress, resampler, ended flags, recent-output ring) while it holds the same lock.
// The render thread only ever try-locks, so it never waits for the main thread.
#include "audio/source.h"
#include "audio/types.h"

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace wc::audio {

class Device;
class MixerSource;

// A per-channel DSP: edits interleaved stereo floats in place. Called on the render thread.
using DspFunction = std::function<void(float* samples, int frames)>;

enum class ActiveState { Stopped = 0, Playing = 1, Stalled = 2, Paused = 3 };

class Channel {
public:
    static constexpr int kMaxBlock = 4096; // largest render block in frames

    Channel(Handle h, std::unique_ptr<Source> src, bool decodeOnly, std::uint32_t speakers,
            Device* device);
    ~Channel();

    // Render thread. Produces frames at the source rate with the DSP chain applied.
    int produce(float* out, int frames, bool mayWait);
    // Render thread. Resamples to the mixing rate, applies volume, pan and the volume slide,
    // and adds into acc. Returns false when the channel ended during this block.
    bool mixInto(float* acc, int frames, bool mayWait);

    struct Dsp {
        Handle handle;
        int priority;
        DspFunction fn;
    };

    const Handle handle;
    std::unique_ptr<Source> source;
    const bool decodeOnly;
    std::uint32_t speakers;
    Device* device;               // whose render lock guards this channel
    MixerSource* mixer = nullptr; // the mixer this channel feeds, if any

    // Attributes (main thread under lock).
    float volume = 1.0f; // 0..1
    float pan = 0.0f;    // -1..1
    float freq;          // playback rate in Hz (the source's rate unless changed)
    struct Slide {
        bool on = false;
        float from = 0, to = 0;
        std::int64_t done = 0, length = 0; // frames at the mixing rate
    } slide;
    std::vector<Dsp> dsps; // highest priority first
    ActiveState state = ActiveState::Stopped;
    bool mixerPaused = false;
    bool freeAtEnd = false;
    // Source frame of the last seek: heard positions start here.
    std::atomic<std::int64_t> seekFloor{0};
    // A held channel renders nothing (sound cards hear silence from it; the manual device
    // waits) until release: its start is still being worked out on another thread, which
    // may seek its source meanwhile because the render thread leaves it alone.
    std::atomic<bool> held{false};

    // Armed start (inputs of one mixer, under the render lock). When this channel's source
    // reaches triggerFrame (or ends before it), `dependent`, a paused input of the same mixer,
    // starts at that very output frame; with cutAtTrigger this channel ends there, so the two
    // follow each other without a gap or an overlap. The render thread fires it once.
    Channel* dependent = nullptr;
    std::int64_t triggerFrame = 0;
    bool cutAtTrigger = false;
    Channel* armedOn = nullptr; // on the dependent: the channel whose trigger starts it
    int startOffset = -1;       // on the dependent once fired: its first frame in the block
    std::atomic<bool> fired{false};
    std::atomic<bool> armHeld{false}; // on the dependent: its trigger waits (any thread)
    // Whether the trigger of this channel may fire (render thread).
    bool triggerLive() const {
        return dependent && !dependent->armHeld.load(std::memory_order_acquire);
    }
    // Render thread: starts the dependent at output frame `offset` of the current block.
    void fireDependent(int offset);

    // Frames this channel has mixed into its device or mixer (render thread).
    std::int64_t mixedFrames = 0;

    // Set by the render thread.
    std::atomic<bool> ended{false};
    std::atomic<bool> stalled{false};
    std::atomic<bool> pendingFree{false}; // freed at end: the main thread deletes it

    // Recent output after DSP (for level, data and FFT reads that consume nothing).
    static constexpr int kRecentFrames = 8192;
    std::vector<float> recent;
    int recentPos = 0;
    void rememberOutput(const float* s, int frames);
    int copyRecent(float* out, int frames) const;

    void resetResampler();

    // Logarithmic volume curve for every channel (any thread).
    static void setLogCurve(bool on);
    static float gainOf(float volume);

private:
    static constexpr int kResampleChunk = 1024;
    bool refill(bool mayWait);
    // Resampled output frames before the trigger's source frame is reached (0: reached).
    int framesToTrigger(double step) const;

    std::vector<float> inBuf_; // input frames at the source rate, history first
    int inLen_ = 1;
    std::int64_t inStart_ = -1; // source frame of inBuf_[0]
    double pos_ = 1.0;          // where the next output frame lies in inBuf_, in frames
    std::vector<float> work_;
};

} // namespace wc::audio
