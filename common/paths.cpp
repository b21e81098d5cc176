#include "common/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace wc {
namespace {

QString withSlash(QString dir) {
    if (!dir.endsWith(u'/')) dir += u'/';
    return dir;
}

QString& storedProgramDir() {
    static QString dir;
    return dir;
}

QString computeProgramDir(const QString& executablePath) {
    const QByteArray home = qgetenv("WAVECREST_HOME");
    if (!home.isEmpty()) return withSlash(QDir(QString::fromLocal8Bit(home)).absolutePath());
    QString exe = executablePath;
    if (exe.isEmpty() && QCoreApplication::instance())
        exe = QCoreApplication::applicationFilePath();
    if (exe.isEmpty()) exe = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return withSlash(QFileInfo(exe).absolutePath());
}

} // namespace

const QString& programDir() {
    QString& dir = storedProgramDir();
    if (dir.isEmpty()) dir = computeProgramDir(QString());
    return dir;
}

void setProgramDirFrom(const QString& executablePath) {
    storedProgramDir() = computeProgramDir(executablePath);
}

QString toLocalSeparators(const QString& path) {
    QString p = path;
    p.replace(u'\\', u'/');
    return p;
}

QString inProgramDir(const QString& relative) {
    return programDir() + toLocalSeparators(relative);
}

QString baseNameOf(const QString& path) {
    return QFileInfo(toLocalSeparators(path)).completeBaseName();
}

} // namespace wc
