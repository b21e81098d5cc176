// What the clock second and the ticks give the window beyond the time labels: the load panels
// from the hooks, the auto-amp label, and the time-label and clock switches of the profile.
#include "playbackfixture.h"
#include "player/core/playback/maintimer.h"

#include <optional>

namespace wc::playback::test {
namespace {

struct PanelView : PlaybackView {
    QString cpu, memory, autoAmp, clock, first, second;
    int loads = 0;
    void setStatusLoad(const QString& c, const QString& m) override {
        cpu = c;
        memory = m;
        ++loads;
    }
    void setAutoAmpText(const QString& t) override { autoAmp = t; }
    void setClockText(const QString& t) override { clock = t; }
    void setTimeLabels(const QString& a, const QString& b) override {
        first = a;
        second = b;
    }
};

struct LoadHooks : MainTimerHooks {
    double cpu = 0, memory = 0;
    std::optional<double> amp;
    double CpuLoad() override { return cpu; }
    double MemoryLoad() override { return memory; }
    std::optional<double> AutoAmpFactor() override { return amp; }
};

class MainTimerDisplayTest : public PlaybackTest {
protected:
    MainTimer& makeTimer(bool withHooks = true) {
        make();
        timer = std::make_unique<MainTimer>(*controller, profile, ini);
        timer->setView(&view);
        if (withHooks) timer->setHooks(&loadHooks);
        return *timer;
    }
    void TearDown() override {
        timer.reset();
        PlaybackTest::TearDown();
    }
    PanelView view;
    LoadHooks loadHooks;
    std::unique_ptr<MainTimer> timer;
};

TEST_F(MainTimerDisplayTest, LoadPanelsShowTheHooksFigures) {
    MainTimer& t = makeTimer();
    struct Case {
        double cpu, memory;
        const char *cpuText, *memoryText;
    };
    const Case cases[] = {
        {12.34, 56.6, "12.3%", "57%"},
        {0.0, 0.0, "0.0%", "0%"},
        {100.0, 99.4, "100.0%", "99%"},
    };
    for (const Case& c : cases) {
        loadHooks.cpu = c.cpu;
        loadHooks.memory = c.memory;
        t.clockTick();
        EXPECT_EQ(view.cpu, c.cpuText);
        EXPECT_EQ(view.memory, c.memoryText);
    }
}

TEST_F(MainTimerDisplayTest, WithoutHooksThePanelsReadZero) {
    MainTimer& t = makeTimer(false);
    t.clockTick();
    EXPECT_EQ(view.cpu, "0.0%");
    EXPECT_EQ(view.memory, "0%");
}

TEST_F(MainTimerDisplayTest, AutoAmpLabelShowsTheFactorOrOff) {
    MainTimer& t = makeTimer();
    struct Case {
        std::optional<double> amp;
        const char* text;
    };
    const Case cases[] = {{std::nullopt, "off"}, {1.0, "x1.00"}, {2.345, "x2.35"}, {0.5, "x0.50"}};
    for (const Case& c : cases) {
        loadHooks.amp = c.amp;
        t.tick();
        EXPECT_EQ(view.autoAmp, c.text);
    }
}

TEST_F(MainTimerDisplayTest, SwitchesChangeTheProfileAndTheDisplay) {
    add("a", tone("a.wav", 4.0, 0));
    profile.TimeShowType = 0;
    profile.ShowSecondTimeLabel = true;
    profile.Clock24h = true;
    MainTimer& t = makeTimer();
    startFirst();
    loop.runFor(1000);
    auto twoTicks = [&] {
        t.tick();
        t.tick();
    };
    twoTicks();
    EXPECT_EQ(view.first, "– 00:03.0");
    EXPECT_EQ(view.second, "00:01.0");
    t.toggleTimeShowType();
    EXPECT_EQ(profile.TimeShowType, 1);
    twoTicks();
    EXPECT_EQ(view.first, "00:01.0");
    EXPECT_EQ(view.second, "– 00:03.0");
    t.toggleSecondLabel();
    EXPECT_FALSE(profile.ShowSecondTimeLabel);
    twoTicks();
    EXPECT_EQ(view.first, "00:01.0");
    EXPECT_EQ(view.second, "");
    t.toggleSecondLabel();
    t.toggleTimeShowType();
    twoTicks();
    EXPECT_EQ(view.first, "– 00:03.0");
    EXPECT_EQ(view.second, "00:01.0");
    // The clock switch redraws the clock (and the panels) at once.
    const int loads = view.loads;
    t.toggleClock24h();
    EXPECT_FALSE(profile.Clock24h);
    EXPECT_TRUE(view.clock.endsWith(" A") || view.clock.endsWith(" P")) << view.clock.toStdString();
    EXPECT_EQ(view.loads, loads + 1);
    t.toggleClock24h();
    EXPECT_EQ(view.clock.size(), 8) << view.clock.toStdString();
}

} // namespace
} // namespace wc::playback::test
