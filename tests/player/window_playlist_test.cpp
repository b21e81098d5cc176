// The playlist controls of the main window: the edit commands with Undo, the context menu.
#include "windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPushButton>
#include <QTest>

namespace wc::ui::test {
namespace {

QStringList numbers(const PlaylistView& v) {
    QStringList out;
    for (int i = 0; i < v.count(); ++i)
        out << v.at(i).Number;
    return out;
}

class PlaylistControls : public WindowTest {
protected:
    void fill(PlaylistView& list, const QStringList& names) {
        for (const QString& n : names)
            addItem(list, n, "/music/" + n + ".mp3");
    }
    QAction* action(const char* name) const { return child<QAction>(QLatin1String(name)); }
    QPushButton* pageButton(const QString& text) const {
        for (QPushButton* b : form->findChildren<QPushButton*>())
            if (b->text() == text) return b;
        ADD_FAILURE() << "no page button " << text.toStdString();
        return nullptr;
    }
    // Opens the list's context menu over row, as a right click does.
    QMenu* contextMenuAt(QTableView* view, int row) {
        const QPoint p = view->visualRect(view->model()->index(row, 2)).center();
        QContextMenuEvent e(QContextMenuEvent::Mouse, p, view->viewport()->mapToGlobal(p));
        QApplication::sendEvent(view->viewport(), &e);
        auto* menu = child<QMenu>(QStringLiteral("PlaylistMenu"));
        EXPECT_TRUE(menu && menu->isVisible());
        return menu;
    }
    void chooseEntry(QMenu* menu, const char* name) {
        QAction* a = action(name);
        ASSERT_TRUE(a && a->isVisible() && a->isEnabled()) << name;
        QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(a).center());
    }
};

// One step of an edit: a key with its modifiers, or an entry of the context menu over a row.
struct EditStep {
    std::vector<int> select; // rows selected (Ctrl+click) before the step; empty: unchanged
    int key = 0;
    Qt::KeyboardModifiers mods = Qt::NoModifier;
    const char* entry = nullptr;
};

struct EditCase {
    const char* name;
    std::vector<EditStep> steps;
    QStringList after;
};

TEST_F(PlaylistControls, EditCommandsChangeTheListAndCtrlZTakesEachBack) {
    const EditCase cases[] = {
        {"delete_key", {{{1}, Qt::Key_Delete}}, {"a", "c", "d"}},
        {"cut_and_paste_keys",
         {{{0}, Qt::Key_X, Qt::ControlModifier}, {{1}, Qt::Key_V, Qt::ControlModifier}},
         {"b", "c", "a", "d"}},
        {"crop_entry", {{{1, 2}, 0, Qt::NoModifier, "aEditCrop"}}, {"b", "c"}},
        {"delete_entry", {{{3}, 0, Qt::NoModifier, "aEditDel"}}, {"a", "b", "c"}},
    };
    for (const EditCase& k : cases) {
        SCOPED_TRACE(k.name);
        open();
        PlaylistView& list = form->playlists().LVMaster;
        fill(list, {"a", "b", "c", "d"});
        QAction* undo = action("aEditUndo");
        ASSERT_NE(undo, nullptr);
        EXPECT_FALSE(undo->isEnabled());
        for (const EditStep& s : k.steps) {
            for (std::size_t i = 0; i < s.select.size(); ++i)
                clickRow(master(), s.select[i], i == 0 ? Qt::NoModifier : Qt::ControlModifier);
            if (s.entry) {
                chooseEntry(contextMenuAt(master(), s.select.front()), s.entry);
            } else {
                master()->setFocus();
                key(s.key, s.mods);
            }
            EXPECT_TRUE(undo->isEnabled());
        }
        EXPECT_EQ(titles(list), k.after);
        EXPECT_EQ(numbers(list).front(), "1");
        EXPECT_EQ(numbers(list).back(), QString::number(list.count()));
        // The playing mark does not survive an undo.
        list.SetPlayingIndex(0);
        // Every step took one snapshot: as many Ctrl+Z as steps bring the list back.
        for (std::size_t i = 0; i < k.steps.size(); ++i) {
            ASSERT_TRUE(undo->isEnabled()) << i;
            key(Qt::Key_Z, Qt::ControlModifier);
        }
        EXPECT_EQ(titles(list), QStringList({"a", "b", "c", "d"}));
        EXPECT_EQ(numbers(list), QStringList({"1", "2", "3", "4"}));
        EXPECT_EQ(list.PlayingIndex(), -1);
        EXPECT_FALSE(list.at(0).IsPlaying);
        EXPECT_FALSE(undo->isEnabled());
        // Disabled, Ctrl+Z changes nothing.
        key(Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(titles(list), QStringList({"a", "b", "c", "d"}));
        form.reset();
    }
}

TEST_F(PlaylistControls, UndoActsOnTheActivePageOnly) {
    open();
    PlayerPlaylists& lists = form->playlists();
    fill(lists.LVMaster, {"a", "b"});
    fill(lists.LVSlave, {"x", "y", "z"});
    QAction* undo = action("aEditUndo");
    clickRow(master(), 0);
    master()->setFocus();
    key(Qt::Key_Delete);
    EXPECT_TRUE(undo->isEnabled());
    click(pageButton("Temp"));
    // The second list has nothing to undo yet.
    EXPECT_FALSE(undo->isEnabled());
    clickRow(slave(), 2);
    key(Qt::Key_Delete);
    EXPECT_TRUE(undo->isEnabled());
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(titles(lists.LVSlave), QStringList({"x", "y", "z"}));
    EXPECT_EQ(titles(lists.LVMaster), QStringList({"b"}));
    EXPECT_FALSE(undo->isEnabled());
    click(pageButton("Main"));
    EXPECT_TRUE(undo->isEnabled());
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(titles(lists.LVMaster), QStringList({"a", "b"}));
}

TEST_F(PlaylistControls, ContextMenuOffersPlayNextOnMainAndSlaveToMasterOnTemp) {
    open();
    PlayerPlaylists& lists = form->playlists();
    fill(lists.LVMaster, {"a", "b", "c"});
    fill(lists.LVSlave, {"x", "y"});
    TVirtualItem marked = lists.LVSlave.at(1);
    marked.ImageIndex = 24;
    lists.LVSlave.SetItem(1, marked);

    // Main page: the play-next entry marks the row under the menu.
    clickRow(master(), 2);
    QMenu* menu = contextMenuAt(master(), 2);
    EXPECT_FALSE(action("SlaveToMaster")->isVisible());
    chooseEntry(menu, "PlayNext");
    EXPECT_EQ(lists.LVMaster.NextIndex(), 2);
    EXPECT_TRUE(master()->model()->index(2, 1).data(Qt::FontRole).value<QFont>().underline());

    // Temp page: the slave list is copied to the end of the on-air list, plain and numbered.
    click(pageButton("Temp"));
    clickRow(slave(), 0);
    menu = contextMenuAt(slave(), 0);
    EXPECT_FALSE(action("PlayNext")->isVisible());
    chooseEntry(menu, "SlaveToMaster");
    EXPECT_EQ(titles(lists.LVMaster), QStringList({"a", "b", "c", "x", "y"}));
    EXPECT_EQ(numbers(lists.LVMaster), QStringList({"1", "2", "3", "4", "5"}));
    EXPECT_EQ(lists.LVMaster.at(4).ImageIndex, 0);
    EXPECT_EQ(titles(lists.LVSlave), QStringList({"x", "y"}));
    EXPECT_EQ(lists.LVSlave.at(1).ImageIndex, 24);
    EXPECT_EQ(lists.LVMaster.NextIndex(), 2);
}

} // namespace
} // namespace wc::ui::test
