#pragma once
// Output devices. Each renders the channels played on it into 44.1 kHz stereo float.
//   0        "No sound": nothing is heard, but a thread pulls audio at the real-time rate,
//            paced by the monotonic clock, so mixers and encoders run at the right speed.
//   1..P     PortAudio output devices, 1 being the system default.
//   P+1..    the sinks of a running PulseAudio server, in the server's order, described by
//            the server's own sink description; none when no server runs. Coming last, they
//            leave the numbers of the PortAudio devices as they are.
//   manual   a device that renders only when told (the simulated loop in tests); it may be
//            put in place of every device number.
// outputDeviceDescriptions() and makeOutputDevice() go through the same order, so the numbers
// the device list shows are the numbers the player opens.
#include "audio/channel.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace wc::audio {

class Device {
public:
    explicit Device(int number);
    virtual ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    virtual bool start() = 0;
    virtual void stop() = 0;

    // Fills out with frames of output (outputChannels() interleaved). On a real-time thread
    // (mayWait false) the render lock is only try-locked: the main thread holds it for pointer
    // swaps only, so the render tries again for up to a quarter of the block's duration
    // before it gives up and the block is silence.
    void render(float* out, int frames, bool mayWait);

    // Speaker routing. The device's output has pairs of speakers: front, rear, centre/LFE,
    // rear centre (side), in that order. A channel's speaker bits (kSpeakerMask) pick one
    // pair: 1 front ... 4 side; 0 plays on every pair; a pair the device lacks falls back to
    // the front. Set on the main thread before start (it sizes the mixing buffers).
    void setOutputChannels(int channels);
    int outputChannels() const { return outChannels_; }
    // The pair (0-based) the speaker bits route to on a device with `pairs` pairs; -1 = all.
    static int speakerPair(std::uint32_t speakers, int pairs);

    const int number;
    std::mutex renderLock;         // guards playing and every channel of this device
    std::vector<Channel*> playing; // channels played directly on this device
    // Frames between rendering and hearing (the sound card's output latency); 0 for the
    // devices of our own.
    int latencyFrames = 0;
    // Blocks rendered as silence because the render lock stayed taken (any thread).
    std::int64_t lockMisses() const { return lockMisses_.load(std::memory_order_relaxed); }

    // Multiplier of the whole output (the global stream volume), any thread.
    static void setGlobalVolume(float v);
    static float globalVolume();

private:
    std::atomic<std::int64_t> lockMisses_{0};
    int outChannels_ = kChannels;
    std::vector<float> pairBufs_; // (pairs + 1) x kMaxBlock stereo frames; the last is "all"
};

// Renders on the caller's thread, for the simulated loop; the tap sees every rendered block.
class ManualDevice final : public Device {
public:
    explicit ManualDevice(int number) : Device(number) {}
    bool start() override { return true; }
    void stop() override {}
    // The tap sees frames of outputChannels() interleaved samples.
    void renderFrames(std::int64_t frames);
    std::function<void(const float* samples, int frames)> tap;
    // Render as a sound card's thread does (never waiting); see AudioSystem::setManualRealTime.
    bool realTime = false;

private:
    std::vector<float> buf_;
};

// Any output device by number (0 "No sound", then PortAudio, then PulseAudio sinks); nullptr
// and *error (kErrIllegalDevice past the last device, kErrNoDriver when it cannot be opened).
std::unique_ptr<Device> makeOutputDevice(int number, int* error);

// Descriptions of the output devices by number ("No sound" first), one line each (control
// characters become spaces). Does not initialise any device for playback.
QStringList outputDeviceDescriptions();

std::unique_ptr<Device> makeNoSoundDevice();

// PortAudio outputs, element 0 being device 1.
QStringList portAudioOutputDescriptions();
// number >= 1; nullptr and *error when the device does not exist or cannot be opened.
// *outputCount (when given) is the number of PortAudio outputs, 0 when PortAudio is unusable.
std::unique_ptr<Device> makePortAudioDevice(int number, int* error, int* outputCount = nullptr);

// A sink of the PulseAudio server: its name (what a stream connects to) and its description.
struct PulseSink {
    std::string name;
    QString description;
};
// The server's sinks in its order; empty when no server runs or it does not answer within
// about two seconds. The server is never started for this.
std::vector<PulseSink> pulseAudioSinks();
// A playback stream on the named sink, presented as device `number`; nullptr and
// *error = kErrNoDriver when the server or the sink cannot be reached (bounded wait).
std::unique_ptr<Device> makePulseAudioDevice(int number, const std::string& sink, int* error);

} // namespace wc::audio
