// Qt's key events in the stored key codes.
#include "player/core/hotkeys/keycodes.h"

#include <gtest/gtest.h>

namespace wc {
namespace {

TEST(KeyCodes, QtKeysInStoredCodes) {
    constexpr auto Pad = Qt::KeypadModifier;
    constexpr auto None = Qt::NoModifier;
    struct Case {
        int qtKey;
        Qt::KeyboardModifiers mods;
        int code;
    };
    const Case cases[] = {
        {Qt::Key_Return, None, 13},
        {Qt::Key_Enter, Pad, 13},
        {Qt::Key_Space, None, 32},
        {Qt::Key_Escape, None, 27},
        {Qt::Key_Left, None, 37},
        {Qt::Key_Right, None, 39},
        {Qt::Key_Up, None, 38},
        {Qt::Key_Down, None, 40},
        {Qt::Key_0, None, 48},
        {Qt::Key_5, None, 53},
        {Qt::Key_9, None, 57},
        {Qt::Key_5, Qt::ShiftModifier, 53},
        {Qt::Key_A, None, 65},
        {Qt::Key_P, Qt::ShiftModifier, 80},
        {Qt::Key_Z, Qt::ControlModifier, 90},
        {Qt::Key_0, Pad, 96},
        {Qt::Key_5, Pad, 101},
        {Qt::Key_9, Pad, 105},
        {Qt::Key_Asterisk, Pad, 106},
        {Qt::Key_Plus, Pad, 107},
        {Qt::Key_Minus, Pad, 109},
        {Qt::Key_Period, Pad, 110},
        {Qt::Key_Comma, Pad, 110},
        {Qt::Key_Slash, Pad, 111},
        {Qt::Key_F1, None, 112},
        {Qt::Key_F12, None, 123},
        {Qt::Key_F13, None, 124},
        {Qt::Key_Semicolon, None, 186},
        {Qt::Key_Equal, None, 187},
        {Qt::Key_Comma, None, 188},
        {Qt::Key_Minus, None, 189},
        {Qt::Key_Period, None, 190},
        {Qt::Key_Slash, None, 191},
        {Qt::Key_QuoteLeft, None, 192},
        {Qt::Key_BracketLeft, None, 219},
        {Qt::Key_Backslash, None, 220},
        {Qt::Key_BracketRight, None, 221},
        {Qt::Key_Apostrophe, None, 222},
        // Shifted punctuation is the same key (US positions).
        {Qt::Key_Greater, Qt::ShiftModifier, 190},
        {Qt::Key_Less, Qt::ShiftModifier, 188},
        {Qt::Key_Plus, Qt::ShiftModifier, 187},
        {Qt::Key_Exclam, Qt::ShiftModifier, 49},
        // Keys without a code.
        {Qt::Key_unknown, None, 0},
        {Qt::Key_MediaPlay, None, 0},
        {0x416 /* Ж, no place known */, None, 0},
    };
    for (const Case& k : cases)
        EXPECT_EQ(virtualKeyCode(k.qtKey, k.mods), k.code) << std::hex << k.qtKey;
}

TEST(KeyCodes, OtherAlphabetsByTheKeysPlace) {
    // A Cyrillic layout reports the letter printed on the key; its X11 key number says which
    // key it is.
    struct Case {
        int qtKey;
        quint32 scanCode;
        int code;
    };
    const Case cases[] = {
        {0x417 /* З */, 33, 'P'},
        {0x42B /* Ы */, 39, 'S'},
        {0x422 /* Т */, 57, 'N'},
        {0x42E /* Ю */, 60, 190},
        {0x411 /* Б */, 59, 188},
        {0x401 /* Ё */, 49, 192},
        {0x425 /* Х */, 34, 219},
        {0x416 /* Ж */, 47, 186},
        {0x44D /* э */, 48, 222},
        {0x419 /* Й */, 24, 'Q'},
        {0x42F /* Я */, 52, 'Z'},
        // Out of the typing block: no code.
        {0x417, 9, 0},
        {0x417, 62, 0},
        {0x417, 0, 0},
    };
    for (const Case& k : cases)
        EXPECT_EQ(virtualKeyCode(k.qtKey, Qt::NoModifier, k.scanCode), k.code)
            << std::hex << k.qtKey << " " << std::dec << k.scanCode;
    // Latin keys keep their own code whatever the key number says.
    EXPECT_EQ(virtualKeyCode(Qt::Key_P, Qt::NoModifier, 24), 'P');
}

} // namespace
} // namespace wc
