#include "audio/equalizer.h"

#include <algorithm>
#include <cmath>
#include <immintrin.h>

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

bool PeakingBand::coefficients(std::array<float, 5>& c) const {
    if (bypassed() || gain_.load() == 0.0f) return false;
    const double fs = rate_.load(), f0 = centre_.load(), bw = bandwidth_.load();
    const double a = std::pow(10.0, double(gain_.load()) / 40.0);
    const double w0 = 2.0 * M_PI * f0 / fs;
    const double sn = std::sin(w0), cs = std::cos(w0);
    const double alpha = sn * std::sinh(std::log(2.0) / 2.0 * bw * w0 / sn);
    const double a0 = 1.0 + alpha / a;
    c = {float((1.0 + alpha * a) / a0), float(-2.0 * cs / a0), float((1.0 - alpha * a) / a0),
         float(-2.0 * cs / a0), float((1.0 - alpha / a) / a0)};
    return true;
}

PeakingEqualizer::PeakingEqualizer(const std::vector<EqBandParams>& bands) {
    for (std::size_t i = 0; i < bands.size() && i < std::size_t(kMaxBands); ++i)
        bands_.push_back(std::make_unique<PeakingBand>(bands[i]));
}

namespace {

// The band loops over interleaved stereo: left and right side by side in one SSE register.
// z holds z1 and z2 of each band as (left, right) pairs.
struct BandRegs {
    __m128 cv[PeakingEqualizer::kMaxBands][5], z1[PeakingEqualizer::kMaxBands],
        z2[PeakingEqualizer::kMaxBands];
};

inline void loadBands(BandRegs& r, const float (*c)[5], const float (*z)[4], int n) {
    for (int b = 0; b < n; ++b) {
        for (int k = 0; k < 5; ++k)
            r.cv[b][k] = _mm_set1_ps(c[b][k]);
        r.z1[b] = _mm_setr_ps(z[b][0], z[b][2], 0.0f, 0.0f);
        r.z2[b] = _mm_setr_ps(z[b][1], z[b][3], 0.0f, 0.0f);
    }
}

inline void storeBands(const BandRegs& r, float (*z)[4], int n) {
    for (int b = 0; b < n; ++b) {
        alignas(16) float a[4], d[4];
        _mm_store_ps(a, r.z1[b]);
        _mm_store_ps(d, r.z2[b]);
        z[b][0] = a[0];
        z[b][2] = a[1];
        z[b][1] = d[0];
        z[b][3] = d[1];
    }
}

__attribute__((target("fma"))) void runBandsFma(const float (*c)[5], float (*z)[4], int n, float* s,
                                                int frames) {
    BandRegs r;
    loadBands(r, c, z, n);
    for (int i = 0; i < frames; ++i) {
        __m128 x = _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(s + 2 * i)));
        for (int b = 0; b < n; ++b) {
            const __m128 y = _mm_fmadd_ps(r.cv[b][0], x, r.z1[b]);
            r.z1[b] = _mm_fmadd_ps(r.cv[b][1], x, _mm_fnmadd_ps(r.cv[b][3], y, r.z2[b]));
            r.z2[b] = _mm_fnmadd_ps(r.cv[b][4], y, _mm_mul_ps(r.cv[b][2], x));
            x = y;
        }
        _mm_store_sd(reinterpret_cast<double*>(s + 2 * i), _mm_castps_pd(x));
    }
    storeBands(r, z, n);
}

void runBandsSse(const float (*c)[5], float (*z)[4], int n, float* s, int frames) {
    BandRegs r;
    loadBands(r, c, z, n);
    for (int i = 0; i < frames; ++i) {
        __m128 x = _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(s + 2 * i)));
        for (int b = 0; b < n; ++b) {
            const __m128 y = _mm_add_ps(_mm_mul_ps(r.cv[b][0], x), r.z1[b]);
            r.z1[b] = _mm_add_ps(_mm_sub_ps(_mm_mul_ps(r.cv[b][1], x), _mm_mul_ps(r.cv[b][3], y)),
                                 r.z2[b]);
            r.z2[b] = _mm_sub_ps(_mm_mul_ps(r.cv[b][2], x), _mm_mul_ps(r.cv[b][4], y));
            x = y;
        }
        _mm_store_sd(reinterpret_cast<double*>(s + 2 * i), _mm_castps_pd(x));
    }
    storeBands(r, z, n);
}

// The bands as a wavefront, eight lanes wide: a register holds four bands (left and right of
// each), and band k works on frame t - k while band 0 takes frame t, so the four bands of a
// register never wait for each other and each band's recursion has a whole step to finish.
// The output of band k moves one pair of lanes up (to band k + 1) for the next step. The
// first and the last steps of a block, where the wavefront enters and leaves it, keep the
// state of the bands that have no frame; between blocks the pipeline is empty, so there is no
// delay. Unused lanes of the last register are identity bands. c and z as for the other loops.
// Lane pairs move up by one, (p3, p0, p1, p2) as 64-bit elements, and the bottom pair comes
// from prev's top pair.
#define WC_WAVE_NAME runBandsWave
#define WC_WAVE_TARGET __attribute__((target("avx2,fma")))
#define WC_UP(v) _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(v), 0x93))
#define WC_SHIFT(y, prev) _mm256_blend_ps(WC_UP(y), WC_UP(prev), 0x03)
#include "audio/eqwave.inc"
#undef WC_SHIFT
#undef WC_UP
#undef WC_WAVE_NAME
#undef WC_WAVE_TARGET

// One instruction: the eight 64-bit elements of prev:y shifted down by three.
#define WC_WAVE_NAME runBandsWaveAlign
#define WC_WAVE_TARGET __attribute__((target("avx2,fma,avx512f,avx512vl")))
#define WC_SHIFT(y, prev)                                                                          \
    _mm256_castsi256_ps(_mm256_alignr_epi64(_mm256_castps_si256(y), _mm256_castps_si256(prev), 3))
#include "audio/eqwave.inc"
#undef WC_SHIFT
#undef WC_WAVE_NAME
#undef WC_WAVE_TARGET

const bool kHaveAlign = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") &&
                        __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
const bool kHaveWave = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
const bool kHaveFma = __builtin_cpu_supports("fma");

} // namespace

namespace {
PeakingEqualizer::Kernel bestKernel() {
    using K = PeakingEqualizer::Kernel;
    return kHaveAlign ? K::WaveAlign : kHaveWave ? K::Wave : kHaveFma ? K::Fma : K::Sse;
}
std::atomic<PeakingEqualizer::Kernel> g_kernel{bestKernel()};
} // namespace

bool PeakingEqualizer::useKernel(Kernel k) {
    const bool ok = k == Kernel::Auto || k == Kernel::Sse || (k == Kernel::Fma && kHaveFma) ||
                    (k == Kernel::Wave && kHaveWave) || (k == Kernel::WaveAlign && kHaveAlign);
    if (ok) g_kernel.store(k == Kernel::Auto ? bestKernel() : k);
    return ok;
}

void PeakingEqualizer::process(float* s, int frames) {
    // Coefficients of bands changed since the last block; a band that becomes active starts
    // from rest.
    float c[kMaxBands][5];
    float z[kMaxBands][4];
    int n = 0;
    int which[kMaxBands];
    for (int b = 0; b < size(); ++b) {
        const unsigned v = bands_[std::size_t(b)]->version();
        if (v != seen_[std::size_t(b)]) {
            seen_[std::size_t(b)] = v;
            const bool was = active_[std::size_t(b)];
            active_[std::size_t(b)] = bands_[std::size_t(b)]->coefficients(coef_[std::size_t(b)]);
            if (!was) state_[std::size_t(b)] = {};
        }
        if (!active_[std::size_t(b)]) continue;
        for (int k = 0; k < 5; ++k)
            c[n][k] = coef_[std::size_t(b)][std::size_t(k)];
        for (int k = 0; k < 4; ++k)
            z[n][k] = state_[std::size_t(b)][std::size_t(k)];
        which[n++] = b;
    }
    if (n == 0) return;
    // Recursive filters ringing out into silence reach denormal numbers, which cost the
    // processor a hundred times more: flush them to zero while the bands run.
    const unsigned csr = _mm_getcsr();
    _mm_setcsr(csr | 0x8040); // flush-to-zero and denormals-are-zero
    switch (g_kernel.load(std::memory_order_relaxed)) {
    case Kernel::WaveAlign:
        runBandsWaveAlign(c, z, n, s, frames);
        break;
    case Kernel::Wave:
        runBandsWave(c, z, n, s, frames);
        break;
    case Kernel::Fma:
        runBandsFma(c, z, n, s, frames);
        break;
    default:
        runBandsSse(c, z, n, s, frames);
        break;
    }
    _mm_setcsr(csr);
    for (int b = 0; b < n; ++b)
        for (int k = 0; k < 4; ++k)
            state_[std::size_t(which[b])][std::size_t(k)] = z[b][k];
}

} // namespace wc::audio
