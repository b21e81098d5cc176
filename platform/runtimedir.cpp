#include "platform/runtimedir.h"

#include "common/log.h"

#include <QDir>
#include <QSet>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
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

// Prepares one candidate folder; empty result and *why set when it cannot be used.
QString prepare(QString path, bool explicitPath, QString* why) {
    path = QDir::cleanPath(path);
    const QByteArray p = QFile::encodeName(path);
    if (explicitPath) {
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        if (slash > 0) QDir().mkpath(path.left(slash));
    }
    if (::mkdir(p.constData(), 0700) != 0 && errno != EEXIST) {
        *why = QStringLiteral("%1 cannot be created: %2").arg(path, errnoText(errno));
        return QString();
    }
    return checkFolder(path, explicitPath, why) ? path : QString();
}

// Each distinct problem is logged once: the folder is looked up on every message.
void logOnce(const QString& line) {
    static std::mutex mu;
    static QSet<QString> seen;
    {
        std::lock_guard<std::mutex> g(mu);
        if (seen.contains(line)) return;
        seen.insert(line);
    }
    logLine(line);
}

} // namespace

QString runtimeDir(QString* error) {
    const QString configured = qEnvironmentVariable("WAVECREST_RUNTIME_DIR");
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString fallback = QStringLiteral("/tmp/wavecrest-%1").arg(::geteuid());
    QString why;
    QString dir;
    if (!configured.isEmpty()) {
        // Asked for by name: that folder or none.
        dir = prepare(configured, true, &why);
    } else {
        // An inherited XDG_RUNTIME_DIR can belong to another user (after su or sudo) or be
        // gone; the per-user folder in /tmp is then used instead.
        if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) {
            dir = prepare(xdg + QStringLiteral("/wavecrest"), false, &why);
            if (dir.isEmpty())
                logOnce(QStringLiteral("Runtime folder: %1; using %2").arg(why, fallback));
        }
        if (dir.isEmpty()) dir = prepare(fallback, false, &why);
    }
    if (dir.isEmpty()) {
        logOnce(QStringLiteral("Runtime folder: ") + why);
        if (error) *error = why;
        return QString();
    }
    if (error) error->clear();
    return dir;
}

} // namespace wc
