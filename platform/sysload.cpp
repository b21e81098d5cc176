#include "platform/sysload.h"

#include <QFile>
#include <algorithm>
#include <charconv>
#include <sched.h>
#include <time.h>
#include <unistd.h>

namespace wc {
namespace {

qint64 nowNs(clockid_t id) {
    timespec ts{};
    if (::clock_gettime(id, &ts) != 0) return 0;
    return qint64(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// The number after "Name:" on a meminfo line (kB), or empty.
std::optional<double> fieldValue(QByteArrayView line, QByteArrayView name) {
    if (!line.startsWith(name) || line.size() <= name.size() || line[name.size()] != ':')
        return std::nullopt;
    const char* p = line.data() + name.size() + 1;
    const char* end = line.data() + line.size();
    while (p < end && (*p == ' ' || *p == '\t'))
        ++p;
    quint64 value = 0;
    const auto r = std::from_chars(p, end, value);
    if (r.ec != std::errc() || r.ptr == p) return std::nullopt;
    return double(value);
}

} // namespace

double cpuSharePercent(qint64 cpuNs, qint64 wallNs, int processors) {
    if (wallNs <= 0 || processors <= 0 || cpuNs <= 0) return 0.0;
    const double share = double(cpuNs) / (double(wallNs) * processors) * 100.0;
    return std::clamp(share, 0.0, 100.0);
}

int usableProcessors() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0) {
        const int n = CPU_COUNT(&set);
        if (n > 0) return n;
    }
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? int(online) : 1;
}

qint64 processCpuTimeNs() {
    return nowNs(CLOCK_PROCESS_CPUTIME_ID);
}

ProcessCpuMeter::ProcessCpuMeter()
    : cpuNs_(processCpuTimeNs()), wallNs_(nowNs(CLOCK_MONOTONIC)), processors_(usableProcessors()) {
}

double ProcessCpuMeter::sample() {
    const qint64 cpu = processCpuTimeNs(), wall = nowNs(CLOCK_MONOTONIC);
    const double share = cpuSharePercent(cpu - cpuNs_, wall - wallNs_, processors_);
    cpuNs_ = cpu;
    wallNs_ = wall;
    return share;
}

std::optional<double> memoryLoadFromMeminfo(QByteArrayView text) {
    std::optional<double> total, available, free, buffers, cached;
    while (!text.isEmpty()) {
        const qsizetype nl = text.indexOf('\n');
        const QByteArrayView line = nl < 0 ? text : text.first(nl);
        text = nl < 0 ? QByteArrayView() : text.sliced(nl + 1);
        if (auto v = fieldValue(line, "MemTotal"))
            total = v;
        else if (auto v = fieldValue(line, "MemAvailable"))
            available = v;
        else if (auto v = fieldValue(line, "MemFree"))
            free = v;
        else if (auto v = fieldValue(line, "Buffers"))
            buffers = v;
        else if (auto v = fieldValue(line, "Cached"))
            cached = v;
    }
    if (!total || *total <= 0) return std::nullopt;
    if (!available) {
        if (!free) return std::nullopt;
        available = *free + buffers.value_or(0) + cached.value_or(0);
    }
    return std::clamp(100.0 - *available / *total * 100.0, 0.0, 100.0);
}

double systemMemoryLoadPercent() {
    QFile f(QStringLiteral("/proc/meminfo"));
    if (!f.open(QIODevice::ReadOnly)) return 0.0;
    // /proc files report size 0: read until the end.
    return memoryLoadFromMeminfo(f.readAll()).value_or(0.0);
}

} // namespace wc
