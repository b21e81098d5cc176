// Playlist speed and memory on 100,000 rows, and M3U loading, against reference runs in the
// same process: a plain copy of the same number of strings, and reading the playlist's bytes
// and splitting them into lines. Figures are printed, never asserted.
#include "common/playlistfile/m3u.h"
#include "player/core/playlist/playlistfiles.h"
#include "player/core/playlist/playlistview.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <functional>

using namespace wc;

namespace {

constexpr int kRows = 100000;
constexpr int kM3uTracks = 5000; // two lines each: 10,000 lines

TVirtualItem makeItem(int i) {
    TVirtualItem it;
    it.Number = QString::number(i + 1);
    it.Columns[kColTitle] = QStringLiteral("Artist %1 - Title of the song number %1").arg(i);
    it.Columns[kColDurationText] = QStringLiteral("03:25");
    it.Columns[kColFileName] = QStringLiteral("/srv/music/artist %1/song %1.mp3").arg(i);
    return it;
}

const std::vector<TVirtualItem>& rows() {
    static const std::vector<TVirtualItem> r = [] {
        std::vector<TVirtualItem> v;
        v.reserve(kRows);
        for (int i = 0; i < kRows; ++i)
            v.push_back(makeItem(i));
        return v;
    }();
    return r;
}

void fillView(PlaylistView& v) {
    v.ClearItems();
    v.InsertItems(0, rows());
}

QString m3uFile() {
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.filePath("bench.m3u");
        std::vector<M3uEntry> entries;
        for (int i = 0; i < kM3uTracks; ++i)
            entries.push_back({QStringLiteral("/srv/music/a%1/s%1.mp3").arg(i), true, 200 + i,
                               QStringLiteral("Artist %1 - Title %1").arg(i)});
        writeM3uFile(p, entries);
        return p;
    }();
    return path;
}

// Milliseconds of the fastest of five runs of op, each after its own setup.
double bestMs(const std::function<void()>& setup, const std::function<void()>& op) {
    double best = 1e18;
    for (int i = 0; i < 5; ++i) {
        setup();
        const auto t0 = std::chrono::steady_clock::now();
        op();
        const auto t1 = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    return best;
}

void BM_InsertOneAtTop(benchmark::State& state) {
    PlaylistView v;
    fillView(v);
    const TVirtualItem it = makeItem(-1);
    for (auto _ : state) {
        v.InsertItem(0, it);
        state.PauseTiming();
        v.DeleteItem(0);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_InsertOneAtTop)->Unit(benchmark::kMillisecond);

void BM_DeleteSelectedHalf(benchmark::State& state) {
    PlaylistView v;
    for (auto _ : state) {
        state.PauseTiming();
        fillView(v);
        for (int i = 0; i < kRows; i += 2)
            v.setSelected(i, true);
        state.ResumeTiming();
        v.DeleteSelectedWithUndo();
    }
}
BENCHMARK(BM_DeleteSelectedHalf)->Unit(benchmark::kMillisecond);

void BM_Undo(benchmark::State& state) {
    PlaylistView v;
    for (auto _ : state) {
        state.PauseTiming();
        fillView(v);
        v.selectOnly(5);
        v.DeleteSelectedWithUndo();
        state.ResumeTiming();
        v.Undo();
    }
}
BENCHMARK(BM_Undo)->Unit(benchmark::kMillisecond);

void BM_LoadM3u10kLines(benchmark::State& state) {
    const QString file = m3uFile();
    PlaylistView v;
    for (auto _ : state) {
        state.PauseTiming();
        v.ClearItems();
        state.ResumeTiming();
        benchmark::DoNotOptimize(LoadPlaylistInto(v, file, 0));
    }
}
BENCHMARK(BM_LoadM3u10kLines)->Unit(benchmark::kMillisecond);

void printSummary() {
    PlaylistView v;
    std::vector<QString> copy;
    const double reference = bestMs([&] { copy.clear(); },
                                    [&] {
                                        copy.reserve(kRows);
                                        for (const TVirtualItem& it : rows())
                                            copy.push_back(it.Title());
                                    });
    const TVirtualItem one = makeItem(-1);
    const double insert = bestMs([&] { fillView(v); }, [&] { v.InsertItem(0, one); });
    const double del = bestMs(
        [&] {
            fillView(v);
            for (int i = 0; i < kRows; i += 2)
                v.setSelected(i, true);
        },
        [&] { v.DeleteSelectedWithUndo(); });
    const double undo = bestMs(
        [&] {
            fillView(v);
            v.selectRange(0, kRows / 2);
            v.DeleteSelectedWithUndo();
        },
        [&] { v.Undo(); });

    PlaylistView fresh;
    fresh.InsertItems(0, rows());
    const size_t plain = fresh.memoryBytes();
    for (int i = 0; i < PlaylistView::kMaxUndo; ++i) {
        fresh.PushUndo();
        fresh.SetPlayingIndex(i * 1000);
        fresh.selectOnly(i);
        fresh.DeleteSelected();
    }
    const size_t withUndo = fresh.memoryBytes();

    const QString file = m3uFile();
    const double readRef = bestMs([] {},
                                  [&] {
                                      QFile f(file);
                                      f.open(QIODevice::ReadOnly);
                                      benchmark::DoNotOptimize(f.readAll().split('\n').size());
                                  });
    const double load = bestMs([&] { v.ClearItems(); }, [&] { LoadPlaylistInto(v, file, 0); });

    std::printf("\nreference: copy %d titles %.2f ms; read and split a 10,000-line file %.2f ms\n",
                kRows, reference, readRef);
    std::printf("100,000 rows: insert one at the top %.3f ms (%.2fx reference)\n", insert,
                insert / reference);
    std::printf("100,000 rows: delete every second row with undo %.2f ms (%.2fx reference)\n", del,
                del / reference);
    std::printf("100,000 rows: undo %.3f ms (%.2fx reference)\n", undo, undo / reference);
    std::printf("memory: list %.1f MB, with ten undo levels %.1f MB (%.2fx)\n", plain / 1e6,
                withUndo / 1e6, double(withUndo) / double(plain));
    std::printf("M3U 10,000 lines, lengths not measured: %.2f ms (%.2fx reading the bytes)\n", load,
                load / readRef);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printSummary();
    return 0;
}
