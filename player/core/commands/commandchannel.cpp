#include "player/core/commands/commandchannel.h"

#include "common/atomicfile.h"
#include "common/log.h"
#include "common/messages.h"
#include "common/text.h"
#include "platform/instancelock.h"
#include "platform/runtimedir.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRandomGenerator>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wc {
namespace {

QString requestPath(const QString& dir, qint64 id, const char* suffix) {
    return dir + QStringLiteral("/command-") + QString::number(id) + QLatin1String(suffix);
}

// The request's text: a regular file of at most kMaxCommandRequestBytes, never followed
// through a link.
bool readRequest(const QString& path, QString* text) {
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxCommandRequestBytes;
    QByteArray bytes;
    if (ok) {
        bytes.resize(qsizetype(st.st_size));
        qsizetype got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, std::size_t(bytes.size() - got));
            if (n <= 0) break;
            got += n;
        }
        bytes.truncate(got);
    }
    ::close(fd);
    if (ok) *text = decodeText(bytes);
    return ok;
}

} // namespace

QString commandRecordName(const QString& programDir) {
    return QStringLiteral("wavecrest_player_") +
           QString::fromLatin1(
               QCryptographicHash::hash(programDir.toUtf8(), QCryptographicHash::Sha1)
                   .toHex()
                   .left(20));
}

CommandChannel::CommandChannel(const QString& programDir, WindowHandle window) {
    if (window == 0) return;
    QString error;
    lock_ = InstanceLock::tryAcquire(commandRecordName(programDir), &error);
    if (!lock_) {
        if (!error.isEmpty())
            logLine(QStringLiteral("Commands from outside unavailable: ") + error);
        return;
    }
    lock_->setOwnerWindow(window);
}

CommandChannel::~CommandChannel() = default;

qint64 CommandChannel::serve(qint64 id, const std::function<bool(const QString&)>& run,
                             const std::function<void(const QString&, bool)>& done) {
    const QString dir = runtimeDir();
    if (id <= 0 || dir.isEmpty()) return -1;
    QString text;
    if (!readRequest(requestPath(dir, id, ".txt"), &text)) return -1;
    QStringList logged;
    const int sink = addLogSink([&logged](const QString& line) {
        if (logged.size() < 1000) logged << line;
    });
    const bool isCommand = run(text);
    removeLogSink(sink);
    QString error;
    if (!writeFileAtomically(requestPath(dir, id, ".out"), logged.join(u'\n').toUtf8(), &error))
        logLine(QStringLiteral("Command answer not written: ") + error);
    if (done) done(text, isCommand);
    return isCommand ? 1 : 0;
}

int sendCommandToPlayer(const QString& programDir, const QString& text, QString* out,
                        QString* error, int timeoutMs) {
    const WindowHandle player = InstanceLock::ownerWindow(commandRecordName(programDir));
    if (player == 0) {
        *error = QStringLiteral("No player is running from ") + programDir;
        return 2;
    }
    const QByteArray bytes = text.toUtf8();
    if (bytes.size() > kMaxCommandRequestBytes) {
        *out = QStringLiteral("The text is too long to be a command.");
        return 1;
    }
    const QString dir = runtimeDir();
    if (dir.isEmpty()) {
        *error = QStringLiteral("No runtime folder for the request");
        return 2;
    }
    // A fresh request number; O_EXCL makes sure the file is ours.
    qint64 id = 0;
    int fd = -1;
    for (int attempt = 0; attempt < 20 && fd < 0; ++attempt) {
        id = 1 + qint64(QRandomGenerator::global()->bounded(0x7FFFFFFE));
        fd = ::open(QFile::encodeName(requestPath(dir, id, ".txt")).constData(),
                    O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    }
    if (fd < 0) {
        *error = QStringLiteral("The request could not be written to ") + dir;
        return 2;
    }
    const bool written = ::write(fd, bytes.constData(), std::size_t(bytes.size())) == bytes.size();
    ::close(fd);
    const QString requestFile = requestPath(dir, id, ".txt");
    const QString answerFile = requestPath(dir, id, ".out");
    std::optional<qint64> answer;
    if (written) answer = sendMessage(player, MSG_RUN_COMMAND, id, 0, timeoutMs);
    QFile answerIn(answerFile);
    QString logged;
    if (answerIn.open(QIODevice::ReadOnly)) logged = QString::fromUtf8(answerIn.read(1 << 20));
    QFile::remove(requestFile);
    QFile::remove(answerFile);
    if (!answer) {
        *error = QStringLiteral("The player did not answer.");
        return 2;
    }
    if (*answer < 0) {
        *error = QStringLiteral("The player could not read the request.");
        return 2;
    }
    *out = logged;
    if (!out->isEmpty()) *out += u'\n';
    if (*answer == 1) {
        *out += QStringLiteral("Done: ") + text;
        return 0;
    }
    *out += QStringLiteral("Not a command: ") + text;
    return 1;
}

} // namespace wc
