#include "player/core/playback/transition.h"

#include "player/core/playlist/tvirtualitem.h"

namespace wc {

double FadeSignSeconds(const QString& title, const QString& fadeSign) {
    if (fadeSign.isEmpty()) return -1;
    const QString lower = title.toLower();
    const int at = lower.indexOf(fadeSign.toLower());
    if (at < 0) return -1;
    QString number;
    bool dot = false;
    for (int i = at + int(fadeSign.size()); i < lower.size(); ++i) {
        const QChar c = lower[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            number += c;
        } else if (c == QLatin1Char('.') && !dot) {
            dot = true;
            number += c;
        } else {
            break;
        }
    }
    bool ok = false;
    const double v = number.toDouble(&ok); // the C locale: "." whatever the system's locale
    return ok ? v : -1;
}

int DetermineTransition(const QString& title, const QString& fileName, const TrackTimes& record,
                        const QStringList& typeIds, const QString& fadeSign,
                        CrossfadeTable& table) {
    int type = itemType(title, typeIds);
    if (type == 0) type = fileName.toLower().endsWith(QLatin1String(".cda")) ? 0 : 1;
    const CrossfadeEntry& base = table.entries[std::size_t(type)];
    CrossfadeEntry& own = table.entries[CrossfadeTable::kItemEntry];
    own.mix = record.mixOn ? float(record.mixMs) / 1000.0f : base.mix;
    own.mixOn = record.mixOn ? true : base.mixOn;
    own.fade = record.fadeOn ? float(record.fadeOutMs) / 1000.0f : base.fade;
    own.fadeOn = record.fadeOn ? true : base.fadeOn;
    own.fadeIn = record.fadeInOn ? float(record.fadeInMs) / 1000.0f : base.fadeIn;
    own.fadeInOn = record.fadeInOn ? true : base.fadeInOn;
    if (record.mixOn || record.fadeOn || record.fadeInOn) return CrossfadeTable::kItemEntry;
    const double sign = FadeSignSeconds(title, fadeSign);
    if (sign > 0) {
        own.mix = own.fade = float(sign);
        own.mixOn = own.fadeOn = true;
        own.fadeIn = 0;
        own.fadeInOn = false;
        return CrossfadeTable::kItemEntry;
    }
    return type;
}

} // namespace wc
