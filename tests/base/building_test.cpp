// Filling, measuring, checking and pruning the library on real folder trees, and measuring
// lengths on worker threads.
#include "base/core/building.h"
#include "basefixture.h"
#include "common/simloop.h"
#include "platform/prompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>
#include <atomic>
#include <gtest/gtest.h>
#include <map>
#include <thread>
#include <unistd.h>

using namespace wc;
using namespace wc::base;
using basetest::entry;
using basetest::GatedProbe;
using basetest::id3v1;
using basetest::readFile;
using basetest::writeFile;

namespace {

std::vector<QString> fileNames(const LibraryModel& m, const QString& root = {}) {
    std::vector<QString> out;
    for (const auto& e : m.records())
        out.push_back(root.isEmpty() ? e.fileName : QString(e.fileName).remove(root + '/'));
    return out;
}

class PromptsScope {
public:
    PromptsScope() { setPrompts(&rec); }
    ~PromptsScope() { setPrompts(nullptr); }
    RecordingPrompts rec;
};

class FakeProbe final : public FileDurationMs {
public:
    std::map<QString, qint32> lengths; // missing: -1, as a failed measurement gives
    int calls = 0;
    qint32 durationMs(const QString& f) override {
        ++calls;
        auto it = lengths.find(f);
        return it == lengths.end() ? -1 : it->second;
    }
};

void runAll(Job& job) {
    JobRunner::runToEnd(job);
}

} // namespace

TEST(ParseFileName, SeparatorsInOrderAndReplacements) {
    const struct {
        const char* path;
        const char* artist;
        const char* title;
    } cases[] = {
        {"/m/Some_Band - Long_Song.mp3", "Some Band", "Long Song"},
        {"/m/Some_Band_-_Song.mp3", "Some Band", "Song"},
        {"/m/Live-Set.mp3", "Live", "Set"},
        {"/m/Intro.mp3", "Intro", ""},
        {"/m/A%20B - C%20D.ogg", "A B", "C D"},
        {"/m/x _ y.wav", "x", "y"},
        {"/m/dir.with.dots/Name - T.mp3", "Name", "T"},
    };
    for (const auto& c : cases) {
        TBaseEntry e;
        ParseFileName(QString::fromUtf8(c.path), e);
        EXPECT_EQ(e.artist, QString::fromUtf8(c.artist)) << c.path;
        EXPECT_EQ(e.title, QString::fromUtf8(c.title)) << c.path;
    }
    TBaseEntry e;
    ParseFileName("/m/" + QString(70, 'a') + " - " + QString(70, 'b') + ".mp3", e);
    EXPECT_EQ(e.artist.size(), 50);
    EXPECT_EQ(e.title.size(), 50);
}

TEST(MakeRecord, TagFieldsFileNameFallbackAndOptions) {
    QTemporaryDir dir;
    const QString tagged = dir.filePath("Band - Name.mp3");
    writeFile(tagged, QByteArray(500, '\x01') + id3v1("Title", "Artist", "Album", "2001", "c", 17));
    const QString emptyTag = dir.filePath("Other - Thing.mp3");
    writeFile(emptyTag, QByteArray(500, '\x01') + id3v1("", "", "Alb"));
    const QString noTag = dir.filePath("Live-Set.mp3");
    writeFile(noTag, QByteArray(500, '\x01'));
    struct Case {
        QString path;
        AddOptions options;
        bool added;
        QString artist, title, album;
    };
    const Case cases[] = {
        {tagged, {true, true}, true, "Artist", "Title", "Album"},
        {emptyTag, {true, true}, true, "Other", "Thing", "Alb"},
        {emptyTag, {true, false}, true, "", "", "Alb"},
        {noTag, {true, true}, true, "Live", "Set", ""},
        {noTag, {true, false}, false, "", "", ""},
        {noTag, {false, false}, true, "", "", ""},
    };
    for (const Case& c : cases) {
        TBaseEntry e;
        EXPECT_EQ(makeRecord({c.path, 1234}, c.options, e), c.added) << c.path.toStdString();
        if (!c.added) continue;
        EXPECT_EQ(e.artist, c.artist);
        EXPECT_EQ(e.title, c.title);
        EXPECT_EQ(e.album, c.album);
        EXPECT_EQ(e.fileName, c.path);
        EXPECT_EQ(e.fileSize, 1234u);
        EXPECT_EQ(e.durationMs, 0u);
    }
    EXPECT_EQ(clampFileSize(qint64(5) << 30), 0xFFFFFFFFu);
    EXPECT_EQ(clampFileSize(-1), 0u);
}

TEST(AddJob, ScansSortedSkipsLinksAndTrashRefusesLongPathsOnce) {
    QTemporaryDir dir;
    const QString r = dir.path();
    const QByteArray tag = id3v1("T", "A");
    for (const char* name : {"b.mp3", "a.MP3", "c.txt", "sub2/z.ogg", "sub1/y.wav",
                             "sub1/deep/x.wma", ".Trash-1000/files/gone.mp3", "sub1/k.aiff",
                             "sub1/n.opus"})
        writeFile(r + '/' + name, tag);
    // A link back to the root would loop forever if followed; a link to a file is a file.
    ASSERT_EQ(::symlink(r.toUtf8().constData(), (r + "/sub1/loop").toUtf8().constData()), 0);
    ASSERT_EQ(
        ::symlink((r + "/b.mp3").toUtf8().constData(), (r + "/sub2/link.mp3").toUtf8().constData()),
        0);
    // A path longer than the record's field is refused, never cut.
    const QString longDir = r + "/long/" + QString(120, 'd') + '/' + QString(120, 'e');
    writeFile(longDir + "/track.mp3", tag);

    LibraryModel m;
    AddJob job(m, {r}, {}, AddOptions{});
    runAll(job);
    EXPECT_EQ(fileNames(m, r),
              (std::vector<QString>{"a.MP3", "b.mp3", "sub1/n.opus", "sub1/y.wav",
                                    "sub1/deep/x.wma", "sub2/link.mp3", "sub2/z.ogg"}));
    EXPECT_EQ(job.refused(), QStringList{longDir + "/track.mp3"});
    EXPECT_EQ(job.summary().count(longDir), 1);
    EXPECT_TRUE(job.unreadable().isEmpty());
    EXPECT_TRUE(m.modified());
    EXPECT_EQ(m.view().size(), 7u);
    EXPECT_EQ(m.record(1).fileSize, quint32(tag.size()));
    // The same folder twice doubles every record.
    AddJob again(m, {r + "/sub2/"}, {r + "/b.mp3"}, AddOptions{});
    runAll(again);
    EXPECT_EQ(m.count(), 10);
    EXPECT_EQ(m.record(7).fileSize, 0u); // a single file has no size
}

TEST(AddJob, UnreadableFilesAreNamedOnceWhenErrorsAreShown) {
    QTemporaryDir dir;
    const QString gone = dir.filePath("Gone - Away.mp3"); // listed, then gone before its turn
    writeFile(dir.filePath("ok.mp3"), id3v1("T", "A"));
    LibraryModel m;
    AddJob job(m, {}, {gone, dir.filePath("ok.mp3")}, AddOptions{true, true});
    runAll(job);
    EXPECT_EQ(job.unreadable(), QStringList{gone});
    EXPECT_EQ(m.count(), 2); // the name still gives artist and title
    EXPECT_EQ(m.record(0).artist, "Gone");
    EXPECT_TRUE(job.summary(false).isEmpty());
    EXPECT_EQ(job.summary(true).count(gone), 1);
}

TEST(JobRunner, RunsInSlicesOnTheTimerHostAndCancelStopsTheScanOnly) {
    SimLoop loop;
    setClock(&loop);
    setTimerHost(&loop);
    QTemporaryDir dir;
    for (int i = 0; i < 30; ++i)
        writeFile(dir.filePath(QString("f%1/t.mp3").arg(i, 2, 10, QChar('0'))), id3v1("t", "a"));
    LibraryModel m;
    int progressCalls = 0, doneCalls = 0;
    {
        JobRunner runner(20, 5);
        auto job =
            std::make_unique<AddJob>(m, QStringList{dir.path()}, QStringList{}, AddOptions{});
        AddJob* raw = job.get();
        ASSERT_TRUE(runner.start(
            std::move(job), [&](const Job&) { ++progressCalls; }, [&](Job&) { ++doneCalls; }));
        EXPECT_FALSE(runner.start(std::make_unique<CheckJob>(m), {}, {}));
        loop.runFor(1); // a few slices: the root and some folders scanned
        ASSERT_TRUE(runner.running());
        ASSERT_TRUE(raw->scanning());
        runner.cancel(); // ends the scan; what was found is still added
        loop.runUntil([&] { return doneCalls > 0; }, 10000);
        EXPECT_EQ(doneCalls, 1);
        EXPECT_FALSE(runner.running());
        EXPECT_GT(m.count(), 0);
        EXPECT_LT(m.count(), 30);
        EXPECT_GT(progressCalls, 1);
    }
    {
        // Cancel while reading tags stops at once; the records added by then stay.
        LibraryModel m2;
        JobRunner runner(20, 3);
        auto job =
            std::make_unique<AddJob>(m2, QStringList{dir.path()}, QStringList{}, AddOptions{});
        AddJob* raw = job.get();
        bool done = false;
        runner.start(std::move(job), {}, [&](Job&) { done = true; });
        loop.runUntil([&] { return !raw->scanning() && m2.count() > 0; }, 10000);
        runner.cancel();
        const int at = m2.count();
        loop.runUntil([&] { return done; }, 10000);
        EXPECT_EQ(m2.count(), at);
        EXPECT_LT(at, 30);
    }
    setClock(nullptr);
    setTimerHost(nullptr);
}

TEST(CountJob, StoresZeroForFailuresSkipsKnownLengthsAndMarksModified) {
    QTemporaryDir dir;
    LibraryModel m;
    m.append(entry("a", "1", "/m/ok.mp3", 0));
    m.append(entry("a", "2", "/m/known.mp3", 7000));
    m.append(entry("a", "3", "/m/broken.mp3", 5000));
    ASSERT_TRUE(m.save(dir.filePath("l.dfs")));
    FakeProbe probe;
    probe.lengths = {{"/m/ok.mp3", 61234}, {"/m/known.mp3", 8000}};
    CountJob once(m, {0, 1, 2}, true, probe);
    runAll(once);
    EXPECT_EQ(probe.calls, 1); // only the record without a length
    EXPECT_EQ(m.record(0).durationMs, 61234u);
    EXPECT_TRUE(m.modified());
    CountJob all(m, {0, 1, 2}, false, probe);
    runAll(all);
    EXPECT_EQ(m.record(1).durationMs, 8000u);
    EXPECT_EQ(m.record(2).durationMs, 0u); // -1 from the probe: no length, not 4294967295
    EXPECT_EQ(all.changedCount(), 2);
}

TEST(CountJob, WorkersGiveTheSameLengthsAsMeasuringInline) {
    for (int threads : {0, 1, 2, 3}) {
        LibraryModel m;
        for (int i = 0; i < 40; ++i)
            m.append(entry("a", QString::number(i),
                           QString("/m/%1.%2").arg(i).arg(i % 7 ? "mp3" : "bad"),
                           i % 5 == 0 ? 777 : 0));
        GatedProbe probe;
        probe.allow(1000);
        std::unique_ptr<LengthWorkers> workers;
        if (threads > 0) workers = std::make_unique<LengthWorkers>(probe, threads);
        std::vector<int> all;
        for (int i = 0; i < 40; ++i)
            all.push_back(i);
        CountJob job(m, all, true, probe, workers.get());
        JobRunner::runToEnd(job);
        EXPECT_EQ(job.total(), 32) << threads; // eight had a length
        EXPECT_EQ(job.measuredCount(), 32) << threads;
        EXPECT_EQ(m.lengthPendingCount(), 0) << threads;
        for (int i = 0; i < 40; ++i) {
            const QString f = m.record(i).fileName;
            const quint32 expected = i % 5 == 0 ? 777u : i % 7 ? quint32(1000 + f.size()) : 0u;
            EXPECT_EQ(m.record(i).durationMs, expected) << threads << " " << f.toStdString();
        }
    }
}

TEST(LengthWorkers, ResultsComeBackManyAtATimeAndDroppingTheQueueEndsAWait) {
    GatedProbe probe;
    LengthWorkers workers(probe, 2);
    std::atomic<int> wakes{0};
    auto batch = workers.newBatch([&] { ++wakes; });
    std::vector<LengthWorkers::File> files;
    for (int i = 0; i < 10; ++i)
        files.push_back({i, QString("/m/%1.mp3").arg(i)});
    batch->submit(std::move(files));
    probe.allow(3);
    // The wait ends with the three results it asked for, not with the first.
    batch->waitForResults(3);
    std::vector<LengthWorkers::Result> got = batch->take();
    ASSERT_EQ(got.size(), 3u);
    for (const auto& r : got)
        EXPECT_EQ(r.ms, 1000 + QString("/m/%1.mp3").arg(r.tag).size()) << r.tag;
    // Both workers held on their next files; the other five are dropped, and a wait for more
    // than can come ends once the two under way are in.
    while (probe.held() < 2)
        std::this_thread::yield();
    const std::vector<int> dropped = batch->dropQueued();
    EXPECT_EQ(dropped, (std::vector<int>{5, 6, 7, 8, 9}));
    EXPECT_EQ(batch->outstanding(), 2);
    probe.allow(2);
    batch->waitForResults(100);
    got = batch->take();
    EXPECT_EQ(got.size(), 2u);
    EXPECT_EQ(batch->outstanding(), 0);
    EXPECT_EQ(int(probe.calls().size()), 5);
    EXPECT_GE(wakes.load(), 1);
}

TEST(CountJob, ACancelledPassGoesOnWhereItStoppedMeasuringEachFileOnce) {
    SimLoop loop(46365.5, 10);
    setClock(&loop);
    setTimerHost(&loop);
    {
        constexpr int kFiles = 60;
        LibraryModel m;
        for (int i = 0; i < kFiles; ++i)
            m.append(entry("a", QString::number(i), QString("/m/%1.mp3").arg(i), 5));
        m.sortBy(ColTitle); // the pass goes in display order
        GatedProbe probe;
        LengthWorkers workers(probe, 2);
        JobRunner runner;
        bool done = false;
        // Recount all (lengths known or not): the case where starting again from the top would
        // measure files twice.
        runner.start(std::make_unique<CountJob>(m, m.view(), false, probe, &workers), {},
                     [&](Job&) { done = true; });
        // Every worker is held: the window thread is not.
        loop.runFor(100);
        EXPECT_TRUE(runner.running());
        probe.allow(7);
        ASSERT_TRUE(loop.runUntil(
            [&] { return m.lengthPendingCount() == kFiles - 7 && probe.held() == 2; }, 100000000));
        runner.cancel();
        // The files under way are measured and kept; the rest are not started.
        probe.allow(2);
        ASSERT_TRUE(loop.runUntil([&] { return done; }, 100000000));
        const int measured = kFiles - m.lengthPendingCount();
        EXPECT_EQ(measured, 9);
        std::map<QString, int> calls = probe.calls();
        EXPECT_EQ(int(calls.size()), measured);
        // The first measured are the first shown rows.
        for (int row = 0; row < measured; ++row)
            EXPECT_EQ(calls.count(m.record(m.view()[size_t(row)]).fileName), 1u) << row;
        // A removal in between: the marks stay with their records.
        const int gone = m.view()[size_t(kFiles - 1)];
        ASSERT_TRUE(m.remove({gone}));
        // Going on: only the files not measured yet, each once.
        probe.allow(1000);
        done = false;
        runner.start(std::make_unique<CountJob>(m, std::vector<int>{}, false, probe, &workers), {},
                     [&](Job& j) {
                         EXPECT_EQ(static_cast<CountJob&>(j).total(), kFiles - 1 - measured);
                         done = true;
                     });
        ASSERT_TRUE(loop.runUntil([&] { return done; }, 100000000));
        calls = probe.calls();
        EXPECT_EQ(int(calls.size()), kFiles - 1);
        for (const auto& [file, n] : calls)
            EXPECT_EQ(n, 1) << file.toStdString();
        EXPECT_EQ(m.lengthPendingCount(), 0);
        for (const auto& e : m.records())
            EXPECT_EQ(e.durationMs, quint32(1000 + e.fileName.size())) << e.fileName.toStdString();
        // Closing in the middle of a pass: the job and the workers go without waiting for files
        // that were never started.
        runner.start(std::make_unique<CountJob>(m, m.view(), false, probe, &workers), {}, {});
    }
    setClock(nullptr);
    setTimerHost(nullptr);
}

TEST(CheckLibrary, OnlyNoSuchFileCountsAndMostMissingAsksTwice) {
    QTemporaryDir dir;
    const QString present = dir.filePath("here.mp3");
    writeFile(present, "x");
    const QString loopA = dir.filePath("la"), loopB = dir.filePath("lb");
    ASSERT_EQ(::symlink(loopB.toUtf8().constData(), loopA.toUtf8().constData()), 0);
    ASSERT_EQ(::symlink(loopA.toUtf8().constData(), loopB.toUtf8().constData()), 0);
    auto build = [&](LibraryModel& m) {
        m.append(entry("a", "present", present));
        m.append(entry("a", "gone1", "/mnt/share/music/1.mp3"));
        m.append(entry("a", "gone2", "/mnt/share/music/sub/2.mp3"));
        m.append(entry("a", "unknown", loopA + "/x.mp3")); // fails, but not "no such file"
        m.append(entry("a", "win", "D:\\Music\\3.mp3"));
    };
    struct Case {
        const char* name;
        std::vector<int> answers;
        int removed;
        int questions;
    };
    const Case cases[] = {
        {"No to the first question", {PromptNo}, 0, 1},
        {"Yes, then No to the folder question", {PromptYes, PromptNo}, 0, 2},
        {"Yes twice", {PromptYes, PromptYes}, 3, 2},
    };
    for (const Case& c : cases) {
        PromptsScope ps;
        ps.rec.answers = c.answers;
        LibraryModel m;
        build(m);
        CheckJob job(m);
        runAll(job);
        EXPECT_EQ(job.missing(), (std::vector<int>{1, 2, 4})) << c.name;
        EXPECT_EQ(job.unknown(), 1) << c.name;
        EXPECT_EQ(resolveCheck(m, job), c.removed) << c.name;
        int asked = 0;
        for (const auto& s : ps.rec.shown)
            asked += s.asked;
        EXPECT_EQ(asked, c.questions) << c.name;
        ASSERT_FALSE(ps.rec.shown.empty());
        EXPECT_TRUE(ps.rec.shown[0].text.startsWith("3 of 5 files are missing. Remove them?"))
            << c.name;
        EXPECT_EQ(m.count(), 5 - c.removed) << c.name;
        if (c.removed) {
            EXPECT_EQ(m.record(0).title, "present");
            EXPECT_EQ(m.record(1).title, "unknown");
            EXPECT_TRUE(ps.rec.shown.back().text.startsWith("3 "));
        }
    }
    // A minority missing asks once; the folder question names the common folder.
    {
        PromptsScope ps;
        ps.rec.answers = {PromptYes};
        LibraryModel m;
        m.append(entry("a", "p1", present));
        m.append(entry("a", "p2", present));
        m.append(entry("a", "g", "/mnt/share/music/1.mp3"));
        CheckJob job(m);
        runAll(job);
        EXPECT_EQ(job.missingFolder(), "/mnt/share/music");
        EXPECT_EQ(resolveCheck(m, job), 1);
        EXPECT_EQ(m.count(), 2);
    }
    // The library changed since the check: nothing is removed.
    {
        PromptsScope ps;
        ps.rec.answers = {PromptYes, PromptYes};
        LibraryModel m;
        build(m);
        CheckJob job(m);
        runAll(job);
        m.append(entry("n", "new"));
        EXPECT_EQ(resolveCheck(m, job), 0);
        EXPECT_EQ(m.count(), 6);
    }
}

TEST(CopyJob, SelfCopyHardLinksClashesAndOverwrite) {
    QTemporaryDir dir;
    const QString src = dir.filePath("src"), dst = dir.filePath("dst");
    writeFile(src + "/a.mp3", "original-a");
    writeFile(src + "/b.mp3", "original-b");
    writeFile(src + "/other/a.mp3", "second-a");
    writeFile(dst + "/b.mp3", "old-b");
    ASSERT_EQ(
        ::link((src + "/b.mp3").toUtf8().constData(), (dst + "/hard.mp3").toUtf8().constData()), 0);
    writeFile(src + "/hard.mp3", "x");
    {
        // Onto itself: the same folder.
        CopyJob job({src + "/a.mp3"}, src, true);
        runAll(job);
        EXPECT_EQ(readFile(src + "/a.mp3"), "original-a");
        EXPECT_EQ(job.sameFile(), QStringList{src + "/a.mp3"});
        EXPECT_EQ(job.copied(), 0);
        EXPECT_FALSE(job.summary().isEmpty());
    }
    {
        // Onto itself through a hard link in the target folder.
        CopyJob job({dst + "/hard.mp3"}, src, true);
        // dst/hard.mp3 and src/b.mp3 are one file, but the target is src/hard.mp3: a copy.
        runAll(job);
        EXPECT_EQ(job.copied(), 1);
        CopyJob self({src + "/b.mp3"}, dst, true);
        runAll(self);
        EXPECT_EQ(self.copied(), 1); // dst/b.mp3 is another file: replaced
        EXPECT_EQ(readFile(dst + "/b.mp3"), "original-b");
        CopyJob viaLink({dst + "/hard.mp3"}, dst, true);
        runAll(viaLink);
        EXPECT_EQ(viaLink.sameFile().size(), 1);
        EXPECT_EQ(readFile(src + "/b.mp3"), "original-b");
    }
    {
        // Two files of one name in a batch: the first is copied, the second reported.
        writeFile(dst + "/keep.mp3", "keep");
        CopyJob job({src + "/a.mp3", src + "/other/a.mp3", dst + "/keep.mp3"}, dst, false);
        runAll(job);
        EXPECT_EQ(readFile(dst + "/a.mp3"), "original-a");
        EXPECT_EQ(job.clashes(), QStringList{src + "/other/a.mp3"});
        EXPECT_EQ(job.sameFile().size(), 1);
        // Without overwrite an existing target is reported, not replaced.
        CopyJob again({src + "/other/a.mp3"}, dst, false);
        runAll(again);
        EXPECT_EQ(again.failed().size(), 1);
        EXPECT_EQ(readFile(dst + "/a.mp3"), "original-a");
        CopyJob overwrite({src + "/other/a.mp3"}, dst, true);
        runAll(overwrite);
        EXPECT_EQ(readFile(dst + "/a.mp3"), "second-a");
        EXPECT_TRUE(overwrite.summary().isEmpty());
    }
    {
        CopyJob missing({src + "/none.mp3"}, dst, true);
        runAll(missing);
        EXPECT_EQ(missing.failed().size(), 1);
        EXPECT_EQ(missing.percent(), 0); // one file: the bar is not moved
    }
    // No temporary file is left behind.
    for (const QString& f : QDir(dst).entryList(QDir::Files | QDir::Hidden))
        EXPECT_FALSE(f.endsWith(".part")) << f.toStdString();
}

TEST(TrashRecords, MovesToTheTrashWithItsInfoAndKeepsWhatCouldNotBeMoved) {
    SimLoop loop(46365.5); // 2026-12-09 12:00
    setClock(&loop);
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.filePath("data").toUtf8());
    QTemporaryDir dir;
    const QString a = dir.filePath("a b%.mp3");
    const QString again = dir.filePath("sub/a b%.mp3");
    writeFile(a, "a");
    writeFile(again, "a2");
    LibraryModel m;
    m.append(entry("x", "a", a));
    m.append(entry("x", "missing", dir.filePath("none.mp3")));
    m.append(entry("x", "again", again));
    const QStringList failures = trashRecords(m, {0, 1, 2});
    qunsetenv("XDG_DATA_HOME");
    setClock(nullptr);
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_FALSE(QFile::exists(again));
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].startsWith(dir.filePath("none.mp3")));
    ASSERT_EQ(m.count(), 1);
    EXPECT_EQ(m.record(0).title, "missing");
    // Both are in the trash under their own names, not deleted, each with its information.
    const QString trash = home.filePath("data/Trash");
    EXPECT_EQ(readFile(trash + "/files/a b%.mp3"), "a");
    EXPECT_EQ(readFile(trash + "/files/a b%.mp3.1"), "a2");
    const QByteArray info = readFile(trash + "/info/a b%.mp3.trashinfo");
    EXPECT_TRUE(info.startsWith("[Trash Info]\nPath=")) << info.constData();
    EXPECT_TRUE(info.contains(QUrl::toPercentEncoding(a, "/"))) << info.constData();
    EXPECT_TRUE(info.contains("DeletionDate=2026-12-09T12:00:00")) << info.constData();
}

TEST(ExportM3u, RoundsHalfToEvenKeepsPathsAndBlanksControlCharacters) {
    LibraryModel m;
    m.append(entry(" Art ", "Ti\r\ntle", " /m/ lead and trail .mp3 ", 2500));
    m.append(entry("", "", "/m/b.mp3", 3500));
    m.append(entry("a", "b", "/m/bad\nname.mp3", 1000));
    QStringList skipped;
    const QByteArray text = formatLibraryM3u(m, rowsToSend(m, {}), &skipped);
    EXPECT_EQ(text, QByteArray("#EXTM3U\r\n"
                               "#EXTINF:2,Art - Ti  tle\r\n"
                               " /m/ lead and trail .mp3 \r\n"
                               "#EXTINF:4, - \r\n"
                               "/m/b.mp3\r\n"));
    EXPECT_EQ(skipped, QStringList{"/m/bad\nname.mp3"});
    // Selected rows in display order.
    m.sortBy(ColTime); // descending: 3500, 2500, 1000
    const std::vector<int> rows = rowsToSend(m, {2, 0, 2});
    EXPECT_EQ(rows, (std::vector<int>{1, 2}));
    QTemporaryDir dir;
    ASSERT_TRUE(exportM3u(dir.filePath("out.m3u"), m, {1}));
    EXPECT_EQ(readFile(dir.filePath("out.m3u")), "#EXTM3U\r\n#EXTINF:4, - \r\n/m/b.mp3\r\n");
}

TEST(AddableFiles, ExtensionsAndLineIn) {
    const std::pair<const char*, bool> cases[] = {
        {"/a/b.MP3", true},  {"/a/b.wv", true},  {"/a/b.flac", true},  {"/a/line.in", true},
        {"/a.mp3/b", false}, {"/a/b.cmd", true}, {"/a/noext", false},  {"/a/b.Opus", true},
        {"/a/b.oga", true},  {"/a/b.M4A", true}, {"/a/b.aiff", false}, {"/a/b.m3u", false}};
    for (const auto& [p, ok] : cases)
        EXPECT_EQ(isAddableDrop(p), ok) << p;
    EXPECT_FALSE(isSupportedExtension("/a/line.in"));
    EXPECT_TRUE(pathFitsRecord("/" + QString(254, 'a')));
    EXPECT_FALSE(pathFitsRecord("/" + QString(255, 'a')));
    EXPECT_FALSE(pathFitsRecord("/" + QString(128, QChar(0x0436)))); // 257 bytes in UTF-8
}
