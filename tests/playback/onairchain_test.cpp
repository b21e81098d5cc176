// The playout chain the player builds from its settings: decks on the main device, the mixer,
// the controller bound to the per-track store, the main timer, and the profile's switches.
#include "../audio/fixtures.h"
#include "../audio/manualoutput.h"
#include "common/random.h"
#include "common/settings.h"
#include "common/simloop.h"
#include "common/trackstore/trackstore.h"
#include "player/core/playback/onairchain.h"
#include "player/core/playlist/playlistview.h"
#include "player/core/profile/profile.h"

#include <cmath>

namespace wc::playback::test {
namespace {

class OnAirChainTest : public audio::test::ManualOutputTest {
protected:
    void SetUp() override {
        ManualOutputTest::SetUp();
        setClock(&loop);
        setTimerHost(&loop);
        sys.attachSimLoop(loop);
    }
    void TearDown() override {
        ManualOutputTest::TearDown();
        setClock(nullptr);
        setTimerHost(nullptr);
    }
    void add(const QString& name, double seconds) {
        const QString path = dir.filePath(name);
        ASSERT_TRUE(audio::test::writeWav(path, audio::test::sine(seconds, 400.0, 0.5), true));
        TVirtualItem it;
        it.Columns[kColTitle] = name;
        it.Columns[kColFileName] = path;
        master.AppendItem(it);
    }

    SimLoop loop{46365.5, 10};
    TSystemIni sysIni;
    TPlayerIni ini;
    TProfile profile;
    PlaylistView master;
    SeededRandom random{3};
};

TEST_F(OnAirChainTest, PlaysTheListThroughTheMixerAndRecordsEveryStart) {
    MyDatabase store(dir.filePath("Files.Dat"));
    ASSERT_TRUE(store.LoadTrackStore());
    add("a.wav", 1.0);
    add("b.wav", 1.0);
    sysIni.MainDev = 0; // the manual device stands in for every device number
    {
        OnAirChain chain(master, profile, ini, sysIni, random, &store);
        EXPECT_TRUE(chain.mixerReady());
        chain.controller().setCountPlays(true);
        chain.mainTimer().start();
        master.selectOnly(0);
        chain.controller().aPlay();
        loop.runFor(2500);
        EXPECT_EQ(chain.controller().LastPlayedIndex, 1);
    }
    // Both items were heard one after the other, about two seconds of tone in all.
    std::size_t loud = 0;
    for (std::size_t i = 0; i < renderedFrames(); ++i)
        if (std::fabs(left(i)) > 0.1f) ++loud;
    const double loudShare = 1.0 - 2.0 * std::asin(0.2) / M_PI; // of a cycle, |sin| > 0.2
    EXPECT_NEAR(double(loud) / 44100.0, 2.0 * loudShare, 0.06);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(store.GetTrackRecord(master.at(i).FileName()).playCount, 1) << i;
    // The chain gone, nothing plays any more.
    const std::size_t before = renderedFrames();
    loop.runFor(500);
    for (std::size_t i = before; i < renderedFrames(); ++i)
        ASSERT_EQ(left(i), 0.0f) << "frame " << i;
}

TEST_F(OnAirChainTest, ProfileSwitchesApplyOnlyWhereTheirButtonsShow) {
    struct Case {
        bool shown, down, want;
    };
    const Case cases[] = {{true, true, true}, {false, true, false}, {true, false, false}};
    OnAirChain chain(master, profile, ini, sysIni, random, nullptr);
    profile.btRepeatList = false; // it would release shuffle
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.shown << c.down);
        profile.btnRepeat = profile.btnShuffle = c.shown;
        profile.btRepeat = profile.btShuffle = c.down;
        profile.CutSilence = c.down;
        profile.Break1 = c.down;
        chain.applyProfile(profile);
        EXPECT_EQ(chain.controller().buttons().oneTrack, c.down);
        EXPECT_EQ(chain.controller().buttons().repeat, c.want);
        EXPECT_EQ(chain.controller().buttons().shuffle, c.want);
        EXPECT_EQ(chain.controller().DeckA().cutSilence, c.down);
        EXPECT_EQ(chain.controller().DeckB().cutSilence, c.down);
    }
}

TEST_F(OnAirChainTest, MainOutputSpeakersGoToTheDecksWithoutAMixer) {
    sysIni.MainDev = 0;
    sysIni.NoMixerChannel = true;
    OnAirChain chain(master, profile, ini, sysIni, random, nullptr);
    // Only the speaker-pair bits count.
    chain.setMainOutput(0x12000000);
    PlaybackController& c = chain.controller();
    for (PlaybackController::Deck* d : {&c.DeckA(), &c.DeckB(), &c.DeckV()})
        EXPECT_EQ(d->speakerFlags, 0x02000000u);
}

} // namespace
} // namespace wc::playback::test
