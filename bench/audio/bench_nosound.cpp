// Device 0 ("No sound") against the monotonic clock: frames rendered over a run of the
// given seconds (default 600) compared with the frames real time asks for.
#include "audio/audiosystem.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

using namespace wc::audio;

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 600;
    auto& sys = AudioSystem::instance();
    if (!sys.initDevice(0)) return 1;
    const Handle mixer = sys.createMixer(StreamOptions{});
    sys.play(mixer);
    const auto t0 = std::chrono::steady_clock::now();
    const std::int64_t p0 = sys.positionBytes(mixer) / kBytesPerFrame;
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const std::int64_t p1 = sys.positionBytes(mixer) / kBytesPerFrame;
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double expected = elapsed * kMixRate;
    std::printf("elapsed %.3f s, rendered %lld frames, real time asks %.0f\n", elapsed,
                static_cast<long long>(p1 - p0), expected);
    std::printf("deviation: %.4f %% (target within 0.1 %%)\n",
                100.0 * (double(p1 - p0) - expected) / expected);
    sys.shutdown();
    return 0;
}
