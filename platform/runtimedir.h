#pragma once
// The per-user folder that holds the message-bus sockets and the instance locks.
#include <QString>

namespace wc {

// The folder, without a trailing "/": the environment variable WAVECREST_RUNTIME_DIR when set,
// else $XDG_RUNTIME_DIR/wavecrest, else /tmp/wavecrest-<uid>. It is created with mode 0700 when
// missing and its mode is tightened to 0700 when it is looser. A folder owned by another user,
// or a path that is not a folder, is refused: the result is then empty, a log line says why and
// *error (when given) holds the same text. The environment is read on every call, so a test can
// point each case at a folder of its own.
QString runtimeDir(QString* error = nullptr);

} // namespace wc
