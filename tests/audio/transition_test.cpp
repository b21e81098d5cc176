// Nothing audible goes wrong while the main thread works: opens, seeks and frees on some
// decks leave the audio of another deck untouched (rendered by a thread of its own, as a
// sound card's thread does), and an item armed to follow another starts on its exact frame.
#include "audio/audioengine.h"
#include "audio/device.h"
#include "common/settings.h"
#include "common/simloop.h"
#include "fixtures.h"
#include "manualoutput.h"

#include <QString>
#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>

using namespace wc::audio;
using namespace wc::audio::test;

namespace {

// Frame i of the test signal: a ramp that never repeats within the file and is never zero,
// so a missing, repeated or silent frame shows at once. Float WAV keeps it exact.
float ramp(long i) {
    return float((i % 65536) + 1) / 131072.0f;
}

Pcm rampPcm(double seconds) {
    Pcm p;
    const long n = long(seconds * 44100);
    p.samples.resize(std::size_t(n) * 2);
    for (long i = 0; i < n; ++i) {
        p.samples[std::size_t(i) * 2] = ramp(i);
        p.samples[std::size_t(i) * 2 + 1] = -ramp(i);
    }
    return p;
}

class TransitionTest : public ManualOutputTest {
protected:
    void SetUp() override {
        ManualOutputTest::SetUp();
        wc::setClock(&loop);
        wc::setTimerHost(&loop);
        InitGlobals(ini);
        CreateMixer(0);
    }
    void TearDown() override {
        decks.clear();
        FreeMixer();
        sys.setManualRealTime(false);
        sys.setBufferMs(500);
        ManualOutputTest::TearDown();
        wc::setClock(nullptr);
        wc::setTimerHost(nullptr);
    }
    TAudioEngine& deck() {
        decks.push_back(
            std::make_unique<TAudioEngine>([](TAudioEngine&, DeckReport, int) { return 1; }));
        decks.back()->mixerMode = true;
        return *decks.back();
    }
    QString wav(const char* name, const Pcm& p) {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(writeWav(path, p, true));
        return path;
    }

    wc::SimLoop loop{46365.5, 10};
    wc::TSystemIni ini;
    std::vector<std::unique_ptr<TAudioEngine>> decks;
};

TEST_F(TransitionTest, OpensSeeksAndFreesOnOtherDecksLeaveThePlayingDeckWithoutADropout) {
    const QString tone = wav("ramp.wav", rampPcm(20.0));
    const QString other = wav("other.wav", sine(30.0, 300.0));
    const QString mp3 = dir.filePath("other.mp3");
    ASSERT_TRUE(ffmpegConvert(other, mp3, {"-c:a", "libmp3lame", "-b:a", "128k"}));

    // The deck on air decodes far ahead, so that only the render lock could starve it.
    sys.setBufferMs(5000);
    TAudioEngine& onAir = deck();
    onAir.Open(tone, false);
    ASSERT_EQ(onAir.lastError, 0);
    sys.setBufferMs(500);
    TAudioEngine* others[] = {&deck(), &deck(), &deck()};

    // From here the device renders on its own thread and never waits, like a sound card's,
    // at twice the real-time rate.
    sys.setManualRealTime(true);
    ManualDevice* dev = sys.manualDevice(1);
    ASSERT_NE(dev, nullptr);
    std::atomic<bool> stop{false};
    std::atomic<long> rendered{0};
    std::thread render([&] {
        const auto start = std::chrono::steady_clock::now();
        long frames = 0;
        while (!stop.load()) {
            rendered = frames;
            dev->renderFrames(512);
            frames += 512;
            std::this_thread::sleep_until(start +
                                          std::chrono::microseconds(frames * 500000 / 44100));
        }
    });

    while (rendered.load() < 4096)
        std::this_thread::yield();
    for (int i = 0; i < 200; ++i) {
        TAudioEngine& d = *others[i % 3];
        switch (i % 5) {
        case 0:
            d.Open(i % 2 ? mp3 : other, true);
            break;
        case 1:
        case 2:
        case 3:
            d.SeekMs((i * 7919) % 28000);
            break;
        default:
            d.StopAndFree();
            break;
        }
    }
    stop = true;
    render.join();
    sys.setManualRealTime(false);

    // Every rendered frame from the first on is the next frame of the ramp.
    std::size_t first = 0;
    while (first < renderedFrames() && left(first) == 0.0f)
        ++first;
    const std::size_t n = renderedFrames();
    ASSERT_GT(n - first, 8192u);
    ASSERT_LT(n - first, 20u * 44100u);
    long wrong = 0;
    std::size_t firstWrong = 0;
    for (std::size_t i = first; i < n; ++i)
        if (left(i) != ramp(long(i - first)) || right(i) != -ramp(long(i - first))) {
            if (wrong++ == 0) firstWrong = i - first;
        }
    EXPECT_EQ(wrong, 0) << "first wrong frame " << firstWrong << " of " << (n - first)
                        << "; blocks of silence because the lock was held: " << dev->lockMisses();
    EXPECT_EQ(left(first), ramp(0)); // the item began with its first frame
}

struct ArmCase {
    const char* name;
    int currentRate, nextRate;
    float mixMs;
};

class ArmedStart : public TransitionTest, public ::testing::WithParamInterface<ArmCase> {};

// Current item: 2 s of 0.5 on the left, then 0.5 s of silence (its trailing silence, cut
// off); next item: 0.25 on the right. The next item's first frame lies exactly where the
// current item's sound ends (mix 0, and then nothing more of the current item is heard), or
// the mix before it.
TEST_P(ArmedStart, TheNextItemStartsOnItsFrame) {
    const ArmCase c = GetParam();
    Pcm cur = constant(2.0, 0.5f, c.currentRate);
    append(cur, silence(0.5, c.currentRate));
    for (std::size_t i = 1; i < cur.samples.size(); i += 2)
        cur.samples[i] = 0;
    Pcm nxt = constant(3.0, 0.25f, c.nextRate);
    for (std::size_t i = 0; i < nxt.samples.size(); i += 2)
        nxt.samples[i] = 0;

    TAudioEngine& a = deck();
    a.Open(wav("cur.wav", cur), false);
    a.trailingBytes = std::int64_t(c.currentRate / 2) * kBytesPerFrame; // its silence analysis
    TAudioEngine& b = deck();
    ASSERT_TRUE(b.OpenArmed(wav("next.wav", nxt), a, c.mixMs));
    EXPECT_TRUE(b.ArmPending());
    sys.renderManual(44100 * 3);
    EXPECT_TRUE(b.ArmFired());

    long startB = -1, lastA = -1;
    for (std::size_t i = 0; i < renderedFrames(); ++i) {
        if (left(i) != 0.0f) lastA = long(i);
        if (startB < 0 && right(i) != 0.0f) startB = long(i);
    }
    // Where the current item's source reaches its trigger, in output frames.
    const double trigger = (2.0 - c.mixMs / 1000.0) * c.currentRate;
    const double expected = std::ceil(trigger * 44100.0 / c.currentRate - 1e-9);
    if (c.currentRate == 44100)
        EXPECT_EQ(startB, long(expected));
    else
        EXPECT_NEAR(double(startB), expected, 1.0);
    if (c.mixMs <= 0) {
        EXPECT_EQ(lastA, startB - 1) << "no gap and no overlap";
    } else {
        EXPECT_GE(lastA, startB + long(c.mixMs * 44.1) - 2) << "the current item plays on";
    }
    EXPECT_EQ(right(std::size_t(startB)), 0.25f); // at its full level at once
}

INSTANTIATE_TEST_SUITE_P(Cases, ArmedStart,
                         ::testing::Values(ArmCase{"no_mix", 44100, 44100, 0},
                                           ArmCase{"mix", 44100, 44100, 700},
                                           ArmCase{"no_mix_from_48k", 48000, 44100, 0},
                                           ArmCase{"no_mix_into_48k", 44100, 48000, 0},
                                           ArmCase{"mix_from_48k", 48000, 48000, 700}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TransitionTest, AHeldArmWaitsAndAFreedCurrentLeavesTheNextPaused) {
    TAudioEngine& a = deck();
    a.Open(wav("cur.wav", constant(1.0, 0.5f)), false);
    TAudioEngine& b = deck();
    ASSERT_TRUE(b.OpenArmed(wav("next.wav", constant(1.0, 0.25f)), a, 500));
    b.HoldArm(true);
    sys.renderManual(44100 * 3 / 4);
    EXPECT_TRUE(b.ArmPending()); // its trigger passed while it was held
    EXPECT_FALSE(b.ArmFired());
    b.HoldArm(false);
    sys.renderManual(512);
    EXPECT_TRUE(b.ArmFired()); // let go after its frame: it starts in the next block
    b.TakeArmed(true);
    EXPECT_EQ(b.state, DeckPlay);

    TAudioEngine& c = deck();
    ASSERT_TRUE(c.OpenArmed(wav("third.wav", constant(1.0, 0.1f)), b, 0));
    b.StopAndFree(); // its trigger is gone with it
    EXPECT_FALSE(c.ArmPending());
    sys.renderManual(44100 * 2);
    EXPECT_FALSE(c.ArmFired());
    c.TakeArmed(false); // started by hand
    const std::size_t before = renderedFrames();
    sys.renderManual(512);
    EXPECT_FLOAT_EQ(left(before + 10), 0.1f);
}

} // namespace
