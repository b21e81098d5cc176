#pragma once
// The load figures of the status bar: how much processor time this process takes and how much
// of the machine's physical memory is in use.
#include <QByteArrayView>
#include <QtGlobal>
#include <optional>

namespace wc {

// Percent of the machine's processing capacity (processors x wall time) that cpuNs of process
// time took over wallNs of wall time, limited to 0..100. 0 when no wall time passed or the
// processor count is not positive.
double cpuSharePercent(qint64 cpuNs, qint64 wallNs, int processors);

// The processors this process may run on (at least 1).
int usableProcessors();

// The processor time this process has used, over all its threads, in nanoseconds.
qint64 processCpuTimeNs();

// This process's processor share between one sample and the next.
class ProcessCpuMeter {
public:
    // The first interval starts now.
    ProcessCpuMeter();
    // Percent 0..100 of the usable processors that the process kept busy since the last call
    // (or since construction); starts the next interval.
    double sample();

private:
    qint64 cpuNs_ = 0;
    qint64 wallNs_ = 0;
    int processors_ = 1;
};

// Memory load in percent from the text of /proc/meminfo: 100 - available / total x 100,
// limited to 0..100. Available is MemAvailable; kernels without it give MemFree + Buffers +
// Cached. Empty when MemTotal is missing or 0, or nothing available is listed.
std::optional<double> memoryLoadFromMeminfo(QByteArrayView text);

// The same for this machine now; 0 when /proc/meminfo cannot be read.
double systemMemoryLoadPercent();

} // namespace wc
