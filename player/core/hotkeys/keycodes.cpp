#include "player/core/hotkeys/keycodes.h"

#include <array>
#include <utility>

namespace wc {

namespace {

// Keys named by Qt, and the punctuation by its character, unshifted and shifted (US layout).
constexpr std::pair<int, int> kNamed[] = {
    {Qt::Key_Backspace, VkBack},
    {Qt::Key_Tab, VkTab},
    {Qt::Key_Backtab, VkTab},
    {Qt::Key_Return, VkReturn},
    {Qt::Key_Enter, VkReturn},
    {Qt::Key_Pause, 19},
    {Qt::Key_CapsLock, 20},
    {Qt::Key_Escape, VkEscape},
    {Qt::Key_Space, VkSpace},
    {Qt::Key_PageUp, 33},
    {Qt::Key_PageDown, 34},
    {Qt::Key_End, 35},
    {Qt::Key_Home, 36},
    {Qt::Key_Left, VkLeft},
    {Qt::Key_Up, VkUp},
    {Qt::Key_Right, VkRight},
    {Qt::Key_Down, VkDown},
    {Qt::Key_Print, 44},
    {Qt::Key_Insert, 45},
    {Qt::Key_Delete, 46},
    {Qt::Key_Shift, 16},
    {Qt::Key_Control, 17},
    {Qt::Key_Alt, 18},
    {Qt::Key_NumLock, 144},
    {Qt::Key_ScrollLock, 145},
    {Qt::Key_Semicolon, 186},
    {Qt::Key_Colon, 186},
    {Qt::Key_Equal, 187},
    {Qt::Key_Plus, 187},
    {Qt::Key_Comma, 188},
    {Qt::Key_Less, 188},
    {Qt::Key_Minus, 189},
    {Qt::Key_Underscore, 189},
    {Qt::Key_Period, 190},
    {Qt::Key_Greater, 190},
    {Qt::Key_Slash, 191},
    {Qt::Key_Question, 191},
    {Qt::Key_QuoteLeft, 192},
    {Qt::Key_AsciiTilde, 192},
    {Qt::Key_BracketLeft, 219},
    {Qt::Key_BraceLeft, 219},
    {Qt::Key_Backslash, 220},
    {Qt::Key_Bar, 220},
    {Qt::Key_BracketRight, 221},
    {Qt::Key_BraceRight, 221},
    {Qt::Key_Apostrophe, 222},
    {Qt::Key_QuoteDbl, 222},
    // The shifted digits of the US layout.
    {Qt::Key_Exclam, '1'},
    {Qt::Key_At, '2'},
    {Qt::Key_NumberSign, '3'},
    {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'},
    {Qt::Key_Ampersand, '7'},
    {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'},
    {Qt::Key_ParenRight, '0'},
};

// The numeric pad's operators.
constexpr std::pair<int, int> kKeypad[] = {
    {Qt::Key_Asterisk, 106}, {Qt::Key_Plus, 107},  {Qt::Key_Minus, 109},
    {Qt::Key_Period, 110},   {Qt::Key_Comma, 110}, {Qt::Key_Slash, 111},
};

// The typing keys by their place on the keyboard: X11/evdev key numbers 10..61 in order (0:
// not a typing key). The numbers are those of the US positions: 10 is "1", 24 "Q", 38 "A",
// 52 "Z".
constexpr std::array<int, 52> kByPosition = {
    '1', '2', '3', '4', '5', '6', '7', '8', '9', '0', 189, 187, VkBack,   VkTab, // 10..23
    'Q', 'W', 'E', 'R', 'T', 'Y', 'U', 'I', 'O', 'P', 219, 221, VkReturn, 0,     // 24..37
    'A', 'S', 'D', 'F', 'G', 'H', 'J', 'K', 'L', 186, 222, 192, 0,        220,   // 38..51
    'Z', 'X', 'C', 'V', 'B', 'N', 'M', 188, 190, 191,                            // 52..61
};

int lookup(const auto& table, int key) {
    for (const auto& [k, code] : table)
        if (k == key) return code;
    return 0;
}

} // namespace

int virtualKeyCode(int qtKey, Qt::KeyboardModifiers mods, quint32 nativeScanCode) {
    const bool keypad = mods.testFlag(Qt::KeypadModifier);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return (keypad ? 96 : '0') + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return qtKey;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return VkF1 + (qtKey - Qt::Key_F1);
    if (keypad)
        if (const int code = lookup(kKeypad, qtKey)) return code;
    if (const int code = lookup(kNamed, qtKey)) return code;
    // A character of another alphabet: the key's place says which key it is.
    if (qtKey > 0x7F && qtKey < Qt::Key_Escape && nativeScanCode >= 10 &&
        nativeScanCode < 10 + kByPosition.size())
        return kByPosition[nativeScanCode - 10];
    return 0;
}

} // namespace wc
