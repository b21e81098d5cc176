#include "common/oledate.h"

#include <cmath>

namespace wc {
namespace {

const QDate kEpoch(1899, 12, 30);

// Milliseconds since the epoch on a straight time line.
qint64 linearMs(double ole) {
    const double day = std::trunc(ole);
    const double frac = std::fabs(ole - day);
    return qint64(day) * 86400000LL + std::llround(frac * kMsPerDay);
}

double fromLinearMs(qint64 ms) {
    const qint64 day = ms >= 0 ? ms / 86400000LL : -((-ms + 86399999LL) / 86400000LL);
    const qint64 msOfDay = ms - day * 86400000LL;
    const double frac = double(msOfDay) / kMsPerDay;
    return day >= 0 ? double(day) + frac : double(day) - frac;
}

} // namespace

double toOleDate(const QDateTime& local) {
    const qint64 days = kEpoch.daysTo(local.date());
    const qint64 msOfDay = local.time().msecsSinceStartOfDay();
    return fromLinearMs(days * 86400000LL + msOfDay);
}

qint64 oleDayNumber(double ole) {
    const qint64 ms = linearMs(ole);
    return ms >= 0 ? ms / 86400000LL : -((-ms + 86399999LL) / 86400000LL);
}

qint64 oleMsOfDay(double ole) {
    return linearMs(ole) - oleDayNumber(ole) * 86400000LL;
}

QDateTime fromOleDate(double ole) {
    const QDate d = kEpoch.addDays(oleDayNumber(ole));
    return QDateTime(d, QTime::fromMSecsSinceStartOfDay(int(oleMsOfDay(ole))));
}

double oleAddMs(double ole, qint64 ms) {
    const qint64 lin = oleDayNumber(ole) * 86400000LL + oleMsOfDay(ole) + ms;
    return fromLinearMs(lin);
}

} // namespace wc
