// Playlist editing speed, printed as figures and ratios against reference runs in the same
// process, never asserted:
//  - adding a folder of 10,000 generated MP3 and Ogg files with tags and lengths, against
//    running ffprobe on each file (measured on a sample), and the lengths against a full
//    decode;
//  - numbering and totals, start times, sorting by a column and find on 100,000 items,
//    against copying 100,000 titles.
#include "audio/audioengine.h"
#include "audio/quicklength.h"
#include "common/simloop.h"
#include "player/core/edit/playlisteditor.h"
#include "player/core/playlist/audiodurations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

using namespace wc;

namespace {

double nowMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double bestMs(const std::function<void()>& setup, const std::function<void()>& op, int runs = 5) {
    double best = 1e18;
    for (int i = 0; i < runs; ++i) {
        setup();
        const double t0 = nowMs();
        op();
        best = std::min(best, nowMs() - t0);
    }
    return best;
}

bool run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(60000) && p.exitCode() == 0;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// An ID3v1 block with a title and an artist.
QByteArray id3v1(const QByteArray& title, const QByteArray& artist) {
    QByteArray t("TAG");
    t += title.left(30).leftJustified(30, '\0');
    t += artist.left(30).leftJustified(30, '\0');
    t += QByteArray(64, '\0');
    t += char(0);
    return t;
}

void folderAdd(const QString& dir) {
    const QString wav = QDir(dir).filePath("src.wav");
    run("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", "3.3", "sine", "440"});
    const QString mp3 = QDir(dir).filePath("src.mp3"), ogg = QDir(dir).filePath("src.ogg");
    run("lame", {"--quiet", "-V", "4", wav, mp3});
    run("oggenc", {"--quiet", "-t", "Song", "-a", "Band", "-o", ogg, wav});
    const QByteArray mp3Bytes = readAll(mp3), oggBytes = readAll(ogg);
    const QString folder = QDir(dir).filePath("music");
    constexpr int kFiles = 10000;
    for (int i = 0; i < kFiles; ++i) {
        const QString sub = QDir(folder).filePath(QString("d%1").arg(i / 500));
        if (i % 500 == 0) QDir().mkpath(sub);
        QFile f(QDir(sub).filePath(QString("%1.%2").arg(i).arg(i % 2 ? "ogg" : "mp3")));
        f.open(QIODevice::WriteOnly);
        if (i % 2)
            f.write(oggBytes);
        else
            f.write(mp3Bytes + id3v1("Title " + QByteArray::number(i), "Artist"));
    }

    SimLoop loop(46365.5, 1);
    setClock(&loop);
    setTimerHost(&loop);
    AudioFileDurations durations;
    double addMs[2] = {0, 0};
    int added = 0;
    for (int pass = 0; pass < 2; ++pass) {
        PlayerPlaylists lists;
        lists.setDurations(&durations);
        PlayerMessageTable messages;
        PlaylistEditor editor(lists, messages, dir);
        editor.setWindowShown(true);
        const double t0 = nowMs();
        editor.addFolder(folder);
        loop.runUntil([&] { return !editor.jobRunning(); }, 1000000000);
        addMs[pass] = nowMs() - t0;
        added = lists.LVMaster.count();
        if (pass == 1) {
            int unknown = 0;
            for (int i = 0; i < added; ++i)
                if (lists.LVMaster.at(i).DurationText() == QLatin1String("??:??")) ++unknown;
            std::printf("added items without a length: %d; first: \"%s\" %s\n", unknown,
                        qPrintable(lists.LVMaster.at(0).Title()),
                        qPrintable(lists.LVMaster.at(0).DurationText()));
        }
    }
    setClock(nullptr);
    setTimerHost(nullptr);

    // ffprobe on a sample of the files, one process per file.
    constexpr int kProbe = 60;
    const double p0 = nowMs();
    for (int i = 0; i < kProbe; ++i) {
        const QString f = QDir(folder).filePath(
            QString("d%1/%2.%3").arg(i / 500).arg(i).arg(i % 2 ? "ogg" : "mp3"));
        run("ffprobe", {"-v", "error", "-show_entries", "format=duration:format_tags=title", "-of",
                        "csv=p=0", f});
    }
    const double probePerFile = (nowMs() - p0) / kProbe;

    // Lengths against a full decode, on a sample of each kind.
    int worst = 0;
    for (int i = 0; i < 40; ++i) {
        const QString f = QDir(folder).filePath(
            QString("d%1/%2.%3").arg(i / 500).arg(i).arg(i % 2 ? "ogg" : "mp3"));
        worst = std::max(worst, std::abs(audio::QuickFileDurationMs(f) - audio::FileDurationMs(f)));
    }
    const double perFile = addMs[1] / std::max(added, 1);
    std::printf("folder add of %d MP3 and Ogg files: %d added, cold %.0f ms, warm %.0f ms "
                "(%.0f files/s warm)\n",
                kFiles, added, addMs[0], addMs[1], 1000.0 / perFile);
    std::printf("reference: ffprobe %.2f ms per file; the folder add is %.1fx faster per file\n",
                probePerFile, probePerFile / perFile);
    std::printf("lengths: largest difference from a full decode on 40 files %d ms\n", worst);
}

TVirtualItem makeItem(int i) {
    TVirtualItem it;
    it.Columns[kColTitle] =
        QStringLiteral("Artist %1 - Title of the song number %1").arg(i * 7919 % 100000);
    it.Columns[kColDurationText] =
        QStringLiteral("%1:%2").arg(i % 7 + 2, 2, 10, QChar('0')).arg(i % 60, 2, 10, QChar('0'));
    it.Columns[kColFileName] = QStringLiteral("/srv/music/artist %1/song %1.mp3").arg(i);
    return it;
}

void bigList() {
    constexpr int kRows = 100000;
    std::vector<TVirtualItem> rows;
    rows.reserve(kRows);
    for (int i = 0; i < kRows; ++i)
        rows.push_back(makeItem(i));
    std::vector<QString> copy;
    const double reference =
        bestMs([&] { copy.clear(); },
               [&] {
                   copy.reserve(kRows);
                   for (const TVirtualItem& it : rows)
                       copy.push_back(QString(it.Title().constData(), it.Title().size()));
               });
    SimLoop loop(46365.5, 1);
    setClock(&loop);
    setTimerHost(&loop);
    PlayerPlaylists lists;
    PlayerMessageTable messages;
    PlaylistEditor editor(lists, messages, QDir::tempPath());
    editor.setWindowShown(true);
    editor.settings.allowSort = true;
    lists.LVMaster.InsertItems(0, rows);
    const double first = bestMs([] {}, [&] { editor.RenumberAndTotals(); }, 1);
    const double again = bestMs([] {}, [&] { editor.RenumberAndTotals(); });
    lists.LVMaster.SetPlayingIndex(40000);
    const double starts = bestMs([] {}, [&] { editor.UpdateStartTimes(40000, 0); });
    const double sort = bestMs([] {}, [&] { editor.sortByColumn(2); });
    // A text only the last item holds: one find steps through the whole list.
    const QString last = lists.LVMaster.at(kRows - 1).FileName();
    const double find = bestMs([&] { editor.resetFind(); }, [&] { editor.find(last); });
    setClock(nullptr);
    setTimerHost(nullptr);
    std::printf("\nreference: copy %d titles %.2f ms\n", kRows, reference);
    std::printf("100,000 items: RenumberAndTotals %.2f ms first, %.2f ms again (%.2fx reference)\n",
                first, again, again / reference);
    std::printf("100,000 items: UpdateStartTimes W = 50 %.3f ms (%.2fx reference)\n", starts,
                starts / reference);
    std::printf("100,000 items: sort by the title column %.1f ms (%.2fx reference)\n", sort,
                sort / reference);
    std::printf("100,000 items: find through the whole list %.2f ms (%.2fx reference)\n", find,
                find / reference);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!(argc > 1 && QByteArray(argv[1]) == "--list-only")) folderAdd(dir.path());
    bigList();
    return 0;
}
