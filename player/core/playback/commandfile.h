#pragma once
// Reading a command file (a playlist item ending in ".command"): its lines, in order. The
// file comes from outside, so it is checked before it is trusted: it must be a regular file
// of text, of at most kMaxCommandFileBytes and kMaxCommandFileLines lines; anything else is
// refused whole with the reason, so no part of a damaged file is acted on.
#include <QString>
#include <QStringList>

namespace wc {

constexpr qint64 kMaxCommandFileBytes = 64 * 1024;
constexpr int kMaxCommandFileLines = 1000;

// The lines of the text without their line ends; blank lines are left out. False with the
// reason when the text is refused (it holds NUL bytes, or too many lines).
bool parseCommandFile(const QByteArray& bytes, QStringList* lines, QString* error);

// Reads and parses the file; false with the reason when it cannot be read or is refused.
// *opened (when given) tells whether the file could be opened at all.
bool readCommandFile(const QString& path, QStringList* lines, QString* error,
                     bool* opened = nullptr);

} // namespace wc
