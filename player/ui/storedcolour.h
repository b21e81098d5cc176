#pragma once
// Colours as the profile stores them: 0x00BBGGRR, or a desktop system-colour constant, which
// is resolved to the classic scheme's colour.
#include "player/core/profile/profile.h"

#include <QColor>

namespace wc {

inline QColor fromStoredColour(qint32 stored) {
    const qint32 c = resolveSystemColor(stored);
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

inline qint32 toStoredColour(const QColor& c) {
    return qint32(c.red() | c.green() << 8 | c.blue() << 16);
}

} // namespace wc
