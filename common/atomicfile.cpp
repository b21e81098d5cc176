#include "common/atomicfile.h"

#include <QSaveFile>

namespace wc {

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    bool given = false;
    return writeFileAtomically(
        path,
        [&](QByteArray& piece) {
            if (given) return false;
            given = true;
            piece = bytes; // shared, not copied
            return true;
        },
        error);
}

bool writeFileAtomically(const QString& path, const std::function<bool(QByteArray& piece)>& next,
                         QString* error) {
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
    QByteArray piece;
    for (;;) {
        piece.resize(0); // keeps the capacity (a shared piece is let go instead)
        if (!next(piece)) break;
        if (piece.isEmpty()) continue;
        if (f.write(piece) != piece.size())
            return fail(f.errorString().isEmpty() || f.error() == QFileDevice::NoError
                            ? QStringLiteral("the disk is full or the file is too large")
                            : f.errorString());
    }
    if (!f.commit()) {
        if (error) *error = QStringLiteral("%1: %2").arg(path, f.errorString());
        return false;
    }
    return true;
}

} // namespace wc
