#pragma once
// The per-user folder that holds the message-bus sockets and the instance locks.
#include <QString>

namespace wc {

// The folder, without a trailing "/": the environment variable WAVECREST_RUNTIME_DIR when set,
// else $XDG_RUNTIME_DIR/wavecrest, else /tmp/wavecrest-<uid>; when the folder under
// XDG_RUNTIME_DIR cannot be used (an inherited variable of another user, a folder that is
// gone) the one in /tmp is used instead. It is created with mode 0700 when missing and its mode
// is tightened to 0700 when it is looser. A folder owned by another user, a path that is not a
// folder, or a symbolic link in place of a default folder is refused: the result is then
// empty, a log line says why (once per distinct problem) and *error (when given) holds the
// same text. The environment is read on every call, so a test can point each case at a folder
// of its own.
QString runtimeDir(QString* error = nullptr);

} // namespace wc
