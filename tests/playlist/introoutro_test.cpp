// The Intro and Outro texts of playlist items come from the per-track store on every path that
// makes items, and LVMaster takes them again when the store changes (not for a recorded play).
#include "common/trackstore/trackstore.h"
#include "player/core/playlist/playerplaylists.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace wc;

void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

class IntroOutroTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        store.setNotifier([](quint8) {});
        other.setNotifier([](quint8) {});
        setTimes(store, "/m/a.mp3", 12345, 7000);
        setTimes(store, "/m/b.mp3", 61000, 0);
        list = dir.filePath("l.m3u");
        writeList(list, "#EXTM3U\r\n#EXTINF:60,a\r\n/m/a.mp3\r\n#EXTINF:60,b\r\n/M/B.mp3\r\n"
                        "#EXTINF:60,c\r\n/m/c.mp3\r\n");
        QDir(dir.path()).mkpath("Temp");
        writeList(dir.filePath("Temp/Stack.m3u"), "/m/b.mp3\r\n/m/c.mp3\r\n");
        writeList(dir.filePath("Temp/DBTemp.m3u"), "/m/a.mp3\r\n");
        lists.setTrackStore(&store);
    }
    static void setTimes(MyDatabase& db, const QString& name, qint32 intro, qint32 outro) {
        ASSERT_TRUE(db.updateTrackRecord(
            name,
            [&](TTrackRecord& r) {
                r.introMs = intro;
                r.outroMs = outro;
            },
            kNotifyEdited));
    }
    static void writeList(const QString& path, const QByteArray& text) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    // "intro/outro" of an item.
    static QString texts(const TVirtualItem& it) { return it.IntroText() + '/' + it.OutroText(); }
    // The texts a new item of that file must show.
    static QString expected(const QString& fileName) {
        const QString f = fileName.toLower();
        if (f == "/m/a.mp3") return "00:12/00:07";
        if (f == "/m/b.mp3") return "01:01/00:00";
        return "00:00/00:00"; // no record: the zero record's lengths
    }

    QTemporaryDir dir;
    MyDatabase store{dir.filePath("Files.Dat")};
    MyDatabase other{dir.filePath("Files.Dat")}; // what another process holds of the same file
    PlayerPlaylists lists;
    QString list;
};

} // namespace

TEST_F(IntroOutroTest, EveryPathThatMakesItemsFillsTheTexts) {
    struct Case {
        const char* path;
        std::function<void(PlayerPlaylists&)> make; // leaves the new items in LVMaster
    };
    const QString prf = dir.filePath("Station.prf");
    QFile::copy(list, dir.filePath("Station.m3u"));
    const QString programDir = dir.path();
    const Case cases[] = {
        {"open", [&](PlayerPlaylists& p) { p.openPlaylist(list); }},
        {"add tracks", [&](PlayerPlaylists& p) { p.addTracksFromPlaylist(list); }},
        {"profile playlist", [&](PlayerPlaylists& p) { p.loadProfilePlaylist(prf); }},
        {"insert playlist", [&](PlayerPlaylists& p) { p.insertPlaylistReference(list); }},
        {"Top 100", [&](PlayerPlaylists& p) { p.insertFileAfterSelected("/M/A.MP3"); }},
        {"file verb", [&](PlayerPlaylists& p) { p.appendFileToMaster("/m/b.mp3"); }},
        {"playfile", [&](PlayerPlaylists& p) { p.insertFile(p.LVMaster, 7, "/m/a.mp3"); }},
        {"emergency playlist", [&](PlayerPlaylists& p) { p.replaceMaster(list); }},
        {"hand-over Stack",
         [&](PlayerPlaylists& p) {
             handleLoadQueue(0, 0, {&p.LVMaster, &p.LVMaster, &p.LVSlave}, programDir,
                             p.itemSources());
         }},
        {"hand-over DBTemp",
         [&](PlayerPlaylists& p) {
             handleLoadQueue(1, (1 << 16) | 1, {&p.LVMaster, &p.LVMaster, &p.LVSlave}, programDir,
                             p.itemSources());
         }},
        {"Slave to Master",
         [&](PlayerPlaylists& p) {
             // Items made without the store, then handed over to the on-air list.
             LoadPlaylistInto(p.LVSlave, list, 0);
             ASSERT_TRUE(p.LVSlave.at(0).IntroText().isEmpty());
             p.slaveToMaster();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        PlayerPlaylists p;
        p.setTrackStore(&store);
        c.make(p);
        ASSERT_GT(p.LVMaster.count(), 0);
        for (int i = 0; i < p.LVMaster.count(); ++i)
            EXPECT_EQ(texts(p.LVMaster.at(i)), expected(p.LVMaster.at(i).FileName())) << i;
    }
}

TEST_F(IntroOutroTest, WithoutAStoreTheTextsStayEmpty) {
    PlayerPlaylists p;
    p.openPlaylist(list);
    ASSERT_EQ(p.LVMaster.count(), 3);
    EXPECT_EQ(texts(p.LVMaster.at(0)), "/");
    EXPECT_EQ(p.trackStoreChanged(kNotifyEdited), 0);
}

TEST_F(IntroOutroTest, MasterTakesTheTextsAgainWhenTheStoreChangesButNotForAPlay) {
    ASSERT_EQ(lists.openPlaylist(list), 3);
    lists.LVSlave.AppendItem(lists.LVMaster.at(1));
    lists.LVMaster.SetPlayingIndex(1);
    lists.LVMaster.selectOnly(2);
    lists.LVMaster.PushUndo();
    ASSERT_TRUE(other.LoadTrackStore());

    // Another process records a play of b, and with it (as a writer may) a new intro: a play
    // changes no texts, so the list stays as it is.
    ASSERT_TRUE(other.updateTrackRecord(
        "/m/b.mp3", [](TTrackRecord& r) { r.introMs = 5000; }, kNotifyPlayRecorded));
    store.reloadChanged(kNotifyPlayRecorded);
    EXPECT_EQ(lists.trackStoreChanged(kNotifyPlayRecorded), 0);
    EXPECT_EQ(texts(lists.LVMaster.at(1)), "01:01/00:00");

    // An edit: the changed item takes its texts again, the others are left as they are.
    setTimes(other, "/m/c.mp3", 3000, 125000);
    store.reloadChanged(kNotifyEdited);
    EXPECT_EQ(lists.trackStoreChanged(kNotifyEdited), 2);
    EXPECT_EQ(texts(lists.LVMaster.at(0)), "00:12/00:07");
    EXPECT_EQ(texts(lists.LVMaster.at(1)), "00:05/00:00");
    EXPECT_EQ(texts(lists.LVMaster.at(2)), "00:03/02:05");
    // Marks, selection and the second list are untouched; undo gives back the old texts.
    EXPECT_EQ(lists.LVMaster.PlayingIndex(), 1);
    EXPECT_TRUE(lists.LVMaster.at(1).IsPlaying);
    EXPECT_EQ(lists.LVMaster.firstSelected(), 2);
    EXPECT_EQ(texts(lists.LVSlave.at(0)), "01:01/00:00");
    EXPECT_EQ(lists.trackStoreChanged(kNotifyEdited), 0);
    lists.LVMaster.Undo();
    EXPECT_EQ(texts(lists.LVMaster.at(2)), "00:00/00:00");
}

// Intro into its column, outro into its own, in whole seconds (the text format itself is the
// store's, tested with it).
TEST(LoadItemIntroOutro, EachLengthInItsColumn) {
    struct Case {
        qint32 intro, outro;
        const char* text;
    };
    const Case cases[] = {{999, 61000, "00:00/01:01"}, {3599000, 1000, "59:59/00:01"}};
    MyDatabase db;
    db.setNotifier([](quint8) {});
    for (const Case& c : cases) {
        TTrackRecord r = zeroTrackRecord("/x.mp3");
        r.introMs = c.intro;
        r.outroMs = c.outro;
        const TrackRecordBytes bytes = encodeTrackRecord(r);
        db.loadFromBytes(QByteArray(bytes.data(), kTrackRecordSize));
        TVirtualItem it;
        LoadItemIntroOutro(it, "/X.mp3", db);
        EXPECT_EQ(it.IntroText() + '/' + it.OutroText(), c.text) << c.intro << " " << c.outro;
    }
}
