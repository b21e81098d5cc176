// The status bar's load figures: the processor share of this process and the memory load.
#include "platform/sysload.h"

#include <QByteArray>
#include <cmath>
#include <gtest/gtest.h>

namespace wc {
namespace {

TEST(CpuSharePercent, ScalesByProcessorsAndStaysInRange) {
    struct Case {
        qint64 cpuNs, wallNs;
        int processors;
        double percent;
    };
    const Case cases[] = {
        {500'000'000, 1'000'000'000, 1, 50.0},    // half of one processor
        {500'000'000, 1'000'000'000, 2, 25.0},    // the same work on a two-processor machine
        {2'000'000'000, 1'000'000'000, 2, 100.0}, // both processors busy
        {3'000'000'000, 1'000'000'000, 2, 100.0}, // clock granularity never gives more
        {1'000'000, 0, 1, 0.0},                   // no wall time passed
        {1'000'000, -5, 1, 0.0},
        {-1'000, 1'000'000, 1, 0.0}, // a clock that went back counts as idle
        {1'000, 1'000'000, 0, 0.0},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(cpuSharePercent(c.cpuNs, c.wallNs, c.processors), c.percent)
            << c.cpuNs << " / " << c.wallNs << " on " << c.processors;
}

TEST(ProcessCpuMeter, BusyWorkShowsAsAShareOfTheMachine) {
    EXPECT_GE(usableProcessors(), 1);
    ProcessCpuMeter meter;
    // Burn processor time until the process clock has moved by 50 ms.
    const qint64 start = processCpuTimeNs();
    volatile double sink = 0;
    for (long i = 0; processCpuTimeNs() - start < 50'000'000; ++i)
        sink = sink + std::sqrt(double(i));
    const double busy = meter.sample();
    EXPECT_GT(busy, 0.0);
    EXPECT_LE(busy, 100.0);
    // The next interval starts where the last ended: it is measured on its own.
    const double next = meter.sample();
    EXPECT_GE(next, 0.0);
    EXPECT_LE(next, 100.0);
}

TEST(MemoryLoad, FromMeminfoText) {
    struct Case {
        const char* text;
        std::optional<double> percent;
    };
    const Case cases[] = {
        {"MemTotal:        1000 kB\nMemFree:          100 kB\nMemAvailable:     250 kB\n", 75.0},
        // Kernels without MemAvailable: free + buffers + page cache.
        {"MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 50 kB\nCached: 150 kB\nSwapCached: 999 "
         "kB\n",
         70.0},
        {"MemAvailable: 10 kB\nMemTotal: 40 kB", 75.0}, // any order, no final newline
        {"MemTotal: 1000 kB\nMemAvailable: 1000 kB\n", 0.0},
        {"MemTotal: 1000 kB\nMemAvailable: 5000 kB\n", 0.0}, // never below 0
        {"MemTotal: 0 kB\nMemAvailable: 0 kB\n", std::nullopt},
        {"MemAvailable: 10 kB\n", std::nullopt},
        {"MemTotal: 1000 kB\n", std::nullopt},
        {"MemTotal: lots\nMemAvailable: 10 kB\n", std::nullopt},
        {"MemTotalX: 1000 kB\nMemAvailable: 10 kB\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(memoryLoadFromMeminfo(QByteArray(c.text)), c.percent) << c.text;
}

TEST(MemoryLoad, ThisMachineUsesSomeButNotMoreThanAll) {
    const double load = systemMemoryLoadPercent();
    EXPECT_GT(load, 0.0);
    EXPECT_LE(load, 100.0);
}

} // namespace
} // namespace wc
