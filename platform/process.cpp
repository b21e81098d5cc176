#include "platform/process.h"

#include <QFile>
#include <QList>

#include <cerrno>
#include <limits>
#include <signal.h>
#include <sys/types.h>

namespace wc {

qint64 processStartTime(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray s = f.read(4096);
    // The command name may hold blanks and parentheses: the fields start after the last ')'.
    const qsizetype close = s.lastIndexOf(')');
    if (close < 0) return -1;
    const QList<QByteArray> fields = s.mid(close + 2).split(' ');
    // After the command come the fields from number 3 on; the start time is number 22.
    if (fields.size() < 20) return -1;
    bool ok = false;
    const qint64 v = fields[19].toLongLong(&ok);
    return ok ? v : -1;
}

bool processAlive(qint64 pid, qint64 start) {
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max()) return false;
    if (::kill(pid_t(pid), 0) != 0 && errno != EPERM) return false;
    const qint64 now = processStartTime(pid);
    return start <= 0 || now <= 0 || now == start;
}

} // namespace wc
