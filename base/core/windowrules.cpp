#include "windowrules.h"

#include "common/tags/tracktag.h"

#include <Qt>
#include <algorithm>

namespace wc::base {

bool keyRunsQuickSearch(int key) {
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return false;
    switch (key) {
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Escape:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Shift:
    case Qt::Key_Meta:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return false;
    default:
        return true;
    }
}

qint64 seekTargetMs(qint64 x, qint64 width, qint64 lengthMs) {
    if (width <= 0 || lengthMs <= 0) return 0;
    x = std::clamp<qint64>(x, 0, width);
    return x * lengthMs / width;
}

QString totalTimeText(const TBaseEntryArr& records, const std::vector<int>& positions) {
    qint64 total = 0;
    bool lengthless = false;
    for (int p : positions) {
        if (p < 0 || size_t(p) >= records.size()) continue;
        total += records[size_t(p)].durationMs;
        lengthless |= records[size_t(p)].durationMs == 0;
    }
    return FormatHourMinSec(total) + (lengthless ? QStringLiteral("+") : QString());
}

QString totalTimeText(const TBaseEntryArr& records) {
    qint64 total = 0;
    bool lengthless = false;
    for (const auto& e : records) {
        total += e.durationMs;
        lengthless |= e.durationMs == 0;
    }
    return FormatHourMinSec(total) + (lengthless ? QStringLiteral("+") : QString());
}

int rowColourSlot(const QString& fileName) {
    const QString lower = fileName.toLower();
    if (lower.endsWith(QLatin1String(".wma"))) return 1;
    if (lower.endsWith(QLatin1String(".ogg"))) return 2;
    if (lower.endsWith(QLatin1String(".wav"))) return 3;
    return 0;
}

} // namespace wc::base

namespace wc::base {

BaseCommandLine parseBaseCommandLine(const QStringList& args) {
    BaseCommandLine c;
    if (args.isEmpty() || args[0].isEmpty()) return c;
    if (args[0].compare(QLatin1String("fromplayer"), Qt::CaseInsensitive) == 0) {
        c.fromPlayer = true;
        bool ok = false;
        const qint64 h = args.value(1).toLongLong(&ok);
        c.playerWindow = ok && h > 0 && h <= 0x7FFFFFFF ? qint32(h) : 0;
        if (!args.value(2).isEmpty()) {
            c.libraryName = args[2];
            c.libraryGiven = true;
        }
        return c;
    }
    if (args[0].compare(QLatin1String("hidden"), Qt::CaseInsensitive) == 0) {
        // The window stays hidden and Base.ini is not written; the library starts empty.
        c.hidden = true;
        return c;
    }
    c.libraryName = args[0];
    c.libraryGiven = true;
    return c;
}

} // namespace wc::base
