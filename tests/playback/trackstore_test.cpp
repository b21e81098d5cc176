// The controller bound to the real per-track store: the item's own values drive its
// transition, and every start is recorded.
#include "common/trackstore/trackstore.h"
#include "playbackfixture.h"
#include "player/core/playback/trackstorerecords.h"

namespace wc::playback::test {
namespace {

class TrackStorePlayoutTest : public PlaybackTest {};

TEST_F(TrackStorePlayoutTest, OwnValuesDriveTheTransitionAndStartsAreCounted) {
    for (bool count : {true, false}) {
        SCOPED_TRACE(count);
        MyDatabase store(dir.filePath(count ? "counted.dat" : "uncounted.dat"));
        int broadcasts = 0;
        store.setNotifier([&](quint8) { ++broadcasts; });
        ASSERT_TRUE(store.LoadTrackStore());
        master.ClearItems();
        const QString a = tone("a.wav", 2.0, 0), b = tone("b.wav", 3.0, 1);
        add("first", a);
        add("second", b);
        TTrackRecord own = store.GetTrackRecord(b);
        own.mixOn = true;
        own.mixMs = 1500;
        own.outroMs = 700;
        ASSERT_TRUE(store.SetTrackRecord(b, own));
        broadcasts = 0;

        TrackStoreRecords records(store);
        make();
        controller->setTrackRecords(&records);
        controller->setCountPlays(count);
        const double startA = loop.nowOle();
        startFirst();
        EXPECT_EQ(controller->TransitionType, 1);
        loop.runFor(2100);
        ASSERT_EQ(master.PlayingIndex(), 1);
        const double startB = loop.nowOle();
        EXPECT_EQ(controller->TransitionType, CrossfadeTable::kItemEntry);
        EXPECT_FLOAT_EQ(controller->DeckA().mixAheadMs, 1500.0f);
        EXPECT_FLOAT_EQ(controller->DeckA().outroAheadMs, 700.0f);

        const TTrackRecord ra = store.GetTrackRecord(a), rb = store.GetTrackRecord(b);
        EXPECT_EQ(ra.playCount, count ? 1 : 0);
        EXPECT_EQ(rb.playCount, count ? 1 : 0);
        EXPECT_NEAR(ra.lastPlay, startA, 1.0 / 86400);
        EXPECT_NEAR(rb.lastPlay, startB, 0.2 / 86400);
        EXPECT_EQ(rb.mixMs, 1500); // the play did not touch the item's own values
        EXPECT_EQ(broadcasts, 2);
        // Another holder of the file sees the same.
        MyDatabase other(store.path());
        ASSERT_TRUE(other.LoadTrackStore());
        EXPECT_EQ(other.GetTrackRecord(b).playCount, count ? 1 : 0);
        controller.reset();
    }
}

} // namespace
} // namespace wc::playback::test
