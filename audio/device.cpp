#include "audio/device.h"

#include <algorithm>
#include <atomic>

namespace wc::audio {

namespace {
std::atomic<float> g_globalVolume{1.0f};
}

void Device::setGlobalVolume(float v) {
    g_globalVolume.store(std::clamp(v, 0.0f, 1.0f));
}
float Device::globalVolume() {
    return g_globalVolume.load();
}

Device::Device(int n) : number(n) {
    playing.reserve(64);
}
Device::~Device() = default;

void Device::render(float* out, int frames, bool mayWait) {
    std::fill(out, out + std::size_t(frames) * kChannels, 0.0f);
    std::unique_lock lock(renderLock, std::defer_lock);
    if (mayWait)
        lock.lock();
    else if (!lock.try_lock())
        return; // the main thread is changing something: one block of silence
    for (int done = 0; done < frames;) {
        const int n = std::min(frames - done, Channel::kMaxBlock);
        float* dst = out + std::size_t(done) * kChannels;
        for (Channel* ch : playing)
            ch->mixInto(dst, n, mayWait);
        done += n;
    }
    const float g = g_globalVolume.load(std::memory_order_relaxed);
    if (g != 1.0f)
        for (int i = 0; i < frames * kChannels; ++i)
            out[i] *= g;
}

void ManualDevice::renderFrames(std::int64_t frames) {
    while (frames > 0) {
        const int n = int(std::min<std::int64_t>(frames, Channel::kMaxBlock));
        render(buf_.data(), n, true);
        if (tap) tap(buf_.data(), n);
        frames -= n;
    }
}

} // namespace wc::audio
