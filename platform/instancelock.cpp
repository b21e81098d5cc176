#include "platform/instancelock.h"

#include "platform/process.h"
#include "platform/runtimedir.h"

#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace wc {
namespace {

// The lock's name as a file name: letters, digits, "_", "-" and "." stay, any other byte is
// written as %XX, so different names never share a file and no name leaves the folder.
QString fileStem(const QString& name) {
    const QByteArray utf8 = name.toUtf8();
    if (utf8.isEmpty() || utf8.size() > 200) return QString();
    QString out;
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
        if (plain)
            out += QLatin1Char(char(c));
        else
            out += QStringLiteral("%%1").arg(uint(c), 2, 16, QLatin1Char('0')).toUpper();
    }
    if (out.startsWith(QLatin1Char('.'))) out.replace(0, 1, QStringLiteral("%2E"));
    return out;
}

// The owner record: "<pid> <process start time> <window>\n".
QByteArray ownerRecord(WindowHandle window) {
    const qint64 pid = ::getpid();
    return QByteArray::number(pid) + ' ' + QByteArray::number(processStartTime(pid)) + ' ' +
           QByteArray::number(window) + '\n';
}

bool replaceFile(const QString& path, const QByteArray& bytes) {
    const QByteArray target = QFile::encodeName(path);
    const QByteArray tmp = target + ".tmp" + QByteArray::number(::getpid()) + '.' +
                           QByteArray::number(QRandomGenerator::global()->generate(), 16);
    const int fd = ::open(tmp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const bool written = ::write(fd, bytes.constData(), std::size_t(bytes.size())) == bytes.size();
    const bool ok =
        ::close(fd) == 0 && written && ::rename(tmp.constData(), target.constData()) == 0;
    if (!ok) ::unlink(tmp.constData());
    return ok;
}

} // namespace

InstanceLock::InstanceLock(int fd, QString name, QString ownerPath)
    : fd_(fd), name_(std::move(name)), ownerPath_(std::move(ownerPath)) {}

std::unique_ptr<InstanceLock> InstanceLock::tryAcquire(const QString& name, QString* error) {
    if (error) error->clear();
    const QString stem = fileStem(name);
    if (stem.isEmpty()) {
        if (error) *error = QStringLiteral("unusable lock name \"%1\"").arg(name);
        return nullptr;
    }
    QString why;
    const QString dir = runtimeDir(&why);
    if (dir.isEmpty()) {
        if (error) *error = why;
        return nullptr;
    }
    const QString path = dir + QLatin1Char('/') + stem + QStringLiteral(".lock");
    // Close-on-exec: programs started by the holder must not keep the lock after it is gone.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        if (error)
            *error =
                QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return nullptr;
    }
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int e = errno;
        ::close(fd);
        if (e != EWOULDBLOCK && error)
            *error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(e)));
        return nullptr;
    }
    const QString ownerPath = dir + QLatin1Char('/') + stem + QStringLiteral(".owner");
    // A record left by a holder that died names a window that is gone.
    QFile::remove(ownerPath);
    return std::unique_ptr<InstanceLock>(new InstanceLock(fd, name, ownerPath));
}

InstanceLock::~InstanceLock() {
    QFile::remove(ownerPath_);
    ::close(fd_);
}

bool InstanceLock::setOwnerWindow(WindowHandle window) {
    if (window <= 0) return QFile::remove(ownerPath_) || !QFile::exists(ownerPath_);
    return replaceFile(ownerPath_, ownerRecord(window));
}

WindowHandle InstanceLock::ownerWindow(const QString& name) {
    const QString stem = fileStem(name);
    if (stem.isEmpty()) return 0;
    const QString dir = runtimeDir();
    if (dir.isEmpty()) return 0;
    QFile f(dir + QLatin1Char('/') + stem + QStringLiteral(".owner"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> parts = f.read(256).trimmed().split(' ');
    if (parts.size() != 3) return 0;
    bool ok1 = false, ok2 = false, ok3 = false;
    const qint64 pid = parts[0].toLongLong(&ok1);
    const qint64 start = parts[1].toLongLong(&ok2);
    const qint64 window = parts[2].toLongLong(&ok3);
    if (!ok1 || !ok2 || !ok3 || pid <= 0 || window <= 0 || window > 0x7FFFFFFF) return 0;
    // The record outlives a holder killed before it could withdraw it; only a live holder's
    // record counts (the start time tells a reused process number apart).
    if (!processAlive(pid, start)) return 0;
    return WindowHandle(window);
}

} // namespace wc
