#pragma once
// Unattended use for a cron job or a first import of a large archive:
//   base --scan <folder>... --output <library.dfs>   adds the folders (tags and lengths) to the
//                                                    library, creating it if needed, and saves
//   base --check <library.dfs>                       lists the missing files; exit 1 if any
// Progress goes to standard error; the exit status is 0 on success, 1 when the check found
// missing files, 2 for a wrong command line, 3 when the library could not be read or saved.
#include "common/playlistfile/m3u.h"

#include <QStringList>
#include <QTextStream>

namespace wc::base {

bool isUnattendedCommandLine(const QStringList& args);
// probe measures lengths on worker threads, several at once.
int runUnattended(const QStringList& args, QTextStream& out, QTextStream& err,
                  FileDurationMs& probe);

} // namespace wc::base
