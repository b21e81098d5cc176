#pragma once
// The library program's error report: unexpected failures are appended to
// "Report/Error_base.txt" in the program folder with the operation, the message and the
// state of the lists, and logged. No box is shown here; callers show one summary.
#include <QString>

namespace wc::base {

class LibraryModel;

QString errorLogPath();
void ErrorLog(const QString& operation, const QString& message,
              const LibraryModel* model = nullptr);

} // namespace wc::base
