#pragma once
// The audio library: devices, streams, mixers, attributes, slides, DSP and reads, addressed
// by handles. One instance per process. Operations run on the main thread unless noted;
// handle look-ups are safe from any thread. Failures return false, 0 or -1 and leave an
// error number for lastError() (the number of the calling thread's last failure).
#include "audio/channel.h"
#include "audio/types.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace wc {
class SimLoop;
}

namespace wc::audio {

class Device;
class ManualDevice;

struct StreamOptions {
    bool decodeOnly = false;    // read by the caller or a mixer, never played by itself
    std::uint32_t speakers = 0; // speaker bits (kSpeakerMask), 0 = all
};

struct Attributes {
    std::optional<float> freq;   // Hz
    std::optional<float> volume; // 0..1
    std::optional<float> pan;    // -1..1
};

class AudioSystem {
public:
    static AudioSystem& instance();
    ~AudioSystem();

    // --- devices ---
    // Descriptions of the output devices, indexed by device number; "No sound" is 0.
    static QStringList outputDevices();
    // With manual output every device number opens a manual device that renders only when
    // renderManual() is called; set before initDevice. For tests.
    void setManualOutput(bool on);
    // Output channels of manual devices opened from now on (2, 4, 6 or 8; default 2).
    void setManualOutputChannels(int channels);
    bool manualOutput() const;
    // Renders frames on every manual device (a tap sees the output of device tapDevice).
    void renderManual(std::int64_t frames);
    void setManualTap(std::function<void(const float*, int)> tap);
    // Manual devices render like a sound card's thread from now on: they never wait, neither
    // for the render lock nor for decoding (for tests of the real-time path). Off by default.
    void setManualRealTime(bool on);
    // The manual device of a number, for tests that render it from a thread of their own.
    ManualDevice* manualDevice(int device);
    // Lets a simulated loop drive the manual devices: each step renders exactly the frames
    // between its two instants.
    void attachSimLoop(SimLoop& loop);

    bool initDevice(int device);
    bool isInitialised(int device) const;
    bool selectDevice(int device);
    int currentDevice() const;
    // Stops and frees the current device with every channel on it.
    bool freeDevice();
    // Frees every device and channel (end of the process).
    void shutdown();

    // --- configuration ---
    // How far file streams opened from now on decode ahead of playback, in ms (default 500).
    void setBufferMs(int ms);
    int bufferMs() const;
    void setGlobalVolume(int percent); // 0..100
    int globalVolume() const;
    // Logarithmic volume curve: volume v maps to -50 dB x (1 - v) instead of linear gain.
    void setLogVolumeCurve(bool on);

    int lastError() const;

    // --- streams ---
    Handle openFile(const QString& path, const StreamOptions& opt);
    Handle createMixer(const StreamOptions& opt);
    // Tempo, rate and pitch processing of a decode-only source; the source stays addressable
    // (position, seeking) and is freed together with the tempo stream.
    Handle createTempo(Handle source, const StreamOptions& opt);
    bool setTempo(Handle source, std::optional<float> tempoPercent, std::optional<float> rateHz,
                  std::optional<float> pitchSemitones);
    // The recording device's live input (0 = the default input); with manual output an
    // always-silent input.
    Handle openInput(int recDevice, const StreamOptions& opt);
    // Any custom source (capture inputs, generators).
    Handle createSourceStream(std::unique_ptr<Source> src, const StreamOptions& opt);
    bool free(Handle h);

    // --- transport ---
    bool play(Handle h, bool restart = false);
    bool pause(Handle h);
    bool stop(Handle h);
    ActiveState state(Handle h);

    // --- positions: bytes of the stream's stereo float format at its native rate ---
    std::int64_t lengthBytes(Handle h);
    std::int64_t positionBytes(Handle h);
    bool setPositionBytes(Handle h, std::int64_t bytes);
    // A held channel plays nothing until release (the manual device waits for it): its
    // start can be decided on another thread. seekHeld is the one operation that may then
    // come from any thread; it fails unless the channel is held.
    bool hold(Handle h);
    bool seekHeld(Handle h, std::int64_t bytes);
    bool release(Handle h);
    double bytesToSeconds(Handle h, std::int64_t bytes);
    std::int64_t secondsToBytes(Handle h, double seconds);
    int nativeRate(Handle h); // 0 on failure

    // --- attributes and slides ---
    bool setAttributes(Handle h, const Attributes& a);
    std::optional<Attributes> attributes(Handle h);
    // One step: the volume becomes v and a running slide ends, with no block in between.
    bool setVolumeNow(Handle h, float v);
    bool slideVolume(Handle h, float target, int ms);
    bool isSliding(Handle h);
    bool setSpeakers(Handle h, std::uint32_t bits);

    // --- DSP: higher priority runs first ---
    Handle addDsp(Handle h, DspFunction fn, int priority);
    bool removeDsp(Handle h, Handle dsp);

    // --- mixers ---
    bool mixerAdd(Handle mixer, Handle ch, bool freeAtEnd, bool paused);
    bool mixerSetPaused(Handle ch, bool paused);
    bool mixerRemove(Handle ch);

    // Armed start, for transitions on their sample: `next`, a paused input of the mixer that
    // `current` feeds, starts at the output frame where current's source reaches
    // triggerFrame (source frames), or where current ends if that comes first; with
    // cutCurrent, current ends at that frame. Until then nothing of next is heard.
    bool armStart(Handle next, Handle current, std::int64_t triggerFrame, bool cutCurrent);
    // Takes the arming back (next stays paused); false when it had fired already.
    bool disarm(Handle next);
    // Whether next was started by its trigger.
    bool armFired(Handle next);
    bool isArmed(Handle next);
    // A held arm does not fire, and its current is not cut, until it is let go; then it fires
    // at once if its trigger has passed. Safe from any thread (an atomic flag).
    bool holdArm(Handle next, bool held);

    // Where the inputs of a mixer began and stopped being heard, in frames of its output, since
    // the last call (for measurements; the mixer keeps up to 1024 events between two calls).
    std::vector<HeardEvent> mixerEvents(Handle mixer);

    // --- reads ---
    // Decode-only channels: reads bytes of float frames; -1 on failure, 0 at the end.
    int read(Handle h, float* out, int bytes);
    // Peak levels (0..1) of the last 20 ms the channel delivered. Consumes nothing.
    bool level(Handle h, float* left, float* right);
    // The last frames the channel delivered (interleaved); consumes nothing.
    int recentData(Handle h, float* out, int frames);
    // Magnitudes of an n-point FFT (n a power of two, 256..8192) of the recent data: n/2 bins.
    bool fft(Handle h, float* out, int n);

private:
    AudioSystem();
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace wc::audio
