// The peaking equaliser against a straightforward double-precision cascade of the same
// biquads: any number of bands, blocks of any size (shorter than the pipeline too), state
// carried from block to block, and parameter changes between blocks.
#include "audio/equalizer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>
#include <vector>

using namespace wc::audio;

namespace {

// The reference: each active band in turn over the whole signal, transposed direct form II.
class ReferenceCascade {
public:
    void process(PeakingEqualizer& eq, std::vector<float>& s, int offset, int frames) {
        state_.resize(std::size_t(eq.size()));
        for (int b = 0; b < eq.size(); ++b) {
            std::array<float, 5> c{};
            if (!eq.band(b).coefficients(c)) continue;
            for (int ch = 0; ch < 2; ++ch) {
                double& z1 = state_[std::size_t(b)][std::size_t(2 * ch)];
                double& z2 = state_[std::size_t(b)][std::size_t(2 * ch + 1)];
                for (int i = 0; i < frames; ++i) {
                    float& v = s[std::size_t(2 * (offset + i) + ch)];
                    const double x = v;
                    const double y = c[0] * x + z1;
                    z1 = c[1] * x - c[3] * y + z2;
                    z2 = c[2] * x - c[4] * y;
                    v = float(y);
                }
            }
        }
    }

private:
    std::vector<std::array<double, 4>> state_;
};

std::vector<EqBandParams> bands(int n, int rate) {
    const float centres[] = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 12000, 16000, 20000};
    std::vector<EqBandParams> p;
    for (int i = 0; i < n; ++i)
        p.push_back(EqBandParams{i, rate, 2.5f, 0.0f, centres[i], float((i % 7) - 3) * 2.0f, -1});
    return p;
}

std::vector<float> noise(int frames, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> u(-0.5f, 0.5f);
    std::vector<float> s(std::size_t(frames) * 2);
    for (float& v : s)
        v = u(rng);
    return s;
}

struct EqCase {
    const char* name;
    int bands;
    std::vector<int> blocks; // frames per call, repeated until the signal is used up
};

using Kernel = PeakingEqualizer::Kernel;

std::string caseName(const ::testing::TestParamInfo<std::tuple<EqCase, Kernel>>& info) {
    static const char* const kernels[] = {"auto", "sse", "fma", "wave", "wave_align"};
    return std::string(std::get<0>(info.param).name) + "_" + kernels[int(std::get<1>(info.param))];
}

class EqualiserMatchesReference : public ::testing::TestWithParam<std::tuple<EqCase, Kernel>> {
protected:
    void TearDown() override { PeakingEqualizer::useKernel(Kernel::Auto); }
};

TEST_P(EqualiserMatchesReference, InEveryBlockAndAcrossBlocks) {
    const EqCase k = std::get<0>(GetParam());
    if (!PeakingEqualizer::useKernel(std::get<1>(GetParam())))
        GTEST_SKIP() << "this processor lacks the instructions of that loop";
    const int frames = 20000;
    const std::vector<float> input = noise(frames, unsigned(k.bands));
    std::vector<float> got = input, want = input;
    PeakingEqualizer eq(bands(k.bands, 44100));
    PeakingEqualizer ref(bands(k.bands, 44100));
    ReferenceCascade cascade;
    int done = 0;
    bool changed = false;
    for (std::size_t call = 0; done < frames; ++call) {
        const int n = std::min(k.blocks[call % k.blocks.size()], frames - done);
        if (!changed && done >= 3000) { // a gain change between blocks: from the next block on
            changed = true;
            EqBandParams p = eq.band(0).params();
            p.gain = 9.0f;
            eq.band(0).set(p);
            ref.band(0).set(p);
        }
        eq.process(got.data() + 2 * done, n);
        cascade.process(ref, want, done, n);
        done += n;
    }
    double worst = 0;
    for (std::size_t i = 0; i < got.size(); ++i)
        worst = std::max(worst, std::fabs(double(got[i]) - want[i]));
    // Single-precision rounding of a 31 Hz band stays far below this; a frame out of place, a
    // lane mixed up or state lost between blocks is of the order of the signal.
    EXPECT_LT(worst, 5e-4) << "largest difference from the reference";
    // The equaliser did change the signal (all bands could have been skipped otherwise).
    double moved = 0;
    for (std::size_t i = 0; i < got.size(); ++i)
        moved = std::max(moved, std::fabs(double(got[i]) - input[i]));
    EXPECT_GT(moved, 0.01);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EqualiserMatchesReference,
    ::testing::Combine(
        ::testing::Values(EqCase{"one_band_large_blocks", 1, {4096}},
                          EqCase{"four_bands_odd_blocks", 4, {513, 77}},
                          EqCase{"five_bands_tiny_blocks", 5, {1, 2, 3, 5}},
                          EqCase{"twelve_bands_large_blocks", 12, {4096}},
                          EqCase{
                              "twelve_bands_blocks_shorter_than_the_pipeline", 12, {1, 7, 11, 13}},
                          EqCase{"ten_bands_mixed", 10, {2048, 9, 1024, 4095}}),
        ::testing::Values(Kernel::Sse, Kernel::Fma, Kernel::Wave, Kernel::WaveAlign)),
    caseName);

struct BypassCase {
    const char* name;
    float centre;
    float gain;
};

class EqualiserBypass : public ::testing::TestWithParam<BypassCase> {};

TEST_P(EqualiserBypass, LeavesTheSignalExactlyAsItWas) {
    const BypassCase k = GetParam();
    const std::vector<float> input = noise(5000, 3);
    std::vector<float> s = input;
    PeakingEqualizer eq({EqBandParams{0, 44100, 2.5f, 0.0f, k.centre, k.gain, -1}});
    eq.process(s.data(), 5000);
    EXPECT_EQ(s, input);
    for (float v : s)
        ASSERT_TRUE(std::isfinite(v));
}

INSTANTIATE_TEST_SUITE_P(Bands, EqualiserBypass,
                         ::testing::Values(BypassCase{"zero_hz", 0.0f, 10.0f},
                                           BypassCase{"negative", -100.0f, 10.0f},
                                           BypassCase{"half_the_rate", 22050.0f, 10.0f},
                                           BypassCase{"above_half_the_rate", 30000.0f, -10.0f},
                                           BypassCase{"flat", 1000.0f, 0.0f}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
