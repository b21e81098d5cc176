#pragma once
#include <QByteArray>
#include <QString>

namespace wc {

// Writes bytes to a temporary file in the target's folder, flushes it to disk and renames it
// over the target, keeping the target's permissions. On failure the target is untouched,
// the temporary file is removed, and *error (when given) says why.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

} // namespace wc
