#pragma once
// Diagnostic log lines. By default they go to standard error; a program adds sinks (its log
// list, the day's report) at start-up. Safe to call from any thread: sinks always run on
// the main thread (lines from other threads reach them through its event loop).
#include <QString>
#include <functional>

namespace wc {

using LogSink = std::function<void(const QString& line)>;

void logLine(const QString& line);
// Adds a sink and returns its id; removeLogSink(id) takes it away again.
int addLogSink(LogSink sink);
void removeLogSink(int id);
// Whether lines also go to standard error (on by default).
void setLogToStderr(bool on);

} // namespace wc
