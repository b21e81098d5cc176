// Time for a deck to open a five-minute 128 kbit/s MP3 until its first sample is in the
// mixer, without and with silence cutting; for the silence analysis also a worst case (a
// file that is silent for half its length). Then what a prepared item costs the main thread:
// a four-minute Ogg Vorbis (whose exact length takes a decode) opened as it is, against the
// same file prepared ahead on the worker, as the player prepares its next item.
#include "audio/audioengine.h"
#include "audio/silence.h"
#include "benchfiles.h"
#include "common/settings.h"
#include "common/simloop.h"

#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <thread>

using namespace wc::audio;
using Clock = std::chrono::steady_clock;

int main() {
    QTemporaryDir dir;
    const QString plain = dir.filePath("five.mp3"), quiet = dir.filePath("quiet.mp3");
    if (!bench::makeMp3(plain, 300.0, 44100) || !bench::makeMp3(quiet, 150.0, 44100, 150.0)) {
        std::fprintf(stderr, "ffmpeg failed\n");
        return 1;
    }
    auto& sys = AudioSystem::instance();
    sys.setManualOutput(true);
    sys.initDevice(1);
    wc::SimLoop loop;
    wc::setClock(&loop);
    wc::setTimerHost(&loop);
    InitGlobals(wc::TSystemIni{});
    CreateMixer(0);
    TAudioEngine deck([](TAudioEngine&, DeckReport, int) { return 1; });
    deck.mixerMode = true;
    // Mean of five runs: the Open call alone (what the main thread spends) and Open until the
    // first samples are in the mixer (the manual device waits for a held stream, so this
    // includes a silence analysis running on the worker).
    struct Times {
        double call = 0, firstSample = 0;
    };
    int fresh = 0;
    auto timeOpen = [&](const QString& f, bool cut) {
        deck.cutSilence = cut;
        const int runs = 5;
        Times t;
        for (int i = 0; i < runs; ++i) {
            // A fresh copy, so that no analysis result of an earlier run is ready.
            const QString copy = dir.filePath(QString("run%1.mp3").arg(++fresh));
            QFile::copy(f, copy);
            const auto t0 = Clock::now();
            deck.Open(copy, false);
            const auto t1 = Clock::now();
            sys.renderManual(64); // the first samples reach the mixer
            const auto t2 = Clock::now();
            t.call += std::chrono::duration<double, std::milli>(t1 - t0).count() / runs;
            t.firstSample += std::chrono::duration<double, std::milli>(t2 - t0).count() / runs;
            deck.StopAndFree();
            QFile::remove(copy);
        }
        return t;
    };
    const Times base = timeOpen(plain, false);
    const Times cut = timeOpen(plain, true);
    const Times worst = timeOpen(quiet, true);
    // The same file prepared ahead on the worker (as the player does for its next item).
    deck.cutSilence = true;
    const QString copy = dir.filePath("quiet2.mp3");
    QFile::copy(quiet, copy);
    deck.PrepareSilence(copy);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000)); // the item plays meanwhile
    auto t0 = Clock::now();
    deck.Open(copy, false);
    sys.renderManual(64);
    const double prepared = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    deck.StopAndFree();
    std::printf("Open, 5 min MP3, no silence cutting:  call %.2f ms, first sample %.2f ms "
                "(target < 20 ms)\n",
                base.call, base.firstSample);
    std::printf("Open, 5 min MP3, silence cutting:     call %.2f ms (%.2f x the plain call), "
                "first sample %.2f ms\n",
                cut.call, cut.call / base.call, cut.firstSample);
    std::printf("Open, 2.5 min silence + 2.5 min tone: call %.2f ms (%.2f watcher ticks of 50 ms "
                "on the main thread), first sample %.2f ms (analysis on the worker)\n",
                worst.call, worst.call / 50.0, worst.firstSample);
    std::printf("Open, same file prepared ahead (PrepareSilence): %.2f ms\n", prepared);

    const QString ogg = dir.filePath("four.ogg");
    if (!bench::makeOgg(ogg, 240.0)) {
        std::fprintf(stderr, "ffmpeg failed\n");
        return 1;
    }
    deck.cutSilence = true;
    double cold = 0, warm = 0;
    const int runs = 5;
    for (int i = 0; i < runs; ++i) {
        const QString a = dir.filePath(QString("cold%1.ogg").arg(i));
        const QString b = dir.filePath(QString("warm%1.ogg").arg(i));
        QFile::copy(ogg, a);
        QFile::copy(ogg, b);
        t0 = Clock::now();
        deck.Open(a, true); // silence cutting: the analysis goes to its worker
        cold += std::chrono::duration<double, std::milli>(Clock::now() - t0).count() / runs;
        deck.StopAndFree();
        deck.Prepare(b);
        deck.PreparedReady(b); // the manual device waits for the worker here
        t0 = Clock::now();
        deck.Open(b, true);
        warm += std::chrono::duration<double, std::milli>(Clock::now() - t0).count() / runs;
        deck.StopAndFree();
    }
    std::printf("Open, 4 min Ogg Vorbis with silence cutting: %.2f ms as it is, %.3f ms prepared "
                "ahead (%.4f x; target well under 1 ms)\n",
                cold, warm, warm / cold);
    return 0;
}
