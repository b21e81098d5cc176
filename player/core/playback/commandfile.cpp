#include "player/core/playback/commandfile.h"

#include "common/text.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wc {

bool parseCommandFile(const QByteArray& bytes, QStringList* lines, QString* error) {
    lines->clear();
    if (bytes.size() > kMaxCommandFileBytes) {
        *error = QStringLiteral("larger than %1 bytes").arg(kMaxCommandFileBytes);
        return false;
    }
    if (bytes.contains('\0')) {
        *error = QStringLiteral("not a text file");
        return false;
    }
    const QString text = decodeText(bytes);
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r')) line.chop(1);
        if (line.trimmed().isEmpty()) continue;
        if (lines->size() >= kMaxCommandFileLines) {
            lines->clear();
            *error = QStringLiteral("more than %1 lines").arg(kMaxCommandFileLines);
            return false;
        }
        *lines << line.toString();
    }
    return true;
}

bool readCommandFile(const QString& path, QStringList* lines, QString* error, bool* opened) {
    lines->clear();
    if (opened) *opened = false;
    // Non-blocking, so that a pipe or device named like a command file cannot stall the
    // player; only a regular file is read.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (opened) *opened = true;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *error = QStringLiteral("not a regular file");
        return false;
    }
    if (st.st_size > kMaxCommandFileBytes) {
        ::close(fd);
        *error = QStringLiteral("larger than %1 bytes").arg(kMaxCommandFileBytes);
        return false;
    }
    // One byte more than allowed tells a file that grew since fstat.
    QByteArray bytes(kMaxCommandFileBytes + 1, Qt::Uninitialized);
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, std::size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *error = QString::fromLocal8Bit(std::strerror(errno));
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        got += n;
    }
    ::close(fd);
    bytes.truncate(got);
    return parseCommandFile(bytes, lines, error);
}

} // namespace wc
