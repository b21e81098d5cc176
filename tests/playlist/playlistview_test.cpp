// The playlist model: markers, selection, undo, clipboard, deletion and block moves.
#include "player/core/playlist/playlistview.h"

#include <gtest/gtest.h>

using namespace wc;

namespace {

TVirtualItem item(const QString& name) {
    TVirtualItem it;
    it.Columns[kColTitle] = name;
    it.Columns[kColFileName] = QStringLiteral("/music/") + name + QStringLiteral(".mp3");
    return it;
}

void fill(PlaylistView& v, int n) {
    for (int i = 0; i < n; ++i)
        v.AppendItem(item(QString::number(i)));
}

QStringList titles(const PlaylistView& v) {
    QStringList out;
    for (int i = 0; i < v.count(); ++i)
        out << v.at(i).Title();
    return out;
}

// Checks that the markers name exactly the flagged items.
void expectMarkersMatchFlags(const PlaylistView& v) {
    int playing = -1, next = -1, nPlaying = 0, nNext = 0;
    for (int i = 0; i < v.count(); ++i) {
        if (v.at(i).IsPlaying) playing = i, ++nPlaying;
        if (v.at(i).IsNext) next = i, ++nNext;
    }
    EXPECT_LE(nPlaying, 1);
    EXPECT_LE(nNext, 1);
    EXPECT_EQ(v.PlayingIndex(), playing);
    EXPECT_EQ(v.NextIndex(), next);
}

} // namespace

TEST(PlaylistMarkers, InsertAboveAndDeleteKeepTheRightRecord) {
    PlaylistView v;
    fill(v, 5);
    v.SetPlayingIndex(2);
    v.SetNextIndex(3);
    v.InsertItem(1, item("x"));
    EXPECT_EQ(v.PlayingIndex(), 3);
    EXPECT_EQ(v.at(3).Title(), "2");
    EXPECT_EQ(v.NextIndex(), 4);
    EXPECT_EQ(v.at(4).Title(), "3");
    expectMarkersMatchFlags(v);

    v.InsertItem(4, item("y")); // at the playing row itself: playing moves down
    EXPECT_EQ(v.at(v.PlayingIndex()).Title(), "2");
    v.InsertItem(6, item("z")); // below next: nothing moves
    EXPECT_EQ(v.at(v.NextIndex()).Title(), "3");
    expectMarkersMatchFlags(v);

    v.DeleteItem(v.PlayingIndex());
    EXPECT_EQ(v.PlayingIndex(), -1);
    EXPECT_FALSE(v.GetPlayingItem().has_value());
    EXPECT_EQ(v.at(v.NextIndex()).Title(), "3");
}

TEST(PlaylistMarkers, InsertPastTheEndAppendsAndNegativeInsertsFirst) {
    PlaylistView v;
    fill(v, 3);
    v.InsertItem(1000, item("end"));
    v.InsertItem(-5, item("start"));
    EXPECT_EQ(titles(v), (QStringList{"start", "0", "1", "2", "end"}));
}

TEST(PlaylistMarkers, FlaggedCopiesNeverMakeASecondPlayingItem) {
    PlaylistView v;
    fill(v, 3);
    v.SetPlayingIndex(0);
    v.SetNextIndex(1);
    TVirtualItem flagged = item("f");
    flagged.IsPlaying = true;
    flagged.IsNext = true;
    v.InsertItem(3, flagged);
    v.InsertItems(0, {flagged, flagged});
    expectMarkersMatchFlags(v);
    EXPECT_EQ(v.at(v.PlayingIndex()).Title(), "0");
    v.SetItem(4, flagged); // row 4 is neither playing nor next
    expectMarkersMatchFlags(v);
    TVirtualItem plain = item("p");
    v.SetItem(v.PlayingIndex(), plain); // the playing row stays the playing row
    EXPECT_EQ(v.at(v.PlayingIndex()).Title(), "p");
    expectMarkersMatchFlags(v);
}

TEST(PlaylistMarkers, ClearItemsResetsMarkers) {
    PlaylistView v;
    fill(v, 3);
    v.SetPlayingIndex(1);
    v.SetNextIndex(2);
    v.ClearItems();
    EXPECT_EQ(v.count(), 0);
    v.AppendItem(item("a"));
    EXPECT_EQ(v.PlayingIndex(), -1);
    EXPECT_EQ(v.NextIndex(), -1);
    EXPECT_FALSE(v.at(0).IsPlaying);
    EXPECT_FALSE(v.at(0).IsNext);
}

TEST(PlaylistMarkers, SetIndexMovesTheFlagAndAcceptsMinusOne) {
    PlaylistView v;
    fill(v, 4);
    v.SetPlayingIndex(0);
    v.SetPlayingIndex(3);
    expectMarkersMatchFlags(v);
    EXPECT_EQ(v.GetPlayingItem()->Title(), "3");
    v.SetPlayingIndex(-1);
    EXPECT_EQ(v.PlayingIndex(), -1);
    expectMarkersMatchFlags(v);
}

TEST(PlaylistItems, GetItemOutOfRangeNamesTheOperation) {
    PlaylistView v;
    fill(v, 2);
    EXPECT_EQ(v.GetItem(1).Title(), "1");
    for (int bad : {-1, 2, 100}) {
        try {
            v.GetItem(bad);
            ADD_FAILURE() << "no error for " << bad;
        } catch (const PlaylistRangeError& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find("GetItem"), std::string::npos);
            EXPECT_NE(what.find(std::to_string(bad)), std::string::npos);
        }
    }
}

TEST(PlaylistItems, RecordsAreCopies) {
    PlaylistView v;
    TVirtualItem it = item("a");
    v.AppendItem(it);
    it.Columns[kColTitle] = "changed";
    EXPECT_EQ(v.at(0).Title(), "a");
    TVirtualItem got = v.GetItem(0);
    got.Columns[kColTitle] = "again";
    EXPECT_EQ(v.at(0).Title(), "a");
}

TEST(PlaylistDelete, SelectedAndUnselectedKeepOrderAndMarkers) {
    PlaylistView v;
    fill(v, 8);
    v.SetPlayingIndex(5);
    v.SetNextIndex(1);
    for (int i : {1, 3, 4})
        v.setSelected(i, true);
    const auto removed = v.DeleteSelected(false);
    ASSERT_EQ(removed.size(), 3u);
    EXPECT_EQ(removed[0].Title(), "1");
    EXPECT_EQ(removed[2].Title(), "4");
    EXPECT_EQ(titles(v), (QStringList{"0", "2", "5", "6", "7"}));
    EXPECT_EQ(v.PlayingIndex(), 2);
    EXPECT_EQ(v.NextIndex(), -1);
    EXPECT_EQ(v.selectedCount(), 0);

    v.setSelected(0, true);
    v.setSelected(4, true);
    v.DeleteUnselected();
    EXPECT_EQ(titles(v), (QStringList{"0", "7"}));
    EXPECT_EQ(v.PlayingIndex(), -1);
    EXPECT_EQ(v.selectedCount(), 2);
}

TEST(PlaylistDelete, MoreThanOneHundredThousandItemsAtOnce) {
    PlaylistView v;
    std::vector<TVirtualItem> many(100005, item("m"));
    v.InsertItems(0, many);
    v.AppendItem(item("keep"));
    v.selectRange(0, 100004);
    EXPECT_TRUE(v.DeleteSelected().empty()); // released, not handed back
    EXPECT_EQ(titles(v), QStringList{"keep"});
    v.selectOnly(0);
    EXPECT_EQ(v.DeleteUnselected().size(), 0u);
    EXPECT_EQ(v.count(), 1);
}

TEST(PlaylistUndo, TenSnapshotsAtMost) {
    PlaylistView v;
    for (int i = 0; i < 11; ++i) {
        v.PushUndo();
        v.AppendItem(item(QString::number(i)));
    }
    EXPECT_EQ(v.undoDepth(), 10);
    std::vector<int> counts;
    for (int i = 0; i < 11; ++i) {
        const bool could = v.canUndo();
        v.Undo();
        counts.push_back(could ? v.count() : -1);
    }
    // Eleven items; ten undos go back to 10..1 items; the eleventh does nothing.
    EXPECT_EQ(counts, (std::vector<int>{10, 9, 8, 7, 6, 5, 4, 3, 2, 1, -1}));
    EXPECT_EQ(titles(v), QStringList{"0"});
}

TEST(PlaylistUndo, RestoresFlagsAndMarkersOfTheSnapshot) {
    PlaylistView v;
    fill(v, 4);
    v.SetPlayingIndex(1);
    v.PushUndo();
    v.SetPlayingIndex(3); // changes two records; the snapshot keeps its own
    v.selectOnly(0);
    v.DeleteSelected();
    v.Undo();
    EXPECT_EQ(v.count(), 4);
    EXPECT_EQ(v.PlayingIndex(), 1);
    EXPECT_FALSE(v.at(3).IsPlaying);
    expectMarkersMatchFlags(v);
}

TEST(PlaylistUndo, SnapshotsShareUnchangedItems) {
    PlaylistView v;
    std::vector<TVirtualItem> many(1000, item("a long enough title for the test"));
    v.InsertItems(0, many);
    const size_t one = v.memoryBytes();
    for (int i = 0; i < 10; ++i) {
        v.PushUndo();
        v.SetPlayingIndex(i);
    }
    EXPECT_LE(v.memoryBytes(), 2 * one);
}

TEST(PlaylistClipboard, CopyClearsMarksAndPasteGoesAfterFirstSelected) {
    PlaylistView a, b;
    fill(a, 4);
    a.SetPlayingIndex(1);
    a.SetNextIndex(2);
    TVirtualItem fixed = a.GetItem(3);
    fixed.StartFixed = true;
    a.SetItem(3, fixed);
    a.selectRange(1, 3);
    a.CopySelection();
    ASSERT_EQ(PlaylistClipboard().size(), 3u);
    for (const auto& it : PlaylistClipboard()) {
        EXPECT_FALSE(it.IsPlaying);
        EXPECT_FALSE(it.IsNext);
        EXPECT_FALSE(it.StartFixed);
    }

    struct Case {
        std::vector<int> selected;
        QStringList expected;
    };
    const Case cases[] = {
        {{}, {"x", "y", "1", "2", "3"}},
        {{0, 1}, {"x", "1", "2", "3", "y"}},
        {{1}, {"x", "y", "1", "2", "3"}},
    };
    for (const Case& c : cases) {
        b.ClearItems();
        b.AppendItem(item("x"));
        b.AppendItem(item("y"));
        for (int i : c.selected)
            b.setSelected(i, true);
        b.PasteClipboard();
        EXPECT_EQ(titles(b), c.expected);
        EXPECT_EQ(b.PlayingIndex(), -1);
        EXPECT_EQ(b.NextIndex(), -1);
        b.Undo();
        EXPECT_EQ(titles(b), (QStringList{"x", "y"}));
    }
}

TEST(PlaylistClipboard, CutAndCropAreUndoable) {
    PlaylistView v;
    fill(v, 5);
    v.selectRange(1, 2);
    v.CutSelection();
    EXPECT_EQ(titles(v), (QStringList{"0", "3", "4"}));
    EXPECT_EQ(PlaylistClipboard().size(), 2u);
    v.Undo();
    EXPECT_EQ(v.count(), 5);
    v.selectRange(3, 4);
    v.CropSelection();
    EXPECT_EQ(titles(v), (QStringList{"3", "4"}));
    v.Undo();
    EXPECT_EQ(v.count(), 5);
}

TEST(PlaylistMove, BlockKeepsItsShape) {
    struct Case {
        std::vector<int> selected; // 0-based
        int target;
        bool moves;
        std::vector<int> selectedAfter;
    };
    // Rows 2, 3 and 6 (1-based) of ten: onto row 8 the block of five would end past the last
    // row; onto row 5 they become rows 5, 6 and 9.
    const Case cases[] = {
        {{1, 2, 5}, 7, false, {1, 2, 5}},
        {{1, 2, 5}, 4, true, {4, 5, 8}},
        {{4, 5}, 0, true, {0, 1}},
        {{3}, 9, true, {9}},
        {{3}, 3, false, {3}},
        {{3}, 10, false, {3}},
    };
    for (const Case& c : cases) {
        PlaylistView v;
        fill(v, 10);
        for (int i : c.selected)
            v.setSelected(i, true);
        QStringList movedTitles;
        for (int i : c.selected)
            movedTitles << v.at(i).Title();
        EXPECT_EQ(v.MoveSelectionTo(c.target), c.moves) << c.target;
        EXPECT_EQ(v.selectedIndexes(), c.selectedAfter);
        QStringList after;
        for (int i : v.selectedIndexes())
            after << v.at(i).Title();
        EXPECT_EQ(after, movedTitles);
        EXPECT_EQ(v.count(), 10);
    }
}

TEST(PlaylistMove, MarkersFollowTheMovedItems) {
    PlaylistView v;
    fill(v, 6);
    v.SetPlayingIndex(1);
    v.SetNextIndex(4);
    v.selectOnly(1);
    ASSERT_TRUE(v.MoveSelectionTo(5));
    EXPECT_EQ(v.at(v.PlayingIndex()).Title(), "1");
    EXPECT_EQ(v.PlayingIndex(), 5);
    EXPECT_EQ(v.at(v.NextIndex()).Title(), "4");
}

TEST(PlaylistMove, DragFollowsTheMouseAndReportsAMove) {
    PlaylistView v;
    fill(v, 6);
    PlaylistDrag drag(v);
    EXPECT_FALSE(drag.press()); // nothing selected
    v.selectOnly(0);
    ASSERT_TRUE(drag.press());
    EXPECT_FALSE(drag.moveTo(0)); // over the anchor
    EXPECT_FALSE(drag.moveTo(-1));
    EXPECT_TRUE(drag.moveTo(2));
    EXPECT_TRUE(drag.moveTo(3));
    EXPECT_TRUE(drag.release());
    EXPECT_EQ(titles(v), (QStringList{"1", "2", "3", "0", "4", "5"}));
    v.selectOnly(1);
    drag.press();
    EXPECT_FALSE(drag.release());
}

TEST(PlaylistItems, RenumberWritesPositions) {
    PlaylistView v;
    fill(v, 3);
    v.Renumber();
    EXPECT_EQ(v.at(0).Number, "1");
    EXPECT_EQ(v.at(2).Number, "3");
}

TEST(PlaylistItems, KindFollowsFileNameThenTitle) {
    const QStringList ids{"Commercial", "Jingle", "", "", "", "", "", "", "", "Promo"};
    struct Case {
        const char* file;
        const char* title;
        ItemKind kind;
        int type;
    };
    const Case cases[] = {
        {"/cd/Track01.CDA", "x", ItemKind::CdTrack, 0},
        {"/opt/wc/line.in", "Line", ItemKind::LineInput, 0},
        {"/x/do.command", "", ItemKind::CommandFile, 0},
        {"/x/list.M3U", "PLAYLIST  list.m3u", ItemKind::PlaylistRef, 0},
        {"/x/a.mp3", "My VoiceTrack 1", ItemKind::VoiceTrack, 0},
        {"/x/a.mp3", "voice track", ItemKind::VoiceTrack, 0},
        {"/x/a.mp3", "Morning JINGLE", ItemKind::TypedItem, 3},
        {"/x/a.mp3", "commercial jingle", ItemKind::TypedItem, 2},
        {"/x/a.mp3", "big promo", ItemKind::TypedItem, 11},
        {"/x/a.mp3", "Song", ItemKind::AudioFile, 0},
    };
    for (const Case& c : cases) {
        TVirtualItem it;
        it.Columns[kColFileName] = c.file;
        it.Columns[kColTitle] = c.title;
        const ItemKindResult r = itemKind(it, ids);
        EXPECT_EQ(r.kind, c.kind) << c.file << " " << c.title;
        EXPECT_EQ(r.type, c.type) << c.title;
    }
}
