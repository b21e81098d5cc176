#pragma once
// Output devices. Each renders the channels played on it into 44.1 kHz stereo float.
//   0      "No sound": nothing is heard, but a thread pulls audio at the real-time rate,
//          paced by the monotonic clock, so mixers and encoders run at the right speed.
//   1..    PortAudio output devices, 1 being the system default.
//   manual a device that renders only when told (the simulated loop in tests); it may be
//          put in place of every device number.
#include "audio/channel.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <mutex>
#include <optional>
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

    // Fills out with frames of output. On a real-time thread (mayWait false) the render lock
    // is only try-locked; when the main thread holds it the block is silence.
    void render(float* out, int frames, bool mayWait);

    const int number;
    std::mutex renderLock;         // guards playing and every channel of this device
    std::vector<Channel*> playing; // channels played directly on this device
    // Frames between rendering and hearing (the sound card's output latency); 0 for the
    // devices of our own.
    int latencyFrames = 0;

    // Multiplier of the whole output (the global stream volume), any thread.
    static void setGlobalVolume(float v);
    static float globalVolume();
};

// Renders on the caller's thread, for the simulated loop; the tap sees every rendered block.
class ManualDevice final : public Device {
public:
    explicit ManualDevice(int number) : Device(number) {}
    bool start() override { return true; }
    void stop() override {}
    void renderFrames(std::int64_t frames);
    std::function<void(const float* samples, int frames)> tap;

private:
    std::vector<float> buf_ = std::vector<float>(std::size_t(Channel::kMaxBlock) * kChannels);
};

std::unique_ptr<Device> makeNoSoundDevice();
// number >= 1; nullptr and *error when the device does not exist or cannot be opened.
std::unique_ptr<Device> makePortAudioDevice(int number, int* error);

// Descriptions of the output devices by number ("No sound" first). Does not initialise any
// device for playback.
QStringList outputDeviceDescriptions();

} // namespace wc::audio
