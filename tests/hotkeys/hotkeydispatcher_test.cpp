// The keyboard dispatch of the main window: which action each key reaches, given the focus,
// the transport lock, the keys' switches and the main menu's shortcuts.
#include "player/core/hotkeys/hotkeydispatcher.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <vector>

namespace wc {
namespace {

// Records every action as a short text.
class RecordingActions final : public HotKeyActions {
public:
    QStringList done;
    void clickMenuEntry(int entry) override { done << QStringLiteral("menu %1").arg(entry); }
    void moveVolume(int delta) override { done << QStringLiteral("volume %1").arg(delta); }
    void play() override { done << "play"; }
    void stop() override { done << "stop"; }
    void next() override { done << "next"; }
    void toggleBreak() override { done << "break"; }
    void toggleRepeat() override { done << "repeat"; }
    void pause() override { done << "pause"; }
    void toggleNotepad() override { done << "notepad"; }
    void toggleMute() override { done << "mute"; }
    void rewind() override { done << "rewind"; }
    void fastForward() override { done << "forward"; }
    void fireJingle(int slot) override { done << QStringLiteral("jingle %1").arg(slot); }
    void abortLongOperation() override { done << "abort"; }
    void toggleDebugWindow() override { done << "debug"; }
};

constexpr HotKeyValues kDefaults{80, 83, 78, 66, 82, 77, 84, 32, 13, 188, 190, 1, 1};

class Dispatch : public ::testing::Test {
protected:
    HotKeyValues values = kDefaults;
    HotKeySlots keys{values};
    RecordingActions actions;
    // Help on F1, Save on Ctrl+S, a second entry on Ctrl+Shift+S, the lock's key on an entry
    // numbered 7.
    std::vector<std::pair<int, QKeyCombination>> menu{
        {0, QKeyCombination(Qt::Key_F1)},
        {1, QKeyCombination(Qt::ControlModifier, Qt::Key_S)},
        {2, QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_S)},
        {7, QKeyCombination(Qt::AltModifier, Qt::Key_B)},
    };

    // Presses a key: the action's record ("" for none) and whether the key was consumed.
    std::pair<QString, bool> press(int qtKey, Qt::KeyboardModifiers mods = Qt::NoModifier,
                                   KeyFocus focus = KeyFocus::Other, bool lock = false) {
        actions.done.clear();
        const KeyDecision d = decideKey(keys, {qtKey, mods, 0}, {focus, lock, menu});
        performKey(d, actions);
        EXPECT_LE(actions.done.size(), 1);
        return {actions.done.join(QLatin1Char(';')), d.consumed};
    }
};

struct Case {
    const char* name;
    int key;
    Qt::KeyboardModifiers mods;
    KeyFocus focus;
    bool lock;
    const char* action; // "" for none
    bool consumed;
};

constexpr auto None = Qt::NoModifier;
constexpr auto Shift = Qt::ShiftModifier;
constexpr auto Ctrl = Qt::ControlModifier;
constexpr auto Alt = Qt::AltModifier;
constexpr auto Pad = Qt::KeypadModifier;
constexpr auto Other = KeyFocus::Other;
constexpr auto Text = KeyFocus::TextField;
constexpr auto Spin = KeyFocus::SpinField;
constexpr auto Combo = KeyFocus::ComboBox;
constexpr auto Slider = KeyFocus::Slider;

TEST_F(Dispatch, DefaultKeys) {
    const Case cases[] = {
        {"P plays", Qt::Key_P, None, Other, false, "play", true},
        {"Enter plays", Qt::Key_Return, None, Other, false, "play", true},
        {"keypad Enter plays", Qt::Key_Enter, Pad, Other, false, "play", true},
        {"S stops", Qt::Key_S, None, Other, false, "stop", true},
        {"N is Next", Qt::Key_N, None, Other, false, "next", true},
        {"B toggles stop-after-track", Qt::Key_B, None, Other, false, "break", true},
        {"R toggles repeat-track", Qt::Key_R, None, Other, false, "repeat", true},
        {"M toggles mute", Qt::Key_M, None, Other, false, "mute", true},
        {"T toggles the notepad", Qt::Key_T, None, Other, false, "notepad", true},
        {"Space pauses", Qt::Key_Space, None, Other, false, "pause", true},
        {", lowers the volume", Qt::Key_Comma, None, Other, false, "volume -10", true},
        {". raises the volume", Qt::Key_Period, None, Other, false, "volume 10", true},
        {"Shift held still plays", Qt::Key_P, Shift, Other, false, "play", true},
        {"Left rewinds", Qt::Key_Left, None, Other, false, "rewind", true},
        {"Right fast-forwards", Qt::Key_Right, None, Other, false, "forward", true},
        {"Up is not a hot key", Qt::Key_Up, None, Other, false, "", false},
        {"X is not a hot key", Qt::Key_X, None, Other, false, "", false},
        {"keypad . is not the period key", Qt::Key_Period, Pad, Other, false, "", false},
        // Command modifiers make another key.
        {"Ctrl+P", Qt::Key_P, Ctrl, Other, false, "", false},
        {"Alt+S", Qt::Key_S, Alt, Other, false, "", false},
        {"Alt+B is the lock's, not stop-after-track", Qt::Key_B, Alt, Other, false, "menu 7", true},
        {"Ctrl+Left", Qt::Key_Left, Ctrl, Other, false, "", false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const auto [action, consumed] = press(k.key, k.mods, k.focus, k.lock);
        EXPECT_EQ(action, QString::fromUtf8(k.action));
        EXPECT_EQ(consumed, k.consumed);
    }
}

TEST_F(Dispatch, TheLockStopsTransportKeysOnly) {
    const Case cases[] = {
        {"P", Qt::Key_P, None, Other, true, "", false},
        {"Enter", Qt::Key_Return, None, Other, true, "", false},
        {"S", Qt::Key_S, None, Other, true, "", false},
        {"N", Qt::Key_N, None, Other, true, "", false},
        {"B", Qt::Key_B, None, Other, true, "", false},
        {"R", Qt::Key_R, None, Other, true, "", false},
        {"Space", Qt::Key_Space, None, Other, true, "", false},
        {". still raises the volume", Qt::Key_Period, None, Other, true, "volume 10", true},
        {", still lowers it", Qt::Key_Comma, None, Other, true, "volume -10", true},
        {"M still mutes", Qt::Key_M, None, Other, true, "mute", true},
        {"T still opens the notepad", Qt::Key_T, None, Other, true, "notepad", true},
        {"Left still rewinds", Qt::Key_Left, None, Other, true, "rewind", true},
        {"Right still fast-forwards", Qt::Key_Right, None, Other, true, "forward", true},
        {"digits still fire jingles", Qt::Key_3, None, Other, true, "jingle 3", true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const auto [action, consumed] = press(k.key, k.mods, k.focus, k.lock);
        EXPECT_EQ(action, QString::fromUtf8(k.action));
        EXPECT_EQ(consumed, k.consumed);
    }
}

TEST_F(Dispatch, FocusRules) {
    const Case cases[] = {
        {"p typed in a text field", Qt::Key_P, None, Text, false, "", false},
        {"Enter in a text field", Qt::Key_Return, None, Text, false, "", false},
        {"Space in a spin field", Qt::Key_Space, None, Spin, false, "", false},
        {"Left in a text field moves the cursor", Qt::Key_Left, None, Text, false, "", false},
        {"F1 in a text field reaches the menu", Qt::Key_F1, None, Text, false, "menu 0", true},
        {"Ctrl+S in a text field reaches the menu", Qt::Key_S, Ctrl, Text, false, "menu 1", true},
        {"F1 in a combo box reaches the menu", Qt::Key_F1, None, Combo, false, "menu 0", true},
        {". in a combo box", Qt::Key_Period, None, Combo, false, "", false},
        {"Left on a slider is the slider's", Qt::Key_Left, None, Slider, false, "", false},
        {"Right on a slider is the slider's", Qt::Key_Right, None, Slider, false, "", false},
        {"P on a slider plays", Qt::Key_P, None, Slider, false, "play", true},
        // The digits: jingles unless typed into a field.
        {"1 fires jingle 1", Qt::Key_1, None, Other, false, "jingle 1", true},
        {"9 fires jingle 9", Qt::Key_9, None, Other, false, "jingle 9", true},
        {"5 on a slider", Qt::Key_5, None, Slider, false, "jingle 5", true},
        {"0 is no jingle", Qt::Key_0, None, Other, false, "", false},
        {"5 in a combo box", Qt::Key_5, None, Combo, false, "", false},
        {"5 in a text field", Qt::Key_5, None, Text, false, "", false},
        {"5 in a spin field", Qt::Key_5, None, Spin, false, "", false},
        {"keypad 5", Qt::Key_5, Pad, Other, false, "", false},
        {"Ctrl+5", Qt::Key_5, Ctrl, Other, false, "", false},
        // Esc sets the abort flag everywhere and goes on to the focused widget.
        {"Esc", Qt::Key_Escape, None, Other, false, "abort", false},
        {"Esc in a text field", Qt::Key_Escape, None, Text, false, "abort", false},
        // Ctrl+D everywhere.
        {"Ctrl+D", Qt::Key_D, Ctrl, Other, false, "debug", true},
        {"Ctrl+D in a text field", Qt::Key_D, Ctrl, Text, false, "debug", true},
        {"Ctrl+D in a combo box", Qt::Key_D, Ctrl, Combo, false, "debug", true},
        {"Ctrl+Shift+D", Qt::Key_D, Ctrl | Shift, Other, false, "", false},
        {"D alone", Qt::Key_D, None, Other, false, "", false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const auto [action, consumed] = press(k.key, k.mods, k.focus, k.lock);
        EXPECT_EQ(action, QString::fromUtf8(k.action));
        EXPECT_EQ(consumed, k.consumed);
    }
}

TEST_F(Dispatch, MenuShortcutsMatchExactlyAndComeFirst) {
    // An entry on a hot key's key takes it.
    menu.push_back({9, QKeyCombination(Qt::Key_P)});
    EXPECT_EQ(press(Qt::Key_P), std::make_pair(QStringLiteral("menu 9"), true));
    EXPECT_EQ(press(Qt::Key_P, Qt::NoModifier, KeyFocus::Other, true),
              std::make_pair(QStringLiteral("menu 9"), true));
    // Held modifiers must be those of the entry, no more, no fewer.
    EXPECT_EQ(press(Qt::Key_S, Ctrl).first, "menu 1");
    EXPECT_EQ(press(Qt::Key_S, Ctrl | Shift).first, "menu 2");
    EXPECT_EQ(press(Qt::Key_S, Ctrl | Alt).first, "");
    EXPECT_EQ(press(Qt::Key_F1, Shift).first, "");
    EXPECT_EQ(press(Qt::Key_F1, Pad).first, "menu 0"); // the keypad flag is no modifier
    // An entry on a digit beats the jingle, the first of two entries on one key wins.
    menu.push_back({10, QKeyCombination(Qt::Key_5)});
    menu.push_back({11, QKeyCombination(Qt::Key_5)});
    EXPECT_EQ(press(Qt::Key_5).first, "menu 10");
}

TEST_F(Dispatch, SlotsThatAreOffAndChangedKeys) {
    keys.setOn(HkPlay, false);
    EXPECT_EQ(press(Qt::Key_P).first, "");
    EXPECT_EQ(press(Qt::Key_Return).first, "");
    keys.setOn(HkPlay, true);
    EXPECT_EQ(press(Qt::Key_Return).first, "play");
    // hk9 on its own does not count while hk1 is off.
    values[0] = -80;
    values[8] = 13;
    EXPECT_EQ(press(Qt::Key_Return).first, "");
    values = kDefaults;
    // A new key for Stop: the old one does nothing, the new one stops.
    keys.setKey(HkStop, 'Q');
    EXPECT_EQ(press(Qt::Key_S).first, "");
    EXPECT_EQ(press(Qt::Key_Q).first, "stop");
    // Two keys on one key: the earlier in the order wins (volume before Play).
    keys.setKey(HkVolumeDown, 'P');
    EXPECT_EQ(press(Qt::Key_P).first, "volume -10");
    keys.setOn(HkVolumeDown, false);
    EXPECT_EQ(press(Qt::Key_P).first, "play");
    // A digit given to a slot is that slot's, not the jingle's.
    keys.setKey(HkMute, '5');
    EXPECT_EQ(press(Qt::Key_5).first, "mute");
    // Keys of the numeric pad and F-keys as keys; F-keys also work from a text field.
    keys.setKey(HkNotepad, 101);
    EXPECT_EQ(press(Qt::Key_5, Pad).first, "notepad");
    keys.setKey(HkNotepad, 115);
    EXPECT_EQ(press(Qt::Key_F4, Qt::NoModifier, KeyFocus::TextField).first, "notepad");
    EXPECT_EQ(press(Qt::Key_F4, Qt::NoModifier, KeyFocus::ComboBox).first, "");
    // hk12 and hk13 hold no key that a press could match.
    values[11] = 'X';
    EXPECT_EQ(press(Qt::Key_X).first, "");
}

} // namespace
} // namespace wc
