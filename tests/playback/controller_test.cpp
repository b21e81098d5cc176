// The controller's choices, buttons and transport actions, on real decks and simulated time.
#include "common/errortext.h"
#include "playbackfixture.h"
#include "player/core/playback/transition.h"

#include <QFile>

namespace wc::playback::test {
namespace {

// --- pure pieces ------------------------------------------------------------------------------

TEST(ErrorTextTest, KnownNumbersHaveTheirTextOthersNone) {
    const std::pair<int, const char*> cases[] = {
        {2, "can't open the file"},
        {3, "can't find a free sound driver"},
        {5, "invalid handle"},
        {6, "unsupported sample format"},
        {23, "illegal device number"},
        {25, "illegal sample rate"},
        {27, "the stream is not a file stream"},
        {39, "a sufficient DirectX version is not installed"},
        {41, "unsupported file format"},
        {42, "unavailable speaker"},
        {44, "codec is not available/supported"},
        {2100, "invalid password"},
        {0, "No description"},
        {500, "No description"},
        {-1, "No description"},
    };
    for (const auto& [n, text] : cases)
        EXPECT_EQ(ErrorText(n), text) << n;
}

TEST(FadeSignTest, NumberAfterTheSign) {
    struct Case {
        const char* title;
        const char* sign;
        double seconds;
    };
    const Case cases[] = {
        {"Song ^5", "^", 5},    {"Song ^2.5 live", "^", 2.5}, {"^1.2.3", "^", 1.2},
        {"Song ^", "^", -1},    {"Song ^x", "^", -1},         {"no sign", "^", -1},
        {"Song @7", "@", 7},    {"Song ^7", "@", -1},         {"Song FADE12", "fade", 12},
        {"Song ^.5", "^", 0.5}, {"Song ^0", "^", 0},          {"Song ^5", "", -1},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(FadeSignSeconds(c.title, c.sign), c.seconds) << c.title;
}

TEST(DetermineTransitionTest, TypeRecordAndSignDecideTheEntry) {
    CrossfadeTable base;
    base.entries[0] = CrossfadeEntry{1, 1, 0, true, false, false};
    base.entries[1] = CrossfadeEntry{3, 2, 1, true, true, true};
    base.entries[2] = CrossfadeEntry{0.5f, 0.5f, 0, true, true, false}; // type 2: "jingle"
    const QStringList ids{"jingle"};
    TrackTimes own;
    own.mixOn = true;
    own.mixMs = 4000;
    TrackTimes ownFadeIn;
    ownFadeIn.fadeInOn = true;
    ownFadeIn.fadeInMs = 2500;
    struct Case {
        const char* title;
        const char* file;
        TrackTimes rec;
        int type;
        CrossfadeEntry item; // entry 12 afterwards
    };
    const Case cases[] = {
        {"Song", "a.mp3", {}, 1, base.entries[1]},
        {"Track 3", "Track03.CDA", {}, 0, base.entries[0]},
        {"Station JINGLE", "j.mp3", {}, 2, base.entries[2]},
        // The record's own values win over the entry, flag by flag.
        {"Song", "a.mp3", own, 12, CrossfadeEntry{4, 2, 1, true, true, true}},
        {"Station jingle", "j.mp3", ownFadeIn, 12,
         CrossfadeEntry{0.5f, 0.5f, 2.5f, true, true, true}},
        // The fade sign: mix and fade of its number, no fade-in.
        {"Song ^5", "a.mp3", {}, 12, CrossfadeEntry{5, 5, 0, true, true, false}},
        {"Song ^0", "a.mp3", {}, 1, base.entries[1]},
        // Record values come before the sign.
        {"Song ^5", "a.mp3", own, 12, CrossfadeEntry{4, 2, 1, true, true, true}},
    };
    for (const Case& c : cases) {
        CrossfadeTable t = base;
        EXPECT_EQ(DetermineTransition(c.title, c.file, c.rec, ids, "^", t), c.type) << c.title;
        EXPECT_EQ(t.entries[12], c.item) << c.title;
        for (int e = 0; e < 12; ++e)
            EXPECT_EQ(t.entries[e], base.entries[e]) << c.title;
    }
}

// --- choices ----------------------------------------------------------------------------------

class ControllerTest : public PlaybackTest {
protected:
    void list(int n, double seconds = 4.0) {
        for (int i = 0; i < n; ++i)
            add(QStringLiteral("item %1").arg(i),
                tone(QStringLiteral("i%1.wav").arg(i), seconds, i % 2));
    }
};

TEST_F(ControllerTest, ChooseIndexFollowsSelectionMarkSequenceAndRepeatList) {
    struct Case {
        int selected, playing, mark;
        bool repeatList;
        int step;
        int expected;
        int markAfter;
    };
    const Case cases[] = {
        {2, 0, -1, false, 0, 2, -1},   // step 0: the first selected item
        {-1, 0, -1, false, 0, -1, -1}, // nothing selected
        {3, 0, 3, false, 0, 3, -1},    // Play on the marked item clears the mark
        {1, 0, 3, false, 0, 1, 3},     // Play elsewhere keeps it
        {1, 0, 3, false, 1, 3, -1},    // the mark wins once
        {1, 2, -1, false, 1, 3, -1},   // the next in sequence
        {1, 2, -1, false, -1, 1, -1},  // the previous
        {1, 4, -1, false, 1, -1, -1},  // after the last: idle
        {1, 4, -1, true, 1, 0, -1},    // after the last with repeat-list: the first
        {1, 0, -1, true, -1, -1, -1},  // before the first: nothing
        {1, -1, -1, false, 1, -1, -1}, // nothing playing: no next
    };
    list(5);
    make();
    for (const Case& c : cases) {
        master.selectOnly(c.selected);
        master.SetPlayingIndex(c.playing);
        master.SetNextIndex(c.mark);
        controller->setRepeatList(c.repeatList);
        EXPECT_EQ(controller->PeekIndex(c.step), c.expected) << c.step << " " << c.playing;
        EXPECT_EQ(master.NextIndex(), c.mark); // the look-up has no side effects
        EXPECT_EQ(controller->ChooseIndex(c.step), c.expected) << c.step << " " << c.playing;
        EXPECT_EQ(master.NextIndex(), c.markAfter);
    }
}

TEST_F(ControllerTest, ShuffledOrderStaysWithinTheListWhenItShrinks) {
    list(6);
    make();
    controller->setShuffle(true);
    controller->setInsertCleanupDone(true);
    master.SetPlayingIndex(0);
    std::vector<int> seen;
    for (int i = 0; i < 6; ++i)
        seen.push_back(controller->ChooseIndex(1));
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 4, 5})); // one whole order
    controller->ChooseIndex(1);                            // part of a fresh order
    master.SetPlayingIndex(-1);
    for (int i = 0; i < 4; ++i)
        master.DeleteItem(master.count() - 1);
    for (int i = 0; i < 40; ++i) {
        const int k = controller->ChooseIndex(1);
        EXPECT_GE(k, 0);
        EXPECT_LT(k, 2);
    }
    for (int i = 0; i < 10; ++i) {
        const int k = controller->ChooseIndex(-1);
        EXPECT_GE(k, 0);
        EXPECT_LT(k, 2);
    }
}

TEST_F(ControllerTest, ButtonsExcludeTheirPartners) {
    make();
    controller->setOneTrack(false);
    struct Case {
        void (PlaybackController::*set)(bool);
        TransportButtons before, after;
    };
    const Case cases[] = {
        {&PlaybackController::setRepeat, {false, true}, {true, false}},
        {&PlaybackController::setBreak, {true, false}, {false, true}},
        {&PlaybackController::setShuffle,
         {false, false, false, false, true},
         {false, false, false, true, false}},
        {&PlaybackController::setRepeatList,
         {false, false, false, true, false},
         {false, false, false, false, true}},
    };
    for (const Case& c : cases) {
        controller->setRepeat(c.before.repeat);
        controller->setBreak(c.before.breakAfter);
        controller->setShuffle(c.before.shuffle);
        controller->setRepeatList(c.before.repeatList);
        ASSERT_EQ(controller->buttons(), c.before);
        (controller.get()->*c.set)(true);
        EXPECT_EQ(controller->buttons(), c.after);
        // Releasing a button does not press its partner.
        (controller.get()->*c.set)(false);
        EXPECT_FALSE(controller->buttons().repeat && controller->buttons().breakAfter);
    }
    // The profile keeps the states.
    controller->setShuffle(true);
    EXPECT_TRUE(profile.btShuffle);
    EXPECT_FALSE(profile.btRepeatList);
}

TEST_F(ControllerTest, TransportLockNeedsItsHotKeyAndBlocksTheDoubleClick) {
    list(2);
    make();
    // hk12 is the lock's switch; hk13 (the Alt-click switch) plays no part.
    profile.HotKeys[11] = -1;
    profile.HotKeys[12] = 1;
    controller->aBlockPlay();
    EXPECT_FALSE(controller->buttons().lockShown);
    profile.HotKeys[11] = 1;
    profile.HotKeys[12] = -1;
    controller->aBlockPlay();
    EXPECT_TRUE(controller->buttons().lockShown);
    master.selectOnly(1);
    controller->listDoubleClicked();
    EXPECT_EQ(master.PlayingIndex(), -1);
    controller->aBlockPlay();
    controller->listDoubleClicked();
    EXPECT_EQ(master.PlayingIndex(), 1);
    EXPECT_EQ(controller->DeckA().state, audio::DeckPlay);
}

// --- transport --------------------------------------------------------------------------------

TEST_F(ControllerTest, NextAndPreviousButtonsActOnlyWhileAnItemPlays) {
    list(3);
    make();
    controller->nextButton();
    controller->prevButton();
    EXPECT_EQ(master.PlayingIndex(), -1);
    EXPECT_EQ(controller->DeckA().state, audio::DeckStop);
    startFirst();
    loop.runFor(500);
    controller->nextButton();
    EXPECT_EQ(master.PlayingIndex(), 1);
    controller->nextButton();
    controller->prevButton();
    EXPECT_EQ(master.PlayingIndex(), 1);
    EXPECT_EQ(hooks.announced.size(), 4);
}

TEST_F(ControllerTest, PlayWithNothingSelectedFadesOutAndGoesIdle) {
    profile.Crossfade.entries[1] = CrossfadeEntry{0, 1.0f, 0, false, true, false};
    list(2, 6.0);
    make();
    startFirst();
    loop.runFor(1000);
    master.clearSelection();
    controller->aPlay();
    EXPECT_EQ(master.PlayingIndex(), -1);
    // The item fades out over its own 1 s fade on the other deck and is freed.
    EXPECT_EQ(controller->DeckB().state, audio::DeckPlay);
    loop.runFor(1200);
    EXPECT_EQ(controller->DeckB().state, audio::DeckStop);
    EXPECT_EQ(level(0, frameAt(2300)), 0.0f);
    EXPECT_GT(level(0, frameAt(900)), 0.97 * kAmp);
}

TEST_F(ControllerTest, StopFadesOnceAndStopsAtOnceWhenPressedTwice) {
    profile.Crossfade.entries[1] = CrossfadeEntry{0, 2.0f, 0, false, true, false};
    for (bool twice : {false, true}) {
        SCOPED_TRACE(twice);
        master.ClearItems();
        list(2, 8.0);
        make();
        const std::size_t from = renderedFrames();
        startFirst();
        loop.runFor(1000);
        controller->aStop();
        if (twice) controller->aStop();
        EXPECT_EQ(master.PlayingIndex(), -1);
        EXPECT_TRUE(controller->Stopping);
        loop.runFor(100);
        const float shortly = level(0, from + frameAt(1060));
        if (twice) {
            EXPECT_EQ(shortly, 0.0f);
            EXPECT_EQ(controller->DeckA().state, audio::DeckStop);
        } else {
            EXPECT_GT(shortly, 0.8 * kAmp); // fading over 2 s
        }
        loop.runFor(2500);
        EXPECT_EQ(controller->DeckA().state, audio::DeckStop);
        EXPECT_EQ(hooks.announced.size(), 1); // nothing followed the stop
        hooks.announced.clear();
        controller.reset();
    }
}

TEST_F(ControllerTest, FastForwardAndRewindStayWithinTheItem) {
    list(1, 8.0);
    make();
    startFirst();
    struct Case {
        int from, direction, expected;
    };
    const Case cases[] = {{1000, 1, 6000}, {6000, -1, 1000}, {3000, 1, 7999}, {4000, -1, 0}};
    for (const Case& c : cases) {
        controller->DeckA().SeekMs(c.from);
        controller->skip(c.direction);
        EXPECT_NEAR(controller->DeckA().PositionMs(), c.expected, 1) << c.from;
    }
}

TEST_F(ControllerTest, PositionBarSeeksOnlyWhenTheProfileAllowsIt) {
    list(1, 8.0);
    for (bool allowed : {false, true}) {
        profile.CanChangeTrackPos = allowed;
        make();
        startFirst();
        controller->positionBarPressed();
        EXPECT_EQ(controller->PositionBarLive, !allowed);
        controller->positionBarReleased(500);
        EXPECT_TRUE(controller->PositionBarLive);
        EXPECT_NEAR(controller->DeckA().PositionMs(), allowed ? 4000 : 0, 1);
        controller.reset();
    }
}

TEST_F(ControllerTest, RepeatPlaysTheSameItemAgainAndRepeatListWrapsAround) {
    struct Case {
        bool repeat, repeatList;
        std::vector<int> order; // indexes announced, in order
    };
    const Case cases[] = {
        {true, false, {0, 0, 0}},
        {false, true, {0, 1, 0}},
        {false, false, {0, 1}},
    };
    for (const Case& c : cases) {
        master.ClearItems();
        list(2, 2.0);
        make();
        controller->setRepeat(c.repeat);
        controller->setRepeatList(c.repeatList);
        hooks.announced.clear();
        startFirst();
        loop.runFor(5000);
        std::vector<int> got;
        for (const QString& f : hooks.announced)
            got.push_back(f.endsWith("i0.wav") ? 0 : 1);
        EXPECT_EQ(got, c.order);
        controller.reset();
    }
}

TEST_F(ControllerTest, PlayNextMarkWinsOverShuffleOnce) {
    list(6, 1.0);
    make();
    controller->setShuffle(true);
    startFirst();
    master.SetNextIndex(4);
    loop.runFor(1100);
    EXPECT_EQ(master.PlayingIndex(), 4);
    EXPECT_EQ(master.NextIndex(), -1);
}

TEST_F(ControllerTest, InsertedItemsAreMarkedPlayed) {
    list(3, 1.0);
    TVirtualItem inserted = master.at(1);
    inserted.ImageIndex = kImageInserted;
    master.SetItem(1, inserted);
    make();
    startFirst();
    EXPECT_EQ(master.at(1).ImageIndex, kImageInserted);
    loop.runFor(1100);
    EXPECT_EQ(master.PlayingIndex(), 1);
    EXPECT_EQ(master.at(1).ImageIndex, kImageInsertedPlayed);
}

// --- faults mended ------------------------------------------------------------------------------

TEST_F(ControllerTest, TransitionComesFromTheStartedItemNotTheSelection) {
    profile.AutoupdateTag = false;
    add("plain", tone("a.wav", 2.0, 0));
    add("with sign ^1", tone("b.wav", 3.0, 1));
    add("plain again", tone("c.wav", 2.0, 0));
    make();
    startFirst();
    EXPECT_EQ(controller->TransitionType, 1);
    master.selectOnly(2); // the operator selects another row meanwhile
    loop.runFor(2100);
    ASSERT_EQ(master.PlayingIndex(), 1);
    EXPECT_EQ(controller->TransitionType, CrossfadeTable::kItemEntry);
    EXPECT_FLOAT_EQ(controller->DeckA().mixAheadMs, 1000.0f);
}

TEST_F(ControllerTest, BreakActsOnTheNoticeOfTheItemOnAirOnly) {
    // Next while break is down: the item moved to DeckB fades out and then sends its first
    // notice; that must not end the item now on air.
    profile.Crossfade.entries[1] = CrossfadeEntry{0, 1.0f, 0, false, true, false};
    profile.Break1 = false;
    list(3, 4.0);
    make();
    startFirst();
    controller->setBreak(true);
    loop.runFor(500);
    controller->aNextTrack();
    EXPECT_EQ(master.PlayingIndex(), 1);
    loop.runFor(1500); // the old item's fade is over
    EXPECT_EQ(master.PlayingIndex(), 1);
    EXPECT_EQ(controller->DeckA().state, audio::DeckPlay);
    EXPECT_EQ(master.NextIndex(), -1);
    // At the end of item 1 the break acts: nothing follows, item 2 is selected.
    loop.runFor(4000);
    EXPECT_EQ(master.PlayingIndex(), -1);
    EXPECT_EQ(hooks.announced.size(), 2);
    EXPECT_EQ(master.firstSelected(), 2);
    EXPECT_TRUE(controller->buttons().breakAfter); // one-track off: stays down
}

TEST_F(ControllerTest, OneTrackBreakReleasesItselfAfterActing) {
    list(3, 1.0);
    make();
    controller->setOneTrack(true);
    startFirst();
    controller->setBreak(true);
    loop.runFor(1200);
    EXPECT_EQ(master.PlayingIndex(), -1);
    EXPECT_FALSE(controller->buttons().breakAfter);
    EXPECT_EQ(hooks.announced.size(), 1);
}

TEST_F(ControllerTest, StopWhileFailuresAreReportedEndsTheRetries) {
    add("gone", dir.filePath("gone1.wav"));
    add("gone", dir.filePath("gone2.wav"));
    add("good", tone("c.wav", 2.0, 1));
    make();
    hooks.onPending = [this] { controller->aStop(); };
    startFirst();
    EXPECT_EQ(hooks.log.size(), 1);
    EXPECT_EQ(master.PlayingIndex(), -1);
    loop.runFor(500);
    EXPECT_EQ(firstSound(1), -1);
}

QString writeText(const QString& path, const QString& text) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.toUtf8());
    return path;
}

TEST_F(ControllerTest, CommandFileInsertsPlayfileAndRunsOtherLinesAfterTheStart) {
    add("first", tone("a.wav", 2.0, 0));
    const QString inserted = tone("x.wav", 2.0, 1);
    add("commands",
        writeText(dir.filePath("c.command"), "setvol 50\nplayfile " + inserted + "\nnext\n"));
    add("after", tone("d.wav", 2.0, 0));
    make();
    QStringList onAirWhenRun;
    hooks.onCommand = [&](const QString&) { onAirWhenRun << controller->DeckA().fileName; };
    startFirst();
    loop.runFor(2100);
    // The inserted file went on air right after the command item, at the first item's end.
    ASSERT_EQ(master.count(), 4);
    EXPECT_EQ(master.at(2).FileName(), inserted);
    EXPECT_EQ(master.PlayingIndex(), 2);
    EXPECT_EQ(hooks.announced.last(), inserted);
    // The other lines ran afterwards, with the inserted file already on air.
    EXPECT_EQ(hooks.commands, QStringList({"setvol 50", "next"}));
    EXPECT_EQ(onAirWhenRun, QStringList({inserted, inserted}));
    // The first item played to its end: it was not cut by a re-entrant start.
    long lastA = -1;
    for (std::size_t i = 0; i < frameAt(2500); ++i)
        if (std::fabs(out[2 * i]) > 1e-3f) lastA = long(i);
    EXPECT_GE(lastA, long(frameAt(2000)) - 120);
}

TEST_F(ControllerTest, CommandFileWithoutPlayfileGoesOnToTheNextItem) {
    add("first", tone("a.wav", 1.0, 0));
    add("commands", writeText(dir.filePath("c.command"), "setvol 50\n"));
    add("unreadable", dir.filePath("none.command"));
    add("after", tone("d.wav", 1.0, 1));
    make();
    startFirst();
    loop.runFor(1100);
    EXPECT_EQ(master.PlayingIndex(), 3);
    EXPECT_EQ(hooks.commands, QStringList({"setvol 50"}));
    EXPECT_TRUE(hooks.log.isEmpty());
}

TEST_F(ControllerTest, AListOfOnlyCommandItemsDoesNotCycleForever) {
    for (int i = 0; i < 3; ++i)
        add("commands", writeText(dir.filePath(QStringLiteral("c%1.command").arg(i)), "set 1\n"));
    make();
    controller->setRepeatList(true);
    startFirst(); // returns: the command items count as attempts
    loop.runFor(100);
    EXPECT_EQ(hooks.commands.size(), 101);
    EXPECT_EQ(controller->DeckA().state, audio::DeckStop);
}

} // namespace
} // namespace wc::playback::test

namespace wc::playback::test {
namespace {

TEST_F(PlaybackTest, NextWhileAnEarlierItemFadesCutsItAndFadesTheCurrentOne) {
    profile.Crossfade.entries[1] = CrossfadeEntry{0, 3.0f, 0, false, true, false};
    const QString a = tone("a.wav", 10.0, 0), b = tone("b.wav", 10.0, 1),
                  c = tone("c.wav", 10.0, 0, 1000.0);
    add("a", a);
    add("b", b);
    add("c", c);
    make();
    startFirst();
    loop.runFor(1000);
    controller->nextButton(); // a fades on DeckB over 3 s
    loop.runFor(1000);
    EXPECT_EQ(controller->DeckB().fileName, a);
    controller->nextButton(); // b moves to DeckB; a is cut when c opens on its deck
    EXPECT_EQ(controller->DeckA().fileName, c);
    EXPECT_EQ(controller->DeckB().fileName, b);
    loop.runFor(1000);
    // Left carries c alone at full level (a would add to it); right carries b fading.
    const float left = level(0, frameAt(2300));
    EXPECT_GT(left, 0.97 * kAmp);
    EXPECT_LT(left, 1.02 * kAmp);
    const float right = level(1, frameAt(2500));
    EXPECT_GT(right, 0.7 * kAmp);
    EXPECT_LT(right, 0.95 * kAmp);
}

} // namespace
} // namespace wc::playback::test
