#pragma once
// The keyboard dispatch of the main window, free of widgets. Every key press of the
// application comes here while the main window is the active window, in this order:
//   1. the main menu's shortcuts (the bar's entries and the entries directly below them, key
//      and Shift/Ctrl/Alt/Meta compared exactly): the first enabled entry takes the key;
//   2. typing: an editable text field or a spin field keeps every key but F1..F12, a combo
//      box keeps every key;
//   3. the hot-key slots that are on: hk10, hk11; unless the transport lock is shown hk1/hk9,
//      hk2, hk3, hk4, hk5, hk8; then hk7, hk6; then Left and Right (rewind, fast forward)
//      unless a slider has the focus;
//   4. the window's own keys: the digits 1..9 fire jingles (not in a text field, spin field
//      or combo box), Esc sets the abort flag of long operations (the key goes on), Ctrl+D
//      shows or hides the debug window.
// Hot keys, arrows and digits act only without Ctrl, Alt and Meta: those make a command
// shortcut (Alt+B is the lock, Ctrl+D the debug window), not the plain key.
#include "player/core/hotkeys/hotkeyslots.h"

#include <QKeyCombination>
#include <span>

namespace wc {

// What the focused widget of the main window is.
enum class KeyFocus {
    Other,     // the lists, buttons, nothing …
    TextField, // an editable text field (read-only fields count as Other)
    SpinField, // a numeric spin field
    ComboBox,  // a combo box, editable or not
    Slider,    // a slider (the arrows are its own)
};

// The actions the keys reach; the window binds them to its controls.
class HotKeyActions {
public:
    virtual ~HotKeyActions() = default;
    // The main menu's entry number (the index into the shortcut list given with the key).
    virtual void clickMenuEntry(int entry) = 0;
    // The volume slider (0..1000) moved by delta.
    virtual void moveVolume(int delta) = 0;
    virtual void play() = 0;
    virtual void stop() = 0;
    // The Next-track button.
    virtual void next() = 0;
    // The stop-after-track and repeat-track buttons toggled and their clicks run.
    virtual void toggleBreak() = 0;
    virtual void toggleRepeat() = 0;
    virtual void pause() = 0;
    virtual void toggleNotepad() = 0;
    // The mute button toggled and its click run.
    virtual void toggleMute() = 0;
    // The rewind and fast-forward buttons.
    virtual void rewind() = 0;
    virtual void fastForward() = 0;
    // Jingle slot 1..9.
    virtual void fireJingle(int slot) = 0;
    // Sets the abort flag of long operations.
    virtual void abortLongOperation() = 0;
    // Shows or hides the debug window and brings the main window back to the front.
    virtual void toggleDebugWindow() = 0;
};

enum class KeyAction {
    None,
    MenuEntry,
    VolumeDown,
    VolumeUp,
    Play,
    Stop,
    Next,
    ToggleBreak,
    ToggleRepeat,
    Pause,
    Notepad,
    Mute,
    Rewind,
    FastForward,
    Jingle,
    Abort,
    DebugWindow,
};

struct KeyDecision {
    KeyAction action = KeyAction::None;
    int arg = 0;           // the menu entry or the jingle slot
    bool consumed = false; // the key goes no further
    bool operator==(const KeyDecision&) const = default;
};

// One key press as the dispatch sees it.
struct KeyPress {
    int qtKey = 0;
    Qt::KeyboardModifiers mods;
    quint32 nativeScanCode = 0;
};

struct KeyContext {
    KeyFocus focus = KeyFocus::Other;
    bool lockShown = false;
    // The enabled entries of the main menu with their shortcuts, in menu order (an entry with
    // two shortcuts appears twice with one entry number); no entries when the focused field
    // keeps the key as its own editing key.
    std::span<const std::pair<int, QKeyCombination>> menu;
};

// Which action a key press reaches; acts on nothing.
KeyDecision decideKey(const HotKeySlots& keys, const KeyPress& key, const KeyContext& ctx);
// Runs a decision's action.
void performKey(const KeyDecision& d, HotKeyActions& actions);

// The volume step of hk10 and hk11, of the slider's 1000.
constexpr int kHotKeyVolumeStep = 10;

} // namespace wc
