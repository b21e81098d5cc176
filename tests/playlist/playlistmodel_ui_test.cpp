// The playlist table model and the mouse drag that moves selected rows, offscreen.
#include "player/ui/playlistmodel.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace wc;

namespace {

TVirtualItem item(int n) {
    TVirtualItem it;
    it.Number = QString::number(n + 1);
    it.Columns[kColTitle] = QStringLiteral("t%1").arg(n);
    it.Columns[kColFileName] = QStringLiteral("/m/%1.mp3").arg(n);
    return it;
}

QStringList titles(const PlaylistView& v) {
    QStringList out;
    for (int i = 0; i < v.count(); ++i)
        out << v.at(i).Title();
    return out;
}

QPoint rowCentre(QTableView& view, int row) {
    return view.visualRect(view.model()->index(row, 2)).center();
}

void moveWithButton(QTableView& view, QPoint pos) {
    QMouseEvent ev(QEvent::MouseMove, pos, view.viewport()->mapToGlobal(pos), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &ev);
}

} // namespace

TEST(PlaylistModelView, ShowsItemsAndFollowsChanges) {
    PlaylistView list;
    for (int i = 0; i < 3; ++i)
        list.AppendItem(item(i));
    PlaylistModel model(list, PlaylistModel::Kind::Master);
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.columnCount(), 7);
    EXPECT_EQ(model.data(model.index(1, 0)).toString(), "2");
    EXPECT_EQ(model.data(model.index(1, 2)).toString(), "t1");
    EXPECT_EQ(model.data(model.index(1, 6)).toString(), "/m/1.mp3");
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), QString::fromUtf8("Название"));
    EXPECT_FALSE(model.data(model.index(5, 0)).isValid());

    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    list.InsertItem(1, item(9));
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(model.rowCount(), 4);
    list.SetPlayingIndex(2);
    EXPECT_TRUE(model.data(model.index(2, 1), Qt::FontRole).value<QFont>().bold());
    list.SetNextIndex(3);
    EXPECT_TRUE(model.data(model.index(3, 1), Qt::FontRole).value<QFont>().underline());

    model.setItemTypes({"Commercial", "Jingle"}, {8816262, 8388608});
    TVirtualItem j = item(5);
    j.Columns[kColTitle] = "Station JINGLE";
    list.AppendItem(j);
    EXPECT_EQ(model.data(model.index(4, 2), Qt::ForegroundRole).value<QColor>(),
              QColor(0, 0, 0x80));
}

TEST(PlaylistModelView, MouseDragMovesTheSelectedBlock) {
    PlaylistView list;
    for (int i = 0; i < 10; ++i)
        list.AppendItem(item(i));
    list.SetPlayingIndex(1);
    PlaylistModel model(list, PlaylistModel::Kind::Master);
    QTableView view;
    view.setObjectName("LVMaster");
    PlaylistTableBinder binder(&view, &model);
    QSignalSpy ended(&binder, &PlaylistTableBinder::myEndDrag);
    view.resize(400, 600);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

    // Select rows 1, 2 and 5 through the view, as the user would with Ctrl.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, rowCentre(view, 1));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ControlModifier, rowCentre(view, 2));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ControlModifier, rowCentre(view, 5));
    ASSERT_EQ(list.selectedIndexes(), (std::vector<int>{1, 2, 5}));

    QTest::mousePress(view.viewport(), Qt::LeftButton, Qt::NoModifier, rowCentre(view, 1));
    moveWithButton(view, rowCentre(view, 3));
    moveWithButton(view, rowCentre(view, 4));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, Qt::NoModifier, rowCentre(view, 4));

    EXPECT_EQ(titles(list),
              (QStringList{"t0", "t3", "t4", "t6", "t1", "t2", "t7", "t8", "t5", "t9"}));
    EXPECT_EQ(list.selectedIndexes(), (std::vector<int>{4, 5, 8}));
    EXPECT_EQ(list.PlayingIndex(), 4);
    EXPECT_EQ(ended.count(), 1);
    // The view shows the moved selection.
    QList<int> rows;
    for (const QModelIndex& i : view.selectionModel()->selectedRows())
        rows << i.row();
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (QList<int>{4, 5, 8}));

    // A click without moving selects just that row and reports no move.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, rowCentre(view, 8));
    EXPECT_EQ(list.selectedIndexes(), (std::vector<int>{8}));
    EXPECT_EQ(ended.count(), 1);
}

TEST(PlaylistModelView, ViewFollowsSelectionsMadeOnTheList) {
    PlaylistView list;
    for (int i = 0; i < 6; ++i)
        list.AppendItem(item(i));
    PlaylistModel model(list, PlaylistModel::Kind::Master);
    QTableView view;
    PlaylistTableBinder binder(&view, &model);
    auto shownRows = [&] {
        QList<int> rows;
        for (const QModelIndex& i : view.selectionModel()->selectedRows())
            rows << i.row();
        std::sort(rows.begin(), rows.end());
        return rows;
    };
    list.selectOnly(3);
    EXPECT_EQ(shownRows(), QList<int>({3}));
    list.setSelected(5, true);
    EXPECT_EQ(shownRows(), QList<int>({3, 5}));
    // A change that leaves the selection alone keeps the view's as it is.
    list.Renumber();
    EXPECT_EQ(shownRows(), QList<int>({3, 5}));
    list.clearSelection();
    EXPECT_TRUE(shownRows().isEmpty());
}

TEST(PlaylistModelView, CentreOnAndTopRowOnALongList) {
    PlaylistView list;
    std::vector<TVirtualItem> many;
    for (int i = 0; i < 100000; ++i)
        many.push_back(item(i));
    list.InsertItems(0, many);
    PlaylistModel model(list, PlaylistModel::Kind::Slave);
    QTableView view;
    PlaylistTableBinder binder(&view, &model);
    view.resize(400, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    binder.centreOn(50000);
    const int top = view.rowAt(0);
    const int bottom = view.rowAt(view.viewport()->height() - 1);
    EXPECT_LT(top, 50000);
    EXPECT_GT(bottom, 50000);
    EXPECT_LE(std::abs((top + bottom) / 2 - 50000), 1);
    binder.saveTopRow();
    binder.centreOn(1);
    EXPECT_EQ(view.rowAt(0), 0); // the first rows cannot sit lower than the top
    binder.restoreTopRow();
    EXPECT_EQ(view.rowAt(0), top);
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
