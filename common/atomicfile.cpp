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
    if (!f.open(QIODevice::WriteOnly)) return fail(f.errorString());
    if (f.write(bytes) != bytes.size()) return fail(f.errorString());
    if (!f.commit()) {
        if (error) *error = QStringLiteral("%1: %2").arg(path, f.errorString());
        return false;
    }
    return true;
}

} // namespace wc
