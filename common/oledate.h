#pragma once
// Dates in the OLE Automation form: days since 30 December 1899, with the time of day as the
// fraction. For dates before 1899-12-30 the fraction still counts forward from midnight
// (-1.25 is 29 December 1899, 06:00), as the format defines.
#include <QDateTime>

namespace wc {

constexpr double kMsPerDay = 86400000.0;

double toOleDate(const QDateTime& local);
QDateTime fromOleDate(double ole);
// Whole days and the milliseconds into that day.
qint64 oleDayNumber(double ole);
qint64 oleMsOfDay(double ole);
// Adds milliseconds to an OLE date, across midnight and across the 1899 boundary.
double oleAddMs(double ole, qint64 ms);

} // namespace wc
