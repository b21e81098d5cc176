// The transport controls of the main window: fast forward and rewind, the transport lock on
// Alt+B, and the stop-after-track menu with "Только один трек".
#include "windowfixture.h"

#include "player/core/playback/onairchain.h"
#include "player/ui/positionbar.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QToolButton>

namespace wc::ui::test {
namespace {

class TransportControls : public WindowTest {
protected:
    PlaybackController& controller() { return form->onAir()->controller(); }
    QToolButton* button(const char* name) const { return child<QToolButton>(QLatin1String(name)); }
    // Starts the list's first item with the window's own Play button.
    void playFirst() {
        clickRow(master(), 0);
        click(button("btPlay"));
        run(100);
        ASSERT_EQ(controller().DeckA().state, audio::DeckPlay);
    }
    // A click at the button's place in the window, delivered to whatever lies on top there.
    void clickWhere(QWidget* w) {
        const QPoint p = w->mapTo(form.get(), w->rect().center());
        QTest::mouseClick(form->windowHandle(), Qt::LeftButton, Qt::NoModifier, p);
    }
};

TEST_F(TransportControls, FastForwardAndRewindMoveThePlayingItemByFiveSeconds) {
    open();
    addItem(form->playlists().LVMaster, "long", tone("long.wav", 20.0));
    playFirst();
    const int len = controller().DeckA().lengthMs;
    ASSERT_EQ(len, 20000);
    struct Case {
        const char* name;
        int fromMs;
        const char* button;
        int toMs;
    };
    const Case cases[] = {
        {"forward", 4000, "SpeedButton7", 9000},
        {"rewind", 9000, "SpeedButton6", 4000},
        {"rewind_stops_at_the_start", 3000, "SpeedButton6", 0},
        {"forward_stops_before_the_end", 17000, "SpeedButton7", len - 1},
    };
    auto* bar = child<PositionBar>(QStringLiteral("Track1"));
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        controller().DeckA().SeekMs(k.fromMs);
        ASSERT_NEAR(controller().DeckA().PositionMs(), k.fromMs, 1);
        click(button(k.button));
        EXPECT_NEAR(controller().DeckA().PositionMs(), k.toMs, 1);
        EXPECT_EQ(bar->value(), int(std::lround(k.toMs * 1000.0 / len)));
    }
}

TEST_F(TransportControls, AltBLaysTheLockOverTheButtonsAndBlocksPlay) {
    open();
    PlaylistView& list = form->playlists().LVMaster;
    addItem(list, "a", tone("a.wav", 5.0));
    addItem(list, "b", tone("b.wav", 5.0));
    auto* picture = child<QLabel>(QStringLiteral("Bevel5"));
    QToolButton* play = button("btPlay");
    EXPECT_TRUE(picture->isHidden());

    key(Qt::Key_B, Qt::AltModifier);
    EXPECT_FALSE(picture->isHidden());
    EXPECT_TRUE(controller().buttons().lockShown);
    // The picture covers every transport button.
    for (const char* name :
         {"btPrev", "SpeedButton6", "btPlay", "btStop", "btNext", "btRepeatList"}) {
        QWidget* b = button(name);
        EXPECT_TRUE(picture->geometry().contains(b->geometry())) << name;
    }
    // A click on Play and a double click on the list start nothing.
    clickRow(master(), 1);
    clickWhere(play);
    const QPoint row = master()->visualRect(master()->model()->index(1, 2)).center();
    QTest::mouseDClick(master()->viewport(), Qt::LeftButton, Qt::NoModifier, row);
    run(200);
    EXPECT_EQ(controller().DeckA().state, audio::DeckStop);
    EXPECT_EQ(list.PlayingIndex(), -1);

    // Alt+B again takes the picture away; the same click plays the selected item.
    key(Qt::Key_B, Qt::AltModifier);
    EXPECT_TRUE(picture->isHidden());
    clickWhere(play);
    run(200);
    EXPECT_EQ(controller().DeckA().state, audio::DeckPlay);
    EXPECT_EQ(list.PlayingIndex(), 1);
    // Locked while playing, Stop cannot be clicked either.
    key(Qt::Key_B, Qt::AltModifier);
    clickWhere(button("btStop"));
    run(200);
    EXPECT_EQ(controller().DeckA().state, audio::DeckPlay);
}

TEST_F(TransportControls, OneTrackEntryLetsStopAfterTrackReleaseItself) {
    struct Case {
        bool oneTrack;
        bool breakStaysDown;
    };
    for (const Case k : {Case{true, false}, Case{false, true}}) {
        SCOPED_TRACE(k.oneTrack);
        open();
        PlaylistView& list = form->playlists().LVMaster;
        addItem(list, "a", tone("a.wav", 1.0));
        addItem(list, "b", tone("b.wav", 1.0));
        QToolButton* brk = button("btBreak");
        // The entry lives in the menu of a right click on btBreak.
        QContextMenuEvent e(QContextMenuEvent::Mouse, brk->rect().center(),
                            brk->mapToGlobal(brk->rect().center()));
        QApplication::sendEvent(brk, &e);
        auto* menu = child<QMenu>(QStringLiteral("BreakMenu"));
        ASSERT_TRUE(menu->isVisible());
        QAction* entry = child<QAction>(QStringLiteral("brOneTrack"));
        if (entry->isChecked() != k.oneTrack)
            QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier,
                              menu->actionGeometry(entry).center());
        menu->hide();
        EXPECT_EQ(entry->isChecked(), k.oneTrack);
        EXPECT_EQ(controller().buttons().oneTrack, k.oneTrack);
        click(brk);
        ASSERT_TRUE(brk->isChecked());
        playFirst();
        run(1500);
        // The first item ended without a successor; the next one is selected.
        EXPECT_EQ(list.PlayingIndex(), -1);
        EXPECT_EQ(controller().DeckA().state, audio::DeckEnd);
        EXPECT_EQ(list.firstSelected(), 1);
        EXPECT_EQ(brk->isChecked(), k.breakStaysDown);
        form.reset();
    }
}

} // namespace
} // namespace wc::ui::test
