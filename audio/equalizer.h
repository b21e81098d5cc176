#pragma once
// One band of the peaking equaliser: an RBJ peaking biquad run in place on stereo floats.
// The main thread changes the band's parameters through atomics; the render thread notices
// the new version and recomputes its coefficients between blocks, so it never waits.
// A band at 0 Hz (the default of unset band frequencies) or at or above half the sample rate
// would make an unstable filter: such a band passes the signal through untouched.
#include <atomic>

namespace wc::audio {

// The band's parameter block, field for field as the deck keeps it.
struct EqBandParams {
    int band = 0;
    int channelFreq = 44100; // sample rate of the channel the band runs on
    float bandwidth = 2.5f;  // octaves
    float q = 0.0f;          // unused (bandwidth decides)
    float centre = 0.0f;     // Hz
    float gain = 0.0f;       // dB
    int channels = -1;       // all channels
};

class PeakingBand {
public:
    explicit PeakingBand(const EqBandParams& p) { set(p); }
    // Main thread.
    void set(const EqBandParams& p);
    EqBandParams params() const;
    // Render thread.
    void process(float* samples, int frames);
    // Whether the band currently bypasses (for tests and diagnostics).
    bool bypassed() const;

private:
    void recompute();
    std::atomic<int> band_{0}, rate_{44100};
    std::atomic<float> bandwidth_{2.5f}, centre_{0.0f}, gain_{0.0f};
    std::atomic<unsigned> version_{1};
    // Render-thread state.
    unsigned seen_ = 0;
    bool bypass_ = true;
    float b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
    float x1_[2]{}, x2_[2]{}, y1_[2]{}, y2_[2]{};
};

} // namespace wc::audio
