// The main window's keyboard: hot keys, their window, the focus rules, the transport lock's
// exceptions, menu shortcuts before hot keys, the digit keys, Esc and Ctrl+D. Keys are typed
// into the focused widget of the real window, which is the active window.
#include "windowfixture.h"

#include "player/ui/jinglebank.h"
#include "player/ui/overlaywindows.h"

#include "common/log.h"
#include "player/core/playback/onairchain.h"
#include "player/ui/debugwindow.h"
#include "player/ui/editcommands.h"
#include "player/ui/hotkeybinder.h"
#include "player/ui/notepadwindow.h"
#include "player/ui/tfrmhk.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QToolButton>

namespace wc::ui::test {
namespace {

class HotKeys : public WindowTest {
protected:
    PlaybackController& controller() { return form->onAir()->controller(); }
    int deckState() { return controller().DeckA().state; }
    // Two items in the on-air list, the first selected, the list focused.
    void openWithList() {
        open();
        PlaylistView& list = form->playlists().LVMaster;
        addItem(list, "a", tone("a.wav", 10.0));
        addItem(list, "b", tone("b.wav", 10.0));
        clickRow(master(), 0);
        focusOn(master());
    }
    void focusOn(QWidget* w) {
        activateMain();
        w->setFocus(Qt::OtherFocusReason);
        ASSERT_EQ(QApplication::focusWidget(), w);
    }
    void activateMain() {
        if (QApplication::activeWindow() == form.get()) return;
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == form.get(); }));
    }
    // Stops whatever plays and selects the first item again.
    void stopAll() {
        controller().aStop();
        run(100);
        clickRow(master(), 0);
        focusOn(master());
    }
    // Opens the hot-key window from its menu entry; it becomes the active window.
    TfrmHK* openHotKeyWindow() {
        child<QAction>(QStringLiteral("aHotKeys"))->trigger();
        auto* w = form->findChild<TfrmHK*>(QStringLiteral("TfrmHK"));
        EXPECT_NE(w, nullptr);
        if (!w) return nullptr;
        // Offscreen, a window becomes active once it is exposed.
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w));
        w->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w));
        EXPECT_EQ(QApplication::activeWindow(), w);
        return w;
    }
    void closeHotKeyWindow(TfrmHK* w) {
        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("btOK")), Qt::LeftButton);
        EXPECT_FALSE(w->isVisible());
        windowGone();
    }
    // The closed hot-key window deletes itself; the main window is active again.
    void windowGone() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(form->findChild<TfrmHK*>(), nullptr);
        activateMain();
    }
    HotKeyBinder* binder() const { return child<HotKeyBinder>(QStringLiteral("HotKeys")); }
    QSlider* volume() const { return child<QSlider>(QStringLiteral("tbVol")); }
    QLineEdit* searchField() const {
        child<QAction>(QStringLiteral("ShowLibrarySearch"))->setChecked(true);
        return child<QLineEdit>(QStringLiteral("edFindText"));
    }
};

TEST_F(HotKeys, DefaultKeysDriveTheTransportFromTheList) {
    openWithList();
    key(Qt::Key_P);
    run(100);
    EXPECT_EQ(deckState(), audio::DeckPlay);
    EXPECT_EQ(form->playlists().LVMaster.PlayingIndex(), 0);
    key(Qt::Key_Space);
    EXPECT_EQ(deckState(), audio::DeckPause);
    key(Qt::Key_Space);
    EXPECT_EQ(deckState(), audio::DeckPlay);
    // Right and Left move 5 s on and back (not the list's current cell).
    controller().DeckA().SeekMs(2000);
    key(Qt::Key_Right);
    EXPECT_NEAR(controller().DeckA().PositionMs(), 7000, 1);
    key(Qt::Key_Left);
    EXPECT_NEAR(controller().DeckA().PositionMs(), 2000, 1);
    // On a slider the arrows are the slider's.
    focusOn(volume());
    volume()->setValue(500);
    key(Qt::Key_Right);
    EXPECT_NEAR(controller().DeckA().PositionMs(), 2000, 1);
    EXPECT_EQ(volume()->value(), 510);
    focusOn(master());
    key(Qt::Key_Comma);
    EXPECT_EQ(volume()->value(), 500);
    // B and R press their buttons, which exclude each other; M the mute button.
    auto* brk = child<QToolButton>(QStringLiteral("btBreak"));
    auto* rep = child<QToolButton>(QStringLiteral("btRepeat"));
    key(Qt::Key_B);
    EXPECT_TRUE(brk->isChecked());
    EXPECT_TRUE(controller().buttons().breakAfter);
    key(Qt::Key_R);
    EXPECT_TRUE(rep->isChecked());
    EXPECT_FALSE(brk->isChecked());
    key(Qt::Key_R);
    EXPECT_FALSE(controller().buttons().repeat);
    auto* mute = child<QToolButton>(QStringLiteral("btMute"));
    key(Qt::Key_M);
    EXPECT_TRUE(mute->isChecked());
    key(Qt::Key_M);
    EXPECT_FALSE(mute->isChecked());
    // N is the Next button, S stops.
    key(Qt::Key_N);
    run(100);
    EXPECT_EQ(form->playlists().LVMaster.PlayingIndex(), 1);
    key(Qt::Key_S);
    run(100);
    EXPECT_NE(deckState(), audio::DeckPlay);
}

TEST_F(HotKeys, Hk1OffDisablesPAndEnterAndSwitchingItOnAgainSwitchesHk9) {
    openWithList();
    TfrmHK* w = openHotKeyWindow();
    ASSERT_NE(w, nullptr);
    QCheckBox* hk1 = w->switchBox(HkPlay);
    EXPECT_EQ(w->switchBox(HkPlay2), nullptr); // hk9 has no switch of its own
    EXPECT_EQ(w->keyPanel(HkPlay)->text(), "P");
    EXPECT_EQ(w->keyPanel(HkPlay2)->text(), "Enter");
    ASSERT_TRUE(hk1->isChecked());
    QTest::mouseClick(hk1, Qt::LeftButton);
    EXPECT_FALSE(hk1->isChecked());
    closeHotKeyWindow(w);
    focusOn(master());
    for (int k : {Qt::Key_P, Qt::Key_Return, Qt::Key_Enter}) {
        key(k, k == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        run(100);
        EXPECT_NE(deckState(), audio::DeckPlay) << k;
    }
    // Switched on again: P and Enter (hk9 followed) both play.
    w = openHotKeyWindow();
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w->switchBox(HkPlay), Qt::LeftButton);
    EXPECT_TRUE(w->switchBox(HkPlay)->isChecked());
    closeHotKeyWindow(w);
    for (int k : {Qt::Key_P, Qt::Key_Return}) {
        stopAll();
        key(k);
        run(100);
        EXPECT_EQ(deckState(), audio::DeckPlay) << k;
    }
}

TEST_F(HotKeys, WithTheLockSpaceDoesNothingButThePeriodRaisesTheVolume) {
    openWithList();
    key(Qt::Key_P);
    run(100);
    ASSERT_EQ(deckState(), audio::DeckPlay);
    volume()->setValue(500);
    key(Qt::Key_B, Qt::AltModifier);
    ASSERT_TRUE(controller().buttons().lockShown);
    // The transport keys do nothing; B is not stop-after-track.
    for (int k : {Qt::Key_Space, Qt::Key_S, Qt::Key_N, Qt::Key_B, Qt::Key_R}) {
        key(k);
        run(100);
        EXPECT_EQ(deckState(), audio::DeckPlay) << k;
        EXPECT_EQ(form->playlists().LVMaster.PlayingIndex(), 0) << k;
    }
    EXPECT_FALSE(controller().buttons().breakAfter);
    EXPECT_FALSE(controller().buttons().repeat);
    // Volume, mute, the notepad and the arrows still work.
    auto* notepad = form->editCommands().notepad();
    ASSERT_FALSE(notepad->isVisible());
    key(Qt::Key_T);
    EXPECT_TRUE(notepad->isVisible());
    focusOn(master());
    key(Qt::Key_T);
    EXPECT_FALSE(notepad->isVisible());
    key(Qt::Key_M);
    EXPECT_TRUE(child<QToolButton>(QStringLiteral("btMute"))->isChecked());
    key(Qt::Key_Period);
    EXPECT_EQ(volume()->value(), 510);
    key(Qt::Key_Comma);
    key(Qt::Key_Comma);
    EXPECT_EQ(volume()->value(), 490);
    controller().DeckA().SeekMs(1000);
    key(Qt::Key_Right);
    EXPECT_NEAR(controller().DeckA().PositionMs(), 6000, 1);
    // Unlocked, Space pauses again.
    key(Qt::Key_B, Qt::AltModifier);
    ASSERT_FALSE(controller().buttons().lockShown);
    key(Qt::Key_Space);
    EXPECT_EQ(deckState(), audio::DeckPause);
}

TEST_F(HotKeys, TypingInTheSearchFieldPlaysNothingButF1StillReachesTheMenu) {
    openWithList();
    QLineEdit* field = searchField();
    focusOn(field);
    QSignalSpy help(child<QAction>(QStringLiteral("HelpContents")), &QAction::triggered);
    QTest::keyClicks(field, "p s1");
    key(Qt::Key_Return);
    run(100);
    EXPECT_EQ(field->text(), "p s1");
    EXPECT_NE(deckState(), audio::DeckPlay);
    EXPECT_EQ(help.count(), 0);
    // The field's own editing keys stay its own: Left moves the cursor and does not rewind.
    key(Qt::Key_Left);
    EXPECT_EQ(field->cursorPosition(), 3);
    key(Qt::Key_F1);
    EXPECT_EQ(help.count(), 1);
    EXPECT_TRUE(logged("Help: no help file"));
    EXPECT_EQ(field->text(), "p s1");
    // A read-only field is no typing field: P plays from there.
    field->setReadOnly(true);
    key(Qt::Key_P);
    run(100);
    EXPECT_EQ(deckState(), audio::DeckPlay);
}

TEST_F(HotKeys, TheFieldsOwnEditingKeysStayTheFieldsWhileTheMenuHasThem) {
    openWithList();
    PlaylistView& list = form->playlists().LVMaster;
    // Delete in the list is the Edit menu's: the item goes, and the list can undo.
    key(Qt::Key_Delete);
    ASSERT_EQ(list.count(), 1);
    ASSERT_TRUE(list.canUndo());
    // In the search field Ctrl+Z and Delete are the field's: the list keeps its state.
    QLineEdit* field = searchField();
    focusOn(field);
    QTest::keyClicks(field, "ab");
    key(Qt::Key_Home);
    key(Qt::Key_Delete);
    EXPECT_EQ(field->text(), "b");
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(field->text(), "ab");
    EXPECT_EQ(list.count(), 1);
    // Back in the list Ctrl+Z is the menu's Undo.
    focusOn(master());
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(list.count(), 2);
}

TEST_F(HotKeys, DigitsFireJinglesExceptInFields) {
    openWithList();
    QList<int> fired;
    binder()->onJingle = [&](int slot) { fired << slot; };
    key(Qt::Key_5);
    key(Qt::Key_1);
    key(Qt::Key_0);
    EXPECT_EQ(fired, (QList<int>{5, 1}));
    fired.clear();
    // 5 in the combo box of the search page fires nothing.
    searchField();
    auto* combo = child<QComboBox>(QStringLiteral("cbFindIndex"));
    focusOn(combo);
    key(Qt::Key_5);
    QLineEdit* field = child<QLineEdit>(QStringLiteral("edFindText"));
    focusOn(field);
    key(Qt::Key_5);
    EXPECT_EQ(field->text(), "5");
    EXPECT_TRUE(fired.isEmpty());
    // Nor does the transport: "." and Space in the combo box are the combo box's.
    focusOn(combo);
    volume()->setValue(500);
    key(Qt::Key_Period);
    EXPECT_EQ(volume()->value(), 500);
}

TEST_F(HotKeys, ADigitOpensItsJingleWindowWhoseKeysReachTheMainWindow) {
    openWithList();
    form->jingles().jingleSlots().setFile(3, tone("j.wav", 5.0));
    key(Qt::Key_P);
    run(200);
    ASSERT_EQ(deckState(), audio::DeckPlay);
    key(Qt::Key_3);
    QList<TfrmJinPlay*> open;
    for (TfrmJinPlay* w : form->findChildren<TfrmJinPlay*>())
        if (w->isVisible()) open << w;
    ASSERT_EQ(open.size(), 1);
    EXPECT_TRUE(logged("[A] Jingle (j)"));
    // A key pressed while the jingle window has the focus is the main window's.
    TfrmJinPlay* w = open[0];
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == w; }));
    volume()->setValue(500);
    QTest::keyClick(w, Qt::Key_Period);
    EXPECT_EQ(volume()->value(), 510);
    QTest::keyClick(w, Qt::Key_S);
    run(200);
    EXPECT_NE(deckState(), audio::DeckPlay);
}

TEST_F(HotKeys, ASpinFieldKeepsItsKeysButTheFunctionKeys) {
    openWithList();
    QList<int> fired;
    binder()->onJingle = [&](int slot) { fired << slot; };
    child<QAction>(QStringLiteral("ShowCrossfade"))->setChecked(true);
    auto* spin = child<QAbstractSpinBox>(QStringLiteral("musmix"));
    focusOn(spin);
    for (int k : {Qt::Key_P, Qt::Key_Return, Qt::Key_5, Qt::Key_Left, Qt::Key_Space})
        key(k);
    run(100);
    EXPECT_NE(deckState(), audio::DeckPlay);
    EXPECT_TRUE(fired.isEmpty());
    // A hot key on a function key still acts from the spin field.
    TfrmHK* w = openHotKeyWindow();
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w->keyPanel(HkPlay), Qt::LeftButton);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5);
    EXPECT_EQ(w->keyPanel(HkPlay)->text(), "F5");
    closeHotKeyWindow(w);
    focusOn(spin);
    key(Qt::Key_F5);
    run(100);
    EXPECT_EQ(deckState(), audio::DeckPlay);
}

TEST_F(HotKeys, ANewKeyKeepsTheOffSign) {
    openWithList();
    TfrmHK* w = openHotKeyWindow();
    ASSERT_NE(w, nullptr);
    QCheckBox* stopBox = w->switchBox(HkStop);
    QTest::mouseClick(stopBox, Qt::LeftButton);
    ASSERT_FALSE(stopBox->isChecked());
    auto* capture = w->findChild<QWidget*>(QStringLiteral("HKPanel"));
    QPushButton* panel = w->keyPanel(HkStop);
    EXPECT_EQ(panel->text(), "S");
    QTest::mouseClick(panel, Qt::LeftButton);
    ASSERT_TRUE(capture->isVisible());
    EXPECT_EQ(w->capturing(), int(HkStop));
    // Keys that may not be assigned are ignored, the panel stays.
    for (int k : {Qt::Key_Tab, Qt::Key_Left, Qt::Key_Semicolon, Qt::Key_F13})
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(k));
    EXPECT_TRUE(capture->isVisible());
    EXPECT_EQ(panel->text(), "S");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Q);
    EXPECT_FALSE(capture->isVisible());
    EXPECT_EQ(panel->text(), "Q");
    EXPECT_FALSE(stopBox->isChecked());
    // Esc hides the panel without a change; Esc again closes the window.
    QTest::mouseClick(w->keyPanel(HkNext), Qt::LeftButton);
    ASSERT_TRUE(capture->isVisible());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(capture->isVisible());
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->keyPanel(HkNext)->text(), "N");
    // A numeric-pad key by its name.
    QTest::mouseClick(w->keyPanel(HkNext), Qt::LeftButton);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_7, Qt::KeypadModifier);
    EXPECT_EQ(w->keyPanel(HkNext)->text(), "NUM 7");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    windowGone();
    focusOn(master());
    key(Qt::Key_P);
    run(100);
    ASSERT_EQ(deckState(), audio::DeckPlay);
    // Stop is off: neither S nor Q stops.
    for (int k : {Qt::Key_Q, Qt::Key_S}) {
        key(k);
        run(100);
        EXPECT_EQ(deckState(), audio::DeckPlay) << k;
    }
    // Switched on through the "all" box, Q stops.
    w = openHotKeyWindow();
    ASSERT_NE(w, nullptr);
    auto* all = w->findChild<QCheckBox*>(QStringLiteral("CheckBox0"));
    EXPECT_FALSE(all->isChecked());
    // A click on the box itself (the widget spans the window's width).
    QTest::mouseClick(all, Qt::LeftButton, Qt::NoModifier, QPoint(6, all->height() / 2));
    EXPECT_TRUE(w->switchBox(HkStop)->isChecked());
    EXPECT_TRUE(w->switchBox(HkLock)->isChecked());
    closeHotKeyWindow(w);
    focusOn(master());
    key(Qt::Key_Q);
    run(100);
    EXPECT_NE(deckState(), audio::DeckPlay);
    // The keys are the profile's: closing saves them (Stop on Q, Next on the pad's 7).
    exitProgram();
    IniFile saved(homePath("Profile/Default.prf"));
    EXPECT_EQ(saved.readInt("HotKeys", "hk2", 0), 81);
    EXPECT_EQ(saved.readInt("HotKeys", "hk3", 0), 103);
    EXPECT_EQ(saved.readInt("HotKeys", "hk12", 0), 1);
}

TEST_F(HotKeys, CaptureTakesEnterAndSpaceAndTheLockSwitchActsAtOnce) {
    openWithList();
    TfrmHK* w = openHotKeyWindow();
    ASSERT_NE(w, nullptr);
    // Enter and Space become keys; they neither close the window nor press a button.
    QTest::mouseClick(w->keyPanel(HkPlay2), Qt::LeftButton);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(w->keyPanel(HkPlay2)->text(), "Space");
    QTest::mouseClick(w->keyPanel(HkPause), Qt::LeftButton);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(w->keyPanel(HkPause)->text(), "Enter");
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->capturing(), 0);
    // hk12 off: Alt+B no longer lays the lock.
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("hkFixed12"))->text(), "Alt+B");
    QTest::mouseClick(w->switchBox(HkLock), Qt::LeftButton);
    closeHotKeyWindow(w);
    focusOn(master());
    key(Qt::Key_B, Qt::AltModifier);
    EXPECT_FALSE(controller().buttons().lockShown);
    // Space plays (hk9), Enter pauses (hk8).
    key(Qt::Key_Space);
    run(100);
    EXPECT_EQ(deckState(), audio::DeckPlay);
    key(Qt::Key_Return);
    EXPECT_EQ(deckState(), audio::DeckPause);
}

TEST_F(HotKeys, AMenuShortcutWinsOverAHotKey) {
    openWithList();
    key(Qt::Key_P);
    run(100);
    ASSERT_EQ(deckState(), audio::DeckPlay);
    // Stop on F1, which is also the help entry's shortcut.
    TfrmHK* w = openHotKeyWindow();
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w->keyPanel(HkStop), Qt::LeftButton);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    EXPECT_EQ(w->keyPanel(HkStop)->text(), "F1");
    closeHotKeyWindow(w);
    focusOn(master());
    QSignalSpy help(child<QAction>(QStringLiteral("HelpContents")), &QAction::triggered);
    key(Qt::Key_F1);
    run(100);
    EXPECT_EQ(help.count(), 1);
    EXPECT_EQ(deckState(), audio::DeckPlay);
    // With a modifier the hot key is another key, and so is no menu's: Shift+F1 stops.
    key(Qt::Key_F1, Qt::ShiftModifier);
    run(100);
    EXPECT_EQ(help.count(), 1);
    EXPECT_NE(deckState(), audio::DeckPlay);
}

TEST_F(HotKeys, EscSetsTheAbortFlagAndCtrlDTogglesTheDebugWindow) {
    openWithList();
    form->editor().AbortFlag = false;
    key(Qt::Key_Escape);
    EXPECT_TRUE(form->editor().AbortFlag);
    auto* debug = child<DebugWindow>(QStringLiteral("DebugWindow"));
    EXPECT_FALSE(debug->isVisible());
    key(Qt::Key_D, Qt::ControlModifier);
    EXPECT_TRUE(debug->isVisible());
    // The main window is back in front and keeps its keys.
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == form.get(); }));
    logLine(QStringLiteral("a diagnostic line"));
    EXPECT_TRUE(debug->text().contains("a diagnostic line"));
    // Also from a text field.
    QLineEdit* field = searchField();
    focusOn(field);
    key(Qt::Key_D, Qt::ControlModifier);
    EXPECT_FALSE(debug->isVisible());
    EXPECT_EQ(field->text(), "");
    EXPECT_EQ(QApplication::activeWindow(), form.get());
}

TEST_F(HotKeys, OnlyTheActiveMainWindowWithoutAPopUpAnswersTheKeys) {
    openWithList();
    // Another window of the program is active: P typed there plays nothing.
    auto* debug = child<DebugWindow>(QStringLiteral("DebugWindow"));
    debug->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(debug));
    debug->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(debug));
    ASSERT_EQ(QApplication::activeWindow(), debug);
    for (int k : {Qt::Key_P, Qt::Key_Return, Qt::Key_5})
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : debug,
                        Qt::Key(k));
    run(100);
    EXPECT_NE(deckState(), audio::DeckPlay);
    // A pop-up list of the main window takes its keys itself.
    QList<int> fired;
    binder()->onJingle = [&](int slot) { fired << slot; };
    focusOn(master());
    searchField();
    auto* combo = child<QComboBox>(QStringLiteral("cbFindIndex"));
    combo->showPopup();
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_P);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_5);
    run(100);
    EXPECT_NE(deckState(), audio::DeckPlay);
    EXPECT_TRUE(fired.isEmpty());
    combo->hidePopup();
    // The main window active again: P plays.
    focusOn(master());
    key(Qt::Key_P);
    run(100);
    EXPECT_EQ(deckState(), audio::DeckPlay);
}

} // namespace
} // namespace wc::ui::test
