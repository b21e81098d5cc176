// Two decks playing 128 kbit/s MP3 at 48 kHz (so both are resampled) through the equaliser,
// the gain and the mixer, rendered as fast as possible on the manual device. Reference run
// in the same process: decoding the same two files with FFmpeg alone.
#include "audio/audioengine.h"
#include "audio/decoder.h"
#include "benchfiles.h"
#include "common/settings.h"
#include "common/simloop.h"

#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <sched.h>
#include <vector>

using namespace wc::audio;
using Clock = std::chrono::steady_clock;

static double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// CPU time of the whole process (every thread): on a machine shared with other work this is
// the fairer measure of cost, as wall time includes waiting for a core.
static double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

int main() {
    // The targets are for one core: pin the process (decode worker included) to the core it
    // runs on, so the figures do not depend on a second core being free. WC_BENCH_CORES=all
    // leaves the process free to use every core.
    if (qgetenv("WC_BENCH_CORES") != "all") {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(sched_getcpu(), &one);
        sched_setaffinity(0, sizeof one, &one);
    }
    QTemporaryDir dir;
    const double length = 180.0;
    const QString a = dir.filePath("a.mp3"), b = dir.filePath("b.mp3");
    if (!bench::makeMp3(a, length, 48000) || !bench::makeMp3(b, length, 48000)) {
        std::fprintf(stderr, "ffmpeg failed\n");
        return 1;
    }
    // Reference: FFmpeg decoding alone.
    std::vector<float> buf(4096 * 2);
    auto t0 = Clock::now();
    double c0 = cpuSeconds();
    for (const QString& f : {a, b}) {
        FileDecoder dec;
        dec.open(f);
        while (dec.read(buf.data(), 4096) > 0) {
        }
    }
    const double decodeSec = seconds(Clock::now() - t0);
    const double decodeCpu = cpuSeconds() - c0;

    // Two decks on the mixer with a 12-band equaliser and gain.
    auto& sys = AudioSystem::instance();
    sys.setManualOutput(true);
    sys.initDevice(1);
    wc::SimLoop loop;
    wc::setClock(&loop);
    wc::setTimerHost(&loop);
    wc::TSystemIni ini;
    ini.Freq = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 12000, 16000, 20000};
    InitGlobals(ini);
    CreateMixer(0);
    std::vector<std::unique_ptr<TAudioEngine>> decks;
    for (const QString& f : {a, b}) {
        auto d = std::make_unique<TAudioEngine>([](TAudioEngine&, DeckReport, int) { return 1; });
        d->mixerMode = true;
        d->eqOn = !qEnvironmentVariableIsSet("NOEQ");
        d->eqGains = {3, 2, 1, 0, -1, -2, 2, 3, 1, 0, -3, 2};
        d->gainDb = 3;
        decks.push_back(std::move(d));
        decks.back()->Open(f, false);
    }
    t0 = Clock::now();
    c0 = cpuSeconds();
    const std::int64_t frames = std::int64_t(length * kMixRate);
    for (std::int64_t done = 0; done < frames; done += 4096)
        sys.renderManual(4096);
    const double renderSec = seconds(Clock::now() - t0);
    const double renderCpu = cpuSeconds() - c0;
    decks.clear();
    sys.shutdown();

    std::printf("audio length:                 %.0f s per deck, two decks\n", length);
    std::printf("FFmpeg decode alone:          %.3f s\n", decodeSec);
    std::printf("decks + resampling + EQ + gain + mixer: %.3f s\n", renderSec);
    std::printf("faster than real time:        %.0f x (target >= 300)\n", length / renderSec);
    std::printf("cost relative to decode alone: %.2f (target <= 1.5)\n", renderSec / decodeSec);
    std::printf("by CPU time of the process:   decode %.3f s, render %.3f s: %.0f x real time, "
                "%.2f x decode alone\n",
                decodeCpu, renderCpu, length / renderCpu, renderCpu / decodeCpu);
    return 0;
}
