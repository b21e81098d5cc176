#include "player/core/hotkeys/hotkeyslots.h"

#include <QChar>
#include <algorithm>
#include <climits>

namespace wc {

namespace {
qint32 clampToValue(qint64 v) {
    return qint32(std::clamp<qint64>(v, INT_MIN + 1LL, INT_MAX));
}
} // namespace

qint64 HotKeySlots::key(int slot) const {
    const qint64 v = value(slot);
    return v < 0 ? -v : v;
}

bool HotKeySlots::isOn(int slot) const {
    return value(slot) >= 0;
}

bool HotKeySlots::acts(int slot) const {
    if (slot == HkPlay2) return isOn(HkPlay) && isOn(HkPlay2);
    return isOn(slot);
}

void HotKeySlots::setOn(int slot, bool on) {
    qint64 k = key(slot);
    if (!on && k == 0) k = 1;
    v_[std::size_t(slot - 1)] = clampToValue(on ? k : -k);
    if (slot == HkPlay) setOn(HkPlay2, on);
}

void HotKeySlots::setAll(bool on) {
    for (int s = 1; s <= int(v_.size()); ++s)
        setOn(s, on);
}

bool HotKeySlots::allOn() const {
    for (int s = 1; s <= int(v_.size()); ++s)
        if (!isOn(s)) return false;
    return true;
}

void HotKeySlots::setKey(int slot, int keyCode) {
    const qint64 k = keyCode < 0 ? -qint64(keyCode) : qint64(keyCode);
    v_[std::size_t(slot - 1)] = clampToValue(isOn(slot) ? k : -std::max<qint64>(k, 1));
}

QString KeyName(qint64 code) {
    if (code == 13) return QStringLiteral("Enter");
    if (code == 32) return QStringLiteral("Space");
    if (code >= 96 && code <= 105) return QStringLiteral("NUM %1").arg(code - 96);
    switch (code) {
    case 106:
        return QStringLiteral("NUM *");
    case 107:
        return QStringLiteral("NUM +");
    case 109:
        return QStringLiteral("NUM -");
    case 110:
        return QStringLiteral("NUM .");
    case 111:
        return QStringLiteral("NUM /");
    case 187:
        return QStringLiteral("=");
    case 188:
        return QStringLiteral(",");
    case 189:
        return QStringLiteral("-");
    case 190:
        return QStringLiteral(".");
    case 191:
        return QStringLiteral("/");
    case 192:
        return QStringLiteral("`");
    case 220:
        return QStringLiteral("\\");
    default:
        break;
    }
    if (code >= 112 && code <= 123) return QStringLiteral("F%1").arg(code - 111);
    // Any other code is shown as its character; codes that are no printable character (a
    // hand-edited profile may hold anything) show nothing rather than a control character.
    if (code < 0 || code > 0xFFFF) return {};
    const QChar c{char16_t(code)};
    if (c.isSurrogate() || !c.isPrint()) return {};
    return QString(c);
}

bool isAssignableKey(int code) {
    return code == 13 || code == 32 || (code >= '0' && code <= '9') ||
           (code >= 'A' && code <= 'Z') || (code >= 96 && code <= 107) ||
           (code >= 109 && code <= 123) || (code >= 187 && code <= 192) || code == 220;
}

} // namespace wc
