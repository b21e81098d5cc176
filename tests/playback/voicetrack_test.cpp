// Voice tracks: a link that does not fit into the overlap plays on DeckV after the item and
// VoiceTrackTimer starts the next music item; Pause holds that timer and Stop ends it.
#include "playbackfixture.h"
#include "player/core/playback/maintimer.h"

namespace wc::playback::test {
namespace {

class VoiceTrackTest : public PlaybackTest {
protected:
    void SetUp() override {
        PlaybackTest::SetUp();
        ini.VoiceTrackEnabled = true;
        ini.VoiceTrackMusicLev = -10;
        add("music one", tone("m1.wav", 3.0, 0));
        add("Voice Track to two", tone("v.wav", 2.0, 1, 300.0));
        add("music two", tone("m2.wav", 3.0, 0));
        make();
        timer = std::make_unique<MainTimer>(*controller, profile, ini);
        timer->start();
    }
    void TearDown() override {
        timer.reset();
        PlaybackTest::TearDown();
    }
    std::unique_ptr<MainTimer> timer;
};

TEST_F(VoiceTrackTest, LinkPlaysAfterTheItemAndTheTimerStartsTheNextMusic) {
    startFirst();
    EXPECT_TRUE(controller->NextIsVoiceTrack);
    EXPECT_TRUE(controller->VoiceTrackTooLong);
    loop.runFor(3500);
    EXPECT_EQ(controller->DeckV().state, audio::DeckPlay);
    EXPECT_EQ(master.PlayingIndex(), 1);
    EXPECT_TRUE(controller->VoiceTrackPending);
    // The music decks carry the voice-track level while the link plays.
    EXPECT_EQ(controller->DeckA().gainDb, -10);
    EXPECT_EQ(controller->DeckB().gainDb, -10);
    loop.runFor(1600); // the link ends at 5 s
    ASSERT_EQ(hooks.announced.size(), 2);
    EXPECT_EQ(master.PlayingIndex(), 2);
    EXPECT_NEAR(double(hooks.announcedAt[1]), 5000.0, 100.0);
    // Within one tick of the link's end the music is back at the slider's level.
    EXPECT_EQ(controller->DeckA().gainDb, 0);
    // The link was heard in full on the right channel, the music after it on the left.
    const long voiceStart = firstSound(1);
    EXPECT_NEAR(double(voiceStart), double(frameAt(3000)), kTickFrames + 441);
    EXPECT_GE(lastSound(1) - voiceStart, long(frameAt(2000)) - 240);
}

TEST_F(VoiceTrackTest, PauseHoldsTheTimerAndStopEndsIt) {
    struct Case {
        const char* what;
        int pauseMs; // 0: Stop instead
        double expectedStartMs;
    };
    const Case cases[] = {{"pause", 1000, 6000.0}, {"stop", 0, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        hooks.announced.clear();
        hooks.announcedAt.clear();
        const qint64 t0 = loop.tickMs();
        startFirst();
        loop.runFor(3500);
        ASSERT_TRUE(controller->voiceTimerActive());
        if (c.pauseMs > 0) {
            controller->aPause();
            EXPECT_EQ(controller->DeckV().state, audio::DeckPause);
            loop.runFor(c.pauseMs);
            EXPECT_EQ(hooks.announced.size(), 1); // held while paused
            controller->aPause();
        } else {
            controller->aStop();
            EXPECT_FALSE(controller->voiceTimerActive());
        }
        if (c.expectedStartMs < 0) {
            // The operator starts the first item again; no leftover timer cuts it.
            master.selectOnly(0);
            controller->aPlay();
            loop.runFor(2500);
            EXPECT_EQ(hooks.announced.size(), 2);
            EXPECT_EQ(master.PlayingIndex(), 0);
            EXPECT_EQ(controller->DeckA().fileName, master.at(0).FileName());
        } else {
            loop.runFor(4000);
            ASSERT_EQ(hooks.announced.size(), 2);
            EXPECT_NEAR(double(hooks.announcedAt[1] - t0), c.expectedStartMs, 100.0);
        }
        controller->aStop();
        controller->aStop();
        loop.runFor(200);
    }
}

TEST_F(VoiceTrackTest, LookAheadLeavesThePlayNextMarkAlone) {
    master.SetNextIndex(2);
    startFirst();
    EXPECT_EQ(master.NextIndex(), 2);
    EXPECT_FALSE(controller->NextIsVoiceTrack); // the marked item is music
}

} // namespace
} // namespace wc::playback::test
