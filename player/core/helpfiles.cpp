#include "player/core/helpfiles.h"

#include <QFileInfo>

namespace wc {

HelpTarget helpTargetFor(HelpEntry entry, const QString& programDir, const QString& langDir) {
    HelpTarget t;
    QString folder = programDir + QStringLiteral("Lang/");
    if (!langDir.isEmpty()) folder += langDir + u'/';
    t.file = folder + QStringLiteral("help.chm");
    if (entry == HelpEntry::GettingStarted) t.topic = QStringLiteral("quickstart.htm");
    t.exists = QFileInfo(t.file).isFile();
    return t;
}

QString missingHelpText(const HelpTarget& target) {
    return QStringLiteral("Help: no help file %1").arg(target.file);
}

} // namespace wc
