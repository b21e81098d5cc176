// The library program's operations on a 100,000-record library, each printed with its
// reference from the same run:
//   load and show   vs one read of the file's bytes
//   save            vs one write-and-rename of the same bytes (and what encoding costs, in
//                   pieces as the save does it and whole in fresh memory)
//   search (each of the eight fields filled), sort by a text column and by length, removing
//   10,000 rows, the statistics, and the memory held per byte of library file
//   folder scan with tags (files/s) vs listing the same tree
// Usage: bench_base [files-to-scan, default 20000]
#include "base/core/building.h"
#include "base/core/statistics.h"
#include "base/ui/librarytablemodel.h"
#include "common/atomicfile.h"
#include "common/clock_qt.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <unistd.h>

using namespace wc;
using namespace wc::base;

namespace {

double nowMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

template <class F> double best(int runs, F fn) {
    double b = 1e300;
    for (int i = 0; i < runs; ++i) {
        const double t0 = nowMs();
        fn();
        b = std::min(b, nowMs() - t0);
    }
    return b;
}

long rssKb() {
    std::ifstream f("/proc/self/statm");
    long size = 0, resident = 0;
    f >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

TBaseEntryArr makeRecords(int n) {
    TBaseEntryArr entries(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        TBaseEntry& e = entries[size_t(i)];
        e.title = QStringLiteral("Song number %1").arg(i);
        e.artist = QStringLiteral("Исполнитель %1").arg(i % 5000);
        e.album = QStringLiteral("Album %1").arg(i % 900);
        e.year = QString::number(1960 + i % 60);
        e.comment = QStringLiteral("rock, evening");
        e.genre = QStringLiteral("Rock");
        e.fileName = QStringLiteral("/srv/music/folder %1/track %2.mp3").arg(i % 300).arg(i);
        e.durationMs = quint32(120000 + (i * 7919) % 240000);
        e.fileSize = quint32(3000000 + i);
    }
    return entries;
}

void line(const char* what, double ms, double refMs, const char* refName) {
    std::printf("%-34s %9.2f ms   %-26s %9.2f ms   ratio %.2f\n", what, ms, refName, refMs,
                refMs > 0 ? ms / refMs : 0.0);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QtClock clock;
    setClock(&clock);
    const int scanFiles = argc > 1 ? std::max(100, std::atoi(argv[1])) : 20000;
    QTemporaryDir dir;
    const QString lib = dir.filePath("big.dfs");
    writeLibraryFile(lib, makeRecords(100000));
    const qint64 fileBytes = QFileInfo(lib).size();

    // Load and show.
    const double readRef = best(5, [&] {
        QFile f(lib);
        f.open(QIODevice::ReadOnly);
        volatile qsizetype n = f.readAll().size();
        (void)n;
    });
    // Memory: one load into a fresh model, then every field searched once.
    long memLoad = 0, memSearch = 0;
    {
        const long before = rssKb();
        LibraryModel fresh;
        fresh.load(lib);
        memLoad = rssKb() - before;
        for (int f = 0; f < kSearchFieldCount; ++f) {
            SearchQuery one;
            one.fields[size_t(f)] = QStringLiteral("x");
            fresh.search(one);
        }
        memSearch = rssKb() - before;
    }
    LibraryModel model;
    LibraryTableModel table(model);
    const double load = best(5, [&] {
        model.load(lib);
        table.refresh();
    });
    line("load and show 100,000", load, readRef, "read of the file");

    // Save.
    const QByteArray bytes = encodeLibrary(model.records());
    model.setModified();
    // Taken in turns, so that the disk's moods fall on all three alike: the reference write of
    // the bytes made beforehand, the save, and the save as it was (the file built whole in
    // fresh memory, then written).
    double writeRef = 1e300, save = 1e300, saveWhole = 1e300;
    for (int i = 0; i < 7; ++i) {
        writeRef = std::min(writeRef,
                            best(1, [&] { writeFileAtomically(dir.filePath("ref.dfs"), bytes); }));
        save = std::min(save, best(1, [&] { model.save(dir.filePath("out.dfs")); }));
        saveWhole = std::min(saveWhole, best(1, [&] {
                                 writeFileAtomically(dir.filePath("whole.dfs"),
                                                     encodeLibrary(model.records()));
                             }));
    }
    line("save 100,000", save, writeRef, "write and rename");
    line("  the file built whole, then written", saveWhole, writeRef, "write and rename");
    // Where the time of a save goes: encoding the records as the save does it (about 1 MB at a
    // time into one buffer), against building the whole file in fresh memory first.
    const double encodePieces = best(5, [&] {
        QByteArray piece;
        const auto& recs = model.records();
        for (size_t at = 0; at < recs.size(); at += 2048) {
            const size_t n = std::min<size_t>(2048, recs.size() - at);
            piece.resize(qsizetype(n) * kBaseEntrySize);
            auto* p = reinterpret_cast<unsigned char*>(piece.data());
            for (size_t i = 0; i < n; ++i, p += kBaseEntrySize)
                encodeBaseEntry(recs[at + i], p);
        }
    });
    line("  of which encoding (1 MB pieces)", encodePieces, writeRef, "write and rename");
    const double encodeWhole = best(5, [&] {
        volatile qsizetype n = encodeLibrary(model.records()).size();
        (void)n;
    });
    line("  encoding whole in fresh memory", encodeWhole, writeRef, "write and rename");

    // Search: the first search folds the texts once; then one search per field.
    SearchQuery q;
    q.fields[FindArtist] = QStringLiteral("ИСПОЛНИТЕЛЬ 42");
    const double first = best(1, [&] { model.search(q); });
    line("first search (folds the texts)", first, 30, "limit");
    const char* const names[] = {"title", "artist",  "album", "year",
                                 "genre", "comment", "time",  "file name"};
    const QString needles[] = {"number 777", "тель 12", "album 5", "199",
                               "ro",         "even",    "03:1",    "folder 29"};
    double worst = 0;
    for (int f = 0; f < kSearchFieldCount; ++f) {
        SearchQuery one;
        one.fields[size_t(f)] = needles[f];
        const double t = best(3, [&] { model.search(one); });
        worst = std::max(worst, t);
        char label[64];
        std::snprintf(label, sizeof label, "search by %s (%zu found)", names[f],
                      model.view().size());
        line(label, t, 30, "limit");
    }
    model.reset();

    // Sort.
    const double sortTextFirst = best(1, [&] { model.sortBy(ColTitle); });
    const double sortText = best(3, [&] { model.sortBy(ColTitle); });
    const double sortTime = best(3, [&] { model.sortBy(ColTime); });
    line("sort by title (first: keys)", sortTextFirst, 200, "limit");
    line("sort by title", sortText, 200, "limit");
    line("sort by length", sortTime, 20, "limit");

    // Remove 10,000 rows spread over the library.
    std::vector<int> positions;
    for (int i = 0; i < 100000; i += 10)
        positions.push_back(i);
    const double remove = best(1, [&] { model.remove(positions); });
    line("remove 10,000 of 100,000", remove, 200, "limit");

    // Statistics.
    model.load(lib);
    LibraryStats st;
    const double stats =
        best(3, [&] { computeStatistics(model.records(), st, [] { return false; }); });
    line("statistics", stats, 1000, "limit");
    std::printf("%-34s %9.2f MB   %-26s %9.2f MB   ratio %.2f\n", "memory after load",
                memLoad / 1024.0, "library file", fileBytes / 1048576.0,
                memLoad * 1024.0 / double(fileBytes));
    std::printf("%-34s %9.2f MB   %-26s %9.2f MB   ratio %.2f\n",
                "memory after searching every field", memSearch / 1024.0, "library file",
                fileBytes / 1048576.0, memSearch * 1024.0 / double(fileBytes));

    // Folder scan with tags.
    const QString tree = dir.filePath("tree");
    QByteArray tag(128, '\0');
    tag.replace(0, 3, "TAG");
    const QByteArray body = QByteArray(2000, '\x01') + tag;
    const int perFolder = 20;
    for (int i = 0; i < scanFiles; ++i) {
        const QString folder = QStringLiteral("%1/d%2").arg(tree).arg(i / perFolder);
        if (i % perFolder == 0) QDir().mkpath(folder);
        QFile f(QStringLiteral("%1/Artist %2 - Title %2.mp3").arg(folder).arg(i));
        f.open(QIODevice::WriteOnly);
        f.write(body);
    }
    const double listRef = best(2, [&] {
        int n = 0;
        QDirIterator it(tree, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            ++n;
        }
    });
    double longestStep = 0;
    const double scan = best(1, [&] {
        LibraryModel m;
        AddJob job(m, {tree}, {}, AddOptions{});
        // One item per step, as the window's slices run them: the longest single step is how
        // long the window could be held by one item.
        for (;;) {
            const double t0 = nowMs();
            const bool more = job.step();
            longestStep = std::max(longestStep, nowMs() - t0);
            if (!more) break;
        }
    });
    line("scan with tags", scan, listRef, "listing the tree");
    std::printf("%-34s %9.0f files/s (%d files in %d folders); longest step %.2f ms\n", "scan rate",
                scanFiles / (scan / 1000.0), scanFiles, scanFiles / perFolder, longestStep);
    std::printf("worst search %.2f ms\n", worst);
    return 0;
}
