#include "audio/device.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <immintrin.h>

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

void Device::setOutputChannels(int channels) {
    outChannels_ = std::max(kChannels, channels / 2 * 2);
    const int pairs = outChannels_ / 2;
    pairBufs_.assign(pairs > 1 ? std::size_t(pairs + 1) * Channel::kMaxBlock * 2 : 0, 0.0f);
}

int Device::speakerPair(std::uint32_t speakers, int pairs) {
    const int bits = int((speakers & kSpeakerMask) >> 24);
    if (bits == 0) return -1;
    return bits <= pairs ? bits - 1 : 0;
}

void Device::render(float* out, int frames, bool mayWait) {
    const int outCh = outChannels_, pairs = outCh / 2;
    std::fill(out, out + std::size_t(frames) * outCh, 0.0f);
    std::unique_lock lock(renderLock, std::defer_lock);
    if (mayWait) {
        lock.lock();
    } else if (!lock.try_lock()) {
        // The main thread is swapping something in: that takes microseconds. Try again for
        // a bounded time (never waiting on the lock itself); only a main thread that lost its
        // processor while holding the lock costs a block of silence.
        const auto giveUp = std::chrono::steady_clock::now() +
                            std::chrono::microseconds(std::int64_t(frames) * 250000 / kMixRate);
        do {
            _mm_pause();
            if (lock.try_lock()) break;
        } while (std::chrono::steady_clock::now() < giveUp);
        if (!lock.owns_lock()) {
            lockMisses_.fetch_add(1, std::memory_order_relaxed);
            return;
        }
    }
    for (int done = 0; done < frames;) {
        const int n = std::min(frames - done, Channel::kMaxBlock);
        if (pairs == 1) {
            // Stereo: every channel is on the one pair there is.
            float* dst = out + std::size_t(done) * kChannels;
            for (Channel* ch : playing)
                ch->mixInto(dst, n, mayWait);
        } else {
            // Each pair (and "all") is summed apart, then interleaved into the output.
            const std::size_t pairLen = std::size_t(Channel::kMaxBlock) * 2;
            std::fill(pairBufs_.begin(), pairBufs_.end(), 0.0f);
            for (Channel* ch : playing) {
                const int p = speakerPair(ch->speakers, pairs);
                ch->mixInto(pairBufs_.data() + pairLen * std::size_t(p < 0 ? pairs : p), n,
                            mayWait);
            }
            const float* all = pairBufs_.data() + pairLen * std::size_t(pairs);
            float* dst = out + std::size_t(done) * outCh;
            for (int p = 0; p < pairs; ++p) {
                const float* src = pairBufs_.data() + pairLen * std::size_t(p);
                for (int f = 0; f < n; ++f) {
                    dst[std::size_t(f) * outCh + 2 * p] = src[2 * f] + all[2 * f];
                    dst[std::size_t(f) * outCh + 2 * p + 1] = src[2 * f + 1] + all[2 * f + 1];
                }
            }
        }
        done += n;
    }
    const float g = g_globalVolume.load(std::memory_order_relaxed);
    if (g != 1.0f)
        for (int i = 0; i < frames * outCh; ++i)
            out[i] *= g;
}

void ManualDevice::renderFrames(std::int64_t frames) {
    buf_.resize(std::size_t(Channel::kMaxBlock) * std::size_t(outputChannels()));
    while (frames > 0) {
        const int n = int(std::min<std::int64_t>(frames, Channel::kMaxBlock));
        render(buf_.data(), n, !realTime);
        if (tap) tap(buf_.data(), n);
        frames -= n;
    }
}

} // namespace wc::audio
