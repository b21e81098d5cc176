// Adding files: the title from the tag or the file name, the length, the Intro and Outro
// texts from the store, the insert cursor, the error box, the reading modes that leave the
// length for later, inserting after the selection, the line-input item and dropped entries.
#include "common/trackstore/trackstore.h"
#include "edittestutil.h"

using namespace wc;
using namespace wc::edittest;

void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

class AddFileTest : public EditorFixture {};

TEST_F(AddFileTest, TitleLengthStoreTextsAndCursor) {
    writeTagged(path("a.mp3"), "Song", "Band");
    writeTagged(path("blank.mp3"), "   ", "  ");
    writeTagged(path("plain.mp3"));
    writeTagged(path("tilde.mp3"), "Band", "~The");
    durations.table[path("a.mp3")] = 61000;
    durations.table[path("tilde.mp3")] = 999;
    MyDatabase store;
    store.setNotifier([](quint8) {});
    ASSERT_TRUE(store.updateTrackRecord(
        path("a.mp3"),
        [](TTrackRecord& r) {
            r.introMs = 12000;
            r.outroMs = 7000;
        },
        kNotifyEdited));
    lists.setTrackStore(&store);

    PlaylistView& v = lists.LVMaster;
    EXPECT_TRUE(editor.AddFile(path("a.mp3"), 24));
    EXPECT_TRUE(editor.AddFile(path("blank.mp3")));
    EXPECT_TRUE(editor.AddFile(path("plain.mp3")));
    EXPECT_TRUE(editor.AddFile(path("missing.ogg")));
    editor.InsertCursor = 1;
    EXPECT_TRUE(editor.AddFile(path("tilde.mp3")));
    EXPECT_TRUE(editor.AddFile(path("plain.mp3")));
    EXPECT_EQ(editor.InsertCursor, 3);

    EXPECT_EQ(titles(v), (QStringList{QString::fromUtf8("Band – Song"), "TheBand", "plain", "blank",
                                      "plain", "missing"}));
    EXPECT_EQ(column(v, kColDurationText),
              (QStringList{"01:01", "00:00", "??:??", "??:??", "??:??", "??:??"}));
    EXPECT_EQ(v.at(0).IntroText() + "/" + v.at(0).OutroText(), "00:12/00:07");
    EXPECT_EQ(v.at(0).ImageIndex, 24);
    EXPECT_EQ(v.at(0).FileName(), path("a.mp3"));
    EXPECT_TRUE(v.at(0).Number.isEmpty());
    EXPECT_TRUE(v.at(0).StartTime().isEmpty());
    EXPECT_TRUE(shown.shown.empty());
}

TEST_F(AddFileTest, AFailingFileGivesTheErrorBoxAndTheBatchGoesOn) {
    for (const char* n : {"1.mp3", "2.mp3", "3.mp3"})
        writeTagged(path(n));
    durations.failing = path("2.mp3");
    editor.addEntries(lists.LVMaster, {path("1.mp3"), path("2.mp3"), path("3.mp3")},
                      DropSource::FileBrowser);
    EXPECT_EQ(titles(lists.LVMaster), (QStringList{"1", "3"}));
    ASSERT_EQ(shown.shown.size(), 1u);
    EXPECT_EQ(shown.shown[0].caption, "Error");
    EXPECT_EQ(shown.shown[0].text, "Error: probe failed\r\nFile: " + path("2.mp3"));
}

TEST_F(AddFileTest, ReadWhenStartingOrShownLeavesTheLengthForLater) {
    for (int i = 0; i < 6; ++i) {
        writeTagged(path(QString("%1.mp3").arg(i)), QByteArray("T") + QByteArray::number(i));
        durations.table[path(QString("%1.mp3").arg(i))] = 60000 + i * 1000;
    }
    for (int type : {1, 2}) {
        SCOPED_TRACE(type);
        lists.LVMaster.ClearItems();
        editor.settings.readTrackInfoType = type;
        for (int i = 0; i < 6; ++i)
            editor.AddFile(path(QString("%1.mp3").arg(i)));
        editor.RenumberAndTotals();
        EXPECT_EQ(titles(lists.LVMaster), (QStringList{"0", "1", "2", "3", "4", "5"}));
        EXPECT_EQ(column(lists.LVMaster, kColDurationText), QStringList(6, QString()));
        EXPECT_EQ(host.totals, QString::fromUtf8(" Треков: 6 [0:00:00+]"));
    }
    // Type 1: an item is filled when it starts.
    editor.settings.readTrackInfoType = 1;
    editor.fillStartedItem(4);
    EXPECT_EQ(lists.LVMaster.at(4).Title(), "T4");
    EXPECT_EQ(lists.LVMaster.at(4).DurationText(), "01:04");
    EXPECT_TRUE(lists.LVMaster.at(3).DurationText().isEmpty());

    // Type 2: the shown rows fill one per idle pass from the top of the view; rows never
    // shown keep their empty length.
    editor.settings.readTrackInfoType = 2;
    lists.LVMaster.ClearItems();
    for (int i = 0; i < 6; ++i)
        editor.AddFile(path(QString("%1.mp3").arg(i)));
    host.firstRow = 1;
    host.rows = 0; // rows 1..3 are on screen
    EXPECT_TRUE(editor.fillNextShownItem());
    EXPECT_EQ(column(lists.LVMaster, kColDurationText), (QStringList{"", "01:01", "", "", "", ""}));
    EXPECT_EQ(host.totals, QString::fromUtf8(" Треков: 6 [0:01:01+]"));
    EXPECT_TRUE(editor.fillNextShownItem());
    EXPECT_TRUE(editor.fillNextShownItem());
    EXPECT_FALSE(editor.fillNextShownItem());
    EXPECT_EQ(titles(lists.LVMaster), (QStringList{"0", "T1", "T2", "T3", "4", "5"}));
    EXPECT_EQ(column(lists.LVMaster, kColDurationText),
              (QStringList{"", "01:01", "01:02", "01:03", "", ""}));
    host.firstRow = -1;
    EXPECT_FALSE(editor.fillNextShownItem());
}

TEST_F(AddFileTest, InsertAfterSelectionAndTheLineInput) {
    PlaylistView& v = lists.LVMaster;
    for (const char* t : {"a", "b", "c"})
        v.AppendItem(item(t));
    writeTagged(path("x.mp3"));
    host.firstRow = 1;
    v.selectRange(1, 2);
    editor.InsertAfterSelection(path("x.mp3"));
    EXPECT_EQ(titles(v), (QStringList{"a", "b", "x", "c"}));
    EXPECT_EQ(v.selectedIndexes(), std::vector<int>{2});
    EXPECT_EQ(v.at(3).Number, "4");
    EXPECT_EQ(host.scrolledTo, 1);
    v.clearSelection();
    editor.AddLineInput();
    EXPECT_EQ(v.at(4).FileName(), QDir(dir.path()).filePath("line.in"));
    EXPECT_EQ(v.at(4).Title(), "line");
    EXPECT_EQ(v.selectedCount(), 0);
}

TEST_F(AddFileTest, DroppedFilesLandAtTheDropRowInOrder) {
    PlaylistView& v = lists.LVMaster;
    for (const char* t : {"a", "b", "c", "d"})
        v.AppendItem(item(t));
    for (const char* n : {"x.mp3", "y.ogg", "z.wav", "notes.doc", "LINE.IN"})
        writeTagged(path(n));
    editor.dropEntries(v, 2, {path("x.mp3"), path("notes.doc"), path("y.ogg"), path("z.wav")},
                       DropSource::FileBrowser);
    EXPECT_EQ(titles(v), (QStringList{"a", "b", "x", "y", "z", "c", "d"}));
    EXPECT_EQ(editor.InsertCursor, -1); // later adds append
    EXPECT_EQ(v.at(4).Number, "5");
    // Below the last row: the end. The shell's "line.in" must match exactly, the browser's
    // in any case.
    editor.dropEntries(v, -1, {path("LINE.IN")}, DropSource::Desktop);
    EXPECT_EQ(v.count(), 7);
    editor.dropEntries(v, 99, {path("LINE.IN")}, DropSource::FileBrowser);
    EXPECT_EQ(v.count(), 8);
    EXPECT_EQ(v.at(7).FileName(), path("LINE.IN"));
}

TEST_F(AddFileTest, DroppedPlaylistsAndSearchResultsKeepTheirOrder) {
    PlaylistView& v = lists.LVMaster;
    for (const char* t : {"a", "b"})
        v.AppendItem(item(t));
    QFile list(path("set.m3u"));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("#EXTM3U\r\n#EXTINF:90,x\r\n/m/x.mp3\r\n#EXTINF:30,y\r\n/m/y.mp3\r\n");
    list.close();
    writeTagged(path("after.mp3"));
    editor.dropEntries(v, 1, {path("set.m3u"), path("after.mp3")}, DropSource::Desktop);
    EXPECT_EQ(titles(v), (QStringList{"a", "PLAYLIST  set.m3u", "after", "b"}));
    EXPECT_EQ(v.at(1).DurationText(), "02:00");

    std::vector<SearchResult> results{{"A1", "T1", "03:00", "/m/1.mp3"},
                                      {"", "T2", "04:00", "/m/2.mp3"},
                                      {"A3", "", "05:00", "/m/3.mp3"}};
    editor.dropSearchResults(v, 1, results);
    EXPECT_EQ(titles(v), (QStringList{"a", QString::fromUtf8("A1 – T1"), "T2", "A3",
                                      "PLAYLIST  set.m3u", "after", "b"}));
    EXPECT_EQ(v.at(2).DurationText(), "04:00");
    EXPECT_EQ(v.at(3).FileName(), "/m/3.mp3");
    EXPECT_EQ(host.totals, QString::fromUtf8(" Треков: 7 [0:16:00+]"));
}

TEST_F(AddFileTest, APlaylistPathWithoutInformationTakesItsTitleFromTheTag) {
    writeTagged(path("t.mp3"), "Song", "Band");
    writeTagged(path("u.mp3"));
    QFile list(path("plain.m3u"));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write(("t.mp3\r\nu.mp3\r\n#EXTINF:10,Given\r\n" + path("t.mp3") + "\r\n").toUtf8());
    list.close();
    EXPECT_EQ(lists.openPlaylist(path("plain.m3u")), 3);
    EXPECT_EQ(titles(lists.LVMaster),
              (QStringList{QString::fromUtf8("Band – Song"), "u", "Given"}));
}

} // namespace
