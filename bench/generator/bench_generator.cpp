// Playlist generation from a 100,000-record library: the count mode (1,000 tracks with no
// repeated artists) and the time mode (24 hours with hour signals and 48 commercial blocks),
// against the reference of reading the library file, which every generation does first.
#include "common/log.h"
#include "common/playlistfile/m3u.h"
#include "generator/core/generator.h"
#include "platform/prompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

namespace {

struct Setup {
    QTemporaryDir dir;
    QString library, clock;
    QStringList ads;
    Setup() {
        wc::TBaseEntryArr entries(100000);
        for (int i = 0; i < 100000; ++i) {
            wc::TBaseEntry& e = entries[size_t(i)];
            e.title = QStringLiteral("Song %1").arg(i);
            e.artist = QStringLiteral("Artist %1").arg(i % 20000);
            e.comment = QStringLiteral("rock");
            e.fileName = QStringLiteral("/srv/music/%1.mp3").arg(i);
            e.durationMs = quint32(90000 + (i * 7919) % 330000); // 1.5 to 7 minutes
        }
        library = dir.filePath("Base.dfs");
        wc::writeLibraryFile(library, entries);
        QByteArray sig = "#EXTM3U\r\n";
        for (int h = 0; h < 24; ++h)
            sig += "#EXTINF:8,x\r\n/srv/signals/" + QByteArray::number(h).rightJustified(2, '0') +
                   " signal.mp3\r\n";
        clock = dir.filePath("clock.m3u");
        write(clock, sig);
        QDir().mkpath(dir.filePath("ads"));
        for (int k = 0; k < 48; ++k) {
            const QString name = dir.filePath(QStringLiteral("ads/%1-%2 block.m3u")
                                                  .arg(k / 2, 2, 10, QChar('0'))
                                                  .arg(k % 2 ? 30 : 15, 2, 10, QChar('0')));
            write(
                name,
                "#EXTM3U\r\n#EXTINF:60,a\r\n/srv/ads/a.mp3\r\n#EXTINF:45,b\r\n/srv/ads/b.mp3\r\n");
            ads << name;
        }
    }
    static void write(const QString& path, const QByteArray& b) {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(b);
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

struct Run {
    qint64 artistLogBytes = 0;
    bool error = false;
    size_t items = 0;
    double minutes = 0;
};

Run generate(bool timeMode, std::uint64_t seed) {
    Setup& s = setup();
    wc::SeededRandom random(seed);
    wc::ArtistLog artistLog;
    artistLog.open(s.dir.filePath("artist.log"));
    wc::PlaylistGenerator gen({&random, &random, &random}, artistLog);
    gen.setLibraryFile(s.library);
    gen.setMainLog(s.dir.filePath("main.log"));
    wc::GeneratorTemplate t;
    t.noRepeatArtists = true;
    if (timeMode) {
        t.type = 2;
        t.startHour = 0;
        t.minuteCount = 1440;
        t.isClock = t.isAds = true;
        t.clockList = s.clock;
        t.adLists = s.ads;
    } else {
        t.trackCount = 1000;
    }
    gen.setTemplate(t);
    QFile::remove(s.dir.filePath("out.m3u"));
    QFile::remove(s.dir.filePath("main.log"));
    Run run;
    run.error = gen.Generate(s.dir.filePath("out.m3u")).error;
    artistLog.close();
    run.artistLogBytes = QFileInfo(s.dir.filePath("artist.log")).size();
    for (const wc::M3uEntry& e : wc::readM3uFile(s.dir.filePath("out.m3u"), true)) {
        ++run.items;
        run.minutes += double(e.seconds) / 60.0;
    }
    return run;
}

void BM_ReadLibraryReference(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(wc::readLibraryFile(setup().library));
}
BENCHMARK(BM_ReadLibraryReference)->Unit(benchmark::kMillisecond);

void BM_CountMode1000NoRepeatArtists(benchmark::State& state) {
    std::uint64_t seed = 1;
    for (auto _ : state)
        generate(false, seed++);
}
BENCHMARK(BM_CountMode1000NoRepeatArtists)->Unit(benchmark::kMillisecond);

void BM_TimeMode24Hours(benchmark::State& state) {
    std::uint64_t seed = 1;
    for (auto _ : state)
        generate(true, seed++);
}
BENCHMARK(BM_TimeMode24Hours)->Unit(benchmark::kMillisecond);

template <class F> double timeMs(F fn) {
    const auto t0 = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

} // namespace

int main(int argc, char** argv) {
    wc::LogPrompts quiet;
    wc::setPrompts(&quiet);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    setup(); // the library and lists are made once, outside every timing
    const double ref =
        timeMs([] { benchmark::DoNotOptimize(wc::readLibraryFile(setup().library)); });
    Run count, time;
    const double countMs = timeMs([&] { count = generate(false, 42); });
    const double timeModeMs = timeMs([&] { time = generate(true, 42); });
    std::printf("reference library read %.0f ms\n", ref);
    std::printf("count mode wrote %zu items (%.0f min); time mode wrote %zu items (%.0f min)\n",
                count.items, count.minutes, time.items, time.minutes);
    std::printf("count mode, 1,000 tracks, no repeated artists: %.0f ms (%.1fx the read; goal "
                "under 1 s)%s\n",
                countMs, countMs / ref, count.error ? " [error]" : "");
    std::printf("time mode, 24 h, hour signals, 48 blocks: %.0f ms (%.1fx the read; goal under "
                "2 s), artist log %.2f MB (goal under 50 MB)%s\n",
                timeModeMs, timeModeMs / ref, time.artistLogBytes / 1e6,
                time.error ? " [error]" : "");
    wc::setPrompts(nullptr);
    return 0;
}
