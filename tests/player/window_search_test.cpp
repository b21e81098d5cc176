// The library search page and the information page in the real window: typing a search over a
// large library while a list plays on simulated time, and saving a tag after the lists were
// switched.
#include "windowfixture.h"

#include "common/library/libraryfile.h"
#include "common/tags/trackinfo.h"
#include "player/core/edit/searchdrag.h"
#include "player/ui/librarysearchpage.h"
#include "player/ui/playlistmenus.h"
#include "player/ui/taginfopage.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QThreadPool>

namespace wc::ui::test {
namespace {

class SearchWindow : public WindowTest {
protected:
    void writeLibrary(int records, const QString& folder = QStringLiteral("/music/"),
                      const QString& ext = QStringLiteral(".mp3")) {
        TBaseEntryArr recs(static_cast<size_t>(records));
        for (int i = 0; i < records; ++i) {
            recs[size_t(i)].artist = QStringLiteral("Artist %1").arg(i % 500);
            recs[size_t(i)].title = QStringLiteral("Title %1").arg(i);
            recs[size_t(i)].durationMs = quint32(60000 + i);
            recs[size_t(i)].fileName = folder + QString::number(i) + ext;
        }
        QDir(homePath({})).mkpath("Database");
        ASSERT_TRUE(writeLibraryFile(homePath("Database/Base.dfs"), recs));
    }
    LibrarySearchPage* showSearch() {
        form->findChild<QAction*>(QStringLiteral("ShowLibrarySearch"))->trigger();
        auto* page = form->findChild<LibrarySearchPage*>();
        EXPECT_NE(page, nullptr);
        return page;
    }
    // The library is read on a worker; its snapshot arrives as a posted event.
    void waitForRead(LibrarySearchPage* page) {
        page->checkLibrary();
        QThreadPool::globalInstance()->waitForDone();
        loop.drainPosted();
        ASSERT_FALSE(page->reading());
    }
    TagInfoPage* showInfo() {
        form->findChild<QAction*>(QStringLiteral("ShowTagInfo"))->trigger();
        auto* page = form->findChild<TagInfoPage*>();
        EXPECT_NE(page, nullptr);
        return page;
    }
};

TEST_F(SearchWindow, TypingOverALargeLibraryDelaysNoDeckNotice) {
    writeLibrary(100000);
    open();
    LibrarySearchPage* page = showSearch();
    waitForRead(page);
    PlaylistView& list = form->playlists().LVMaster;
    for (const char* name : {"a.wav", "b.wav", "c.wav"})
        addItem(list, name, tone(name, 3.0));
    clickRow(master(), 0);
    click(child<QAbstractButton>(QStringLiteral("btPlay")));
    auto startOf = [&](int index) {
        EXPECT_TRUE(loop.runUntil([&] { return list.PlayingIndex() == index; }, 10000));
        return loop.tickMs();
    };
    const qint64 a = startOf(0);
    const qint64 b = startOf(1); // an idle item
    // Every key of the text, one every 20 ms of simulated time, while b plays.
    page->findText()->setFocus();
    for (QChar c : QStringLiteral("title 9999")) {
        QTest::keyClicks(page->findText(), QString(c));
        run(20);
    }
    const qint64 c = startOf(2);
    EXPECT_EQ(c - b, b - a);
    EXPECT_EQ(page->findText()->text(), "title 9999"); // no key lost
    EXPECT_FALSE(page->searching());
    // Title 9999 and Title 99990 to 99999.
    EXPECT_EQ(page->model()->rowCount(), 11);
}

TEST_F(SearchWindow, ResultsGoIntoTheActiveListAndSortByLength) {
    const QString m = homePath("m/");
    QDir().mkpath(m);
    writeLibrary(30, m, ".wav");
    open();
    LibrarySearchPage* page = showSearch();
    waitForRead(page);
    QTest::keyClicks(page->findText(), "title 2");
    loop.drainPosted();
    ASSERT_EQ(page->model()->rowCount(), 11); // 2, 20..29
    // The length column sorts by milliseconds: the first click ascending, then reversed.
    QHeaderView* header = page->results()->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(2) + 5, 5));
    EXPECT_EQ(page->model()->result(0).fileName, m + "2.wav");
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(2) + 5, 5));
    EXPECT_EQ(page->model()->result(0).fileName, m + "29.wav");

    // Dragged rows carry their results to the lists' drop path.
    QTableView* results = page->results();
    const QModelIndexList dragged{page->model()->index(1, 0), page->model()->index(0, 1),
                                  page->model()->index(1, 2)};
    std::unique_ptr<QMimeData> mime(page->model()->mimeData(dragged));
    const std::vector<SearchResult> carried =
        decodeSearchResults(mime->data(QLatin1String(kSearchResultsMime)));
    ASSERT_EQ(carried.size(), 2u);
    EXPECT_EQ(carried[0].fileName, m + "29.wav");
    EXPECT_EQ(carried[1].fileName, page->model()->result(1).fileName);
    EXPECT_EQ(carried[1].durationText, page->model()->result(1).durationText);

    // A double-click inserts the row's file after the active list's selection.
    PlaylistView& main = form->playlists().LVMaster;
    addItem(main, "first", "/music/first.mp3");
    addItem(main, "last", "/music/last.mp3");
    clickRow(master(), 0);
    // Only a file that is there can be added.
    QFile::copy(tone("t.wav", 0.5), page->model()->result(2).fileName);
    // A double-click is a click and then the double-click on the same row.
    const QPoint row2 = results->visualRect(page->model()->index(2, 0)).center();
    QTest::mouseClick(results->viewport(), Qt::LeftButton, {}, row2);
    QTest::mouseDClick(results->viewport(), Qt::LeftButton, {}, row2);
    ASSERT_EQ(main.count(), 3);
    EXPECT_EQ(main.at(1).FileName(), page->model()->result(2).fileName);
    EXPECT_EQ(main.at(2).FileName(), "/music/last.mp3");

    form->playlists().setPage(PlayerPlaylists::Page::Slave);
    page->addAll();
    const PlaylistView& temp = form->playlists().LVSlave;
    ASSERT_EQ(temp.count(), 11);
    EXPECT_EQ(temp.at(0).FileName(), m + "29.wav");
    EXPECT_EQ(temp.at(0).Title(), DisplayTitle("Artist 29", "Title 29"));
    EXPECT_EQ(temp.at(0).DurationText(), FormatMinSec(60029));
    EXPECT_EQ(main.count(), 3); // the other list is left alone
}

TEST_F(SearchWindow, CopyInTheResultListTakesResultsAndCutAndDeleteLeaveThePlaylist) {
    writeLibrary(30);
    open();
    LibrarySearchPage* page = showSearch();
    waitForRead(page);
    QTest::keyClicks(page->findText(), "title 1");
    loop.drainPosted();
    ASSERT_EQ(page->model()->rowCount(), 11); // 1, 10..19
    PlaylistView& main = form->playlists().LVMaster;
    addItem(main, "first", "/music/first.mp3");
    addItem(main, "last", "/music/last.mp3");
    main.selectOnly(0);
    QTableView* results = page->results();
    results->setFocus();
    results->selectionModel()->select(page->model()->index(3, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    results->selectionModel()->select(page->model()->index(1, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ASSERT_EQ(QApplication::focusWidget(), results);
    // Cut and Delete would act on the playlist the operator is not looking at: they do nothing.
    for (const char* name : {"aEditCut", "aEditDel"}) {
        SCOPED_TRACE(name);
        auto* a = form->findChild<QAction*>(QLatin1String(name));
        form->findChild<PlaylistMenus*>()->refresh();
        EXPECT_FALSE(a->isEnabled());
        a->trigger();
        EXPECT_EQ(main.count(), 2);
        EXPECT_EQ(main.selectedCount(), 1);
    }
    QTest::keyClick(results, Qt::Key_C, Qt::ControlModifier);
    const std::vector<TVirtualItem>& clip = PlaylistClipboard();
    ASSERT_EQ(clip.size(), 2u);
    EXPECT_EQ(clip[0].FileName(), page->model()->result(1).fileName);
    EXPECT_EQ(clip[1].FileName(), page->model()->result(3).fileName);
    EXPECT_EQ(clip[0].Title(),
              DisplayTitle(page->model()->result(1).artist, page->model()->result(1).title));
    EXPECT_EQ(main.count(), 2);
    // And they paste into the playlist like copied items.
    master()->setFocus();
    clickRow(master(), 0);
    QTest::keyClick(master(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(main.count(), 4);
    EXPECT_EQ(main.at(1).FileName(), page->model()->result(1).fileName);
    EXPECT_EQ(main.at(2).FileName(), page->model()->result(3).fileName);
}

TEST_F(SearchWindow, ARecordedPlayRefreshesTheStoreLinesAndKeepsATagBeingEdited) {
    open();
    const QString a = tone("a.wav", 1.0);
    PlaylistView& main = form->playlists().LVMaster;
    addItem(main, "a", a);
    addItem(main, "b", tone("b.wav", 1.0));
    TagInfoPage* info = showInfo();
    auto* stats = info->findChild<QLabel*>(QStringLiteral("StoreStats"));
    auto* fades = info->findChild<QLabel*>(QStringLiteral("StoreFades"));
    ASSERT_TRUE(stats && fades);
    EXPECT_EQ(stats->text(), "BPM: -  Playcount: -  Last play: -"); // no row selected
    clickRow(master(), 0);
    loop.drainPosted();
    EXPECT_EQ(info->shownFile(), a);
    EXPECT_TRUE(stats->text().contains("Playcount: 0")) << stats->text().toStdString();
    EXPECT_EQ(fades->text(), "Fade In: --  Mix: --  FadeOut: --");
    auto* title = info->findChild<QLineEdit*>(QStringLiteral("title"));
    title->setText("typed, not saved");
    click(child<QAbstractButton>(QStringLiteral("btPlay")));
    ASSERT_TRUE(loop.runUntil([&] { return main.PlayingIndex() == 0; }, 10000));
    EXPECT_TRUE(stats->text().contains("Playcount: 1")) << stats->text().toStdString();
    EXPECT_EQ(title->text(), "typed, not saved");
}

TEST_F(SearchWindow, ALibrarySavedMeanwhileIsShownWithoutAKey) {
    writeLibrary(10);
    open();
    LibrarySearchPage* page = showSearch();
    waitForRead(page);
    QTest::keyClicks(page->findText(), "title 1");
    loop.drainPosted();
    EXPECT_EQ(page->model()->rowCount(), 1);
    writeLibrary(20); // saved by the library program
    run(100);         // the watcher sees the change and starts the read
    QThreadPool::globalInstance()->waitForDone();
    loop.drainPosted();
    EXPECT_EQ(page->model()->rowCount(), 11);
}

TEST_F(SearchWindow, SaveRetitlesTheSavedFilesRowsAfterTheListWasSwitched) {
    open();
    const QString x = tone("x.wav", 1.0), y = tone("y.wav", 1.0);
    PlaylistView& main = form->playlists().LVMaster;
    PlaylistView& temp = form->playlists().LVSlave;
    addItem(main, "x", x);
    addItem(main, "y", y);
    addItem(temp, "y", y);
    addItem(temp, "x", x);
    TagInfoPage* info = showInfo();
    clickRow(master(), 0);
    loop.drainPosted();
    ASSERT_EQ(info->shownFile(), x);
    // The active list changes under the page and its selection is another file.
    temp.selectOnly(0);
    form->playlists().setPage(PlayerPlaylists::Page::Slave);
    child<QLineEdit>("artist")->setText("Band");
    child<QLineEdit>("title")->setText("Song");
    child<QComboBox>("ComboBox1")->setEditText("rock");
    click(child<QPushButton>("btSaveTag"));
    const QString title = DisplayTitle("Band", "Song");
    EXPECT_EQ(main.at(0).Title(), title);
    EXPECT_EQ(temp.at(1).Title(), title);
    EXPECT_EQ(main.at(1).Title(), "y");
    EXPECT_EQ(temp.at(0).Title(), "y");
    EXPECT_EQ(main.at(0).DurationText(), "01:00"); // the length is not measured again

    // A genre typed by hand keeps the file's genre byte.
    QFile f(x);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(uint8_t(f.readAll().back()), 17);
    f.close();
    auto* genre = child<QComboBox>("ComboBox1");
    genre->lineEdit()->clear();
    QTest::keyClicks(genre->lineEdit(), "Chillwave");
    click(child<QPushButton>("btSaveTag"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(uint8_t(f.readAll().back()), 17);
}

} // namespace
} // namespace wc::ui::test
