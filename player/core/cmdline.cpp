#include "player/core/cmdline.h"

#include "common/paths.h"

namespace wc {
namespace {

// What follows the marker, cut at its first blank; nullopt when the marker is absent.
std::optional<QString> afterMarker(const QString& raw, const QString& marker) {
    const qsizetype at = raw.indexOf(marker);
    if (at < 0) return std::nullopt;
    QString rest = raw.mid(at + marker.size());
    const qsizetype blank = rest.indexOf(u' ');
    if (blank >= 0) rest.truncate(blank);
    return rest;
}

} // namespace

qint64 decimalOrZero(const QString& text) {
    bool ok = false;
    const qint64 v = text.toLongLong(&ok, 10);
    if (!ok || text.isEmpty() || text.front().isSpace()) return 0;
    return v;
}

PlayerCommandLine parsePlayerCommandLine(const QStringList& args) {
    PlayerCommandLine cl;
    if (!args.isEmpty()) cl.verb = args[0].toLower();
    if (args.size() > 1) cl.operand = args[1];
    const QString raw = args.join(u' ');
    if (auto rest = afterMarker(raw, QStringLiteral("+watchdog")))
        cl.watchdogWindow = decimalOrZero(*rest);
    if (auto rest = afterMarker(raw, QStringLiteral("+?wdog__resume"))) {
        WatchdogResume r;
        r.index = decimalOrZero(rest->mid(0, 10));
        r.positionMs = decimalOrZero(rest->mid(10, 10));
        cl.resume = r;
    }
    return cl;
}

QString profilePathForVerb(const QString& name) {
    QString file = name;
    if (!file.endsWith(QLatin1String(".prf"), Qt::CaseInsensitive)) file += QLatin1String(".prf");
    return inProgramDir(QStringLiteral("Profile/")) + file;
}

} // namespace wc
