#include "platform/trash.h"

#include "common/clock.h"
#include "common/oledate.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wc {
namespace {

QByteArray native(const QString& p) {
    return QFile::encodeName(p);
}

QString errnoText() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool deviceOf(const QString& path, dev_t* dev) {
    struct stat st;
    if (::stat(native(path).constData(), &st) != 0) return false;
    *dev = st.st_dev;
    return true;
}

QString dataHome() {
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return QDir::cleanPath(xdg);
    return QDir::homePath() + QStringLiteral("/.local/share");
}

// The nearest existing folder at or above path.
QString existingAncestor(QString path) {
    while (!path.isEmpty() && !QFileInfo(path).isDir()) {
        const QString up = QFileInfo(path).path();
        if (up == path) break;
        path = up;
    }
    return path;
}

// The top folder of the file system that holds folder.
QString mountTop(const QString& folder, dev_t dev) {
    QString top = QDir::cleanPath(folder);
    while (top != QLatin1String("/")) {
        const QString up = QFileInfo(top).path();
        dev_t d;
        if (!deviceOf(up, &d) || d != dev) break;
        top = up;
    }
    return top;
}

bool makePrivateDir(const QString& path) {
    if (QFileInfo(path).isDir()) return true;
    if (!QDir().mkpath(QFileInfo(path).path())) return false;
    return ::mkdir(native(path).constData(), 0700) == 0 || errno == EEXIST;
}

// The trash folder for a file on device dev, created when needed; "" when there is none.
QString trashFor(const QString& fileFolder, dev_t dev, QString* why) {
    const QString home = dataHome();
    dev_t homeDev;
    if (deviceOf(existingAncestor(home), &homeDev) && homeDev == dev) {
        const QString t = home + QStringLiteral("/Trash");
        if (makePrivateDir(t)) return t;
        *why = QStringLiteral("cannot create the trash folder %1: %2").arg(t, errnoText());
        return QString();
    }
    const QString top = mountTop(fileFolder, dev);
    const QString uid = QString::number(::getuid());
    const QString shared = top + QStringLiteral("/.Trash");
    struct stat st;
    if (::lstat(native(shared).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
        (st.st_mode & S_ISVTX)) {
        const QString t = shared + '/' + uid;
        if (makePrivateDir(t)) return t;
    }
    const QString own = top + QStringLiteral("/.Trash-") + uid;
    if (::lstat(native(own).constData(), &st) == 0 && !S_ISDIR(st.st_mode)) {
        *why = QStringLiteral("%1 is not a folder").arg(own);
        return QString();
    }
    if (makePrivateDir(own)) return own;
    *why = QStringLiteral("no trash folder on this disk (%1): %2").arg(own, errnoText());
    return QString();
}

} // namespace

bool moveFileToTrash(const QString& path, QString* why) {
    QString reason;
    auto fail = [&](const QString& r) {
        if (why) *why = r;
        return false;
    };
    const QString abs = QFileInfo(path).absoluteFilePath();
    struct stat st;
    if (::lstat(native(abs).constData(), &st) != 0) return fail(errnoText());
    const QString folder = QFileInfo(abs).path();
    dev_t dev;
    if (!deviceOf(folder, &dev)) return fail(errnoText());
    const QString trash = trashFor(folder, dev, &reason);
    if (trash.isEmpty()) return fail(reason);
    const QString files = trash + QStringLiteral("/files");
    const QString info = trash + QStringLiteral("/info");
    if (!makePrivateDir(files) || !makePrivateDir(info))
        return fail(QStringLiteral("cannot create %1: %2").arg(files, errnoText()));

    // The information file is created exclusively first: it reserves the name.
    const QString name = QFileInfo(abs).fileName();
    QString chosen, infoPath;
    int fd = -1;
    for (int n = 0; n < 10000 && fd < 0; ++n) {
        chosen = n == 0 ? name : QStringLiteral("%1.%2").arg(name).arg(n);
        infoPath = info + '/' + chosen + QStringLiteral(".trashinfo");
        if (QFileInfo::exists(files + '/' + chosen)) continue;
        fd = ::open(native(infoPath).constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd < 0 && errno != EEXIST) return fail(errnoText());
    }
    if (fd < 0) return fail(QStringLiteral("no free name in the trash"));
    const QString date =
        fromOleDate(clock().nowOle()).toString(QStringLiteral("yyyy-MM-ddThh:mm:ss"));
    const QByteArray text = "[Trash Info]\nPath=" + QUrl::toPercentEncoding(abs, "/") +
                            "\nDeletionDate=" + date.toLatin1() + '\n';
    const bool written = ::write(fd, text.constData(), size_t(text.size())) == text.size();
    ::close(fd);
    if (!written) {
        ::unlink(native(infoPath).constData());
        return fail(QStringLiteral("cannot write %1").arg(infoPath));
    }
    if (std::rename(native(abs).constData(), native(files + '/' + chosen).constData()) != 0) {
        const QString r = errnoText();
        ::unlink(native(infoPath).constData());
        return fail(r);
    }
    return true;
}

} // namespace wc
