#include "player/core/guard.h"

#include "common/log.h"
#include "common/messages.h"
#include "common/paths.h"
#include "platform/instancelock.h"
#include "platform/messagebus.h"
#include "platform/runtimedir.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace wc {
namespace {

constexpr int kOwnerWaitMs = 5000;

// Serialises "read player.ini, draw a number, write it" between processes of one program
// folder; released when the object goes.
class UidLock {
public:
    UidLock() {
        const QByteArray key =
            QCryptographicHash::hash(programDir().toUtf8(), QCryptographicHash::Sha1)
                .toHex()
                .left(16);
        const QByteArray path = (runtimeDir() + QStringLiteral("/uid-") + QString::fromLatin1(key) +
                                 QStringLiteral(".lock"))
                                    .toLocal8Bit();
        if (runtimeDir().isEmpty()) return;
        fd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ >= 0) ::flock(fd_, LOCK_EX);
    }
    ~UidLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    UidLock(const UidLock&) = delete;
    UidLock& operator=(const UidLock&) = delete;

private:
    int fd_ = -1;
};

} // namespace

QString instanceLockName(qint32 uid) {
    return QStringLiteral("wavecrest_unique_mutex_") + QString::number(uid);
}

GuardOutcome runInstanceGuard(TPlayerIni& ini) {
    GuardOutcome out;
    {
        UidLock lock;
        bool drawn = false;
        ReadPlayerIni(ini, playerIniPath(), &drawn);
        QString error;
        if (drawn && !WritePlayerUid(ini.UID, playerIniPath(), &error))
            logLine(QStringLiteral("Installation number not kept: ") + error);
    }
    if (!ini.NoCopy) return out;
    const QString name = instanceLockName(ini.UID);
    QString error;
    out.lock = InstanceLock::tryAcquire(name, &error);
    if (out.lock) return out;
    if (!error.isEmpty()) {
        // Without a usable lock folder the guard cannot tell; running beats staying off air.
        logLine(QStringLiteral("Single-instance check unavailable: ") + error);
        return out;
    }
    out.proceed = false;
    // The first instance may still be starting: give it a moment to record its window.
    QElapsedTimer waited;
    waited.start();
    WindowHandle owner = InstanceLock::ownerWindow(name);
    while (owner == 0 && waited.elapsed() < kOwnerWaitMs) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        owner = InstanceLock::ownerWindow(name);
    }
    if (owner != 0)
        postMessage(owner, MSG_ACTIVATE, 0, 0);
    else
        logLine(
            QStringLiteral("Another player of this installation is starting; not started twice."));
    return out;
}

} // namespace wc
