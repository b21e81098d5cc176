// Lengths in the library program, each printed against a reference from the same run:
//  - per kind of file (MP3 with a LAME header, MP3 at a constant bit rate without one, Ogg,
//    WMA, WAV, and an MP3 without a header that has to be decoded): the time and the bytes
//    read per file, against a full decode of the same files, and the largest difference
//    from the full decode;
//  - the measuring pass over the whole mix, and over the files that are decoded, with one
//    worker against two, beside the same measurements on plain threads without the job (what
//    the machine gives a second thread for this work) and plain arithmetic on one thread
//    against two;
//  - the pass per file against running ffprobe on each file;
//  - the longest time the window thread was held while the pass ran through the job runner.
// Usage: bench_lengths [copies of each kind, default 150]
#include "audio/quicklength.h"
#include "base/audioprobe.h"
#include "base/core/building.h"
#include "common/clock_qt.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

using namespace wc;
using namespace wc::base;

namespace {

double nowMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Bytes this process has read through system calls so far.
qint64 bytesRead() {
    std::ifstream f("/proc/self/io");
    std::string key;
    qint64 value = 0;
    while (f >> key >> value)
        if (key == "rchar:") return value;
    return 0;
}

// The first line of /proc/loadavg: how busy the machine was around the passes.
std::string loadAverage() {
    std::ifstream f("/proc/loadavg");
    std::string line;
    std::getline(f, line);
    return line + "\n";
}

bool run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(600000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

struct Kind {
    const char* name;
    QString source; // the encoded file the copies are made of
    QStringList copies;
};

const char* sourceName(audio::LengthSource s) {
    switch (s) {
    case audio::LengthSource::InfoHeader:
        return "info header";
    case audio::LengthSource::ConstantBitRate:
        return "constant bit rate";
    case audio::LengthSource::OggGranule:
        return "last granule";
    case audio::LengthSource::WaveHeader:
        return "data chunk";
    case audio::LengthSource::AsfHeader:
        return "file properties";
    case audio::LengthSource::Decoded:
        return "decoded";
    default:
        return "none";
    }
}

// Runs a measuring pass over every record through the job runner on the Qt event loop, as
// the window does; returns its time and the longest gap of a 1 ms heartbeat on the same
// thread (how long the window thread was held at once).
double passThroughRunner(LibraryModel& model, FileDurationMs& probe, LengthWorkers& workers,
                         double* longestHeldMs) {
    std::vector<int> all(size_t(model.count()));
    for (int i = 0; i < model.count(); ++i)
        all[size_t(i)] = i;
    JobRunner runner;
    QEventLoop loop;
    double last = nowMs(), held = 0;
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        const double t = nowMs();
        held = std::max(held, t - last);
        last = t;
    });
    const double t0 = nowMs();
    runner.start(std::make_unique<CountJob>(model, all, false, probe, &workers), {},
                 [&](Job&) { loop.quit(); });
    last = nowMs();
    beat.start(1);
    loop.exec();
    *longestHeldMs = held;
    return nowMs() - t0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QtClock clock;
    QtTimerHost timers;
    setClock(&clock);
    setTimerHost(&timers);
    const int copies = argc > 1 ? std::max(10, std::atoi(argv[1])) : 150;
    QTemporaryDir dir;
    const QString wav = dir.filePath("src.wav");
    // Three and a half minutes of a song-like signal (two tones and some noise).
    if (!run("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", "210", "sine", "440",
                     "sine", "660", "vol", "0.4"})) {
        std::printf("sox failed\n");
        return 1;
    }
    std::vector<Kind> kinds = {
        {"MP3 VBR, LAME header", dir.filePath("xing.mp3"), {}},
        {"MP3 CBR, no header", dir.filePath("cbr.mp3"), {}},
        {"Ogg Vorbis", dir.filePath("vorbis.ogg"), {}},
        {"WMA", dir.filePath("wmav2.wma"), {}},
        {"WAV", dir.filePath("pcm.wav"), {}},
        {"MP3 VBR, no header", dir.filePath("vbr_notag.mp3"), {}},
    };
    bool made = run("lame", {"--quiet", "-V", "4", wav, kinds[0].source}) &&
                run("lame", {"--quiet", "-b", "128", "-t", wav, kinds[1].source}) &&
                run("oggenc", {"--quiet", "-q", "3", "-o", kinds[2].source, wav}) &&
                run("ffmpeg", {"-nostdin", "-loglevel", "error", "-y", "-i", wav, "-c:a", "wmav2",
                               "-b:a", "128k", kinds[3].source}) &&
                QFile::copy(wav, kinds[4].source) &&
                run("lame", {"--quiet", "-V", "4", "-t", wav, kinds[5].source});
    if (!made) {
        std::printf("making the files failed\n");
        return 1;
    }
    // Copies in folders of 50, each with a tag of its own at the end where the format allows.
    LibraryModel model;
    for (size_t k = 0; k < kinds.size(); ++k) {
        QFile src(kinds[k].source);
        src.open(QIODevice::ReadOnly);
        const QByteArray bytes = src.readAll();
        // The header-less VBR files take a full decode each: fewer of them, as in a real
        // library where most files have a header.
        const int n = k == 5 ? std::max(2, copies / 15) : copies;
        for (int i = 0; i < n; ++i) {
            const QString folder = dir.filePath(QString("lib/k%1/d%2").arg(k).arg(i / 50));
            QDir().mkpath(folder);
            const QString path =
                QString("%1/%2.%3").arg(folder).arg(i).arg(QFileInfo(kinds[k].source).suffix());
            QFile f(path);
            f.open(QIODevice::WriteOnly);
            f.write(bytes);
            kinds[k].copies << path;
            TBaseEntry e;
            e.fileName = path;
            model.append(e);
        }
    }
    audio::DecodedFileDurationMs(kinds[0].copies[0]); // loads the decoders once

    std::printf("%-24s %10s %10s %12s %12s %9s %11s  %s\n", "kind", "ms/file", "KB read",
                "decode ms", "ratio", "worst ms", "ffprobe ms", "from");
    for (const Kind& k : kinds) {
        // Quick lengths of every copy.
        audio::LengthSource source = audio::LengthSource::None;
        const qint64 r0 = bytesRead();
        const double t0 = nowMs();
        for (const QString& f : k.copies)
            audio::QuickFileDurationMs(f, &source);
        const double quick = (nowMs() - t0) / k.copies.size();
        const double kb = double(bytesRead() - r0) / 1024.0 / k.copies.size();
        // A full decode of a few, and the largest difference.
        const int sample = std::min<int>(5, int(k.copies.size()));
        int worst = 0;
        const double d0 = nowMs();
        for (int i = 0; i < sample; ++i)
            worst = std::max(worst, std::abs(audio::DecodedFileDurationMs(k.copies[i]) -
                                             audio::QuickFileDurationMs(k.copies[i])));
        const double decode = (nowMs() - d0) / sample; // includes one quick length each
        const double p0 = nowMs();
        for (int i = 0; i < sample; ++i)
            run("ffprobe",
                {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", k.copies[i]});
        const double ffprobe = (nowMs() - p0) / sample;
        std::printf("%-24s %10.3f %10.1f %12.2f %11.1fx %9d %11.2f  %s\n", k.name, quick, kb,
                    decode, decode / quick, worst, ffprobe, sourceName(source));
    }

    // The pass over the whole mix: one worker against two, run to its end without a window;
    // then over the files that have to be decoded only, where the work is all on the cores.
    // Beside each, the same measurements on plain threads that share out the files through
    // one counter, without the job or the workers: what the machine gives a second thread
    // for this very work. The runs take turns and the best of each counts, so that a burst of
    // other load on the machine does not fall on one of them only.
    AudioProbe probe;
    LengthWorkers oneWorker(probe, 1), twoWorkers(probe, 2);
    auto pass = [&](LengthWorkers& workers, const std::vector<int>& which) {
        CountJob job(model, which, false, probe, &workers);
        const double t0 = nowMs();
        JobRunner::runToEnd(job);
        return nowMs() - t0;
    };
    auto plain = [&](int threads, const std::vector<int>& which) {
        std::vector<QString> files;
        for (int i : which)
            files.push_back(model.record(i).fileName);
        std::atomic<size_t> next{0};
        auto work = [&] {
            for (size_t i; (i = next.fetch_add(1)) < files.size();)
                probe.durationMs(files[i]);
        };
        const double t0 = nowMs();
        std::vector<std::thread> others;
        for (int t = 1; t < threads; ++t)
            others.emplace_back(work);
        work();
        for (std::thread& t : others)
            t.join();
        return nowMs() - t0;
    };
    std::vector<int> all(size_t(model.count())), decodedOnly;
    for (int i = 0; i < model.count(); ++i) {
        all[size_t(i)] = i;
        if (kinds[5].copies.contains(model.record(i).fileName)) decodedOnly.push_back(i);
    }
    struct Best {
        double one = 1e300, two = 1e300, plainOne = 1e300, plainTwo = 1e300;
    };
    auto measure = [&](const std::vector<int>& which) {
        Best b;
        for (int round = 0; round < 5; ++round) {
            b.one = std::min(b.one, pass(oneWorker, which));
            b.two = std::min(b.two, pass(twoWorkers, which));
            b.plainOne = std::min(b.plainOne, plain(1, which));
            b.plainTwo = std::min(b.plainTwo, plain(2, which));
        }
        return b;
    };
    auto print = [](const char* what, const Best& b) {
        std::printf("%s: one worker %.1f ms, two workers %.1f ms: %.2fx faster\n"
                    "  the same on plain threads: one %.1f ms, two %.1f ms: %.2fx faster; "
                    "the pass takes %.2fx their time with one, %.2fx with two\n",
                    what, b.one, b.two, b.one / b.two, b.plainOne, b.plainTwo,
                    b.plainOne / b.plainTwo, b.one / b.plainOne, b.two / b.plainTwo);
    };
    std::printf("\nload average before the passes: %s", loadAverage().c_str());
    const Best mix = measure(all);
    const Best decoded = measure(decodedOnly);
    const double two = mix.two;
    print(QString("pass over %1 files").arg(model.count()).toUtf8().constData(), mix);
    print(QString("pass over the %1 files decoded").arg(decodedOnly.size()).toUtf8().constData(),
          decoded);
    // What the machine gives two threads at this moment: the same amount of plain arithmetic
    // on one thread and split over two.
    auto spin = [](long n) {
        volatile double x = 0;
        for (long i = 0; i < n; ++i)
            x = x + 1.0 / double(i + 1);
    };
    constexpr long kSpin = 60000000;
    double cpuOne = 1e300, cpuTwo = 1e300;
    for (int run = 0; run < 3; ++run) {
        double t0 = nowMs();
        spin(kSpin);
        cpuOne = std::min(cpuOne, nowMs() - t0);
        t0 = nowMs();
        std::thread other([&] { spin(kSpin / 2); });
        spin(kSpin / 2);
        other.join();
        cpuTwo = std::min(cpuTwo, nowMs() - t0);
    }
    std::printf("reference: plain arithmetic on one thread %.1f ms, split over two %.1f ms: "
                "%.2fx faster\n",
                cpuOne, cpuTwo, cpuOne / cpuTwo);
    std::printf("load average after: %s", loadAverage().c_str());

    // ffprobe per file over the same mix (a sample spread over it).
    const int probes = 30;
    const double f0 = nowMs();
    for (int i = 0; i < probes; ++i) {
        const QString f = model.record(i * model.count() / probes).fileName;
        run("ffprobe", {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", f});
    }
    const double ffprobePerFile = (nowMs() - f0) / probes;
    const double oursPerFile = two / model.count();
    std::printf("per file: ours %.3f ms (two workers), ffprobe %.2f ms: %.1fx faster\n",
                oursPerFile, ffprobePerFile, ffprobePerFile / oursPerFile);

    // Through the job runner on the event loop, as in the window.
    LengthWorkers workers(probe, LengthWorkers::defaultThreads());
    double held = 0;
    const double windowPass = passThroughRunner(model, probe, workers, &held);
    int unmeasured = 0;
    for (const TBaseEntry& e : model.records())
        unmeasured += e.durationMs == 0;
    std::printf("through the job runner (%d workers): %.1f ms (%.2fx the pass run to its end); "
                "window thread held at most %.2f ms at once; %d files without a length\n",
                workers.threads(), windowPass, windowPass / two, held, unmeasured);
    setClock(nullptr);
    setTimerHost(nullptr);
    return 0;
}
