#pragma once
// Moving files to the desktop trash (the freedesktop.org layout): the home trash for files on
// the home file system, the ".Trash/<uid>" or ".Trash-<uid>" folder at the top of any other
// file system. A file is only ever renamed into a trash folder: when that cannot be done it
// stays where it is and the reason is returned; it is never deleted in place of the trash.
#include <QString>

namespace wc {

// Returns true when the file is in the trash; otherwise *why says what went wrong.
bool moveFileToTrash(const QString& path, QString* why = nullptr);

} // namespace wc
