#pragma once
#include <QByteArray>
#include <QString>
#include <functional>

namespace wc {

// Writes bytes to a temporary file in the target's folder, flushes it to disk and renames it
// over the target, keeping the target's permissions. On failure the target is untouched,
// the temporary file is removed, and *error (when given) says why.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);
// The same for bytes made piece by piece: next fills the buffer it is given (emptied before
// each call, its capacity kept) and returns false when there is nothing more. A large file
// is thus written from one small buffer that stays in the cache, instead of being built whole
// in fresh memory first.
bool writeFileAtomically(const QString& path, const std::function<bool(QByteArray& piece)>& next,
                         QString* error = nullptr);

} // namespace wc
