// The main timer: music and gain fades, mute and the microphone's request, the time labels,
// the diagnostics line, the heartbeat, the clock and the silence detector.
#include "playbackfixture.h"
#include "player/core/playback/maintimer.h"

#include <QFile>

namespace wc::playback::test {
namespace {

struct RecordingView : PlaybackView {
    QString first, second, diagnostics, gainText, clock, autoAmp;
    int bar = -1, slider = 0, centred = 0;
    bool gainEnabled = true;
    void setTimeLabels(const QString& a, const QString& b) override {
        first = a;
        second = b;
    }
    void setDiagnostics(const QString& t) override { diagnostics = t; }
    void setGainText(const QString& t) override { gainText = t; }
    void setGainSlider(int p) override { slider = p; }
    void setGainEnabled(bool on) override { gainEnabled = on; }
    void setClockText(const QString& t) override { clock = t; }
    void setAutoAmpText(const QString& t) override { autoAmp = t; }
    void setPositionBar(int p) override { bar = p; }
    void centreOnPlaying() override { ++centred; }
};

struct RecordingTimerHooks : MainTimerHooks {
    std::vector<std::pair<int, int>> heartbeats;
    void Heartbeat(int index, int pos) override { heartbeats.emplace_back(index, pos); }
};

class MainTimerTest : public PlaybackTest {
protected:
    MainTimer& makeTimer() {
        make();
        timer = std::make_unique<MainTimer>(*controller, profile, ini);
        timer->setView(&view);
        timer->setHooks(&timerHooks);
        return *timer;
    }
    void TearDown() override {
        timer.reset();
        PlaybackTest::TearDown();
    }
    RecordingView view;
    RecordingTimerHooks timerHooks;
    std::unique_ptr<MainTimer> timer;
};

TEST(ClockTextTest, TimesOfDayIn24And12Hours) {
    struct Case {
        double secondsOfDay;
        bool clock24;
        const char* text;
    };
    const Case cases[] = {
        {0, true, "00:00:00"},
        {0, false, "12:00:00 A"},
        {13 * 3600 + 5 * 60 + 9, true, "13:05:09"},
        {13 * 3600 + 5 * 60 + 9, false, "01:05:09 P"},
        {12 * 3600, false, "12:00:00 P"},
        {11 * 3600 + 59 * 60 + 59, false, "11:59:59 A"},
        {86399.4, true, "23:59:59"},
        {86399.6, true, "00:00:00"}, // never 24:00:00
        {86399.6, false, "12:00:00 A"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClockText(46365.0 + c.secondsOfDay / 86400.0, c.clock24), c.text)
            << c.secondsOfDay;
}

TEST_F(MainTimerTest, MusicFadeReachesItsTargetAndZeroDurationSetsItAtOnce) {
    add("a", tone("a.wav", 4.0, 0));
    MainTimer& t = makeTimer();
    startFirst();
    t.StartMusicFade(30, 1000);
    int ticks = 0;
    while (t.musicFadeRunning() && ticks < 100) {
        t.tick();
        ++ticks;
    }
    EXPECT_EQ(ticks, 19);
    EXPECT_EQ(t.MusicVolume(), 30);
    EXPECT_EQ(controller->DeckA().Volume(), 30);
    for (int duration : {0, -5}) {
        t.StartMusicFade(80, duration);
        EXPECT_FALSE(t.musicFadeRunning());
        EXPECT_EQ(t.MusicVolume(), 80);
        EXPECT_EQ(controller->DeckA().Volume(), 80);
    }
    // The next item starts at the music volume.
    t.SetMusicVolume(55);
    master.selectOnly(0);
    controller->aPlay();
    EXPECT_EQ(controller->DeckA().Volume(), 55);
}

TEST_F(MainTimerTest, GainTargetsAreClampedAndShownAsDecibels) {
    MainTimer& t = makeTimer();
    EXPECT_EQ(view.gainText, "0 dB"); // shown from the start, before the slider moves
    struct Case {
        int target;
        int slider;
        const char* text;
    };
    const Case cases[] = {{40, 31, "-Inf dB"},
                          {-40, -31, "31 dB"},
                          {5, 5, "-5 dB"},
                          {-3, -3, "3 dB"},
                          {0, 0, "0 dB"}};
    for (const Case& c : cases) {
        t.StartGainFade(c.target, 0);
        EXPECT_FALSE(t.gainFadeRunning());
        EXPECT_EQ(t.gainSlider(), c.slider);
        EXPECT_EQ(view.slider, c.slider);
        EXPECT_EQ(view.gainText, c.text);
        EXPECT_EQ(controller->DeckA().gainDb, -c.slider);
        EXPECT_EQ(controller->DeckB().gainDb, -c.slider);
    }
}

TEST_F(MainTimerTest, MuteFadesToItsLevelAndBackAndTheLargerRequestWins) {
    profile.MuteLevel = -30;
    profile.MuteFadeTime = 1000;
    MainTimer& t = makeTimer();
    auto settle = [&] {
        int ticks = 0;
        while (t.gainFadeRunning() && ticks < 100) {
            t.tick();
            ++ticks;
        }
        return ticks;
    };
    t.toggleMute();
    EXPECT_TRUE(t.gainFadeRunning());
    EXPECT_FALSE(view.gainEnabled);
    EXPECT_GT(settle(), 1);
    EXPECT_EQ(t.gainSlider(), 30);
    EXPECT_EQ(view.gainText, "-30 dB");
    EXPECT_EQ(controller->DeckA().gainDb, -30);
    // The microphone asks for less: mute still wins; releasing mute fades to the microphone.
    t.setMicRequest(15, true, 400);
    settle();
    EXPECT_EQ(t.gainSlider(), 30);
    t.toggleMute();
    EXPECT_TRUE(view.gainEnabled);
    settle();
    EXPECT_EQ(t.gainSlider(), 15);
    t.setMicRequest(15, false, 400);
    settle();
    EXPECT_EQ(t.gainSlider(), 0); // the user's own position, kept through the fades
    // A mute level above the slider's range stops at its end.
    profile.MuteLevel = -45;
    t.toggleMute();
    settle();
    EXPECT_EQ(t.gainSlider(), 31);
}

TEST_F(MainTimerTest, TimeLabelsPositionBarAndDiagnostics) {
    add("a", tone("a.wav", 4.0, 0));
    MainTimer& t = makeTimer();
    t.tick();
    t.tick();
    EXPECT_EQ(view.first, "00:00.0");
    EXPECT_EQ(view.bar, 0);
    EXPECT_EQ(view.diagnostics, "Volumes: A: -1 B: -1. State: A: stop B: stop V: stop");
    EXPECT_EQ(view.autoAmp, "off");
    startFirst();
    loop.runFor(1000);
    struct Case {
        int showType;
        bool second;
        const char* first;
        const char* secondText;
    };
    const Case cases[] = {{0, true, "– 00:03.0", "00:01.0"},
                          {1, true, "00:01.0", "– 00:03.0"},
                          {0, false, "– 00:03.0", ""}};
    for (const Case& c : cases) {
        profile.TimeShowType = c.showType;
        profile.ShowSecondTimeLabel = c.second;
        t.tick();
        t.tick();
        EXPECT_EQ(view.first, c.first);
        EXPECT_EQ(view.second, c.secondText);
    }
    EXPECT_EQ(view.bar, 250);
    EXPECT_EQ(view.diagnostics, "Volumes: A: 100 B: -1. State: A: play B: stop V: stop");
    controller->positionBarPressed(); // the user drags: the timer leaves the bar alone
    loop.runFor(1000);
    t.tick();
    EXPECT_EQ(view.bar, 250);
}

TEST_F(MainTimerTest, HeartbeatEveryHundredTicksAndTimer2CentresOnce) {
    add("a", tone("a.wav", 10.0, 0));
    MainTimer& t = makeTimer();
    startFirst();
    t.start();
    loop.runFor(10025);
    EXPECT_EQ(t.TickCount(), 200);
    ASSERT_EQ(timerHooks.heartbeats.size(), 2u);
    EXPECT_EQ(timerHooks.heartbeats[0].first, 0);
    EXPECT_NEAR(timerHooks.heartbeats[0].second, 5000, 60);
    EXPECT_EQ(view.centred, 1);
    EXPECT_FALSE(view.clock.isEmpty());
}

TEST_F(MainTimerTest, SilenceDetectorActsAfterItsIntervalButNotWhilePaused) {
    profile.QuietOn = true;
    profile.QuietInterval = 2;
    struct Case {
        int action;
        bool pause;
        bool acts;
    };
    const Case cases[] = {{1, false, true}, {2, false, true}, {3, false, true}, {2, true, false}};
    const QString emergency = dir.filePath("emergency.m3u");
    const QString emergencyItem = tone("e.wav", 3.0, 1);
    {
        QFile f(emergency);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write((emergencyItem + "\r\n").toUtf8());
    }
    profile.QuietList = emergency;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        master.ClearItems();
        add("a", tone("a.wav", 1.0, 0));
        profile.QuietAction = c.action;
        MainTimer& t = makeTimer();
        t.start();
        startFirst();
        if (c.pause) {
            loop.runFor(500);
            controller->aPause();
        }
        loop.runFor(2900); // the item ended after 1 s: 1.9 s of silence so far
        EXPECT_EQ(master.PlayingIndex(), c.pause ? 0 : -1);
        EXPECT_EQ(hooks.announced.size(), 1);
        loop.runFor(200);
        EXPECT_EQ(master.PlayingIndex(), 0); // restarted, or still the paused item
        if (c.acts) {
            EXPECT_EQ(hooks.announced.size(), 2);
            EXPECT_EQ(controller->DeckA().state, audio::DeckPlay);
            EXPECT_EQ(hooks.announced.last(),
                      c.action == 3 ? emergencyItem : master.at(0).FileName());
        } else {
            EXPECT_EQ(hooks.announced.size(), 1);
            EXPECT_EQ(controller->DeckA().state, audio::DeckPause);
        }
        hooks.announced.clear();
        timer.reset();
        controller.reset();
    }
}

TEST_F(MainTimerTest, SilenceDetectorIntervalBelowOneSecondCountsAsOne) {
    profile.QuietOn = true;
    profile.QuietAction = 2; // restart from the top
    for (const int interval : {0, -3}) {
        SCOPED_TRACE(interval);
        profile.QuietInterval = interval;
        master.ClearItems();
        add("a", tone("a.wav", 1.0, 0));
        MainTimer& t = makeTimer();
        t.start();
        startFirst();
        loop.runFor(1900); // the item ended after 1 s: 0.9 s of silence so far
        EXPECT_EQ(master.PlayingIndex(), -1);
        EXPECT_EQ(hooks.announced.size(), 1);
        loop.runFor(200);
        EXPECT_EQ(master.PlayingIndex(), 0);
        EXPECT_EQ(hooks.announced.size(), 2);
        EXPECT_EQ(controller->DeckA().state, audio::DeckPlay);
        hooks.announced.clear();
        timer.reset();
        controller.reset();
    }
}

TEST_F(MainTimerTest, SilenceDetectorNextTrackGoesOnAfterTheLastPlayedItem) {
    profile.QuietOn = true;
    profile.QuietInterval = 2;
    profile.QuietAction = 1;
    add("a", tone("a.wav", 5.0, 0));
    add("b", tone("b.wav", 5.0, 1));
    add("c", tone("c.wav", 5.0, 0));
    MainTimer& t = makeTimer();
    t.start();
    startFirst();
    loop.runFor(1000);
    controller->aStop();
    controller->aStop();
    EXPECT_EQ(controller->LastPlayedIndex, 0);
    loop.runFor(1900);
    EXPECT_EQ(master.PlayingIndex(), -1);
    loop.runFor(200);
    EXPECT_EQ(master.PlayingIndex(), 1); // the item after the last one played
    EXPECT_EQ(hooks.announced.last(), master.at(1).FileName());
}

} // namespace
} // namespace wc::playback::test
