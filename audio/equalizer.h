#pragma once
// The peaking equaliser: up to 12 RBJ peaking biquads run in one pass over the block, each
// sample going through every active band while it is in registers (the bands' recursions are
// independent, so the processor overlaps them).
//
// The main thread changes a band's parameters through atomics; the render thread notices the
// new version and recomputes that band's coefficients between blocks, so it never waits.
// A band at 0 Hz (the default of unset band frequencies), at or above half the sample rate,
// or without a bandwidth would make an unstable filter: it passes the signal through. A band
// at 0 dB is the identity and is skipped as well.
#include <array>
#include <atomic>
#include <memory>
#include <vector>

namespace wc::audio {

// A band's parameter block, field for field as the deck keeps it.
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
    // Whether the band's frequency makes it pass the signal through unchanged.
    bool bypassed() const;
    unsigned version() const { return version_.load(std::memory_order_acquire); }
    // Coefficients b0 b1 b2 a1 a2 (normalised); false when the band is the identity.
    bool coefficients(std::array<float, 5>& c) const;

private:
    std::atomic<int> band_{0}, rate_{44100};
    std::atomic<float> bandwidth_{2.5f}, centre_{0.0f}, gain_{0.0f};
    std::atomic<unsigned> version_{1};
};

class PeakingEqualizer {
public:
    static constexpr int kMaxBands = 12;
    // Main thread: the bands are made here and only their parameters change later.
    explicit PeakingEqualizer(const std::vector<EqBandParams>& bands);
    int size() const { return int(bands_.size()); }
    PeakingBand& band(int i) { return *bands_[std::size_t(i)]; }
    // Render thread.
    void process(float* samples, int frames);

    // The loops that run the bands, by instruction set; Auto takes the best the processor
    // has. Others are for tests that compare them (a kernel the processor lacks is refused).
    enum class Kernel { Auto, Sse, Fma, Wave, WaveAlign };
    static bool useKernel(Kernel k);

private:
    std::vector<std::unique_ptr<PeakingBand>> bands_;
    // Render-thread state.
    std::array<unsigned, kMaxBands> seen_{};
    std::array<std::array<float, 5>, kMaxBands> coef_{};
    std::array<bool, kMaxBands> active_{};
    std::array<std::array<float, 4>, kMaxBands> state_{}; // z1 z2 of left, z1 z2 of right
};

} // namespace wc::audio
