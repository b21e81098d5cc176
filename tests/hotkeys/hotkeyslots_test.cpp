// The hot-key slots of the profile: names of their keys, the keys that may be assigned, and
// the on/off signs.
#include "player/core/hotkeys/hotkeyslots.h"

#include <QList>
#include <climits>
#include <gtest/gtest.h>

namespace wc {
namespace {

TEST(KeyName, NamesEveryKindOfKey) {
    const std::pair<qint64, const char*> cases[] = {
        {13, "Enter"},
        {32, "Space"},
        {96, "NUM 0"},
        {101, "NUM 5"},
        {105, "NUM 9"},
        {106, "NUM *"},
        {107, "NUM +"},
        {109, "NUM -"},
        {110, "NUM ."},
        {111, "NUM /"},
        {112, "F1"},
        {117, "F6"},
        {123, "F12"},
        {187, "="},
        {188, ","},
        {189, "-"},
        {190, "."},
        {191, "/"},
        {192, "`"},
        {220, "\\"},
        {80, "P"},
        {48, "0"},
        {57, "9"},
        {65, "A"},
        {90, "Z"},
        // Any other code is its character.
        {186, "º"},
        {124, "|"},
        {0x416, "Ж"},
        // Codes that are no printable character show nothing.
        {0, ""},
        {1, ""},
        {27, ""},
        {0xD800, ""},
        {0x10000, ""},
        {-5, ""},
        {qint64(INT_MAX) + 1, ""},
    };
    for (const auto& [code, name] : cases)
        EXPECT_EQ(KeyName(code), QString::fromUtf8(name)) << code;
}

TEST(KeyName, AssignableKeys) {
    QList<int> assignable;
    for (int code = -1; code < 300; ++code)
        if (isAssignableKey(code)) assignable << code;
    QList<int> expected{13, 32};
    for (int c = '0'; c <= '9'; ++c)
        expected << c;
    for (int c = 'A'; c <= 'Z'; ++c)
        expected << c;
    for (int c = 96; c <= 107; ++c) // numeric pad digits, * and +
        expected << c;
    for (int c = 109; c <= 123; ++c) // numeric pad -, . and /, then F1..F12
        expected << c;
    for (int c = 187; c <= 192; ++c)
        expected << c;
    expected << 220;
    EXPECT_EQ(assignable, expected);
    // Among those left out: Esc, Tab, Backspace, the arrows, numeric-pad separator (108),
    // F13, ";" (186), the brackets and the quote.
    for (int c : {27, 9, 8, 37, 39, 108, 124, 186, 219, 221, 222})
        EXPECT_FALSE(isAssignableKey(c)) << c;
}

TEST(HotKeySlots, Hk9FollowsHk1AndOnlyCountsWhileHk1IsOn) {
    HotKeyValues v{80, 83, 78, 66, 82, 77, 84, 32, 13, 188, 190, 1, 1};
    HotKeySlots s(v);
    EXPECT_TRUE(s.acts(HkPlay2));
    s.setOn(HkPlay, false);
    EXPECT_EQ(v[0], -80);
    EXPECT_EQ(v[8], -13);
    EXPECT_FALSE(s.acts(HkPlay2));
    s.setOn(HkPlay, true);
    EXPECT_EQ(v[0], 80);
    EXPECT_EQ(v[8], 13);
    EXPECT_TRUE(s.acts(HkPlay2));
    // A profile with hk9 on but hk1 off: Enter does not count.
    v[0] = -80;
    v[8] = 13;
    EXPECT_FALSE(s.acts(HkPlay2));
    EXPECT_TRUE(s.isOn(HkPlay2));
    // Other slots switch alone.
    s.setOn(HkStop, false);
    EXPECT_EQ(v[1], -83);
    EXPECT_EQ(v[0], -80);
}

TEST(HotKeySlots, NewKeyKeepsTheSign) {
    struct Case {
        qint32 before;
        int key;
        qint32 after;
    };
    const Case cases[] = {
        {80, 81, 81},  {-80, 81, -81},     {0, 32, 32},
        {-1, 13, -13}, {INT_MIN, 65, -65}, // the off sign of the most negative value
    };
    for (const Case& k : cases) {
        HotKeyValues v{};
        v[2] = k.before;
        HotKeySlots s(v);
        s.setKey(HkNext, k.key);
        EXPECT_EQ(v[2], k.after) << k.before;
        EXPECT_EQ(s.key(HkNext), k.key);
        EXPECT_EQ(s.isOn(HkNext), k.after >= 0);
    }
}

TEST(HotKeySlots, SwitchesKeepTheKeyAndZeroCanBeSwitchedOff) {
    struct Case {
        qint32 before;
        bool on;
        qint32 after;
    };
    const Case cases[] = {
        {1, false, -1}, {-1, true, 1}, {190, false, -190},       {-190, false, -190},
        {0, false, -1}, {0, true, 0},  {INT_MIN, true, INT_MAX}, {INT_MAX, false, -INT_MAX},
    };
    for (const Case& k : cases) {
        HotKeyValues v{};
        v[11] = k.before;
        HotKeySlots s(v);
        s.setOn(HkLock, k.on);
        EXPECT_EQ(v[11], k.after) << k.before << " " << k.on;
        EXPECT_EQ(s.isOn(HkLock), k.on);
    }
}

TEST(HotKeySlots, AllBoxSwitchesEverySlot) {
    HotKeyValues v{80, -83, 78, 66, 82, 77, 84, 32, -13, 188, 190, 1, -1};
    HotKeySlots s(v);
    EXPECT_FALSE(s.allOn());
    s.setAll(true);
    EXPECT_EQ(v, (HotKeyValues{80, 83, 78, 66, 82, 77, 84, 32, 13, 188, 190, 1, 1}));
    EXPECT_TRUE(s.allOn());
    s.setAll(false);
    EXPECT_EQ(v, (HotKeyValues{-80, -83, -78, -66, -82, -77, -84, -32, -13, -188, -190, -1, -1}));
    EXPECT_FALSE(s.allOn());
}

} // namespace
} // namespace wc
