// The main window's editing controls: adding a folder (a job the window keeps running
// through, stopped by Esc), files dropped from the desktop at a row, sorting by a heading,
// the start-time column and the totals panel, the enabled states of the commands.
#include "player/core/edit/notes.h"
#include "player/core/edit/searchdrag.h"
#include "player/ui/editcommands.h"
#include "player/ui/filebrowser.h"
#include "windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTest>
#include <QUrl>

namespace wc::ui::test {
namespace {

class EditControls : public WindowTest {
protected:
    QAction* action(const char* name) const { return child<QAction>(QLatin1String(name)); }
    QString totals() const { return child<QLabel>(QStringLiteral("PlaylistTotals"))->text(); }
    PlaylistView& list() { return form->playlists().LVMaster; }
    void drop(QTableView* view, int row, const QStringList& paths) {
        auto* mime = new QMimeData;
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls << QUrl::fromLocalFile(p);
        mime->setUrls(urls);
        const QPoint at = row >= 0 ? view->visualRect(view->model()->index(row, 2)).center()
                                   : QPoint(10, view->viewport()->height() - 2);
        // The application hands a drop to the widget that accepted the drag's entry.
        QDragEnterEvent enter(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent e(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &e);
        delete mime;
    }
};

TEST_F(EditControls, AddFolderRunsWhileTheWindowGoesOnAndEscStopsIt) {
    open();
    QDir().mkpath(homePath("f"));
    for (int i = 0; i < 30; ++i)
        tone(QString("f/%1.wav").arg(i, 2, 10, QChar('0')), 0.2);
    form->editor().unitsPerSlice = 1;
    form->editCommands().askFolder = [&](const QString&) { return homePath("f"); };
    action("aAddFolder")->trigger();
    auto* progress = child<QWidget>(QStringLiteral("ProgressWindow"));
    ASSERT_TRUE(loop.runUntil([&] { return list().count() >= 3; }, 5000));
    EXPECT_TRUE(progress->isVisible());
    key(Qt::Key_Escape);
    ASSERT_TRUE(loop.runUntil([&] { return !form->editor().jobRunning(); }, 5000));
    const int kept = list().count();
    EXPECT_GE(kept, 3);
    EXPECT_LT(kept, 30);
    run(200);
    EXPECT_EQ(list().count(), kept);
    EXPECT_FALSE(progress->isVisible());
    EXPECT_EQ(totals(), QString::fromUtf8(" Треков: %1 [0:00:00]").arg(kept));
    EXPECT_EQ(list().at(kept - 1).Number, QString::number(kept));
}

TEST_F(EditControls, DesktopFilesDroppedAtARowLandThereInOrder) {
    open();
    for (const char* t : {"a", "b", "c"})
        addItem(list(), t, "/music/" + QString(t) + ".mp3");
    QDir().mkpath(homePath("d"));
    const QString x = tone("d/x.wav", 0.5), y = tone("d/y.wav", 0.5), z = tone("d/z.wav", 0.5);
    drop(master(), 1, {x, y, z});
    EXPECT_EQ(titles(list()), (QStringList{"a", "x", "y", "z", "b", "c"}));
    drop(master(), -1, {homePath("d/none.txt")});
    EXPECT_EQ(list().count(), 6);
    EXPECT_EQ(list().at(3).Number, "4");
    EXPECT_TRUE(totals().startsWith(QString::fromUtf8(" Треков: 6 [")));
}

TEST_F(EditControls, DroppedSearchResultsKeepTheirOrder) {
    open();
    for (const char* t : {"a", "b"})
        addItem(list(), t, "/music/" + QString(t) + ".mp3");
    auto* mime = new QMimeData;
    mime->setData(kSearchResultsMime, encodeSearchResults({{"A1", "T1", "03:00", "/m/1.mp3"},
                                                           {"A2", "T2", "04:00", "/m/2 \"x\".mp3"},
                                                           {"", "T3", "05:00", "/m/3.mp3"}}));
    const QPoint at = master()->visualRect(master()->model()->index(1, 2)).center();
    QDragEnterEvent enter(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(master()->viewport(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent e(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(master()->viewport(), &e);
    delete mime;
    EXPECT_EQ(titles(list()), (QStringList{"a", QString::fromUtf8("A1 – T1"),
                                           QString::fromUtf8("A2 – T2"), "T3", "b"}));
    EXPECT_EQ(list().at(2).FileName(), "/m/2 \"x\".mp3");
}

TEST_F(EditControls, FileCommandsThroughTheWindow) {
    open();
    QDir().mkpath(homePath("xdg"));
    QDir().mkpath(homePath("out"));
    const QString a = tone("a.wav", 1.0), b = tone("b.wav", 2.0);
    addItem(list(), "a", a);
    addItem(list(), "b", b);
    addItem(list(), "gone", homePath("gone.wav"));
    // Rename: the answer of the box becomes the file's name.
    list().selectOnly(0);
    form->editCommands().askText = [&](const QString& caption, const QString& label,
                                       const QString& value) {
        EXPECT_EQ(caption, "Rename File");
        EXPECT_EQ(label, "Filename:");
        EXPECT_EQ(value, a);
        return homePath("a2.wav");
    };
    action("aRenameFile")->trigger();
    EXPECT_EQ(list().at(0).FileName(), homePath("a2.wav"));
    // Delete missing, Recalculate time (a job), Copy to folder (a job).
    action("aDeleteMissing")->trigger();
    EXPECT_EQ(titles(list()), (QStringList{"a", "b"}));
    action("aRecalcTime")->trigger();
    ASSERT_TRUE(loop.runUntil([&] { return !form->editor().jobRunning(); }, 5000));
    EXPECT_EQ(list().at(1).DurationText(), "00:02");
    EXPECT_EQ(titles(list()), (QStringList{"a2", "b"}));
    list().selectRange(0, 1);
    form->editCommands().askFolder = [&](const QString&) { return homePath("out"); };
    action("aCopyToFolder")->trigger();
    ASSERT_TRUE(loop.runUntil([&] { return !form->editor().jobRunning(); }, 5000));
    EXPECT_TRUE(QFile::exists(homePath("out/a2.wav")));
    EXPECT_TRUE(QFile::exists(homePath("out/b.wav")));
    // Delete from disk: asked first, then to the desktop's trash.
    list().selectOnly(1);
    prompts.answers = {PromptYes};
    action("aDeleteFromDisk")->trigger();
    EXPECT_EQ(titles(list()), QStringList{"a2"});
    EXPECT_FALSE(QFile::exists(b));
    EXPECT_TRUE(QFile::exists(homePath("xdg/Trash/files/b.wav")));
    // Randomize keeps every item.
    addItem(list(), "c", "/music/c.mp3");
    action("aRandomize")->trigger();
    QStringList shuffled = titles(list());
    shuffled.sort();
    EXPECT_EQ(shuffled, (QStringList{"a2", "c"}));
}

TEST_F(EditControls, ReadWhenShownFillsTheVisibleRowsOneAtATime) {
    open();
    form->editor().settings.readTrackInfoType = 2;
    QDir().mkpath(homePath("s"));
    for (int i = 0; i < 200; ++i)
        form->editor().AddFile(tone(QString("s/%1.wav").arg(i, 3, 10, QChar('0')), 0.1 + i % 3));
    form->recomputeNumbering();
    EXPECT_TRUE(list().at(0).DurationText().isEmpty());
    EXPECT_TRUE(child<QLabel>(QStringLiteral("PlaylistTotals"))->text().endsWith("+]"));
    run(20);
    EXPECT_FALSE(list().at(0).DurationText().isEmpty());
    EXPECT_TRUE(list().at(5).DurationText().isEmpty());
    run(3000);
    // The rows on screen are filled; the rows never shown keep their empty length.
    EXPECT_EQ(list().at(1).DurationText(), "00:01");
    EXPECT_EQ(list().at(2).DurationText(), "00:02");
    EXPECT_TRUE(list().at(199).DurationText().isEmpty());
}

TEST_F(EditControls, HeadingClickSortsOnlyWhenAllowed) {
    open();
    for (const char* t : {"b", "c", "a"})
        addItem(list(), t, "/music/" + QString(t) + ".mp3");
    QHeaderView* header = master()->horizontalHeader();
    const QPoint title(header->sectionViewportPosition(2) + 5, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, title);
    EXPECT_EQ(titles(list()), (QStringList{"b", "c", "a"}));
    form->editor().settings.allowSort = true;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, title);
    EXPECT_EQ(titles(list()), (QStringList{"a", "b", "c"}));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, title);
    EXPECT_EQ(titles(list()), (QStringList{"c", "b", "a"}));
}

TEST_F(EditControls, PlayingFillsTheStartTimeColumnAndStopClearsIt) {
    open();
    const QString a = tone("a.wav", 3.0), b = tone("b.wav", 3.0);
    addItem(list(), "a", a);
    addItem(list(), "b", b);
    clickRow(master(), 0);
    click(child<QAbstractButton>(QStringLiteral("btPlay")));
    run(300);
    ASSERT_EQ(list().PlayingIndex(), 0);
    const QModelIndex start0 = master()->model()->index(0, 1),
                      start1 = master()->model()->index(1, 1);
    EXPECT_TRUE(master()->model()->data(start0).toString().startsWith("12:00:0"));
    // The second follows on by the first one's length, which the announcement of the first
    // took from its file (00:03).
    EXPECT_EQ(list().at(0).DurationText(), "00:03");
    const QTime t0 = QTime::fromString(master()->model()->data(start0).toString(), "hh:mm:ss"),
                t1 = QTime::fromString(master()->model()->data(start1).toString(), "hh:mm:ss");
    ASSERT_TRUE(t0.isValid() && t1.isValid())
        << master()->model()->data(start1).toString().toStdString();
    EXPECT_EQ(t0.secsTo(t1), 3);
    click(child<QAbstractButton>(QStringLiteral("btStop")));
    run(300);
    EXPECT_TRUE(master()->model()->data(start1).toString().isEmpty());
    EXPECT_TRUE(list().at(0).StartFixed);
}

TEST_F(EditControls, CommandsFollowTheListAndTheSelection) {
    open();
    EXPECT_EQ(action("aEditDelAll")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Delete));
    EXPECT_EQ(action("aDeleteFromDisk")->shortcut(),
              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete));
    EXPECT_EQ(action("N27")->shortcut(), QKeySequence(QKeySequence::Find));
    // Delete all acts on the list that has the focus.
    master()->setFocus();
    form->editCommands().refresh();
    EXPECT_FALSE(action("aEditDelAll")->isEnabled());
    EXPECT_FALSE(action("aRenameFile")->isEnabled());
    addItem(list(), "a", "/music/a.mp3");
    list().selectOnly(0);
    form->editCommands().refresh();
    EXPECT_TRUE(action("aEditDelAll")->isEnabled());
    EXPECT_TRUE(action("aRenameFile")->isEnabled());
    action("aAddLineIn")->trigger();
    EXPECT_EQ(titles(list()), (QStringList{"a", "line"}));
    EXPECT_EQ(list().at(1).FileName(), homePath("line.in"));
    form->editCommands().askText = [](const QString&, const QString&, const QString&) {
        return QStringLiteral("LINE");
    };
    list().clearSelection();
    action("N27")->trigger();
    EXPECT_EQ(list().selectedIndexes(), std::vector<int>{1});
    action("aSelectAll")->trigger();
    EXPECT_EQ(list().selectedCount(), 2);
    EXPECT_EQ(master()->selectionModel()->selectedRows().size(), 2);
    action("aEditDelAll")->trigger();
    EXPECT_EQ(list().count(), 0);
    EXPECT_EQ(totals(), QString::fromUtf8(" Треков: 0 [0:00:00]"));
}

TEST_F(EditControls, SelectingAnItemWithANoteShowsTheNotepad) {
    open();
    const QString a = tone("a.wav", 1.0), b = tone("b.wav", 1.0);
    addItem(list(), "a", a);
    addItem(list(), "b", b);
    ASSERT_TRUE(SaveNoteText(NoteFileFor(homePath(""), a), "read the weather"));
    auto* pad = child<QDialog>(QStringLiteral("NotepadWindow"));
    auto* text = child<QPlainTextEdit>(QStringLiteral("NotepadText"));
    clickRow(master(), 0);
    EXPECT_TRUE(pad->isVisible());
    EXPECT_EQ(text->toPlainText(), "read the weather");
    text->setPlainText("read the weather at six");
    clickRow(master(), 1);
    EXPECT_FALSE(pad->isVisible());
    EXPECT_EQ(LoadNoteText(NoteFileFor(homePath(""), a)), "read the weather at six");
    action("aNotepad")->trigger();
    EXPECT_TRUE(pad->isVisible());
}

TEST_F(EditControls, TheFileBrowserShowsPlayableFilesAndInsertsOnDoubleClick) {
    open();
    const QStringList filters = FileBrowser::nameFilters();
    for (const char* f : {"*.mp3", "*.wav", "*.ogg", "*.wma", "*.flac", "*.opus", "*.oga", "*.m4a",
                          "*.m3u", "line.in"})
        EXPECT_TRUE(filters.contains(f)) << f;
    EXPECT_FALSE(filters.contains("*.txt"));
    addItem(list(), "a", "/music/a.mp3");
    addItem(list(), "b", "/music/b.mp3");
    list().selectOnly(0);
    auto* browser = child<FileBrowser>(QStringLiteral("FileBrowser"));
    ASSERT_TRUE(browser->fileActivated);
    browser->fileActivated(tone("new.wav", 0.5));
    EXPECT_EQ(titles(list()), (QStringList{"a", "new", "b"}));
}

} // namespace
} // namespace wc::ui::test
