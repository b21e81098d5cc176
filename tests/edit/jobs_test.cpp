// The long operations as chunked jobs on simulated time: adding a folder (depth-first, the
// playable files only, stopped by Esc after the current item), copying to a folder and
// recalculating lengths; and the text notes.
#include "edittestutil.h"
#include "player/core/edit/notes.h"

#include <QProcess>

using namespace wc;
using namespace wc::edittest;

namespace {

class JobsTest : public EditorFixture {
protected:
    // a/1.mp3, a/b/2.ogg, a/b/skip.txt, a/3.wav, a/list.m3u
    void makeTree() {
        writeTagged(path("a/1.mp3"));
        writeTagged(path("a/b/2.ogg"));
        writeTagged(path("a/b/skip.txt"));
        writeTagged(path("a/3.wav"));
        writeTagged(path("a/list.m3u"));
    }
    // Runs the loop until the job has finished (or a simulated minute has passed).
    bool runJob() {
        return loop.runUntil([&] { return !editor.jobRunning(); }, 60000);
    }
};

TEST_F(JobsTest, AddFolderScansDepthFirstForPlayableFiles) {
    makeTree();
    lists.LVMaster.AppendItem(item("first"));
    lists.LVMaster.selectOnly(0);
    bool done = false;
    editor.addFolder(path("a"), [&] { done = true; });
    EXPECT_TRUE(editor.jobRunning());
    EXPECT_EQ(lists.LVMaster.count(), 1); // nothing happens inside the call
    ASSERT_TRUE(runJob());
    EXPECT_TRUE(done);
    QStringList names = column(lists.LVMaster, kColFileName);
    names.removeFirst();
    // Directory order is the file system's; what counts is that a sub-folder's files come
    // together, where the sub-folder is met.
    names.sort();
    EXPECT_EQ(names, (QStringList{path("a/1.mp3"), path("a/3.wav"), path("a/b/2.ogg")}));
    EXPECT_EQ(host.captions, QStringList{"Please wait..."});
    EXPECT_FALSE(host.open);
    EXPECT_EQ(host.lastBar, 100);
    EXPECT_EQ(lists.LVMaster.at(3).Number, "4");
    EXPECT_EQ(host.totals, QString::fromUtf8(" Треков: 4 [0:01:00+]"));
}

// Files whose tags are read through TagLib are taken from a folder with the titles of their
// tags: FLAC, Opus, FLAC in Ogg, MP4 audio and an MP3 whose only tag is ID3v2.
TEST_F(JobsTest, AddFolderTakesTheNewerFormatsWithTheirTagTitles) {
    auto run = [](const QString& program, const QStringList& args) {
        QProcess p;
        p.start(program, args);
        return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit &&
               p.exitCode() == 0;
    };
    const QString wav = path("tone.wav");
    ASSERT_TRUE(run("ffmpeg", {"-nostdin", "-v", "error", "-f", "lavfi", "-i", "sine=duration=0.5",
                               "-ac", "2", wav}));
    QDir().mkpath(path("new/sub"));
    const std::pair<const char*, QStringList> made[] = {
        {"new/a.flac", {"-c:a", "flac"}},
        {"new/b.opus", {"-c:a", "libopus"}},
        {"new/sub/c.oga", {"-c:a", "flac", "-f", "ogg"}},
        {"new/d.m4a", {"-c:a", "aac"}},
    };
    for (const auto& [name, codec] : made) {
        const QString title = QFileInfo(name).fileName();
        ASSERT_TRUE(run("ffmpeg", QStringList{"-nostdin", "-v", "error", "-i", wav}
                                      << codec << "-metadata"
                                      << "title=" + title << "-metadata"
                                      << "artist=Band" << path(name)))
            << name;
    }
    ASSERT_TRUE(run("lame", {"--quiet", "--id3v2-only", "--tt", "e.mp3", "--ta", "Band", wav,
                             path("new/e.mp3")}));
    editor.addFolder(path("new"), [] {});
    ASSERT_TRUE(runJob());
    QStringList shown = titles(lists.LVMaster);
    shown.sort();
    const QString dash = QString::fromUtf8(" – ");
    EXPECT_EQ(shown, (QStringList{"Band" + dash + "a.flac", "Band" + dash + "b.opus",
                                  "Band" + dash + "c.oga", "Band" + dash + "d.m4a",
                                  "Band" + dash + "e.mp3"}));
}

TEST_F(JobsTest, EscStopsAFolderAddAfterTheCurrentItemKeepingWhatWasAdded) {
    for (int i = 0; i < 20; ++i)
        writeTagged(path(QString("big/%1.mp3").arg(i, 2, 10, QChar('0'))));
    editor.unitsPerSlice = 1;
    editor.addFolder(path("big"));
    // Start, the folder, its 20 entries, the end of the scan: 23 steps; then 5 adds.
    loop.runUntil([&] { return lists.LVMaster.count() == 5; }, 1000);
    ASSERT_EQ(lists.LVMaster.count(), 5);
    EXPECT_TRUE(host.open);
    editor.AbortFlag = true; // Esc
    ASSERT_TRUE(runJob());
    EXPECT_EQ(lists.LVMaster.count(), 5);
    EXPECT_FALSE(host.open);
    EXPECT_EQ(lists.LVMaster.at(4).Number, "5");
    // The timers went on while the job ran: time passed between its slices.
    EXPECT_GT(loop.tickMs(), 20);
}

TEST_F(JobsTest, ASecondFolderAddWhileOneRunsAddsNothingAndSaysItIsOver) {
    makeTree();
    editor.addFolder(path("a"));
    bool secondDone = false;
    editor.addFolder(path("a"), [&] { secondDone = true; });
    EXPECT_TRUE(secondDone);
    ASSERT_TRUE(runJob());
    EXPECT_EQ(lists.LVMaster.count(), 3);
}

TEST_F(JobsTest, EscDuringTheScanKeepsWhatWasFound) {
    for (int i = 0; i < 10; ++i)
        writeTagged(path(QString("s/%1.mp3").arg(i)));
    editor.unitsPerSlice = 1;
    editor.addFolder(path("s"));
    loop.runFor(6); // start, the folder and four entries
    editor.AbortFlag = true;
    ASSERT_TRUE(runJob());
    EXPECT_GT(lists.LVMaster.count(), 0);
    EXPECT_LT(lists.LVMaster.count(), 10);
}

TEST_F(JobsTest, CopyToFolderNeverOverwrites) {
    for (const char* n : {"x.mp3", "y.mp3"}) {
        writeTagged(path(n));
        editor.AddFile(path(n));
    }
    QDir().mkpath(path("out"));
    QFile existing(path("out/y.mp3"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("keep");
    existing.close();
    lists.LVMaster.selectRange(0, 1);
    editor.copySelectedTo(path("out"));
    ASSERT_TRUE(runJob());
    EXPECT_EQ(QFileInfo(path("out/x.mp3")).size(), QFileInfo(path("x.mp3")).size());
    EXPECT_EQ(QFileInfo(path("out/y.mp3")).size(), 4);
    ASSERT_EQ(shown.shown.size(), 1u);
    EXPECT_EQ(shown.shown[0].caption, "copy error");
    EXPECT_EQ(shown.shown[0].text, "Copy error. File: " + path("y.mp3"));
    EXPECT_EQ(host.captions, QStringList{"Copying files..."});
}

TEST_F(JobsTest, RecalculateReadsTitlesAndLengthsAgain) {
    writeTagged(path("r.mp3"));
    TVirtualItem cd = item("cd", "04:00");
    cd.Columns[kColFileName] = path("track01.cda");
    lists.LVMaster.AppendItem(cd);
    editor.settings.readTrackInfoType = 2;
    editor.AddFile(path("r.mp3"));
    writeTagged(path("r.mp3"), "Now", "Tagged");
    durations.table[path("r.mp3")] = 125000;
    durations.table[path("track01.cda")] = 1000;
    editor.recalculate();
    ASSERT_TRUE(runJob());
    EXPECT_EQ(titles(lists.LVMaster), (QStringList{"track01", QString::fromUtf8("Tagged – Now")}));
    // A CD track keeps a length it has.
    EXPECT_EQ(column(lists.LVMaster, kColDurationText), (QStringList{"04:00", "02:05"}));
    EXPECT_EQ(host.captions, QStringList{"Recalculating time..."});
}

TEST_F(JobsTest, NoteFilesAndIcons) {
    writeTagged(path("music/song one.mp3"));
    const QString home = path("home");
    EXPECT_TRUE(NoteFileFor(home, path("music/missing.mp3")).isEmpty());
    QString expected = path("music/song one");
    expected.replace('/', '_');
    EXPECT_EQ(NoteFileFor(home, path("music/song one.mp3")), home + "/Txt/" + expected + ".txt");

    // A path too long for one file name is cut and ends with a hash of the whole path.
    const QString deep = path(QString(60, 'd') + "/" + QString(60, 'e') + "/" + QString(60, 'f') +
                              "/" + QString(60, 'g') + "/x.mp3");
    const QString deep2 = path(QString(60, 'd') + "/" + QString(60, 'e') + "/" + QString(60, 'f') +
                               "/" + QString(60, 'g') + "/y.mp3");
    writeTagged(deep);
    writeTagged(deep2);
    const QString n1 = NoteFileFor(home, deep), n2 = NoteFileFor(home, deep2);
    EXPECT_LE(QFileInfo(n1).fileName().toUtf8().size(), 255);
    EXPECT_NE(n1, n2);
    EXPECT_TRUE(SaveNoteText(n1, "long\npath"));
    EXPECT_EQ(LoadNoteText(n1), "long\npath");

    PlaylistView& m = lists.LVMaster;
    editor.AddFile(path("music/song one.mp3"));
    editor.AddFile(path("music/song one.mp3"), kImageInserted);
    editor.AddFile(deep2);
    editor.settings.notes = true;
    const QString note = NoteFileFor(dir.path(), path("music/song one.mp3"));
    ASSERT_TRUE(SaveNoteText(note, "on air\nat six"));
    editor.RenumberAndTotals();
    EXPECT_EQ(m.at(0).ImageIndex, kImageNote);
    EXPECT_EQ(m.at(1).ImageIndex, kImageInserted);
    EXPECT_EQ(m.at(2).ImageIndex, kImagePlain);
    bool exists = false;
    EXPECT_EQ(LoadNoteText(note, &exists), "on air\nat six");
    EXPECT_TRUE(exists);
    // An empty text deletes the note, and the icon goes.
    ASSERT_TRUE(SaveNoteText(note, ""));
    EXPECT_FALSE(QFile::exists(note));
    editor.RefreshNoteIcons(false);
    EXPECT_EQ(m.at(0).ImageIndex, kImagePlain);
}

} // namespace

namespace {

TEST_F(JobsTest, TheNotepadFollowsTheItemAndKeepsItsText) {
    writeTagged(path("m/a.mp3"));
    writeTagged(path("m/b.mp3"));
    Notepad pad(dir.path());
    ASSERT_TRUE(SaveNoteText(NoteFileFor(dir.path(), path("m/a.mp3")), "about a"));
    int refreshed = 0;
    EXPECT_TRUE(pad.pointAt(path("m/a.mp3"), [&] { ++refreshed; }));
    EXPECT_TRUE(pad.shown);
    EXPECT_EQ(pad.text, "about a");
    // Edited in the window, then another item: the edit is saved, b has no note.
    pad.text = "about a, edited";
    EXPECT_TRUE(pad.pointAt(path("m/b.mp3"), [&] { ++refreshed; }));
    EXPECT_FALSE(pad.shown);
    EXPECT_TRUE(pad.text.isEmpty());
    EXPECT_EQ(LoadNoteText(NoteFileFor(dir.path(), path("m/a.mp3"))), "about a, edited");
    // A text typed for b makes its note; emptied again, the note goes.
    pad.text = "about b";
    pad.pointAt(path("m/a.mp3"));
    EXPECT_TRUE(QFile::exists(NoteFileFor(dir.path(), path("m/b.mp3"))));
    pad.pointAt(path("m/b.mp3"));
    pad.text.clear();
    pad.pointAt(path("m/a.mp3"));
    EXPECT_FALSE(QFile::exists(NoteFileFor(dir.path(), path("m/b.mp3"))));
    EXPECT_EQ(refreshed, 2);
    // Not reading automatically: the notepad stays where it is.
    pad.manualOnly = true;
    EXPECT_FALSE(pad.pointAt(path("m/b.mp3")));
    EXPECT_EQ(pad.noteFile(), NoteFileFor(dir.path(), path("m/a.mp3")));
}

} // namespace
