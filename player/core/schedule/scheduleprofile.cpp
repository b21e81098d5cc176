#include "player/core/schedule/scheduleprofile.h"

#include "player/core/schedule/scheduler.h"

#include <QDir>
#include <QFileInfo>

namespace wc {

QString profileSchedulePath(const QString& programDir, const QString& profilePath) {
    const QString name = QFileInfo(QString(profilePath).replace(u'\\', u'/')).fileName();
    return programDir + QStringLiteral("Presets/Schedule/") + name.left(name.size() - 4) +
           QStringLiteral(".sdl");
}

void loadProfileSchedule(Scheduler& scheduler, bool scheduleState, const QString& programDir,
                         const QString& profilePath) {
    scheduler.clearScheduleName();
    scheduler.setEnabled(scheduleState);
    scheduler.load(profileSchedulePath(programDir, profilePath));
}

bool saveProfileSchedule(const Scheduler& scheduler, const QString& programDir,
                         const QString& profilePath, QString* error) {
    const QString path = profileSchedulePath(programDir, profilePath);
    QDir().mkpath(QFileInfo(path).path());
    return scheduler.save(path, error);
}

} // namespace wc
