// Lengths read back from their texts, the start-time column of the on-air list, and the
// numbering and totals line.
#include "edittestutil.h"

using namespace wc;
using namespace wc::edittest;

namespace {

TEST(LengthText, MinutesBeforeTheColonAndSecondsAfterIt) {
    struct Case {
        const char* text;
        bool readable;
        qint64 seconds;   // for totals, when readable
        qint64 forStarts; // for start times
    };
    const Case cases[] = {
        {"03:25", true, 205, 205},
        // Three-digit minutes are read whole: 123 * 60 + 45. Seconds taken from fixed
        // character positions would make this 7379 s in the totals and 7380 s in the start
        // times (docs/decisions.md).
        {"123:45", true, 7425, 7425},
        {"00:00", true, 0, 0},
        {"??:??", false, 0, 0},
        {"", false, 0, 0},
        {"12", false, 0, 0},
        {"05:??", false, 0, 300},
        {"??:07", true, 7, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        qint64 s = -99;
        EXPECT_EQ(lengthTextSeconds(c.text, &s), c.readable);
        if (c.readable) {
            EXPECT_EQ(s, c.seconds);
        }
        EXPECT_EQ(startTimeLengthSeconds(c.text), c.forStarts);
    }
}

class TimingTest : public EditorFixture {
protected:
    void fill(int n, const QString& length = "01:00") {
        for (int i = 0; i < n; ++i)
            lists.LVMaster.AppendItem(item(QString::number(i), length));
    }
    QStringList starts() const { return column(lists.LVMaster, kColStartTime); }
};

TEST_F(TimingTest, TotalsCountTheListAndMarkUnknownLengths) {
    PlaylistView& v = lists.LVMaster;
    editor.setWindowShown(false);
    v.AppendItem(item("a", "123:45"));
    editor.RenumberAndTotals();
    EXPECT_TRUE(host.totals.isEmpty());
    EXPECT_TRUE(v.at(0).Number.isEmpty());
    editor.setWindowShown(true);
    editor.RenumberAndTotals();
    EXPECT_EQ(host.totals, QString::fromUtf8(" Треков: 1 [2:03:45]"));
    EXPECT_EQ(v.at(0).Number, "1");
    v.AppendItem(item("b", "??:??"));
    v.AppendItem(item("c", "59:15"));
    editor.RenumberAndTotals();
    EXPECT_EQ(host.totals, QString::fromUtf8(" Треков: 3 [3:03:00+]"));
    EXPECT_EQ(v.at(2).Number, "3");
    EXPECT_EQ(host.renumbered, 2);
    // The second list's totals; its renumbering does not touch the on-air shuffle order.
    lists.setPage(PlayerPlaylists::Page::Slave);
    editor.RenumberAndTotals();
    EXPECT_EQ(host.totals, QString::fromUtf8(" Треков: 0 [0:00:00]"));
    EXPECT_EQ(host.renumbered, 2);
    // Hours are not limited.
    EXPECT_EQ(totalsText({1, 100 * 3600 + 5, false}, "T"), " T: 1 [100:00:05]");
}

TEST_F(TimingTest, NothingPlayingOnlyClearsBeyondTheWindow) {
    editor.settings.countStartTimeFor = 3;
    fill(6);
    for (int i = 0; i < 6; ++i) {
        TVirtualItem it = lists.LVMaster.at(i);
        it.Columns[kColStartTime] = "old";
        it.StartFixed = i == 5;
        lists.LVMaster.SetItem(i, it);
    }
    editor.UpdateStartTimes(0, -1);
    // Items 0..3 are the window: untouched (no item at -1 to count from); 4 is cleared, 5 is
    // fixed.
    EXPECT_EQ(starts(), (QStringList{"old", "old", "old", "old", "", "old"}));
}

TEST_F(TimingTest, StartTimesFollowOnFromThePlayingItem) {
    editor.settings.countStartTimeFor = 3;
    fill(6);
    {
        TVirtualItem it = lists.LVMaster.at(2);
        it.Columns[kColDurationText] = "123:45";
        lists.LVMaster.SetItem(2, it);
    }
    lists.LVMaster.SetPlayingIndex(1);
    loop.runFor(5000); // 12:00:05
    host.positionMs = 2500;
    editor.UpdateStartTimes(1, 0);
    // 12:00:05 less the 2 s already played, then on by the lengths (the third is 123:45).
    EXPECT_EQ(starts(), (QStringList{"", "12:00:05", "12:01:03", "14:04:48", "14:05:48", ""}));
    EXPECT_TRUE(lists.LVMaster.at(1).StartFixed);
    EXPECT_FALSE(lists.LVMaster.at(2).StartFixed);
    // An edit recomputes after the playing item without touching its own time.
    loop.runFor(10000);
    host.positionMs = 12000;
    editor.startTimesFromPlaying();
    EXPECT_EQ(starts(),
              (QStringList{"", "12:00:05", "12:01:03", "14:04:48", "14:05:48", "14:06:48"}));
    // Stop clears every time that is not fixed.
    editor.UpdateStartTimes(0, 0, true);
    EXPECT_EQ(starts(), (QStringList{"", "12:00:05", "", "", "", ""}));
    // Out of range: nothing.
    editor.UpdateStartTimes(7, -1);
    editor.UpdateStartTimes(-1, -1);
    EXPECT_EQ(starts(), (QStringList{"", "12:00:05", "", "", "", ""}));
}

TEST_F(TimingTest, TimesOutsideTheWindowGoHoweverTheyCameThere) {
    editor.settings.countStartTimeFor = 2;
    fill(8);
    lists.LVMaster.SetPlayingIndex(0);
    editor.UpdateStartTimes(0, 0);
    EXPECT_EQ(starts(), (QStringList{"12:00:00", "12:01:00", "12:02:00", "", "", "", "", ""}));
    // A pasted item brings its old time along; an undone edit brings times back.
    lists.LVMaster.selectOnly(1);
    lists.LVMaster.CopySelection();
    lists.LVMaster.selectOnly(5);
    lists.LVMaster.PasteClipboard();
    EXPECT_EQ(lists.LVMaster.at(6).StartTime(), "12:01:00");
    editor.UpdateStartTimes(1, -1);
    EXPECT_EQ(starts(),
              (QStringList{"12:00:00", "12:01:00", "12:02:00", "12:03:00", "", "", "", "", ""}));
    lists.LVMaster.PushUndo();
    editor.UpdateStartTimes(0, 0, true);
    EXPECT_EQ(lists.LVMaster.unfixedStartTimeCount(), 0);
    lists.LVMaster.Undo();
    lists.LVMaster.SetPlayingIndex(4);
    editor.UpdateStartTimes(5, -1);
    // The times the undo brought back before the playing item go; the fixed one stays.
    EXPECT_EQ(starts(),
              (QStringList{"12:00:00", "", "", "", "", "12:01:00", "12:02:00", "12:03:00", ""}));
}

TEST_F(TimingTest, TimesPastMidnightWrap) {
    EXPECT_EQ(timeOfDayText(86400 + 61), "00:01:01");
    EXPECT_EQ(timeOfDayText(-1), "23:59:59");
    PlaylistView master;
    for (int i = 0; i < 3; ++i) {
        TVirtualItem it;
        it.Columns[kColDurationText] = "30:00";
        master.AppendItem(it);
    }
    UpdateStartTimes(master, 0, 0, false, {50, 23 * 3600 + 45 * 60, 0});
    EXPECT_EQ(master.at(0).StartTime(), "23:45:00");
    EXPECT_EQ(master.at(1).StartTime(), "00:15:00");
    EXPECT_EQ(master.at(2).StartTime(), "00:45:00");
}

} // namespace
