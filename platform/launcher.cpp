#include "platform/launcher.h"

#include <QFileInfo>
#include <QProcess>
#include <cerrno>
#include <cstring>
#include <sys/resource.h>

namespace wc {

bool launchDetached(const QString& program, const QStringList& args, const QString& workDir,
                    QString* error) {
    const QFileInfo fi(program);
    if (!fi.exists() || !fi.isFile() || !fi.isExecutable()) {
        if (error) *error = QStringLiteral("%1: program not found or not executable").arg(program);
        return false;
    }
    QProcess p;
    p.setProgram(program);
    p.setArguments(args);
    p.setWorkingDirectory(workDir);
    p.setStandardInputFile(QProcess::nullDevice());
    if (!p.startDetached()) {
        if (error) *error = QStringLiteral("%1: %2").arg(program, p.errorString());
        return false;
    }
    return true;
}

bool setProcessPriorityClass(int priorityClass, QString* error) {
    static const int kNice[] = {19, 0, -10, -20};
    if (priorityClass < 0 || priorityClass > 3) priorityClass = 1;
    if (setpriority(PRIO_PROCESS, 0, kNice[priorityClass]) != 0) {
        if (error)
            *error =
                QStringLiteral("priority %1: %2")
                    .arg(priorityClassName(priorityClass), QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    return true;
}

QString priorityClassName(int priorityClass) {
    switch (priorityClass) {
    case 0:
        return QStringLiteral("Idle");
    case 2:
        return QStringLiteral("High");
    case 3:
        return QStringLiteral("Realtime");
    default:
        return QStringLiteral("Normal");
    }
}

} // namespace wc
