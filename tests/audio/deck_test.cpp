// Decks played through the real mixer on the manual device, on simulated time: reports,
// slides, silence cutting, gain, the equaliser and the failures of Open.
#include "audio/audioengine.h"
#include "audio/silence.h"
#include "common/settings.h"
#include "common/simloop.h"
#include "fixtures.h"
#include "manualoutput.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <chrono>
#include <cmath>
#include <thread>

using namespace wc::audio;
using namespace wc::audio::test;

namespace {

struct Received {
    DeckReport report;
    int code;
    std::size_t frame; // frames rendered when it came
    int positionMs;
};

class DeckTest : public ManualOutputTest {
protected:
    void SetUp() override {
        ManualOutputTest::SetUp();
        wc::setClock(&loop);
        wc::setTimerHost(&loop);
        sys.attachSimLoop(loop);
        InitGlobals(ini);
    }
    void TearDown() override {
        deck.reset();
        FreeMixer();
        ManualOutputTest::TearDown();
        wc::setClock(nullptr);
        wc::setTimerHost(nullptr);
    }
    // A deck whose owner records every report and answers with answer(report, code).
    TAudioEngine& makeDeck(bool mixerMode = false) {
        InitGlobals(ini);
        if (mixerMode && !MasterMixer()) CreateMixer(0);
        deck = std::make_unique<TAudioEngine>([this](TAudioEngine& d, DeckReport r, int code) {
            got.push_back(Received{r, code, renderedFrames(), d.PositionMs()});
            return answer ? answer(d, r, code) : 1;
        });
        deck->mixerMode = mixerMode;
        return *deck;
    }
    // Runs simulated time until the deck has taken its silence analysis (the first tick).
    void untilSilenceKnown(TAudioEngine& d) {
        for (int i = 0; i < 100 && d.silencePending(); ++i)
            loop.runFor(10);
        ASSERT_FALSE(d.silencePending());
    }
    // A file name used once in this process, so that no earlier analysis of it is ready.
    static QString freshName(const char* base) {
        static int counter = 0;
        return QString("%1-%2.wav").arg(base).arg(++counter);
    }
    QString file(const Pcm& pcm, const char* name = "item.wav") {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(writeWav(path, pcm, true));
        return path;
    }

    wc::SimLoop loop{46365.5, 10};
    wc::TSystemIni ini;
    std::unique_ptr<TAudioEngine> deck;
    std::vector<Received> got;
    std::function<int(TAudioEngine&, DeckReport, int)> answer;
};

class DeckModes : public DeckTest, public ::testing::WithParamInterface<bool> {};

TEST_P(DeckModes, ReportsMixFadeAndOutroPointsAtTheirPositions) {
    TAudioEngine& d = makeDeck(GetParam());
    d.mixAheadMs = 3000;
    d.fadeAheadMs = 2000;
    d.outroAheadMs = 1000;
    d.Open(file(sine(6.0, 440.0, 0.5)), false);
    ASSERT_EQ(d.lastError, 0);
    EXPECT_EQ(d.state, DeckPlay);
    EXPECT_EQ(d.lengthMs, 6000);
    loop.runFor(7000);
    ASSERT_EQ(got.size(), 3u);
    const int expectedMs[] = {3000, 4000, 5000};
    const int codes[] = {1, 2, -3}; // -3: notice 1 was accepted before
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(got[std::size_t(i)].report, DeckReport::Event);
        EXPECT_EQ(got[std::size_t(i)].code, codes[i]);
        // Heard position and rendered audio agree, and the report is at most one tick late.
        const double heardMs = double(got[std::size_t(i)].frame) * 1000.0 / 44100.0;
        EXPECT_GE(heardMs, expectedMs[i] - 1.0) << i;
        EXPECT_LE(heardMs, expectedMs[i] + 50.0) << i;
        EXPECT_NEAR(got[std::size_t(i)].positionMs, heardMs, 1.0) << i;
    }
    EXPECT_EQ(d.state, DeckEnd);
    EXPECT_EQ(d.PositionMs(), 0);
    // The item was heard whole: sound up to 6 s, silence after.
    EXPECT_GT(std::fabs(left(6 * 44100 - 10)) + std::fabs(left(6 * 44100 - 20)), 0.0f);
    EXPECT_EQ(left(6 * 44100 + 100), 0.0f);
}

INSTANTIATE_TEST_SUITE_P(DirectAndMixer, DeckModes, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "mixer" : "direct"; });

TEST_F(DeckTest, WithAllThresholdsZeroTheEndBringsEndedThenTwoThenMinusThree) {
    TAudioEngine& d = makeDeck();
    d.Open(file(sine(1.0, 440.0, 0.5)), false);
    loop.runFor(1500);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].report, DeckReport::Ended);
    EXPECT_EQ(got[1].report, DeckReport::Event);
    EXPECT_EQ(got[1].code, 2);
    EXPECT_EQ(got[2].code, -3);
    EXPECT_EQ(got[0].frame, got[2].frame); // all in one tick
    EXPECT_NEAR(double(got[0].frame), 44100.0, 44100 * 0.05 + 1);
}

TEST_F(DeckTest, OutroCarriesPlusThreeWhileNoticeOneIsUnaccepted) {
    // The owner refuses the end and notice 1; once in "end" the watcher is silent.
    answer = [](TAudioEngine&, DeckReport r, int code) {
        return r == DeckReport::Ended || code == 1 ? 0 : 1;
    };
    TAudioEngine& d = makeDeck();
    d.Open(file(sine(0.5, 440.0, 0.5)), false);
    loop.runFor(560);
    ASSERT_GE(got.size(), 4u);
    EXPECT_EQ(got[0].report, DeckReport::Ended);
    EXPECT_EQ(got[1].code, 1);
    EXPECT_EQ(got[2].code, 2);
    EXPECT_EQ(got[3].code, 3);
    const std::size_t first = got.size();
    loop.runFor(50);
    EXPECT_EQ(got.size(), first);
    EXPECT_EQ(d.state, DeckEnd);
}

TEST_F(DeckTest, TickEndsWhenTheOwnerStopsTheDeckInsideAReport) {
    // Every point is due in the same tick; the owner frees the deck at notice 1.
    answer = [](TAudioEngine& d, DeckReport, int) {
        d.StopAndFree();
        return 1;
    };
    TAudioEngine& d = makeDeck();
    d.mixAheadMs = d.fadeAheadMs = d.outroAheadMs = 3000;
    d.Open(file(sine(2.0, 440.0, 0.5)), false);
    loop.runFor(2500);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].code, 1);
    EXPECT_EQ(d.state, DeckStop);
    EXPECT_EQ(d.playHandle, 0u);
}

TEST_F(DeckTest, SlideOfTwoSecondsReachesItsTargetOnTime) {
    TAudioEngine& d = makeDeck();
    d.Open(file(constant(4.0, 0.5f)), false);
    EXPECT_EQ(d.Volume(), 100);
    ASSERT_TRUE(d.SlideVolume(2000, 20));
    EXPECT_TRUE(d.IsFading());
    loop.runFor(3000);
    EXPECT_NEAR(left(44100), 0.5f * 0.6f, 1e-3);
    EXPECT_GT(left(88190), 0.5f * 0.2f);
    EXPECT_NEAR(left(88200), 0.5f * 0.2f, 1e-6);
    EXPECT_FALSE(d.IsFading());
    EXPECT_EQ(d.Volume(), 20);
}

TEST_F(DeckTest, SlideVolumeClampsItsDuration) {
    TAudioEngine& d = makeDeck();
    d.Open(file(constant(12.0, 0.5f)), false);
    ASSERT_TRUE(d.SlideVolume(20000, 0));
    loop.runFor(10000 + 20);
    EXPECT_FALSE(d.IsFading());
    EXPECT_EQ(left(std::size_t(10 * 44100)), 0.0f);
    EXPECT_GT(left(std::size_t(10 * 44100 - 100)), 0.0f);
    d.SetVolume(100);
    ASSERT_TRUE(d.SlideVolume(-5, 0)); // over 1 ms
    loop.runFor(20);
    EXPECT_FALSE(d.IsFading());
    EXPECT_EQ(d.Volume(), 0);
}

TEST_F(DeckTest, FadeOutFreesTheDeckWhenTheSlideIsOver) {
    TAudioEngine& d = makeDeck();
    d.fadeOutMs = 1000;
    d.Open(file(constant(5.0, 0.5f)), false);
    loop.runFor(500);
    d.FadeOut();
    loop.runFor(1200);
    EXPECT_EQ(d.state, DeckStop);
    EXPECT_EQ(d.playHandle, 0u);
    ASSERT_EQ(got.size(), 2u); // notices 1 and -3 go out before the deck is freed
    EXPECT_EQ(got[0].code, 1);
    EXPECT_EQ(got[1].code, -3);
    EXPECT_NEAR(double(got[0].frame), 1500 * 44.1, 50 * 44.1 + 1);
}

TEST_F(DeckTest, SilenceCuttingStartsAtTheSoundAndEndsAtItsEnd) {
    Pcm pcm = silence(1.0);
    append(pcm, constant(3.0, 0.5f));
    append(pcm, silence(2.0));
    TAudioEngine& d = makeDeck();
    d.cutSilence = true;
    d.Open(file(pcm), false);
    ASSERT_EQ(d.lastError, 0);
    untilSilenceKnown(d);
    EXPECT_EQ(d.startOffsetBytes, 44100 * 8 - 8); // one quiet frame before the sound
    EXPECT_EQ(d.startOffsetBytes % 8, 0);
    EXPECT_NEAR(d.startSilenceSec, 1.0, 0.001);
    EXPECT_NEAR(d.endSilenceSec, 2.0, 0.001);
    loop.runFor(4000 - int(renderedFrames() / 44.1));
    EXPECT_EQ(left(0), 0.0f);
    EXPECT_EQ(left(1), 0.5f); // the sound begins at once
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got[0].report, DeckReport::Ended);
    EXPECT_NEAR(double(got[0].frame), 3 * 44100.0, 50 * 44.1 + 1);
}

TEST_F(DeckTest, SilentFileWithSilenceCuttingStartsAtItsEnd) {
    TAudioEngine& d = makeDeck();
    d.cutSilence = true;
    d.Open(file(silence(3.0)), false);
    ASSERT_EQ(d.lastError, 0);
    untilSilenceKnown(d);
    EXPECT_EQ(d.startOffsetBytes, 3 * 44100 * 8);
    EXPECT_EQ(d.endSilenceSec, 0.0f);
    loop.runFor(50);
    EXPECT_EQ(d.state, DeckEnd);
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got[0].report, DeckReport::Ended);
}

TEST_F(DeckTest, SilenceAnalysisRunsOnTheWorkerAndArrivesInTheWatcherTick) {
    Pcm pcm = silence(2.0);
    append(pcm, constant(1.0, 0.5f));
    append(pcm, silence(1.0));
    const QString path = file(pcm, qPrintable(freshName("unprepared")));
    TAudioEngine& d = makeDeck(true);
    d.cutSilence = true;
    d.mixAheadMs = 100000; // reached at once: nothing may come before the silence is known
    std::vector<std::int64_t> known; // start offsets seen by the hook
    d.onSilenceKnown = [&](TAudioEngine& deck) {
        known.push_back(deck.startOffsetBytes);
        EXPECT_TRUE(got.empty()); // before any report
    };
    d.Open(path, false);
    ASSERT_EQ(d.lastError, 0);
    EXPECT_EQ(d.state, DeckPlay);
    // Open did not take a result: the fields fill in on the main thread, in a watcher tick.
    EXPECT_TRUE(d.silencePending());
    EXPECT_EQ(d.startOffsetBytes, 0);
    untilSilenceKnown(d);
    EXPECT_EQ(SilenceCache::instance().lastAnalysisThread(),
              SilenceCache::instance().workerThread());
    EXPECT_NE(SilenceCache::instance().lastAnalysisThread(), std::this_thread::get_id());
    EXPECT_EQ(d.startOffsetBytes, 2 * 44100 * 8 - 8);
    EXPECT_NEAR(d.endSilenceSec, 1.0, 0.001);
    EXPECT_EQ(known, std::vector<std::int64_t>{2 * 44100 * 8 - 8});
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got[0].code, 1);
    // The stream was held until the worker placed it: the sound begins at the first frame
    // after the one quiet frame, nothing of the leading silence is played.
    EXPECT_EQ(left(0), 0.0f);
    EXPECT_EQ(left(1), 0.5f);
    // The report came after the result (its position is past the start offset).
    EXPECT_GE(got[0].positionMs, 1999);
}

TEST_F(DeckTest, OwnersSeekWhileTheSilenceIsAnalysedWins) {
    Pcm pcm = silence(2.0);
    append(pcm, constant(2.0, 0.5f));
    const QString path = file(pcm, qPrintable(freshName("seeked")));
    TAudioEngine& d = makeDeck();
    d.cutSilence = true;
    d.Open(path, false);
    d.SeekMs(3000); // before any tick took the result
    // The stream is no longer held, so simulated time would run ahead of the analysis: wait
    // for the worker in real time, then one tick takes the result.
    for (int i = 0; i < 10000 && !SilenceCache::instance().ready(path, d.silenceThreshold, nullptr);
         ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    untilSilenceKnown(d);
    EXPECT_EQ(d.startOffsetBytes, 2 * 44100 * 8 - 8); // still known, for the end and the lists
    EXPECT_GE(d.PositionMs(), 3000);
    EXPECT_LT(d.PositionMs(), 3200);
}

TEST_F(DeckTest, ReopeningWhileTheSilenceIsAnalysedForgetsTheOldItem) {
    Pcm first = silence(1.5);
    append(first, constant(1.0, 0.25f));
    Pcm second = silence(0.5);
    append(second, constant(1.0, 0.75f));
    const QString a = file(first, qPrintable(freshName("first"))),
                  b = file(second, qPrintable(freshName("second")));
    TAudioEngine& d = makeDeck(true);
    d.cutSilence = true;
    d.Open(a, false);
    d.Open(b, false);
    untilSilenceKnown(d);
    EXPECT_EQ(d.startOffsetBytes, 22050 * 8 - 8);
    EXPECT_EQ(left(0), 0.0f);
    EXPECT_EQ(left(1), 0.75f); // the first item was never heard
    d.StopAndFree();
    EXPECT_FALSE(d.silencePending());
}

struct OpenFailure {
    const char* name;
    bool useLineIn;
    const char* file;
    int error;
};

class DeckOpenFailures : public DeckTest, public ::testing::WithParamInterface<OpenFailure> {};

TEST_P(DeckOpenFailures, LeaveBothHandlesZeroStateStopAndTheError) {
    const OpenFailure c = GetParam();
    ini.UseLineIn = c.useLineIn;
    TAudioEngine& d = makeDeck();
    d.Open(file(sine(1.0, 440.0)), false); // something playing before
    d.Open(dir.filePath(c.file), false);
    EXPECT_EQ(d.playHandle, 0u);
    EXPECT_EQ(d.sourceHandle, 0u);
    EXPECT_EQ(d.state, DeckStop);
    EXPECT_EQ(d.lastError, c.error);
    loop.runFor(200);
    EXPECT_TRUE(got.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, DeckOpenFailures,
                         ::testing::Values(OpenFailure{"missing", false, "absent.mp3", 2},
                                           OpenFailure{"line_in_off", false, "line.in", 500},
                                           OpenFailure{"line_in_off_case", false, "LINE.IN", 500}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DeckTest, LineInputWithUseLineInOpensTheRecordingInput) {
    ini.UseLineIn = true;
    TAudioEngine& d = makeDeck();
    d.Open("line.in", false);
    EXPECT_EQ(d.lastError, 0);
    EXPECT_TRUE(d.isLineIn);
    EXPECT_NE(d.playHandle, 0u);
    EXPECT_EQ(d.lengthMs, 5999999);
    loop.runFor(1000);
    EXPECT_EQ(d.PositionMs(), 0);
    EXPECT_EQ(d.state, DeckPlay);
    EXPECT_TRUE(got.empty());
}

struct GainCase {
    int db;
    double factor;
};

class DeckGain : public DeckTest, public ::testing::WithParamInterface<GainCase> {};

TEST_P(DeckGain, GainDspUsesTheTableAndClampsOutOfRange) {
    TAudioEngine& d = makeDeck();
    d.gainDb = GetParam().db;
    d.Open(file(constant(1.0, 0.01f)), false);
    loop.runFor(100);
    EXPECT_NEAR(left(1000), 0.01 * GetParam().factor, 1e-5);
}

INSTANTIATE_TEST_SUITE_P(Table, DeckGain,
                         ::testing::Values(GainCase{0, 1.0}, GainCase{6, std::pow(10.0, 0.3)},
                                           GainCase{-20, 0.1}, GainCase{31, std::pow(10.0, 1.55)},
                                           GainCase{45, std::pow(10.0, 1.55)},
                                           GainCase{-90, std::pow(10.0, -1.55)}));

TEST_F(DeckTest, GainTableHoldsTenToTheDbOverTwenty) {
    EXPECT_EQ(GainTable.size(), 63u);
    EXPECT_DOUBLE_EQ(GainTable[31], 1.0);
    EXPECT_NEAR(GainTable[31 + 20], 10.0, 1e-12);
    EXPECT_NEAR(GainTable[0], std::pow(10.0, -31.0 / 20.0), 1e-12);
}

TEST_F(DeckTest, EqualiserBoostsItsBandAndBypassesUnusableBands) {
    ini.BandsNum = 3;
    ini.Freq = {0, 30000, 1000};
    TAudioEngine& d = makeDeck();
    d.eqOn = true;
    d.eqGains = {10, 10, 10};
    d.Open(file(sine(2.0, 1000.0, 0.05)), false);
    EXPECT_EQ(d.installedEqBands(), 3);
    loop.runFor(1000);
    float peak = 0;
    for (std::size_t i = 22050; i < 44100; ++i)
        peak = std::max(peak, std::fabs(left(i)));
    EXPECT_NEAR(peak, 0.05 * std::pow(10.0, 0.5), 0.005); // +10 dB, and stable
    // Bands at 0 Hz and above half the rate alone leave the signal exactly as it was.
    ini.Freq = {0, 30000, 0};
    out.clear();
    TAudioEngine& e = makeDeck();
    e.eqOn = true;
    e.eqGains = {10, 10, 10};
    const Pcm tone = sine(1.0, 1000.0, 0.05);
    e.Open(file(tone, "tone.wav"), false);
    loop.runFor(500);
    for (std::size_t i = 0; i < 10000; ++i)
        ASSERT_EQ(out[i], tone.samples[i]) << i;
}

TEST_F(DeckTest, PauseAndResumeKeepThePositionInBothModes) {
    for (bool mixer : {false, true}) {
        TAudioEngine& d = makeDeck(mixer);
        d.Open(file(sine(3.0, 440.0, 0.5)), false);
        loop.runFor(500);
        d.Pause();
        EXPECT_EQ(d.state, DeckPause);
        const int at = d.PositionMs();
        EXPECT_NEAR(at, 500, 15);
        loop.runFor(1000);
        EXPECT_EQ(d.PositionMs(), at);
        d.Resume();
        EXPECT_EQ(d.state, DeckPlay);
        loop.runFor(500);
        EXPECT_NEAR(d.PositionMs(), at + 500, 15);
        d.SeekMs(2000);
        EXPECT_EQ(d.PositionMs(), 2000);
    }
}

TEST_F(DeckTest, StartPausedWaitsForResume) {
    TAudioEngine& d = makeDeck(true);
    d.Open(file(sine(2.0, 440.0, 0.5)), true);
    EXPECT_EQ(d.state, DeckPause);
    loop.runFor(300);
    EXPECT_EQ(d.PositionMs(), 0);
    d.Resume();
    loop.runFor(300);
    EXPECT_NEAR(d.PositionMs(), 300, 15);
}

class DeckTempo : public DeckTest, public ::testing::WithParamInterface<bool> {};

TEST_P(DeckTempo, TempoAndRateChangeTheSpeedThroughTheTempoProcessor) {
    ini.FXTempo = true;
    TAudioEngine& d = makeDeck(GetParam());
    d.Open(file(sine(4.0, 440.0, 0.5)), false);
    ASSERT_EQ(d.lastError, 0);
    EXPECT_NE(d.playHandle, d.sourceHandle);
    EXPECT_EQ(d.sampleRate, 44100);
    d.SetTempo(100); // twice as fast
    loop.runFor(1000);
    // The source position runs ahead of what is heard only by the processor's latency.
    EXPECT_NEAR(d.PositionMs(), 2000, 150);
    d.SetTempo(0);
    d.SetSampleRate(22050); // half the rate: half as fast
    loop.runFor(1000);
    EXPECT_NEAR(d.PositionMs(), 2500, 150);
    loop.runFor(3500);
    EXPECT_EQ(d.state, DeckEnd);
}

INSTANTIATE_TEST_SUITE_P(DirectAndMixer, DeckTempo, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "mixer" : "direct"; });

TEST_F(DeckTest, EqualiserBandsFollowSetEqBandWhilePlaying) {
    ini.BandsNum = 1;
    ini.Freq = {1000};
    TAudioEngine& d = makeDeck();
    d.eqOn = true;
    d.Open(file(sine(2.0, 1000.0, 0.05)), false);
    loop.runFor(300);
    d.SetEqBand(0, -10);
    EXPECT_EQ(d.eqGains[0], -10);
    loop.runFor(700);
    float before = 0, after = 0;
    for (std::size_t i = 4410; i < 13230; ++i)
        before = std::max(before, std::fabs(left(i)));
    for (std::size_t i = 30000; i < 44100; ++i)
        after = std::max(after, std::fabs(left(i)));
    EXPECT_NEAR(before, 0.05f, 0.001f); // 0 dB: untouched
    EXPECT_NEAR(after, 0.05 * std::pow(10.0, -0.5), 0.002);
    d.RemoveEqualizer();
    EXPECT_EQ(d.installedEqBands(), 0);
}

TEST_F(DeckTest, DestroyFreesTheLibraryForEveryDeckAndKeepLibraryDoesNot) {
    TAudioEngine& a = makeDeck();
    a.Open(file(sine(3.0, 440.0, 0.5), "a.wav"), false);
    TAudioEngine other([](TAudioEngine&, DeckReport, int) { return 1; });
    other.Open(file(sine(3.0, 440.0, 0.5), "b.wav"), false);
    ASSERT_NE(other.playHandle, 0u);
    // A deck that keeps the library leaves the other deck playing.
    {
        TAudioEngine jingle([](TAudioEngine&, DeckReport, int) { return 1; });
        jingle.Open(file(sine(1.0, 440.0, 0.5), "c.wav"), false);
        jingle.DestroyKeepLibrary();
        EXPECT_EQ(jingle.playHandle, 0u);
    }
    EXPECT_EQ(sys.state(other.playHandle), ActiveState::Playing);
    a.Destroy();
    EXPECT_EQ(a.playHandle, 0u);
    EXPECT_FALSE(sys.isInitialised(a.device));
    EXPECT_EQ(sys.state(other.playHandle), ActiveState::Stopped);
    EXPECT_EQ(sys.lastError(), kErrInvalidHandle);
}

TEST_F(DeckTest, PanAndVolumeBelongToTheDeckAcrossItems) {
    TAudioEngine& d = makeDeck();
    d.SetPan(-100);
    d.Open(file(constant(1.0, 0.5f)), false);
    d.SetVolume(50);
    EXPECT_EQ(d.Volume(), 50);
    loop.runFor(100);
    EXPECT_NEAR(left(1000), 0.25f, 1e-6);
    EXPECT_EQ(right(1000), 0.0f);
    // The next item keeps the pan and starts at full volume.
    d.Open(file(constant(1.0, 0.5f), "next.wav"), false);
    EXPECT_EQ(d.pan, -100);
    EXPECT_EQ(d.Volume(), 100);
    out.clear();
    loop.runFor(100);
    EXPECT_NEAR(left(1000), 0.5f, 1e-6);
    EXPECT_EQ(right(1000), 0.0f);
    d.StopAndFree();
    EXPECT_EQ(d.Volume(), -1);
    EXPECT_EQ(d.PositionMs(), 0);
}

struct ClickCase {
    const char* name;
    int channel; // 0 left, 1 right
    int clickAt; // frame of the click
    int rampUp;  // frames of a quiet run-up (above a quarter of the threshold) before it
};

class SilenceWalk : public DeckTest, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(SilenceWalk, StartAndEndAreWholeFramesAroundTheSound) {
    const ClickCase k = GetParam();
    Pcm pcm = silence(2.0);
    const float t = 50 / 10000.0f + 0.0001f; // the default threshold
    for (int r = 1; r <= k.rampUp; ++r)      // run-up: above t/4, below t
        pcm.samples[std::size_t(2 * (k.clickAt - r) + k.channel)] = t * 0.5f;
    pcm.samples[std::size_t(2 * k.clickAt + k.channel)] = 0.8f;
    pcm.samples[std::size_t(2 * (k.clickAt + 20000) + k.channel)] = 0.8f; // the last sound
    TAudioEngine& d = makeDeck();
    d.cutSilence = true;
    d.Open(file(pcm), false);
    ASSERT_EQ(d.lastError, 0);
    untilSilenceKnown(d);
    // The start is the quiet frame just before the run-up, whichever channel sounds.
    EXPECT_EQ(d.startOffsetBytes, std::int64_t(k.clickAt - k.rampUp - 1) * 8);
    EXPECT_EQ(d.trailingBytes, std::int64_t(2 * 44100 - (k.clickAt + 20000) - 1) * 8);
    loop.runFor(100);
    EXPECT_EQ(out[std::size_t(2 * (k.rampUp + 1) + k.channel)], 0.8f);
    EXPECT_EQ(out[std::size_t(2 * (k.rampUp + 1) + 1 - k.channel)], 0.0f);
}

INSTANTIATE_TEST_SUITE_P(Clicks, SilenceWalk,
                         ::testing::Values(ClickCase{"left", 0, 1000, 0},
                                           ClickCase{"right", 1, 1000, 0},
                                           ClickCase{"right_with_run_up", 1, 3000, 5},
                                           ClickCase{"left_in_second_block", 0, 9000, 3}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DeckTest, SilencePreparedAheadIsUsedByOpenAndRedoneWhenTheFileChanges) {
    Pcm pcm = silence(1.0);
    append(pcm, constant(1.0, 0.5f));
    append(pcm, silence(0.5));
    const QString path = file(pcm, "next.wav");
    TAudioEngine& d = makeDeck();
    d.cutSilence = true;
    const int hitsBefore = SilenceCache::instance().hits();
    d.PrepareSilence(path);
    d.Open(path, false);
    EXPECT_EQ(SilenceCache::instance().hits(), hitsBefore + 1);
    untilSilenceKnown(d);
    EXPECT_EQ(d.startOffsetBytes, 44100 * 8 - 8);
    EXPECT_NEAR(d.endSilenceSec, 0.5, 0.001);
    d.StopAndFree();
    // The file is replaced by another one: the prepared result no longer applies.
    Pcm other = silence(0.25);
    append(other, constant(1.0, 0.5f));
    ASSERT_TRUE(writeWav(path, other, true));
    d.Open(path, false);
    untilSilenceKnown(d);
    EXPECT_EQ(d.startOffsetBytes, 11025 * 8 - 8);
    EXPECT_EQ(d.endSilenceSec, 0.0f);
}

TEST_F(DeckTest, EffectsRunAfterTheGainAndGoWithTheItem) {
    const QString path = file(constant(2.0, 0.5f), "fx.wav");
    TAudioEngine& d = makeDeck();
    EXPECT_EQ(d.AddEffect(
                  DeckEffect::Echo, [](float*, int) {}, 49),
              0u); // nothing open
    d.Open(path, false);
    d.gainDb = 6;
    // The effect sees the gain's output (priority 49 runs after 50): it records what it got
    // and halves it.
    float seen = 0;
    ASSERT_NE(d.AddEffect(
                  DeckEffect::Reverb,
                  [&seen](float* s, int n) {
                      seen = s[0];
                      for (int i = 0; i < 2 * n; ++i)
                          s[i] *= 0.5f;
                  },
                  49),
              0u);
    EXPECT_TRUE(d.HasEffect(DeckEffect::Reverb));
    loop.runFor(100);
    const float gained = 0.5f * float(GainTable[6 + 31]);
    EXPECT_FLOAT_EQ(seen, gained);
    EXPECT_FLOAT_EQ(out.back(), gained * 0.5f);
    // Opening the next item removes it.
    d.Open(path, false);
    EXPECT_FALSE(d.HasEffect(DeckEffect::Reverb));
    out.clear();
    loop.runFor(100);
    EXPECT_FLOAT_EQ(out.back(), gained);
    // So does RemoveEffects while playing, and StopAndFree.
    d.AddEffect(
        DeckEffect::AutoAmp, [](float* s, int n) { std::fill(s, s + 2 * n, 0.0f); }, 100);
    loop.runFor(100);
    EXPECT_EQ(out.back(), 0.0f);
    d.RemoveEffects();
    EXPECT_FALSE(d.HasEffect(DeckEffect::AutoAmp));
    loop.runFor(100);
    EXPECT_FLOAT_EQ(out.back(), gained);
    d.AddEffect(
        DeckEffect::Echo, [](float*, int) {}, 49);
    d.StopAndFree();
    EXPECT_FALSE(d.HasEffect(DeckEffect::Echo));
}

// A seek that fails while opening (here: a silence result that no longer fits the file, whose
// size and time stamp are those it was analysed with) leaves the item playing from its start,
// and the error of the steps after it counts: Open reports no error for an item on air.
TEST_F(DeckTest, AFailedSeekInOpenDoesNotOutliveTheStepsThatWorked) {
    Pcm pcm = silence(2.5);
    append(pcm, constant(0.5, 0.5f));
    const QString path = dir.filePath(freshName("changed"));
    ASSERT_TRUE(writeWav(path, pcm, false)); // 16-bit: 3 s in 529,200 bytes
    const float threshold = 50 / 10000.0f + 0.0001f;
    SilenceCache::instance().prefetch(path, threshold); // analysed ahead, as for a next item
    ASSERT_EQ(SilenceCache::instance().lookup(path, threshold).startBytes, 110249 * 8);
    const QDateTime stamp = QFileInfo(path).lastModified();
    // The same bytes as float frames: 1.5 s, shorter than the leading silence analysed.
    ASSERT_TRUE(writeWav(path, constant(1.5, 0.25f), true));
    ASSERT_EQ(QFileInfo(path).size(), 529200 + 44);
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(stamp, QFileDevice::FileModificationTime));
    }
    TAudioEngine& d = makeDeck(true);
    d.cutSilence = true;
    d.silenceThreshold = threshold;
    d.Open(path, false);
    EXPECT_EQ(d.startOffsetBytes, 110249 * 8); // the stale result was taken
    EXPECT_EQ(d.lastError, 0);
    EXPECT_EQ(d.state, DeckPlay);
    loop.runFor(100);
    EXPECT_EQ(left(2000), 0.25f); // on air from its start
}

// Lengths in ms are single-precision seconds times 1000 cut toward zero, and -1 for a file
// that cannot be opened.
TEST_F(DeckTest, FileDurationIsCutTowardZero) {
    struct Case {
        int frames;
        int ms;
    };
    for (const Case c : {Case{132283, 2999}, Case{132300, 3000}, Case{44, 0}, Case{45, 1}}) {
        Pcm p;
        p.samples.assign(std::size_t(c.frames) * 2, 0.1f);
        const QString path = file(p, qPrintable(freshName("length")));
        EXPECT_EQ(FileDurationMs(path), c.ms) << c.frames << " frames";
    }
    EXPECT_EQ(FileDurationMs(dir.filePath("missing.wav")), -1);
}

TEST_F(DeckTest, OpenSetsTheAutoAmpWindowFromThePlayHandlesRate) {
    struct Case {
        int rate;
        float delay;
        int window;
    };
    for (const Case k :
         {Case{44100, 0.5f, 176400}, Case{48000, 2.0f, 768000}, Case{22050, 0.1f, 17640}}) {
        TAudioEngine& d = makeDeck();
        d.autoAmpDelaySec = k.delay;
        d.Open(file(sine(0.5, 440.0, 0.5, k.rate), "amp.wav"), false);
        ASSERT_EQ(d.lastError, 0);
        EXPECT_EQ(d.autoAmpWindow, k.window) << k.rate;
    }
}

TEST(LibraryPlugins, KeepsTheNamesOfTheAddOnsThatLoaded) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("plugins"));
    const QString plugins = QDir(dir.path()).filePath("plugins");
    // A real shared library, and one that is not.
    ASSERT_TRUE(QFile::copy("/lib/x86_64-linux-gnu/libz.so.1", plugins + "/libwcaddon.so"));
    QFile garbage(plugins + "/libbroken.so");
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("not a library");
    garbage.close();
    QFile other(plugins + "/readme.txt");
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();
    EXPECT_EQ(LoadLibraryPlugins(dir.path()), 1);
    EXPECT_TRUE(LibraryPlugins().contains("libwcaddon.so"));
    EXPECT_FALSE(LibraryPlugins().contains("libbroken.so"));
    EXPECT_FALSE(LibraryPlugins().contains("readme.txt"));
    EXPECT_EQ(LoadLibraryPlugins(dir.path()), 0); // loaded once
}

TEST_F(DeckTest, CreateAppliesTheBufferLength) {
    ini.BufferLength = 1500;
    makeDeck();
    EXPECT_EQ(sys.bufferMs(), 1500);
    ini.BufferLength = 500;
    makeDeck();
    EXPECT_EQ(sys.bufferMs(), 500);
}

TEST_F(DeckTest, FileDurationIsTheExactLength) {
    EXPECT_EQ(FileDurationMs(file(sine(2.5, 440.0))), 2500);
    EXPECT_EQ(FileDurationMs(dir.filePath("absent.wav")), -1);
}

} // namespace
