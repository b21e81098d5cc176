#pragma once
#include <QString>

namespace wc {

// The program folder, with a trailing "/": the folder of the running executable, or the
// folder named by the environment variable WAVECREST_HOME when it is set (tests, and
// installations whose executable folder is read-only). Computed once.
const QString& programDir();

// Recomputes programDir() from the environment and the given executable path; used by each
// program's main routine before anything else, and by tests.
void setProgramDirFrom(const QString& executablePath);

// programDir() + relative, where relative may be spelled with "\" (as stored by older
// Windows installations) and is used with "/".
QString inProgramDir(const QString& relative);

// Converts a stored path to the local form: drive-letter and "\" paths from Windows keep
// their text but use "/" as the separator.
QString toLocalSeparators(const QString& path);

// The file name without folder and extension ("/a/b/Default.prf" -> "Default").
QString baseNameOf(const QString& path);

} // namespace wc
