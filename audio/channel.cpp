#include "audio/channel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace wc::audio {

namespace {
std::atomic<bool> g_logCurve{false};
}

void Channel::setLogCurve(bool on) {
    g_logCurve.store(on);
}

// Linear gain, or with the logarithmic curve -50 dB x (1 - volume), so that equal steps of
// the volume sound like equal steps of loudness.
float Channel::gainOf(float v) {
    if (!g_logCurve.load(std::memory_order_relaxed)) return v;
    return v <= 0.0f ? 0.0f : std::pow(10.0f, -2.5f * (1.0f - v));
}

Channel::Channel(Handle h, std::unique_ptr<Source> src, bool decodeOnly_, std::uint32_t spk,
                 Device* dev)
    : handle(h), source(std::move(src)), decodeOnly(decodeOnly_), speakers(spk), device(dev),
      freq(float(source->rate())), recent(std::size_t(kRecentFrames) * kChannels, 0.0f),
      inBuf_(std::size_t(kMaxBlock) * kChannels), work_(std::size_t(kMaxBlock) * kChannels) {}

Channel::~Channel() = default;

void Channel::rememberOutput(const float* s, int frames) {
    for (int i = 0; i < frames; ++i) {
        recent[std::size_t(recentPos) * 2] = s[2 * i];
        recent[std::size_t(recentPos) * 2 + 1] = s[2 * i + 1];
        recentPos = (recentPos + 1) % kRecentFrames;
    }
}

int Channel::copyRecent(float* out, int frames) const {
    frames = std::min(frames, kRecentFrames);
    int pos = (recentPos - frames + kRecentFrames) % kRecentFrames;
    for (int i = 0; i < frames; ++i) {
        out[2 * i] = recent[std::size_t(pos) * 2];
        out[2 * i + 1] = recent[std::size_t(pos) * 2 + 1];
        pos = (pos + 1) % kRecentFrames;
    }
    return frames;
}

int Channel::produce(float* out, int frames, bool mayWait) {
    int got = source->pull(out, frames, mayWait);
    stalled.store(got < frames && !source->ended(), std::memory_order_relaxed);
    if (got > 0) {
        for (Dsp& d : dsps)
            d.fn(out, got);
        rememberOutput(out, got);
    }
    return got;
}

void Channel::resetResampler() {
    inPos_ = inLen_ = 0;
    hist_.fill(0.0f);
    frac_ = 0.0;
    primed_ = false;
}

bool Channel::nextInput(float* frame, bool mayWait) {
    if (inPos_ >= inLen_) {
        inLen_ = produce(inBuf_.data(), 1024, mayWait);
        inPos_ = 0;
        if (inLen_ <= 0) {
            inLen_ = 0;
            return false;
        }
    }
    frame[0] = inBuf_[std::size_t(inPos_) * 2];
    frame[1] = inBuf_[std::size_t(inPos_) * 2 + 1];
    ++inPos_;
    return true;
}

bool Channel::mixInto(float* acc, int frames, bool mayWait) {
    if (state != ActiveState::Playing || mixerPaused || ended.load(std::memory_order_relaxed))
        return true;
    frames = std::min(frames, kMaxBlock);
    float* w = work_.data();
    int made = 0;
    const double step = double(freq) / kMixRate;
    bool sourceDone = false;
    if (step == 1.0) {
        // Same rate: frames pass through untouched, so positions stay sample-exact.
        while (made < frames) {
            const int got = produce(w + std::size_t(made) * 2, frames - made, mayWait);
            if (got <= 0) break;
            made += got;
        }
        sourceDone = made < frames && source->ended();
    } else {
        // Cubic (Catmull-Rom) interpolation between the last four input frames.
        if (!primed_) {
            float f[2];
            for (int k = 0; k < 3; ++k) {
                if (!nextInput(f, mayWait)) break;
                std::memmove(hist_.data(), hist_.data() + 2, 6 * sizeof(float));
                hist_[6] = f[0];
                hist_[7] = f[1];
            }
            primed_ = true;
        }
        while (made < frames) {
            while (frac_ >= 1.0) {
                float f[2];
                if (!nextInput(f, mayWait)) {
                    sourceDone = source->ended();
                    break;
                }
                std::memmove(hist_.data(), hist_.data() + 2, 6 * sizeof(float));
                hist_[6] = f[0];
                hist_[7] = f[1];
                frac_ -= 1.0;
            }
            if (frac_ >= 1.0) break;
            const float t = float(frac_);
            for (int c = 0; c < 2; ++c) {
                const float p0 = hist_[c], p1 = hist_[2 + c], p2 = hist_[4 + c], p3 = hist_[6 + c];
                w[2 * made + c] = p1 + 0.5f * t *
                                           (p2 - p0 +
                                            t * (2.0f * p0 - 5.0f * p1 + 4.0f * p2 - p3 +
                                                 t * (3.0f * (p1 - p2) + p3 - p0)));
            }
            ++made;
            frac_ += step;
        }
    }
    // Volume, pan and the slide, frame by frame.
    const float panL = std::min(1.0f, 1.0f - pan), panR = std::min(1.0f, 1.0f + pan);
    float gain = gainOf(volume);
    for (int i = 0; i < made; ++i) {
        if (slide.on) {
            ++slide.done;
            if (slide.done >= slide.length) {
                volume = slide.to;
                slide.on = false;
            } else {
                volume =
                    slide.from + (slide.to - slide.from) * float(slide.done) / float(slide.length);
            }
            gain = gainOf(volume);
        }
        acc[2 * i] += w[2 * i] * gain * panL;
        acc[2 * i + 1] += w[2 * i + 1] * gain * panR;
    }
    if (sourceDone) {
        ended.store(true, std::memory_order_release);
        state = ActiveState::Stopped;
        return false;
    }
    return true;
}

} // namespace wc::audio
