#pragma once
// Facts about other processes on this machine, read from /proc.
#include <QtGlobal>

namespace wc {

// The start time of a process in clock ticks since boot, which tells a live process from a
// later one that got the same number. -1 when unknown.
qint64 processStartTime(qint64 pid);

// True when a process with this number runs and, when both start times are known, it is the
// same process that recorded `start`.
bool processAlive(qint64 pid, qint64 start);

} // namespace wc
