// Output devices 1.. through PortAudio: 1 is the system's default output, then every other
// device with output channels in PortAudio's order (PulseAudio sinks are numbered after them).
#include "audio/device.h"

#include <algorithm>

#include <portaudio.h>

#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace wc::audio {

namespace {

// PortAudio is initialised once per use; the ALSA probing it does prints diagnostics for
// every absent card, which are kept off standard error.
class PaSession {
public:
    PaSession() {
        std::fflush(stderr);
        const int saved = dup(2);
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, 2);
        ok_ = Pa_Initialize() == paNoError;
        if (saved >= 0) {
            dup2(saved, 2);
            ::close(saved);
        }
        if (null >= 0) ::close(null);
    }
    ~PaSession() {
        if (ok_) Pa_Terminate();
    }
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

// PortAudio device indexes in our numbering order (element 0 is device 1).
std::vector<PaDeviceIndex> outputOrder() {
    std::vector<PaDeviceIndex> order;
    const PaDeviceIndex def = Pa_GetDefaultOutputDevice();
    if (def != paNoDevice) order.push_back(def);
    const int count = Pa_GetDeviceCount();
    for (PaDeviceIndex i = 0; i < count; ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (i != def && info && info->maxOutputChannels > 0) order.push_back(i);
    }
    return order;
}

class PortAudioDevice final : public Device {
public:
    PortAudioDevice(int number, PaDeviceIndex index) : Device(number), index_(index) {}
    ~PortAudioDevice() override {
        stop();
        if (stream_) Pa_CloseStream(stream_);
    }
    bool open() {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(index_);
        if (!info) return false;
        PaStreamParameters out{};
        out.device = index_;
        // Cards with up to eight outputs open them all, so that speaker pairs beyond the
        // front can be addressed; devices that report more (sound servers' virtual devices)
        // are opened as stereo and mix for themselves.
        const int channels = info->maxOutputChannels <= 8
                                 ? std::max(kChannels, info->maxOutputChannels / 2 * 2)
                                 : kChannels;
        setOutputChannels(channels);
        out.channelCount = channels;
        out.sampleFormat = paFloat32;
        out.suggestedLatency = info->defaultLowOutputLatency;
        if (Pa_OpenStream(&stream_, nullptr, &out, kMixRate, paFramesPerBufferUnspecified, paNoFlag,
                          &PortAudioDevice::callback, this) != paNoError)
            return false;
        if (const PaStreamInfo* si = Pa_GetStreamInfo(stream_))
            latencyFrames = int(si->outputLatency * kMixRate);
        return true;
    }
    bool start() override {
        return stream_ && (Pa_IsStreamActive(stream_) == 1 || Pa_StartStream(stream_) == paNoError);
    }
    void stop() override {
        if (stream_ && Pa_IsStreamActive(stream_) == 1) Pa_StopStream(stream_);
    }

private:
    // Real-time thread: only renders (try-lock, no allocation, no I/O).
    static int callback(const void*, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* self) {
        static_cast<PortAudioDevice*>(self)->render(static_cast<float*>(output), int(frames),
                                                    false);
        return paContinue;
    }
    PaSession session_;
    PaDeviceIndex index_;
    PaStream* stream_ = nullptr;
};

} // namespace

std::unique_ptr<Device> makePortAudioDevice(int number, int* error, int* outputCount) {
    if (outputCount) *outputCount = 0;
    PaSession probe;
    if (!probe.ok()) {
        *error = kErrNoDriver;
        return nullptr;
    }
    const auto order = outputOrder();
    if (outputCount) *outputCount = int(order.size());
    if (number < 1 || number > int(order.size())) {
        *error = kErrIllegalDevice;
        return nullptr;
    }
    auto dev = std::make_unique<PortAudioDevice>(number, order[std::size_t(number - 1)]);
    if (!dev->open()) {
        *error = kErrNoDriver;
        return nullptr;
    }
    return dev;
}

QStringList portAudioOutputDescriptions() {
    QStringList list;
    PaSession session;
    if (!session.ok()) return list;
    for (PaDeviceIndex i : outputOrder())
        list << QString::fromUtf8(Pa_GetDeviceInfo(i)->name);
    return list;
}

} // namespace wc::audio
