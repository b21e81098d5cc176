// The player link on the bus, the statistics, and the tag editor's rules on real MP3, Ogg and
// WMA files.
#include "../audio/fixtures.h"
#include "audiofiles.h"
#include "base/core/building.h"
#include "base/core/playerlink.h"
#include "base/core/statistics.h"
#include "base/core/tagedit.h"
#include "basefixture.h"
#include "common/messages.h"
#include "common/simloop.h"
#include "common/tags/trackinfo.h"
#include "platform/messagebus.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

using namespace wc;
using namespace wc::base;
using basetest::entry;
namespace at = wc::audio::test;

namespace {

class Bus : public ::testing::Test {
protected:
    void SetUp() override { qputenv("WAVECREST_RUNTIME_DIR", runtime.path().toUtf8()); }
    void TearDown() override { qunsetenv("WAVECREST_RUNTIME_DIR"); }
    QTemporaryDir runtime, home;
};

} // namespace

TEST(PlayerLink, LoadQueueParamHoldsListAndPosition) {
    EXPECT_EQ(loadQueueParam({true, 1}), 1 | (1 << 16));
    EXPECT_EQ(loadQueueParam({false, 3}), 2 | (3 << 16));
    EXPECT_EQ(loadQueueParam({true, 9}), 1 | (1 << 16));
}

TEST_F(Bus, SendsTheRowsThroughTheHandOverFileToThePlayerFoundByItsClass) {
    LibraryModel m;
    m.append(entry("A", "one", "/m/one.mp3", 2500));
    m.append(entry("B", "two", "/m/two.mp3", 1000));
    m.append(entry("C", "three", "/m/three.mp3", 1000));
    std::vector<std::pair<qint64, qint64>> got;
    std::vector<QString> items;
    // Another program's window that is no player, then the player.
    Endpoint other("TLumbraWnd", "Lumbra", [](quint32 msg, qint64, qint64) -> qint64 {
        return msg == MSG_PING ? kGeneratorPingAnswer : 0;
    });
    Endpoint player("TForm1", "Wavecrest", [&](quint32 msg, qint64 w, qint64 l) -> qint64 {
        if (msg == MSG_PING) return kPlayerPingAnswer;
        if (msg != MSG_LOAD_QUEUE) return 0;
        got.push_back({w, l});
        for (const auto& e : readM3uFile(handOverPath(home.path(), HandOver::DbTemp)))
            items.push_back(e.path);
        return 1;
    });
    // The handle from the command line is stale (the generator's): the player is looked up.
    const SendResult r =
        sendToPlayer(m, rowsToSend(m, {2, 0}), home.path(), other.handle(), {false, 2});
    EXPECT_EQ(r.outcome, SendOutcome::Sent);
    EXPECT_EQ(r.player, player.handle());
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], (std::pair<qint64, qint64>{1, 2 | (2 << 16)}));
    EXPECT_EQ(items, (std::vector<QString>{"/m/one.mp3", "/m/three.mp3"}));
}

TEST_F(Bus, NoPlayerAndAHungPlayerAreSaidAndTheWaitIsBounded) {
    LibraryModel m;
    m.append(entry("A", "one"));
    const SendResult none = sendToPlayer(m, {0}, home.path(), 0, {});
    EXPECT_EQ(none.outcome, SendOutcome::NoPlayer);
    EXPECT_FALSE(none.message.isEmpty());
    // The hand-over file is written all the same.
    EXPECT_TRUE(QFileInfo::exists(home.filePath("Temp/DBTemp.m3u")));

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("WAVECREST_RUNTIME_DIR", runtime.path());
    env.insert("WAVECREST_HOME", home.path());
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(WC_FAKE_PLAYER_EXE), {});
    ASSERT_TRUE(p.waitForStarted(10000));
    ASSERT_TRUE(p.waitForReadyRead(10000));
    const QString line = QString::fromUtf8(p.readLine()).trimmed();
    ASSERT_TRUE(line.startsWith("HANDLE "));
    const WindowHandle h = line.mid(7).toInt();
    const SendResult ok = sendToPlayer(m, {0}, home.path(), h, {true, 3});
    EXPECT_EQ(ok.outcome, SendOutcome::Sent);
    ASSERT_TRUE(p.waitForReadyRead(10000));
    EXPECT_EQ(QString::fromUtf8(p.readLine()).trimmed(), QString("LOAD 1 %1").arg(1 | (3 << 16)));
    // A player that hangs: the send gives up after its bounded wait and says so.
    ::kill(pid_t(p.processId()), SIGSTOP);
    const SendResult hung = sendToPlayer(m, {0}, home.path(), h, {}, 200, 200);
    ::kill(pid_t(p.processId()), SIGCONT);
    EXPECT_EQ(hung.outcome, SendOutcome::NoAnswer);
    EXPECT_EQ(hung.message, "The player did not answer.");
    p.terminate();
    p.waitForFinished(5000);
}

TEST(Statistics, LengthsTextsFrequentValuesAndShares) {
    TBaseEntryArr recs;
    auto add = [&](QString artist, quint32 ms, QString year, QString genre, QString file,
                   quint32 size) {
        TBaseEntry e = entry(artist, "t", file, ms);
        e.year = year;
        e.genre = genre;
        e.fileSize = size;
        recs.push_back(e);
    };
    add("Abba", 185000, "1999", "Rock", "/a.mp3", 4096);
    add(" abba ", 61000, "2001", "rock", "/b.MP3", 2048);
    add("Beta", 0, "2001", "Pop", "/c.ogg", 1024);
    add("", 250000, "", "", "/d.wav", 1023);
    LibraryStats st;
    ASSERT_TRUE(computeStatistics(recs, st, [] { return false; }));
    EXPECT_EQ(st.shortest, 1);
    EXPECT_EQ(st.longest, 3);
    EXPECT_EQ(st.shortestText, "61 sec (01:01 min) *");
    EXPECT_EQ(st.longestText, "250 sec (04:10 min) *");
    EXPECT_EQ(st.averageText, "165 sec (02:45 min) *"); // (185 + 61 + 250) / 3
    EXPECT_EQ(st.topYear, "2001");
    EXPECT_EQ(st.topGenre, "rock");
    EXPECT_EQ(st.artists, "2");
    EXPECT_EQ(st.typeCounts, (std::array<int, 4>{2, 1, 0, 1}));
    EXPECT_EQ(st.totalKb, 4 + 2 + 1 + 0);
    EXPECT_DOUBLE_EQ(st.shares()[0], 50.0);
    EXPECT_TRUE(st.sizesComplete);

    // Every record without a length.
    TBaseEntryArr none{entry("a", "b", "/x.mp3", 0), entry("c", "d", "/y.mp3", 999)};
    ASSERT_TRUE(computeStatistics(none, st, [] { return false; }));
    for (const QString& t : {st.shortestText, st.longestText, st.averageText})
        EXPECT_EQ(t, "0 sec (00:00 min) *");
    EXPECT_EQ(st.topYear, "<unknown>");
    // Empty library.
    ASSERT_TRUE(computeStatistics({}, st, [] { return false; }));
    EXPECT_EQ(st.artists, "<unknown>");
    EXPECT_DOUBLE_EQ(st.shares()[0], 0.0);
    // Stopped: false, and the sizes are marked incomplete when the size pass was cut.
    int asked = 0;
    EXPECT_FALSE(computeStatistics(recs, st, [&] { return ++asked > 10; }));
    EXPECT_FALSE(st.sizesComplete);
}

TEST(StatWorker, WorksOnItsCopyAndReportsOnTheMainThread) {
    SimLoop loop;
    setClock(&loop);
    setTimerHost(&loop);
    TBaseEntryArr recs;
    for (int i = 0; i < 5000; ++i)
        recs.push_back(entry("a" + QString::number(i % 7), "t", "/f.ogg", quint32(i * 1000)));
    bool done = false;
    LibraryStats result;
    {
        StatWorker w(recs, {}, [&](const LibraryStats& s) {
            done = true;
            result = s;
        });
        recs.clear(); // the worker has its own records
        w.start();
        w.join();
        EXPECT_TRUE(w.finished());
        EXPECT_FALSE(done); // nothing runs on the worker's thread
        loop.drainPosted();
    }
    EXPECT_TRUE(done);
    EXPECT_EQ(result.records, 5000);
    EXPECT_EQ(result.artists, "7");
    EXPECT_EQ(result.typeCounts[3], 5000);
    {
        // Stopped and destroyed before its results are delivered: nothing arrives.
        bool late = false;
        {
            StatWorker w(TBaseEntryArr(1000, entry("a", "b")), {},
                         [&](const LibraryStats&) { late = true; });
            w.start();
        }
        loop.drainPosted();
        EXPECT_FALSE(late);
    }
    setClock(nullptr);
    setTimerHost(nullptr);
}

using basetest::fileTag;
using basetest::TaggedFiles;

TEST(TagEdit, SeveralFilesOnlyTheYearChangesAndEveryOtherFieldSurvives) {
    TaggedFiles f;
    ASSERT_TRUE(f.made);
    // The formats written through TagLib too: FLAC, Opus, MP4 audio, an MP3 whose only tag is
    // ID3v2 (the editor adds an ID3v1 block and keeps the ID3v2 tag in step).
    const QString wav = f.dir.filePath("t.wav");
    QStringList files{f.mp3, f.ogg, f.wma};
    const std::pair<const char*, QStringList> more[] = {
        {"four.flac", {"-c:a", "flac"}},
        {"five.opus", {"-c:a", "libopus"}},
        {"six.m4a", {"-c:a", "aac"}},
    };
    int n = 4;
    for (const auto& [name, codec] : more) {
        files << f.dir.filePath(name);
        ASSERT_TRUE(wc::audio::test::ffmpegConvert(
            wav, files.last(),
            QStringList(codec) << "-metadata" << QString("title=T%1").arg(n) << "-metadata"
                               << QString("album=L%1").arg(n) << "-metadata"
                               << "genre=Rock"));
        ++n;
    }
    files << f.dir.filePath("seven.mp3");
    ASSERT_TRUE(wc::audio::test::run(
        "lame", {"--quiet", "--id3v2-only", "--tt", "T7", "--tl", "L7", wav, files.last()}));
    std::vector<std::array<QString, 6>> before;
    for (const QString& p : files)
        before.push_back(fileTag(p));
    ASSERT_EQ(before[0][0], "T1");
    ASSERT_EQ(before[1][2], "L2");
    ASSERT_EQ(before[2][5], "Funk");
    ASSERT_EQ(before[3][0], "T4");
    ASSERT_EQ(before[6][2], "L7");
    LibraryModel m;
    // Records that do not match the files: the edit starts from each file's own tag.
    std::vector<int> rows;
    for (const QString& p : files) {
        rows.push_back(int(rows.size()));
        m.append(entry("stale", "stale", p));
    }
    TagChanges c;
    c.year = "2024";
    const TagApplyResult r = applyTagChanges(m, rows, c);
    EXPECT_EQ(r.written, int(files.size())) << r.failures.join('\n').toStdString();
    for (int i = 0; i < int(files.size()); ++i) {
        std::array<QString, 6> want = before[size_t(i)];
        want[3] = "2024";
        EXPECT_EQ(fileTag(files[i]), want) << files[i].toStdString();
        // The record shows what the file holds now.
        EXPECT_EQ(m.record(i).title, want[0]);
        EXPECT_EQ(m.record(i).year, "2024");
        EXPECT_EQ(m.record(i).genre, want[5]);
    }
    EXPECT_TRUE(m.modified());
}

TEST(TagEdit, AutoFromFileNameIsPerFileAndRemovingId3v1EmptiesTheRecord) {
    TaggedFiles f;
    ASSERT_TRUE(f.made);
    LibraryModel m;
    for (const QString& p : {f.mp3, f.ogg})
        m.append(entry("x", "y", p));
    m.append(entry("kept", "kept", f.dir.filePath("noreader.aiff")));
    TagChanges c;
    c.autoFromFileName = true;
    applyTagChanges(m, {0, 1, 2}, c);
    EXPECT_EQ(fileTag(f.mp3)[1], "Band One");
    EXPECT_EQ(fileTag(f.mp3)[0], "Song One");
    EXPECT_EQ(fileTag(f.ogg)[1], "Band Two");
    EXPECT_EQ(fileTag(f.ogg)[0], "Song Two");
    EXPECT_EQ(fileTag(f.ogg)[2], "L2");
    // A type without a tag reader keeps its record.
    EXPECT_EQ(m.record(2).artist, "kept");
    TagChanges remove;
    remove.removeId3v1 = true;
    applyTagChanges(m, {0}, remove);
    EXPECT_EQ(fileTag(f.mp3)[0], "");
    EXPECT_EQ(m.record(0).title, "");
    EXPECT_EQ(m.record(0).artist, "");
    // The single-file editor opens with the file's own tag, not the record.
    const TrackTag own = editorStartTag(entry("stale", "stale", f.ogg));
    EXPECT_EQ(tagText(own, TagField::Album), "L2");
    const TrackTag fromRecord = editorStartTag(m.record(2));
    EXPECT_EQ(tagText(fromRecord, TagField::Artist), "kept");
    EXPECT_EQ(genreListIndex(""), 0);
    EXPECT_EQ(genreListIndex("Blues"), 1);
    EXPECT_EQ(genreListIndex("No such genre"), -1);
}

TEST(TagEdit, GenreNoneAndKeep) {
    TaggedFiles f;
    ASSERT_TRUE(f.made);
    LibraryModel m;
    m.append(entry("x", "y", f.mp3));
    TagChanges keep;
    keep.genreText = QString();
    keep.genreByte = kGenreNone;
    keep.keepGenre = true;
    keep.album = "New";
    applyTagChanges(m, {0}, keep);
    EXPECT_EQ(fileTag(f.mp3)[5], "Jazz");
    EXPECT_EQ(fileTag(f.mp3)[2], "New");
    TagChanges none;
    none.genreText = QString();
    none.genreByte = kGenreNone;
    applyTagChanges(m, {0}, none);
    EXPECT_EQ(fileTag(f.mp3)[5], "");
    EXPECT_EQ(m.record(0).genre, "");
}

TEST(StoreValues, OnlyChangedValuesAreWrittenIntoTheRecordAsItIsNow) {
    QTemporaryDir dir;
    MyDatabase store(dir.filePath("Files.Dat"));
    store.setNotifier([](quint8) {});
    ASSERT_TRUE(store.LoadTrackStore());
    const QString file = "/m/song.mp3";
    TTrackRecord r = zeroTrackRecord(file);
    r.playCount = 5;
    r.introMs = 1000;
    ASSERT_TRUE(store.SetTrackRecord(file, r));
    const StoreValues opened = storeValuesOf(store.GetTrackRecord(file));
    // Meanwhile the player counts a play (another holder of the same file).
    MyDatabase player(dir.filePath("Files.Dat"));
    player.setNotifier([](quint8) {});
    ASSERT_TRUE(player.LoadTrackStore());
    ASSERT_TRUE(player.recordPlay(file, true, 46000.0));
    StoreValues edited = opened;
    edited.introMs = 2500;
    edited.mixOn = true;
    edited.mixMs = 4000;
    EXPECT_TRUE(writeChangedStoreValues(store, file, opened, edited));
    MyDatabase check(dir.filePath("Files.Dat"));
    ASSERT_TRUE(check.LoadTrackStore());
    const TTrackRecord now = check.GetTrackRecord(file);
    EXPECT_EQ(now.introMs, 2500);
    EXPECT_TRUE(now.mixOn);
    EXPECT_EQ(now.mixMs, 4000);
    EXPECT_EQ(now.playCount, 6); // the player's play survives
    EXPECT_DOUBLE_EQ(now.lastPlay, 46000.0);
    EXPECT_FALSE(writeChangedStoreValues(store, file, edited, edited));
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
