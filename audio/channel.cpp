#include "audio/channel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <immintrin.h>
#include <utility>

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
      inBuf_(std::size_t(kResampleChunk + 8) * kChannels),
      work_(std::size_t(kMaxBlock) * kChannels) {}

Channel::~Channel() = default;

void Channel::rememberOutput(const float* s, int frames) {
    if (frames > kRecentFrames) {
        s += std::size_t(frames - kRecentFrames) * 2;
        frames = kRecentFrames;
    }
    const int first = std::min(frames, kRecentFrames - recentPos);
    std::memcpy(recent.data() + std::size_t(recentPos) * 2, s,
                std::size_t(first) * 2 * sizeof(float));
    std::memcpy(recent.data(), s + std::size_t(first) * 2,
                std::size_t(frames - first) * 2 * sizeof(float));
    recentPos = (recentPos + frames) % kRecentFrames;
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

int Channel::framesToTrigger(double step) const {
    // Output frame i lies at source frame inStart_ + pos_ + i x step.
    const double left = double(triggerFrame - inStart_) - pos_;
    return left <= 0 ? 0 : int(std::min(std::ceil(left / step - 1e-9), double(kMaxBlock)));
}

void Channel::fireDependent(int offset) {
    Channel* dep = std::exchange(dependent, nullptr);
    if (!dep) return;
    dep->armedOn = nullptr;
    dep->mixerPaused = false;
    dep->startOffset = offset;
    dep->fired.store(true, std::memory_order_release);
}

void Channel::resetResampler() {
    inStart_ = -1;
    // One frame of silence before the first input frame, as the interpolator's left edge.
    std::fill(inBuf_.begin(), inBuf_.begin() + 2, 0.0f);
    inLen_ = 1;
    pos_ = 1.0;
}

// Keeps the frames the interpolator still needs (from floor(pos_) - 1 on) at the start of
// inBuf_ and appends newly produced input after them. Returns false when nothing came.
bool Channel::refill(bool mayWait) {
    const int keepFrom = std::max(0, int(pos_) - 1);
    const int keep = inLen_ - keepFrom;
    if (keep > 0 && keepFrom > 0)
        std::memmove(inBuf_.data(), inBuf_.data() + std::size_t(keepFrom) * 2,
                     std::size_t(keep) * 2 * sizeof(float));
    inLen_ = std::max(keep, 0);
    pos_ -= keepFrom;
    inStart_ = source->positionFrames() - inLen_; // what comes next follows the kept frames
    const int got = produce(inBuf_.data() + std::size_t(inLen_) * 2, kResampleChunk, mayWait);
    if (got <= 0) return false;
    inLen_ += got;
    return true;
}

bool Channel::mixInto(float* acc, int frames, bool mayWait) {
    if (state != ActiveState::Playing || mixerPaused || ended.load(std::memory_order_relaxed))
        return true;
    if (held.load(std::memory_order_acquire)) {
        if (!mayWait) return true;
        held.wait(true, std::memory_order_acquire);
    }
    frames = std::min(frames, kMaxBlock);
    float* w = work_.data();
    int made = 0;
    const double step = double(freq) / kMixRate;
    bool sourceDone = false;
    bool cut = false; // ended at the trigger of an armed start
    if (step == 1.0) {
        // Same rate: frames pass through untouched, so positions stay sample-exact.
        while (made < frames) {
            int want = frames - made;
            if (triggerLive()) {
                const std::int64_t room = triggerFrame - source->positionFrames();
                if (room <= 0) {
                    fireDependent(made);
                    if (cutAtTrigger) {
                        cut = true;
                        break;
                    }
                    continue;
                }
                want = int(std::min<std::int64_t>(want, room));
            }
            const int got = produce(w + std::size_t(made) * 2, want, mayWait);
            if (got <= 0) break;
            made += got;
        }
        sourceDone = cut || (made < frames && source->ended());
    } else {
        // Cubic (Catmull-Rom) interpolation between the four input frames around pos_.
        while (made < frames) {
            // Output frames whose four input frames are all here: interpolate them in one run
            // without a check per frame, then fetch more input.
            // (Frame i needs int(pos_ + i x step) + 2 < inLen_.)
            const double room = double(inLen_ - 2) - pos_;
            int run = room <= 0 ? 0 : std::min(frames - made, int(std::ceil(room / step - 1e-9)));
            if (triggerLive() && inStart_ >= 0) {
                const int left = framesToTrigger(step);
                if (left == 0) {
                    fireDependent(made);
                    if (cutAtTrigger) {
                        cut = true;
                        break;
                    }
                    continue;
                }
                run = std::min(run, left);
            }
            if (run == 0) {
                if (!refill(mayWait)) {
                    sourceDone = source->ended();
                    break;
                }
                continue;
            }
            const float* in = inBuf_.data();
            double pos = pos_;
            float* o = w + std::size_t(made) * 2;
            // Two output frames per vector: lanes 0-1 hold frame i, lanes 2-3 frame i + 1 (a
            // frame is one 64-bit lane pair, left and right).
            const __m128 three = _mm_set1_ps(3.0f), two = _mm_set1_ps(2.0f),
                         four = _mm_set1_ps(4.0f), five = _mm_set1_ps(5.0f),
                         half = _mm_set1_ps(0.5f);
            auto framesAt = [in](int k, int m) {
                const __m128 lo =
                    _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(in + 2 * k)));
                return _mm_loadh_pi(lo, reinterpret_cast<const __m64*>(in + 2 * m));
            };
            auto interpolate = [&](__m128 t, __m128 p0, __m128 p1, __m128 p2, __m128 p3) {
                const __m128 a =
                    _mm_add_ps(_mm_mul_ps(three, _mm_sub_ps(p1, p2)), _mm_sub_ps(p3, p0));
                const __m128 b = _mm_sub_ps(_mm_add_ps(_mm_mul_ps(two, p0), _mm_mul_ps(four, p2)),
                                            _mm_add_ps(_mm_mul_ps(five, p1), p3));
                const __m128 c = _mm_sub_ps(p2, p0);
                const __m128 poly = _mm_add_ps(c, _mm_mul_ps(t, _mm_add_ps(b, _mm_mul_ps(t, a))));
                return _mm_add_ps(p1, _mm_mul_ps(_mm_mul_ps(half, t), poly));
            };
            int i = 0;
            for (; i + 1 < run; i += 2) {
                const double posB = pos + step;
                const int k = int(pos), m = int(posB);
                const __m128 t =
                    _mm_setr_ps(float(pos - k), float(pos - k), float(posB - m), float(posB - m));
                const __m128 v = interpolate(t, framesAt(k - 1, m - 1), framesAt(k, m),
                                             framesAt(k + 1, m + 1), framesAt(k + 2, m + 2));
                _mm_storeu_ps(o + 2 * i, v);
                pos += 2 * step;
            }
            if (i < run) {
                const int k = int(pos);
                const __m128 v =
                    interpolate(_mm_set1_ps(float(pos - k)), framesAt(k - 1, k - 1), framesAt(k, k),
                                framesAt(k + 1, k + 1), framesAt(k + 2, k + 2));
                _mm_store_sd(reinterpret_cast<double*>(o + 2 * i), _mm_castps_pd(v));
                pos += step;
            }
            pos_ = pos;
            made += run;
        }
        sourceDone = sourceDone || cut;
    }
    // A trigger reached with the last frame of the block fires now, not a block later; a
    // source that ended before its trigger starts the dependent where it ended.
    if (triggerLive() && !sourceDone) {
        const bool reached = step == 1.0 ? triggerFrame <= source->positionFrames()
                                         : inStart_ >= 0 && framesToTrigger(step) == 0;
        if (reached) {
            fireDependent(made);
            sourceDone = cutAtTrigger;
        }
    }
    if (sourceDone && triggerLive()) fireDependent(made);
    mixedFrames += made;
    // Volume, pan and the slide: frame by frame while a slide runs, else one gain per side.
    const float panL = std::min(1.0f, 1.0f - pan), panR = std::min(1.0f, 1.0f + pan);
    int i = 0;
    for (; i < made && slide.on; ++i) {
        ++slide.done;
        if (slide.done >= slide.length) {
            volume = slide.to;
            slide.on = false;
        } else {
            volume = slide.from + (slide.to - slide.from) * float(slide.done) / float(slide.length);
        }
        const float gain = gainOf(volume);
        acc[2 * i] += w[2 * i] * gain * panL;
        acc[2 * i + 1] += w[2 * i + 1] * gain * panR;
    }
    const float gain = gainOf(volume);
    const float gl = gain * panL, gr = gain * panR;
    for (; i < made; ++i) {
        acc[2 * i] += w[2 * i] * gl;
        acc[2 * i + 1] += w[2 * i + 1] * gr;
    }
    if (sourceDone) {
        ended.store(true, std::memory_order_release);
        state = ActiveState::Stopped;
        return false;
    }
    return true;
}

} // namespace wc::audio
