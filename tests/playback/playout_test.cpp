// End to end: a playlist of generated tones played by the controller through two real decks
// and the mixer on the manual device, checked from the rendered audio. Items alternate
// between the left and the right channel so each can be followed on its own.
#include "playbackfixture.h"

namespace wc::playback::test {
namespace {

class PlayoutTest : public PlaybackTest {};

TEST_F(PlayoutTest, MixFadeAndFadeInOfTheMusicEntryShapeTheTransition) {
    profile.Crossfade.entries[1] = CrossfadeEntry{3.0f, 2.0f, 1.0f, true, true, true};
    add("first", tone("a.wav", 8.0, 0));
    add("second", tone("b.wav", 8.0, 1));
    add("third", tone("c.wav", 8.0, 0));
    make();
    startFirst();
    ASSERT_EQ(master.PlayingIndex(), 0);
    loop.runFor(12000);

    const double endA = 8000.0; // the first item starts at frame 0, its effective end is 8 s
    ASSERT_GE(firstSound(0), 0);
    EXPECT_LT(firstSound(0), 100);

    // The second item starts 3 s before the first item's end, within one watcher tick.
    const long startB = firstSound(1);
    ASSERT_GE(startB, 0);
    EXPECT_GE(double(startB), double(frameAt(endA - 3000)) - 2);
    EXPECT_LE(double(startB), double(frameAt(endA - 3000)) + kTickFrames + 441);

    // It rises from silence over 1 s.
    const auto b = std::size_t(startB);
    EXPECT_LT(level(1, b + frameAt(100)), 0.25 * kAmp);
    const float half = level(1, b + frameAt(500));
    EXPECT_GT(half, 0.35 * kAmp);
    EXPECT_LT(half, 0.65 * kAmp);
    EXPECT_GT(level(1, b + frameAt(1050)), 0.97 * kAmp);
    EXPECT_GT(level(1, b + frameAt(4000)), 0.97 * kAmp);

    // The first item plays at full level until 2 s before its end, fades over those 2 s and
    // is silent at its end; nothing of it is heard afterwards.
    EXPECT_GT(level(0, frameAt(endA - 2300)), 0.97 * kAmp);
    const float mid = level(0, frameAt(endA - 1000));
    EXPECT_GT(mid, 0.35 * kAmp);
    EXPECT_LT(mid, 0.65 * kAmp);
    EXPECT_LT(level(0, frameAt(endA - 15)), 0.05 * kAmp);
    EXPECT_EQ(level(0, frameAt(endA + 50)), 0.0f);
    EXPECT_EQ(master.PlayingIndex(), 2);
}

TEST_F(PlayoutTest, WithoutMixAndFadeItemsFollowWithoutOverlapOrGap) {
    add("first", tone("a.wav", 3.0, 0));
    add("second", tone("b.wav", 3.0, 1));
    add("third", tone("c.wav", 3.0, 0));
    make();
    startFirst();
    loop.runFor(10000);

    // The first item was heard whole (its last loud sample lies within a period of 3 s).
    long lastA = -1;
    for (std::size_t i = 0; i < frameAt(4000); ++i)
        if (std::fabs(out[2 * i]) > 1e-3f) lastA = long(i);
    EXPECT_GE(lastA, long(frameAt(3000)) - 120);
    const long startB = firstSound(1);
    ASSERT_GE(startB, 0);
    EXPECT_GT(startB, lastA);                                   // no overlap
    EXPECT_LE(double(startB - lastA), kTickFrames + 441 + 120); // no gap beyond one tick

    const long lastB = lastSound(1);
    const long startC = firstSound(0, std::size_t(startB));
    ASSERT_GE(startC, 0);
    EXPECT_GE(lastB - startB, long(frameAt(3000)) - 240);
    EXPECT_GT(startC, lastB);
    EXPECT_LE(double(startC - lastB), kTickFrames + 441 + 120);
    EXPECT_EQ(master.PlayingIndex(), -1); // the list ended: idle
}

TEST_F(PlayoutTest, FadeSignInTheTitleGivesItsOwnMixAndFade) {
    add("Song ^5", tone("a.wav", 8.0, 0));
    add("next", tone("b.wav", 8.0, 1));
    make();
    startFirst();
    EXPECT_EQ(controller->TransitionType, CrossfadeTable::kItemEntry);
    loop.runFor(9000);

    const double endA = 8000.0;
    const long startB = firstSound(1);
    ASSERT_GE(startB, 0);
    EXPECT_GE(double(startB), double(frameAt(endA - 5000)) - 2);
    EXPECT_LE(double(startB), double(frameAt(endA - 5000)) + kTickFrames + 441);
    // No fade-in for the sign: the next item is at full level at once.
    EXPECT_GT(level(1, std::size_t(startB) + frameAt(20)), 0.97 * kAmp);
    // The old item fades over the last 5 s.
    EXPECT_GT(level(0, frameAt(endA - 5300)), 0.97 * kAmp);
    const float mid = level(0, frameAt(endA - 2500));
    EXPECT_GT(mid, 0.4 * kAmp);
    EXPECT_LT(mid, 0.6 * kAmp);
    EXPECT_LT(level(0, frameAt(endA - 15)), 0.05 * kAmp);
}

TEST_F(PlayoutTest, AFileThatCannotBeOpenedIsReportedAndTheNextItemPlays) {
    add("first", tone("a.wav", 2.0, 0));
    add("missing", dir.filePath("missing.wav"));
    add("third", tone("c.wav", 2.0, 1));
    make();
    startFirst();
    loop.runFor(5000);
    ASSERT_EQ(hooks.log.size(), 1);
    EXPECT_EQ(hooks.log[0], "Unable to play! Error code =  2 (can't open the file).");
    const long startC = firstSound(1);
    ASSERT_GE(startC, 0);
    EXPECT_LE(double(startC), double(frameAt(2000)) + kTickFrames + 441);
    EXPECT_GE(lastSound(1) - startC, long(frameAt(2000)) - 240);
    // Every start was announced, the failed one too, as it is tried.
    EXPECT_EQ(hooks.announced.size(), 3);
}

TEST_F(PlayoutTest, NothingPlaysAfterMoreThanAHundredFailures) {
    for (int i = 0; i < 150; ++i)
        add("gone", dir.filePath(QStringLiteral("gone%1.wav").arg(i)));
    make();
    startFirst();
    // The first attempt and a hundred retries, then the controller stays idle.
    EXPECT_EQ(hooks.log.size(), 101);
    loop.runFor(500);
    EXPECT_EQ(controller->DeckA().state, audio::DeckStop);
}

} // namespace
} // namespace wc::playback::test

namespace wc::playback::test {
namespace {

TEST_F(PlayoutTest, MixWithoutFadeKeepsTheOldItemAtFullLevelToItsEnd) {
    profile.Crossfade.entries[1] = CrossfadeEntry{2.0f, 0, 0, true, false, false};
    add("first", tone("a.wav", 5.0, 0));
    add("second", tone("b.wav", 5.0, 1));
    make();
    startFirst();
    loop.runFor(5500);
    const long startB = firstSound(1);
    EXPECT_NEAR(double(startB), double(frameAt(3000)), kTickFrames + 441);
    EXPECT_GT(level(0, frameAt(4500)), 0.97 * kAmp);
    EXPECT_GT(level(0, frameAt(4990) - 220), 0.97 * kAmp);
    EXPECT_EQ(level(0, frameAt(5050)), 0.0f);
}

TEST_F(PlayoutTest, FadeInLongerThanTenSecondsIsUsedAndKeptAsTen) {
    profile.Crossfade.entries[1] = CrossfadeEntry{0, 0, 15.0f, false, false, true};
    add("first", tone("a.wav", 12.0, 0));
    make();
    startFirst();
    EXPECT_FLOAT_EQ(profile.Crossfade.entries[1].fadeIn, 10.0f);
    loop.runFor(11000);
    const float half = level(0, frameAt(5000));
    EXPECT_GT(half, 0.4 * kAmp);
    EXPECT_LT(half, 0.6 * kAmp);
    EXPECT_GT(level(0, frameAt(10100)), 0.97 * kAmp);
}

} // namespace
} // namespace wc::playback::test

namespace wc::playback::test {
namespace {

struct SilenceView : PlaybackView {
    QString text;
    int startMark = -1;
    void setSilenceText(const QString& t) override { text = t; }
    void setPositionMarkers(int start, int) override { startMark = start; }
};

// The silence analysis of an item opened without a prepared result finishes after Open on a
// worker: the item's markers and silence label follow once it is known.
TEST_F(PlayoutTest, SilencesLearnedAfterOpenReachTheDisplay) {
    Pcm p = audio::test::sine(4.0, 400.0, kAmp);
    std::fill(p.samples.begin(), p.samples.begin() + 2 * 44100, 0.0f); // 1 s of silence first
    const QString path = dir.filePath("late.wav");
    ASSERT_TRUE(audio::test::writeWav(path, p, true));
    add("late", path);
    DeckSetup setup;
    setup.cutSilence = true;
    controller = std::make_unique<PlaybackController>(master, profile, ini, setup, random);
    controller->setHooks(&hooks);
    SilenceView view;
    controller->setView(&view);
    startFirst();
    loop.runFor(1000);
    ASSERT_EQ(master.PlayingIndex(), 0);
    EXPECT_TRUE(view.text.startsWith("start: 1.0") || view.text.startsWith("start: 0.9"))
        << view.text.toStdString();
    EXPECT_GE(view.startMark, 240); // about a quarter of the length
    EXPECT_LE(view.startMark, 260);
}

} // namespace
} // namespace wc::playback::test
