// Loading a 100,000-record library file, against the reference of reading the same file's
// bytes in one block (what the disk and the kernel cost, with no decoding).
#include "common/library/libraryfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

namespace {

QString libraryPath() {
    static QTemporaryDir dir;
    static QString path;
    if (path.isEmpty()) {
        wc::TBaseEntryArr entries(100000);
        for (int i = 0; i < 100000; ++i) {
            wc::TBaseEntry& e = entries[size_t(i)];
            e.title = QStringLiteral("Song number %1").arg(i);
            e.artist = QStringLiteral("Исполнитель %1").arg(i % 5000);
            e.album = QStringLiteral("Album %1").arg(i % 900);
            e.year = QStringLiteral("1998");
            e.comment = QStringLiteral("rock, evening");
            e.genre = QStringLiteral("Rock");
            e.fileName = QStringLiteral("/srv/music/folder %1/track %2.mp3").arg(i % 300).arg(i);
            e.durationMs = quint32(120000 + i % 240000);
        }
        path = dir.filePath("big.dfs");
        wc::writeLibraryFile(path, entries);
    }
    return path;
}

void BM_ReadBytesReference(benchmark::State& state) {
    const QString path = libraryPath();
    for (auto _ : state) {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        benchmark::DoNotOptimize(f.readAll());
    }
}
BENCHMARK(BM_ReadBytesReference)->Unit(benchmark::kMillisecond);

void BM_ReadLibrary100k(benchmark::State& state) {
    const QString path = libraryPath();
    for (auto _ : state)
        benchmark::DoNotOptimize(wc::readLibraryFile(path));
}
BENCHMARK(BM_ReadLibrary100k)->Unit(benchmark::kMillisecond);

void BM_WriteLibrary100k(benchmark::State& state) {
    const wc::TBaseEntryArr entries = wc::readLibraryFile(libraryPath());
    QTemporaryDir dir;
    for (auto _ : state)
        wc::writeLibraryFile(dir.filePath("out.dfs"), entries);
}
BENCHMARK(BM_WriteLibrary100k)->Unit(benchmark::kMillisecond);

double timeMs(int runs, auto fn) {
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i)
        fn();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
               .count() /
           runs;
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    const QString path = libraryPath();
    const double ref = timeMs(5, [&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        benchmark::DoNotOptimize(f.readAll());
    });
    const double load = timeMs(5, [&] { benchmark::DoNotOptimize(wc::readLibraryFile(path)); });
    std::printf("100,000-record library: load %.1f ms, raw read %.1f ms, ratio %.1fx "
                "(goal: load under 300 ms)\n",
                load, ref, load / ref);
    return 0;
}
