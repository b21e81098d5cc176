#include "common/atomicfile.h"

#include <QSaveFile>

namespace wc {

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile f(path);
    f.setDirectWriteFallback(false);
    auto fail = [&](const QString& what) {
        if (error) *error = QStringLiteral("%1: %2").arg(path, what);
        f.cancelWriting();
        return false;
    };
    // Unbuffered: a buffered QSaveFile flushes at commit, where a short write (a full disk, a
    // file-size limit) is not reported and the cut file would replace the target. Written
    // directly, a short count here is the failure.
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return fail(f.errorString());
    if (f.write(bytes) != bytes.size())
        return fail(f.errorString().isEmpty() || f.error() == QFileDevice::NoError
                        ? QStringLiteral("the disk is full or the file is too large")
                        : f.errorString());
    if (!f.commit()) {
        if (error) *error = QStringLiteral("%1: %2").arg(path, f.errorString());
        return false;
    }
    return true;
}

} // namespace wc
