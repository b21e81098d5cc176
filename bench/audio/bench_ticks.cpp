// Real time on the main thread: while deck A plays on device 0 ("No sound", paced by the
// monotonic clock), deck B opens items with silence cutting, including a worst case of
// 2.5 minutes of silence before the sound. A 50 ms Qt timer on the same main thread stands for
// deck A's watcher: its longest gap shows whether a tick was held up. The reference in the
// same process: the same opens with the analysis done on the main thread, as Open did before.
#include "audio/audioengine.h"
#include "audio/silence.h"
#include "benchfiles.h"
#include "common/clock_qt.h"
#include "common/settings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

using namespace wc::audio;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    wc::QtClock qtClock;
    wc::QtTimerHost qtTimers;
    wc::setClock(&qtClock);
    wc::setTimerHost(&qtTimers);
    QTemporaryDir dir;
    const QString music = dir.filePath("a.mp3"), quiet = dir.filePath("quiet.mp3");
    if (!bench::makeMp3(music, 60.0, 44100) || !bench::makeMp3(quiet, 150.0, 44100, 150.0)) {
        std::fprintf(stderr, "ffmpeg failed\n");
        return 1;
    }
    InitGlobals(wc::TSystemIni{});
    auto& sys = AudioSystem::instance();
    sys.initDevice(0);
    CreateMixer(0);
    TAudioEngine a([](TAudioEngine&, DeckReport, int) { return 1; });
    TAudioEngine b([](TAudioEngine&, DeckReport, int) { return 1; });
    a.mixerMode = b.mixerMode = true;
    b.cutSilence = true;
    a.Open(music, false);

    int copies = 0;
    auto run = [&](bool onMainThread) {
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0, worst = 0, openWorst = 0;
        int ticks = 0, late = 0;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            if (last) {
                worst = std::max(worst, now - last);
                if (now - last >= 100) ++late; // a whole tick missed
            }
            last = now;
            ++ticks;
        });
        tick.start(50);
        QTimer opener;
        QObject::connect(&opener, &QTimer::timeout, [&] {
            const QString copy = dir.filePath(QString("q%1.mp3").arg(++copies));
            QFile::copy(quiet, copy); // never analysed before
            QElapsedTimer t;
            t.start();
            if (onMainThread) SilenceCache::instance().lookup(copy, b.silenceThreshold);
            b.Open(copy, false);
            openWorst = std::max(openWorst, t.elapsed());
        });
        opener.start(700);
        QTimer::singleShot(5000, &app, &QCoreApplication::quit);
        app.exec();
        b.StopAndFree();
        std::printf("%-34s ticks %3d, longest gap %3lld ms, gaps of 100 ms or more %d, "
                    "longest open %3lld ms\n",
                    onMainThread ? "analysis on the main thread:" : "analysis on the worker (now):",
                    ticks, static_cast<long long>(worst), late, static_cast<long long>(openWorst));
    };
    run(true);
    run(false);
    a.StopAndFree();
    FreeMixer();
    sys.shutdown();
    return 0;
}
