// Jingles over the programme on real decks through the mixer, on simulated time: the music
// level the open jingles ask for, the early raise before a jingle's end, the level given back
// when one closes, and music items started while jingles play. Levels are read from the
// rendered audio: the music is a tone on the left, the jingles tones on the right.
#include "../playback/playbackfixture.h"
#include "player/core/jingles/overlayjingles.h"
#include "player/core/playback/maintimer.h"

namespace wc::playback::test {
namespace {

struct TimerFader : MusicFader {
    MainTimer* timer = nullptr;
    void StartMusicFade(int target, int ms) override { timer->StartMusicFade(target, ms); }
    void SetMusicVolume(int v) override { timer->SetMusicVolume(v); }
};

class JingleTest : public PlaybackTest {
protected:
    void SetUp() override {
        PlaybackTest::SetUp();
        make();
        timer = std::make_unique<MainTimer>(*controller, profile, ini);
        timer->start();
        fader.timer = timer.get();
        jingles = std::make_unique<JingleList>(profile, fader, [] { return JingleDeckSetup{}; });
        jingles->logEvent = [this](const QString& l) { log << l; };
        controller->setMusicLevelSource([this] { return jingles->MusicLevel(); });
    }
    void TearDown() override {
        jingles.reset();
        timer.reset();
        PlaybackTest::TearDown();
    }
    JinglePlayer& fire(const QString& file, int level, int fadeMs = 1000) {
        return jingles->OpenJingleWindow(
            JingleRequest{file, QStringLiteral("Jingle"), level, fadeMs, false});
    }
    // The music level (percent) and the jingle level heard over the last 5 ms.
    int musicNow() const { return int(std::lround(level(0, renderedFrames() - 220) / kAmp * 100)); }
    int jingleNow() const {
        return int(std::lround(level(1, renderedFrames() - 220) / kAmp * 100));
    }
    void startMusic(double seconds = 30) {
        add("music", tone("music.wav", seconds, 0));
        startFirst();
        loop.runFor(300);
    }
    void runUntilOpen(std::size_t n, qint64 maxMs) {
        loop.runUntil([&] { return jingles->players().size() == n; }, maxMs);
    }

    TimerFader fader;
    std::unique_ptr<MainTimer> timer;
    std::unique_ptr<JingleList> jingles;
    QStringList log;
};

TEST_F(JingleTest, OverlappingJinglesTakeTheMusicToTheLowestLevelAndBackInTurn) {
    startMusic();
    EXPECT_EQ(musicNow(), 100);
    fire(tone("j50.wav", 6.0, 1, 600), 50);
    loop.runFor(1500);
    EXPECT_EQ(musicNow(), 50);
    EXPECT_EQ(jingleNow(), 100); // JinglVolume 100, on air through the mixer
    fire(tone("j30.wav", 2.5, 1, 700), 30);
    loop.runFor(1200);
    EXPECT_EQ(musicNow(), 30);
    EXPECT_EQ(jingles->MusicLevel(), 30);
    EXPECT_EQ(log, (QStringList{"[A] Jingle (j50)", "[A] Jingle (j30)"}));

    // The 30 one raises the music towards the other's level before its end, and at its end
    // the music is at 50 at once, not on its way to 100.
    runUntilOpen(1, 3000);
    EXPECT_EQ(timer->MusicVolume(), 50);
    EXPECT_FALSE(timer->musicFadeRunning());
    loop.runFor(300);
    EXPECT_EQ(musicNow(), 50);

    runUntilOpen(0, 5000);
    EXPECT_EQ(timer->MusicVolume(), 100);
    loop.runFor(200);
    EXPECT_EQ(musicNow(), 100);
    EXPECT_EQ(jingleNow(), 0);
}

TEST_F(JingleTest, ClosingAJingleGivesTheMusicTheOthersLevelAtOnce) {
    startMusic();
    JinglePlayer& low = fire(tone("low.wav", 8.0, 1), 20);
    fire(tone("mid.wav", 8.0, 1), 60);
    loop.runFor(1500);
    EXPECT_EQ(musicNow(), 20);
    low.close(); // Cancel in its window
    EXPECT_EQ(timer->MusicVolume(), 60);
    loop.runFor(60);
    EXPECT_EQ(musicNow(), 60);
    EXPECT_EQ(jingles->players().size(), 1u);
}

TEST_F(JingleTest, AJingleShorterThanTheFadeTimeRaisesTheMusicOnItsFirstTick) {
    profile.ScheduleFadeTime = 1000;
    startMusic();
    const std::size_t from = renderedFrames();
    JinglePlayer& j = fire(tone("short.wav", 0.8, 1), 20);
    EXPECT_FALSE(j.raised());
    loop.runFor(JinglePlayer::kTickMs);
    EXPECT_TRUE(j.raised());
    runUntilOpen(0, 2000);
    loop.runFor(200);
    // At most one step of the lowering was heard before the raise took over.
    float lowest = 1;
    for (std::size_t f = from; f + 220 < renderedFrames(); f += 220)
        lowest = std::min(lowest, level(0, f));
    EXPECT_GT(lowest / kAmp, 0.9f);
    EXPECT_EQ(musicNow(), 100);
}

TEST_F(JingleTest, AMusicItemStartedDuringAJingleStartsAtItsLevel) {
    add("first", tone("a.wav", 30, 0));
    add("second", tone("b.wav", 30, 0, 500));
    startFirst();
    fire(tone("long.wav", 8.0, 1), 40);
    loop.runFor(1500);
    EXPECT_EQ(musicNow(), 40);
    controller->aNextTrack();
    EXPECT_EQ(controller->DeckA().fileName, dir.filePath("b.wav"));
    EXPECT_EQ(controller->DeckA().Volume(), 40);
    loop.runFor(300);
    EXPECT_EQ(musicNow(), 40);
}

TEST_F(JingleTest, AJingleThatCannotBePlayedClosesOnItsFirstTickAndTheMusicComesBack) {
    startMusic();
    fire(dir.filePath("missing.wav"), 30);
    EXPECT_EQ(log, QStringList{"[A] Jingle (missing)"});
    loop.runFor(JinglePlayer::kTickMs);
    EXPECT_TRUE(jingles->players().empty());
    EXPECT_EQ(timer->MusicVolume(), 100);
    loop.runFor(100);
    EXPECT_EQ(musicNow(), 100);
}

} // namespace
} // namespace wc::playback::test
