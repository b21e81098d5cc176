// The playlist pages of the main window: the "Main" and "Temp" buttons, the title, the
// numbering, the selected file in the first status panel, and voice tracks in italics.
#include "windowfixture.h"

#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>

namespace wc::ui::test {
namespace {

QStringList numbers(const PlaylistView& v) {
    QStringList out;
    for (int i = 0; i < v.count(); ++i)
        out << v.at(i).Number;
    return out;
}

class PlaylistPagesTest : public WindowTest {
protected:
    // Items numbered from 7 on, as a list is after edits that did not renumber it.
    void fillStale(PlaylistView& list, const QString& prefix, int n) {
        for (int i = 0; i < n; ++i) {
            addItem(list, prefix + QString::number(i), "/music/" + prefix + QString::number(i));
            TVirtualItem it = list.at(i);
            it.Number = QString::number(7 + i);
            list.SetItem(i, it);
        }
    }
    QLabel* filePanel() const { return child<QLabel>(QStringLiteral("StatusPanel0")); }
};

TEST_F(PlaylistPagesTest, PageButtonsSwitchTheActiveListWithItsTitleAndNumbering) {
    open();
    PlayerPlaylists& lists = form->playlists();
    lists.setPlaylistFileName(lists.LVMaster, homePath("evening.m3u"));
    lists.setPlaylistFileName(lists.LVSlave, homePath("prep.m3u"));
    fillStale(lists.LVMaster, "m", 2);
    fillStale(lists.LVSlave, "s", 3);
    auto* pages = child<QStackedWidget>(QStringLiteral("pcPlaylist"));
    auto* mainButton = child<QPushButton>(QStringLiteral("btMainPage"));
    auto* tempButton = child<QPushButton>(QStringLiteral("btTempPage"));
    EXPECT_TRUE(mainButton->isChecked());
    EXPECT_FALSE(tempButton->isChecked());

    struct Case {
        const char* name;
        QPushButton* button;
        PlayerPlaylists::Page page;
        QTableView* view;
        PlaylistView* list;
        const char* shownFile;
        const char* otherFile;
        QStringList numbered;
    };
    const Case cases[] = {
        {"temp",
         tempButton,
         PlayerPlaylists::Page::Slave,
         slave(),
         &lists.LVSlave,
         "prep.m3u",
         "evening.m3u",
         {"1", "2", "3"}},
        {"main",
         mainButton,
         PlayerPlaylists::Page::Master,
         master(),
         &lists.LVMaster,
         "evening.m3u",
         "prep.m3u",
         {"1", "2"}},
        // Pressing the button of the page already shown keeps it pressed.
        {"main_again",
         mainButton,
         PlayerPlaylists::Page::Master,
         master(),
         &lists.LVMaster,
         "evening.m3u",
         "prep.m3u",
         {"1", "2"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        click(k.button);
        EXPECT_EQ(lists.page(), k.page);
        EXPECT_EQ(&lists.ActivePlaylist(), k.list);
        EXPECT_EQ(pages->currentWidget(), k.view);
        EXPECT_EQ(mainButton->isChecked(), k.page == PlayerPlaylists::Page::Master);
        EXPECT_EQ(tempButton->isChecked(), k.page == PlayerPlaylists::Page::Slave);
        EXPECT_TRUE(form->windowTitle().contains(k.shownFile)) << form->windowTitle().toStdString();
        EXPECT_FALSE(form->windowTitle().contains(k.otherFile));
        EXPECT_EQ(numbers(*k.list), k.numbered);
    }
}

TEST_F(PlaylistPagesTest, SelectedFileShowsInTheFirstPanelAndAClickRenumbers) {
    open();
    PlayerPlaylists& lists = form->playlists();
    fillStale(lists.LVMaster, "m", 3);
    fillStale(lists.LVSlave, "s", 2);
    // The panel is shared with the volume slider, which shows first.
    EXPECT_EQ(filePanel()->text(), "Volume: 100");
    clickRow(master(), 1);
    EXPECT_EQ(filePanel()->text(), "/music/m1");
    EXPECT_EQ(numbers(lists.LVMaster), QStringList({"1", "2", "3"}));
    // A selection made by a command shows as well.
    lists.LVMaster.selectOnly(2);
    EXPECT_EQ(filePanel()->text(), "/music/m2");
    EXPECT_EQ(master()->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(master()->selectionModel()->selectedRows().value(0).row(), 2);

    // The other page shows its own selection; without one the panel stays.
    click(child<QPushButton>(QStringLiteral("btTempPage")));
    EXPECT_EQ(filePanel()->text(), "/music/m2");
    clickRow(slave(), 0);
    EXPECT_EQ(filePanel()->text(), "/music/s0");
    // A list numbered from 1 is left as it is by a click.
    TVirtualItem it = lists.LVSlave.at(1);
    it.Number = "9";
    lists.LVSlave.SetItem(1, it);
    clickRow(slave(), 1);
    EXPECT_EQ(numbers(lists.LVSlave), QStringList({"1", "9"}));
    EXPECT_EQ(filePanel()->text(), "/music/s1");
    // Back on the main page its selection shows again.
    click(child<QPushButton>(QStringLiteral("btMainPage")));
    EXPECT_EQ(filePanel()->text(), "/music/m2");
}

TEST_F(PlaylistPagesTest, VoiceTracksOfTheOnAirListAreItalicWhileVoiceTrackingIsOn) {
    struct Case {
        bool voiceTracking;
        bool italicInMaster;
    };
    for (const Case k : {Case{true, true}, Case{false, false}}) {
        SCOPED_TRACE(k.voiceTracking);
        playerIni.VoiceTrackEnabled = k.voiceTracking;
        open();
        PlayerPlaylists& lists = form->playlists();
        for (PlaylistView* l : {&lists.LVMaster, &lists.LVSlave}) {
            addItem(*l, "Voice Track 3", "/vt/3.wav");
            addItem(*l, "Song", "/music/song.mp3");
        }
        auto italic = [](QTableView* v, int row) {
            return v->model()->index(row, 2).data(Qt::FontRole).value<QFont>().italic();
        };
        EXPECT_EQ(italic(master(), 0), k.italicInMaster);
        EXPECT_FALSE(italic(master(), 1));
        EXPECT_FALSE(italic(slave(), 0));
        form.reset();
    }
}

} // namespace
} // namespace wc::ui::test
