#pragma once
// The thirteen hot-key slots hk1..hk13 of the profile. Each value's absolute value is a key code
// (the Windows virtual-key numbering the profile files use), its sign the slot's switch: zero
// or positive is on, negative is off. hk9 is the second key of the Play row and follows hk1's
// switch; hk12 (the transport lock's Alt+B) and hk13 (Alt+click pre-listening) are switches
// only, their keys are fixed.
#include <QString>
#include <array>

namespace wc {

using HotKeyValues = std::array<qint32, 13>;

// Slot numbers as the profile names them (hk1 = 1 … hk13 = 13).
enum HotKeySlot : int {
    HkPlay = 1,
    HkStop = 2,
    HkNext = 3,
    HkBreak = 4,
    HkRepeat = 5,
    HkMute = 6,
    HkNotepad = 7,
    HkPause = 8,
    HkPlay2 = 9,
    HkVolumeDown = 10,
    HkVolumeUp = 11,
    HkLock = 12,
    HkPreListen = 13,
};

// A view of the profile's values; changes are made in place, so they act at once and are
// saved with the profile.
class HotKeySlots {
public:
    explicit HotKeySlots(HotKeyValues& values) : v_(values) {}

    // The slot's key code (the absolute value; never negative, also for INT_MIN).
    qint64 key(int slot) const;
    bool isOn(int slot) const;
    // hk9 counts only while both it and hk1 are on.
    bool acts(int slot) const;
    // Switches a slot on or off, keeping its key. Switching hk1 switches hk9 with it. A slot
    // whose value is 0 is switched off as -1 (0 cannot carry the off sign).
    void setOn(int slot, bool on);
    // Every slot on or off (the "all" box).
    void setAll(bool on);
    // True when every slot is on.
    bool allOn() const;
    // A new key for the slot, keeping its on/off sign.
    void setKey(int slot, int keyCode);
    qint32 value(int slot) const { return v_[std::size_t(slot - 1)]; }

private:
    HotKeyValues& v_;
};

// The name of a key code as the hot-key window shows it: "Enter", "Space", "NUM 0".."NUM 9",
// "NUM *", "NUM +", "NUM -", "NUM .", "NUM /", "F1".."F12", the punctuation keys by their
// character, and any other code as the character with that code (nothing for codes that are
// no printable character).
QString KeyName(qint64 code);
// Whether a key may be assigned to a slot: Enter, Space, the digits, A..Z, the numeric-pad
// digits and operators, F1..F12, and the punctuation keys 187..192 and 220.
bool isAssignableKey(int code);

} // namespace wc
