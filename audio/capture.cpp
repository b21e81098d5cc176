#include "audio/capture.h"

#include "audio/types.h"

#include <portaudio.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

namespace wc::audio {

namespace {

class SilentInput final : public Source {
public:
    int rate() const override { return kMixRate; }
    int pull(float* out, int frames, bool) override {
        std::memset(out, 0, std::size_t(frames) * kBytesPerFrame);
        position_ += frames;
        return frames;
    }
    bool ended() const override { return false; }
    std::int64_t positionFrames() const override { return position_; }

private:
    std::int64_t position_ = 0;
};

std::vector<PaDeviceIndex> inputOrder() {
    std::vector<PaDeviceIndex> order;
    const PaDeviceIndex def = Pa_GetDefaultInputDevice();
    if (def != paNoDevice) order.push_back(def);
    for (PaDeviceIndex i = 0; i < Pa_GetDeviceCount(); ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (i != def && info && info->maxInputChannels > 0) order.push_back(i);
    }
    return order;
}

class CaptureSource final : public Source {
public:
    CaptureSource() : ring_(std::size_t(kRingFrames) * kChannels) {}
    ~CaptureSource() override {
        if (stream_) {
            Pa_StopStream(stream_);
            Pa_CloseStream(stream_);
        }
        if (initialised_) Pa_Terminate();
    }
    bool open(int device, int* error) {
        initialised_ = Pa_Initialize() == paNoError;
        if (!initialised_) return *error = kErrNoDriver, false;
        const auto order = inputOrder();
        if (device < 0 || device >= int(order.size())) return *error = kErrIllegalDevice, false;
        const PaDeviceInfo* info = Pa_GetDeviceInfo(order[std::size_t(device)]);
        PaStreamParameters in{};
        in.device = order[std::size_t(device)];
        in.channelCount = std::min(2, info->maxInputChannels);
        channels_ = in.channelCount;
        in.sampleFormat = paFloat32;
        in.suggestedLatency = info->defaultLowInputLatency;
        if (Pa_OpenStream(&stream_, &in, nullptr, kMixRate, paFramesPerBufferUnspecified, paNoFlag,
                          &CaptureSource::callback, this) != paNoError ||
            Pa_StartStream(stream_) != paNoError)
            return *error = kErrNoDriver, false;
        return true;
    }
    int rate() const override { return kMixRate; }
    bool ended() const override { return false; }
    std::int64_t positionFrames() const override { return read_.load(); }
    int pull(float* out, int frames, bool) override {
        const std::uint64_t r = read_.load(std::memory_order_relaxed);
        const std::uint64_t avail = write_.load(std::memory_order_acquire) - r;
        const int n = int(std::min<std::uint64_t>(avail, std::uint64_t(frames)));
        for (int i = 0; i < n; ++i) {
            const std::size_t k = std::size_t((r + std::uint64_t(i)) % kRingFrames) * 2;
            out[2 * i] = ring_[k];
            out[2 * i + 1] = ring_[k + 1];
        }
        std::memset(out + 2 * n, 0, std::size_t(frames - n) * kBytesPerFrame);
        read_.store(r + std::uint64_t(n), std::memory_order_release);
        return frames; // a live input never falls short: missing input is silence
    }

private:
    static constexpr int kRingFrames = 32768;
    static int callback(const void* input, void*, unsigned long frames,
                        const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* self) {
        auto* s = static_cast<CaptureSource*>(self);
        const auto* in = static_cast<const float*>(input);
        const std::uint64_t w = s->write_.load(std::memory_order_relaxed);
        const std::uint64_t room = kRingFrames - (w - s->read_.load(std::memory_order_acquire));
        const auto n = std::min<std::uint64_t>(room, frames);
        for (std::uint64_t i = 0; in && i < n; ++i) {
            const std::size_t k = std::size_t((w + i) % kRingFrames) * 2;
            s->ring_[k] = in[i * std::uint64_t(s->channels_)];
            s->ring_[k + 1] = in[i * std::uint64_t(s->channels_) + std::uint64_t(s->channels_ - 1)];
        }
        s->write_.store(w + n, std::memory_order_release);
        return paContinue;
    }
    std::vector<float> ring_;
    std::atomic<std::uint64_t> write_{0}, read_{0};
    PaStream* stream_ = nullptr;
    bool initialised_ = false;
    int channels_ = 2;
};

} // namespace

std::unique_ptr<Source> makeSilentInput() {
    return std::make_unique<SilentInput>();
}

std::unique_ptr<Source> makeCaptureSource(int device, int* error) {
    auto s = std::make_unique<CaptureSource>();
    if (!s->open(device, error)) return nullptr;
    return s;
}

} // namespace wc::audio
