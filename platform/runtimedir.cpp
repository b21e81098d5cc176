#include "platform/runtimedir.h"

#include "common/log.h"

#include <QDir>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wc {
namespace {

QString errnoText(int e) {
    return QString::fromLocal8Bit(std::strerror(e));
}

// Opens the folder itself (not what a planted symbolic link points to, unless the user named the
// link explicitly) and checks owner and mode on the open descriptor, so the checks and the
// folder cannot be swapped between them.
bool checkFolder(const QString& path, bool followLink, QString* why) {
    const QByteArray p = QFile::encodeName(path);
    int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    if (!followLink) flags |= O_NOFOLLOW;
    const int fd = ::open(p.constData(), flags);
    if (fd < 0) {
        const int e = errno;
        *why = (e == ELOOP || e == ENOTDIR)
                   ? QStringLiteral("%1 is not a folder").arg(path)
                   : QStringLiteral("%1 cannot be opened: %2").arg(path, errnoText(e));
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (!ok) {
        *why = QStringLiteral("%1 cannot be examined: %2").arg(path, errnoText(errno));
    } else if (st.st_uid != ::geteuid()) {
        *why = QStringLiteral("%1 belongs to another user (uid %2); refusing to use it")
                   .arg(path)
                   .arg(st.st_uid);
        ok = false;
    } else if ((st.st_mode & 07777) != 0700) {
        if (::fchmod(fd, 0700) != 0) {
            *why = QStringLiteral("%1 has mode %2 and cannot be restricted: %3")
                       .arg(path)
                       .arg(st.st_mode & 07777, 4, 8, QLatin1Char('0'))
                       .arg(errnoText(errno));
            ok = false;
        }
    }
    ::close(fd);
    return ok;
}

} // namespace

QString runtimeDir(QString* error) {
    QString path;
    bool explicitPath = false;
    const QString configured = qEnvironmentVariable("WAVECREST_RUNTIME_DIR");
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!configured.isEmpty()) {
        path = configured;
        explicitPath = true;
    } else if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) {
        path = xdg + QStringLiteral("/wavecrest");
    } else {
        path = QStringLiteral("/tmp/wavecrest-%1").arg(::geteuid());
    }
    path = QDir::cleanPath(path);

    QString why;
    const QByteArray p = QFile::encodeName(path);
    if (explicitPath) {
        const int slash = path.lastIndexOf(QLatin1Char('/'));
        if (slash > 0) QDir().mkpath(path.left(slash));
    }
    if (::mkdir(p.constData(), 0700) != 0 && errno != EEXIST)
        why = QStringLiteral("%1 cannot be created: %2").arg(path, errnoText(errno));
    else
        checkFolder(path, explicitPath, &why);

    if (!why.isEmpty()) {
        logLine(QStringLiteral("Runtime folder: ") + why);
        if (error) *error = why;
        return QString();
    }
    if (error) error->clear();
    return path;
}

} // namespace wc
