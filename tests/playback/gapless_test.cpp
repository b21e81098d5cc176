// Transitions on their sample: the next item is prepared ahead and started by the mixer on
// the frame of the mix point, checked frame by frame in the rendered audio. Each item is a
// constant level of its own, so every rendered frame tells which item it came from.
#include "audio/preparer.h"
#include "playbackfixture.h"

namespace wc::playback::test {
namespace {

class GaplessTest : public PlaybackTest {
protected:
    // An item of `seconds` at a constant level on one channel, with optional silence at both
    // ends.
    QString dc(const QString& name, double seconds, float level, int channel,
               double leadSilence = 0, double tailSilence = 0) {
        Pcm p = audio::test::silence(leadSilence);
        audio::test::append(p, audio::test::constant(seconds, level));
        audio::test::append(p, audio::test::silence(tailSilence));
        for (std::size_t i = 0; i < p.samples.size(); i += 2)
            p.samples[i + 1 - std::size_t(channel)] = 0;
        const QString path = dir.filePath(name);
        EXPECT_TRUE(audio::test::writeWav(path, p, true));
        return path;
    }
    // The level on channel ch at frame i.
    float at(int ch, long i) const { return out[2 * std::size_t(i) + std::size_t(ch)]; }
    long firstFrom(int ch, float level, long from = 0) const {
        for (long i = from; i < long(renderedFrames()); ++i)
            if (at(ch, i) == level) return i;
        return -1;
    }
    long lastOf(int ch, float level) const {
        for (long i = long(renderedFrames()); i-- > 0;)
            if (at(ch, i) == level) return i;
        return -1;
    }
};

struct MixCase {
    const char* name;
    float mix, fade; // seconds, 0 = off
};

class GaplessMix : public GaplessTest, public ::testing::WithParamInterface<MixCase> {};

// Three items of 3 s on alternating channels. Without a mix each item's first frame follows
// the previous item's last frame directly; with a mix it starts exactly the mix before the
// end, while the old item plays on to its end.
TEST_P(GaplessMix, EachItemStartsOnTheFrameOfItsMixPoint) {
    const MixCase c = GetParam();
    profile.Crossfade.entries[1] = CrossfadeEntry{c.mix, c.fade, 0, c.mix > 0, c.fade > 0, false};
    add("one", dc("one.wav", 3.0, 0.5f, 0));
    add("two", dc("two.wav", 3.0, 0.25f, 1));
    add("three", dc("three.wav", 3.0, 0.125f, 0));
    make();
    const int takenBefore = audio::StreamPreparer::instance().taken();
    startFirst();
    loop.runFor(10000);

    const long mix = long(std::lround(c.mix * 44100));
    const long startTwo = firstFrom(1, 0.25f);
    const long startThree = firstFrom(0, 0.125f);
    EXPECT_EQ(firstFrom(0, 0.5f), 0);
    EXPECT_EQ(startTwo, 3 * 44100 - mix);
    EXPECT_EQ(startThree, startTwo + 3 * 44100 - mix);
    if (c.mix == 0) {
        EXPECT_EQ(lastOf(0, 0.5f), startTwo - 1); // no gap, no overlap
        EXPECT_EQ(lastOf(1, 0.25f), startThree - 1);
        for (long i = 0; i < startThree + 3 * 44100; ++i) // every frame from one of them
            ASSERT_TRUE((at(0, i) != 0) != (at(1, i) != 0)) << "frame " << i;
    } else if (c.fade == 0) {
        EXPECT_EQ(lastOf(0, 0.5f), 3 * 44100 - 1); // the old item to its last frame
    }
    // Both later items went on air from the prepared streams.
    EXPECT_EQ(audio::StreamPreparer::instance().taken() - takenBefore, 2);
    EXPECT_EQ(hooks.announced.size(), 3);
}

INSTANTIATE_TEST_SUITE_P(Cases, GaplessMix,
                         ::testing::Values(MixCase{"no_mix", 0, 0}, MixCase{"mix", 1.0f, 0},
                                           MixCase{"mix_and_fade", 1.0f, 0.5f}),
                         [](const auto& info) { return std::string(info.param.name); });

// With silence cutting the sound of the next item follows the sound of the previous one:
// their silences at both ends are not heard.
TEST_F(GaplessTest, WithSilenceCuttingTheSoundsFollowEachOther) {
    add("one", dc("one.wav", 2.0, 0.5f, 0, 0.4, 0.6));
    add("two", dc("two.wav", 2.0, 0.25f, 1, 0.3, 0.5));
    add("three", dc("three.wav", 2.0, 0.125f, 0, 0.2, 0.1));
    DeckSetup setup;
    setup.cutSilence = true;
    controller = std::make_unique<PlaybackController>(master, profile, ini, setup, random);
    controller->setHooks(&hooks);
    startFirst();
    loop.runFor(8000);
    const long endOne = lastOf(0, 0.5f), startTwo = firstFrom(1, 0.25f);
    const long endTwo = lastOf(1, 0.25f), startThree = firstFrom(0, 0.125f, startTwo);
    ASSERT_GE(startThree, 0);
    // The analysis keeps one quiet frame before each sound.
    EXPECT_EQ(startTwo - endOne, 2);
    EXPECT_EQ(startThree - endTwo, 2);
    EXPECT_EQ(endOne - firstFrom(0, 0.5f), 2 * 44100 - 1);
}

// What goes on air is what the controller chooses at the mix point, whatever changed after
// the next item was prepared: the prepared item is dropped and another prepared.
TEST_F(GaplessTest, AChangeBeforeTheMixPointChangesWhatIsPreparedAndPlayed) {
    struct Case {
        const char* name;
        std::function<void()> change;
        float expected; // level of the item heard after the first; 0 = nothing
    };
    const Case cases[] = {
        {"insert_after_the_playing_item",
         [this] {
             TVirtualItem it;
             it.Columns[kColTitle] = "inserted";
             it.Columns[kColFileName] = dir.filePath("d.wav");
             master.InsertItem(1, it);
         },
         0.0625f},
        {"play_next_mark", [this] { master.SetNextIndex(2); }, 0.125f},
        {"item_replaced",
         [this] {
             TVirtualItem it = master.at(1);
             it.Columns[kColFileName] = dir.filePath("d.wav");
             master.SetItem(1, it);
         },
         0.0625f},
        {"repeat", [this] { controller->setRepeat(true); }, 0.5f},
        {"stop_after_the_track", [this] { controller->setBreak(true); }, 0.0f},
        {"nothing", [] {}, 0.25f},
    };
    const long firstLength = long(3.0237 * 44100);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        master.ClearItems();
        out.clear();
        // The first item ends between two ticks, so that a wrong start would be heard.
        add("one", dc("a.wav", 3.0237, 0.5f, 0));
        add("two", dc("b.wav", 3.0, 0.25f, 0));
        add("three", dc("c.wav", 3.0, 0.125f, 0));
        dc("d.wav", 3.0, 0.0625f, 0);
        make();
        startFirst();
        loop.runFor(500);
        ASSERT_TRUE(controller->nextArmed()); // prepared and armed within ten seconds
        c.change();
        loop.runFor(3000);
        EXPECT_EQ(firstFrom(0, 0.5f), 0);
        EXPECT_EQ(at(0, firstLength - 1), 0.5f); // the first item to its end
        for (long i = firstLength; i < firstLength + long(frameAt(100)); ++i) // then at once
            ASSERT_EQ(at(0, i), c.expected) << "frame " << i;
        controller.reset();
    }
}

} // namespace
} // namespace wc::playback::test
