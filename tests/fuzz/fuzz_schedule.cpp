// Schedule files come from older installations and from other machines: any bytes must read
// without a crash or hang, every event read must be within its ranges, and the events read
// write back to bytes that read again to the same events.
#include "player/core/schedule/scheduleevent.h"
#include "player/core/schedule/scheduler.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const wc::ScheduleReadResult r = wc::parseScheduleBytes(bytes);
    if (qsizetype(r.events.size()) > bytes.size() / wc::kScheduleRecordSize) std::abort();
    for (const wc::ScheduleEvent& e : r.events) {
        if (!std::isfinite(e.When) || e.DuckLevel < 0 || e.DuckLevel > 100 || e.RepeatMinutes < 1 ||
            e.RepeatMinutes > 1000 || e.RepeatCount < 1)
            std::abort();
        // The next due moment is computed without walking the repeats one by one.
        const qint64 from = wc::oleToMs(e.When) - 86400000;
        const qint64 due = wc::Scheduler::nextDueAfter(e, from);
        if (due != -1 && due <= from) std::abort();
    }
    const QByteArray written = wc::scheduleBytes(r.events);
    const wc::ScheduleReadResult back = wc::parseScheduleBytes(written);
    if (back.events.size() != r.events.size() || !back.problems.isEmpty()) std::abort();
    if (wc::scheduleBytes(back.events) != written) std::abort();
    return 0;
}
