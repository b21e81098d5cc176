#include "player/core/hotkeys/hotkeydispatcher.h"

#include "player/core/hotkeys/keycodes.h"

namespace wc {

namespace {

constexpr Qt::KeyboardModifiers kCommandMods =
    Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
constexpr Qt::KeyboardModifiers kExactMods = kCommandMods | Qt::ShiftModifier;

KeyDecision consumed(KeyAction a, int arg = 0) {
    return {a, arg, true};
}

} // namespace

KeyDecision decideKey(const HotKeySlots& keys, const KeyPress& key, const KeyContext& ctx) {
    const Qt::KeyboardModifiers held = key.mods & kExactMods;
    // 1. The main menu.
    for (const auto& [entry, shortcut] : ctx.menu)
        if (shortcut.key() == Qt::Key(key.qtKey) &&
            (shortcut.keyboardModifiers() & kExactMods) == held)
            return consumed(KeyAction::MenuEntry, entry);

    const int code = virtualKeyCode(key.qtKey, key.mods, key.nativeScanCode);
    const bool functionKey = code >= VkF1 && code <= VkF12;
    const bool plain = !(key.mods & kCommandMods);

    // 2. Typing in a field, and 3. the hot keys.
    const bool typing =
        ctx.focus == KeyFocus::ComboBox ||
        ((ctx.focus == KeyFocus::TextField || ctx.focus == KeyFocus::SpinField) && !functionKey);
    if (!typing && plain && code != 0) {
        auto is = [&](int slot) { return keys.acts(slot) && keys.key(slot) == code; };
        if (is(HkVolumeDown)) return consumed(KeyAction::VolumeDown, -kHotKeyVolumeStep);
        if (is(HkVolumeUp)) return consumed(KeyAction::VolumeUp, kHotKeyVolumeStep);
        if (!ctx.lockShown) {
            if (is(HkPlay) || is(HkPlay2)) return consumed(KeyAction::Play);
            if (is(HkStop)) return consumed(KeyAction::Stop);
            if (is(HkNext)) return consumed(KeyAction::Next);
            if (is(HkBreak)) return consumed(KeyAction::ToggleBreak);
            if (is(HkRepeat)) return consumed(KeyAction::ToggleRepeat);
            if (is(HkPause)) return consumed(KeyAction::Pause);
        }
        if (is(HkNotepad)) return consumed(KeyAction::Notepad);
        if (is(HkMute)) return consumed(KeyAction::Mute);
        if (ctx.focus != KeyFocus::Slider) {
            if (code == VkLeft) return consumed(KeyAction::Rewind);
            if (code == VkRight) return consumed(KeyAction::FastForward);
        }
    }

    // 4. The window's own keys.
    const bool inField = ctx.focus == KeyFocus::TextField || ctx.focus == KeyFocus::SpinField ||
                         ctx.focus == KeyFocus::ComboBox;
    if (plain && code >= '1' && code <= '9' && !inField)
        return consumed(KeyAction::Jingle, code - '0');
    if (code == VkEscape) return {KeyAction::Abort, 0, false};
    if (key.qtKey == Qt::Key_D && held == Qt::ControlModifier)
        return consumed(KeyAction::DebugWindow);
    return {};
}

void performKey(const KeyDecision& d, HotKeyActions& a) {
    switch (d.action) {
    case KeyAction::None:
        break;
    case KeyAction::MenuEntry:
        a.clickMenuEntry(d.arg);
        break;
    case KeyAction::VolumeDown:
    case KeyAction::VolumeUp:
        a.moveVolume(d.arg);
        break;
    case KeyAction::Play:
        a.play();
        break;
    case KeyAction::Stop:
        a.stop();
        break;
    case KeyAction::Next:
        a.next();
        break;
    case KeyAction::ToggleBreak:
        a.toggleBreak();
        break;
    case KeyAction::ToggleRepeat:
        a.toggleRepeat();
        break;
    case KeyAction::Pause:
        a.pause();
        break;
    case KeyAction::Notepad:
        a.toggleNotepad();
        break;
    case KeyAction::Mute:
        a.toggleMute();
        break;
    case KeyAction::Rewind:
        a.rewind();
        break;
    case KeyAction::FastForward:
        a.fastForward();
        break;
    case KeyAction::Jingle:
        a.fireJingle(d.arg);
        break;
    case KeyAction::Abort:
        a.abortLongOperation();
        break;
    case KeyAction::DebugWindow:
        a.toggleDebugWindow();
        break;
    }
}

} // namespace wc
