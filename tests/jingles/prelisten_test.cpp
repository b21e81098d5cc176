// The pre-listen player on the manual device, on simulated time: the error box for a file it
// cannot play, split mode (left of the main output, the programme moved right and given its
// pan back), the end of the item, and its deck freed when it closes.
#include "../playback/playbackfixture.h"
#include "platform/prompts.h"
#include "player/core/jingles/prelisten.h"

namespace wc::playback::test {
namespace {

class PreListenTest : public PlaybackTest {
protected:
    void SetUp() override {
        PlaybackTest::SetUp();
        setPrompts(&shown);
        make();
    }
    void TearDown() override {
        player.reset();
        setPrompts(nullptr);
        PlaybackTest::TearDown();
    }
    PreListenPlayer& makePlayer(int secondaryOutput) {
        profile.SecondaryOutput = secondaryOutput;
        player = std::make_unique<PreListenPlayer>(profile, 1, &controller->DeckA(),
                                                   &controller->DeckB());
        player->onClosed = [this] { ++closedCalls; };
        return *player;
    }
    QString stereoTone(const QString& name, double seconds) {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(audio::test::writeWav(path, audio::test::sine(seconds, 400, kAmp), true));
        return path;
    }
    float peakOver(int channel, std::size_t from) const {
        float p = 0;
        for (std::size_t f = from; f < renderedFrames(); ++f)
            p = std::max(p, std::fabs(out[2 * f + std::size_t(channel)]));
        return p;
    }

    RecordingPrompts shown;
    std::unique_ptr<PreListenPlayer> player;
    int closedCalls = 0;
};

TEST_F(PreListenTest, AMissingFileShowsTheErrorBoxWithItsNumberAndCloses) {
    for (int output : {0, kSecondaryOutputSplit}) {
        SCOPED_TRACE(output);
        shown.shown.clear();
        closedCalls = 0;
        controller->DeckA().SetPan(-20);
        controller->DeckB().SetPan(-20);
        PreListenPlayer& p = makePlayer(output);
        EXPECT_FALSE(p.show(dir.filePath("missing.mp3")));
        ASSERT_EQ(shown.shown.size(), 1u);
        EXPECT_EQ(shown.shown[0].kind, PromptKind::Error);
        EXPECT_EQ(shown.shown[0].caption, "Error");
        EXPECT_EQ(shown.shown[0].text, "Error playing file (2)");
        EXPECT_TRUE(p.closed());
        EXPECT_EQ(closedCalls, 1);
        EXPECT_EQ(p.deck(), nullptr);
        // Split mode gave the programme its pan back.
        EXPECT_EQ(controller->DeckA().pan, -20);
        EXPECT_EQ(controller->DeckB().pan, -20);
    }
}

TEST_F(PreListenTest, SplitModePlaysLeftMovesTheProgrammeRightAndGivesItsPanBack) {
    controller->DeckA().SetPan(-30);
    controller->DeckB().SetPan(-30);
    PreListenPlayer& p = makePlayer(kSecondaryOutputSplit);
    bool panSlider = true;
    p.panSliderEnabled = [&](bool on) { panSlider = on; };
    ASSERT_TRUE(p.show(stereoTone("listen.wav", 3.0)));
    EXPECT_FALSE(panSlider);
    EXPECT_EQ(controller->DeckA().pan, 100);
    EXPECT_EQ(controller->DeckB().pan, 100);
    EXPECT_FALSE(p.deck()->mixerMode); // never through the output mixer
    const std::size_t from = renderedFrames();
    loop.runFor(500);
    EXPECT_GT(peakOver(0, from), 0.3f);
    EXPECT_LT(peakOver(1, from), 1e-3f);
    EXPECT_GT(p.progress(), 100);
    EXPECT_LT(p.progress(), 200);

    // The music deck opened now keeps the programme on the right.
    add("music", stereoTone("music.wav", 10.0));
    startFirst();
    EXPECT_EQ(controller->DeckA().pan, 100);

    p.close();
    EXPECT_TRUE(panSlider);
    EXPECT_EQ(controller->DeckA().pan, -30);
    EXPECT_EQ(controller->DeckB().pan, -30);
}

TEST_F(PreListenTest, TheEndOfTheItemClosesThePlayerAndFreesItsDeck) {
    PreListenPlayer& p = makePlayer(0);
    profile.RearVolume = 40;
    ASSERT_TRUE(p.show(stereoTone("short.wav", 0.5)));
    EXPECT_EQ(p.deck()->Volume(), 40);
    const audio::Handle h = p.deck()->playHandle;
    ASSERT_NE(h, 0u);
    const std::size_t from = renderedFrames();
    loop.runFor(200);
    EXPECT_NEAR(peakOver(0, from), kAmp * 0.4, 0.02);
    p.setVolume(70);
    EXPECT_EQ(profile.RearVolume, 70);
    loop.runUntil([&] { return p.closed(); }, 2000);
    EXPECT_TRUE(p.closed());
    EXPECT_EQ(closedCalls, 1);
    EXPECT_EQ(p.deck(), nullptr);
    sys.state(h);
    EXPECT_EQ(sys.lastError(), audio::kErrInvalidHandle);
}

} // namespace
} // namespace wc::playback::test
