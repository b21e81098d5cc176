#pragma once
// Qt's key events in the key codes the hot keys are stored in (the Windows virtual-key
// numbering of the profile files): letters and digits by their upper-case character, the
// numeric pad from 96, F1 from 112, the punctuation keys by their US positions (186..192,
// 219..222), and the named keys (Enter 13, Space 32, Esc 27, the arrows 37..40 …).
#include <Qt>

namespace wc {

// Common key codes.
enum : int {
    VkBack = 8,
    VkTab = 9,
    VkReturn = 13,
    VkEscape = 27,
    VkSpace = 32,
    VkLeft = 37,
    VkUp = 38,
    VkRight = 39,
    VkDown = 40,
    VkF1 = 112,
    VkF12 = 123,
};

// The code of a key event; 0 for keys that have none. The numeric pad is told apart by
// Qt::KeypadModifier. A key that Qt reports by a character of another alphabet (a Cyrillic
// layout gives "З" for the P key) is found by its place on the keyboard, nativeScanCode being
// the X11/evdev key number (8 more than the Linux one) that X11 and Wayland report; 0 when
// unknown.
int virtualKeyCode(int qtKey, Qt::KeyboardModifiers mods, quint32 nativeScanCode = 0);

} // namespace wc
