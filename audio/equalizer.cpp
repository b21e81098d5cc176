#include "audio/equalizer.h"

#include <cmath>

namespace wc::audio {

void PeakingBand::set(const EqBandParams& p) {
    band_.store(p.band);
    rate_.store(p.channelFreq);
    bandwidth_.store(p.bandwidth);
    centre_.store(p.centre);
    gain_.store(p.gain);
    version_.fetch_add(1, std::memory_order_release);
}

EqBandParams PeakingBand::params() const {
    EqBandParams p;
    p.band = band_.load();
    p.channelFreq = rate_.load();
    p.bandwidth = bandwidth_.load();
    p.centre = centre_.load();
    p.gain = gain_.load();
    return p;
}

bool PeakingBand::bypassed() const {
    const float f = centre_.load();
    return !(f > 0.0f) || f >= float(rate_.load()) / 2.0f || !(bandwidth_.load() > 0.0f);
}

void PeakingBand::recompute() {
    bypass_ = bypassed();
    if (bypass_) return;
    const double fs = rate_.load(), f0 = centre_.load(), bw = bandwidth_.load();
    const double a = std::pow(10.0, double(gain_.load()) / 40.0);
    const double w0 = 2.0 * M_PI * f0 / fs;
    const double sn = std::sin(w0), cs = std::cos(w0);
    const double alpha = sn * std::sinh(std::log(2.0) / 2.0 * bw * w0 / sn);
    const double a0 = 1.0 + alpha / a;
    b0_ = float((1.0 + alpha * a) / a0);
    b1_ = float(-2.0 * cs / a0);
    b2_ = float((1.0 - alpha * a) / a0);
    a1_ = float(-2.0 * cs / a0);
    a2_ = float((1.0 - alpha / a) / a0);
}

void PeakingBand::process(float* s, int frames) {
    const unsigned v = version_.load(std::memory_order_acquire);
    if (v != seen_) {
        seen_ = v;
        recompute();
    }
    if (bypass_) return;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < 2; ++c) {
            const float x = s[2 * i + c];
            const float y = b0_ * x + b1_ * x1_[c] + b2_ * x2_[c] - a1_ * y1_[c] - a2_ * y2_[c];
            x2_[c] = x1_[c];
            x1_[c] = x;
            y2_[c] = y1_[c];
            y1_[c] = y;
            s[2 * i + c] = y;
        }
}

} // namespace wc::audio
