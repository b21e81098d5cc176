#pragma once
// One schedule event and the schedule file (".sdl"). The file is a headerless run of
// fixed-size little-endian records, one per event, in list order:
//
//   offset size field
//        0    8 When                (double, OLE date)
//        8    1 UseDate
//        9    1 Immediate
//       10    1 OverAir
//       11  256 Target              (length byte + 255 bytes)
//      267    4 DuckLevel           (int32)
//      271    1 DeletePrevious
//      272    1 Fired               (transient: written 0, ignored on reading)
//      273    8 FiredAt             (transient)
//      281    1 RepeatOn
//      282    4 RepeatMinutes       (int32)
//      286    4 RepeatCount         (int32)
//      290   51 Countdown           (transient: length byte + 50 bytes)
//      341    1 Soon                (transient)
//      342    1 ShufflePlaylist
//      343    7 Days                ('1'/'0', Sunday first)
//      350    1 QueueAfterScheduled
//
// 351 bytes in all, no padding, so files made by the original Windows suite load as they are.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <limits>
#include <vector>

namespace wc {

struct ScheduleEvent {
    double When = 0;        // OLE date-time; without UseDate only its time of day counts
    bool UseDate = false;   // the date counts; otherwise the time of day on the Days
    bool Immediate = false; // the inserted item starts at once
    bool OverAir = false;   // the file plays in an overlay over the programme
    QString Target;         // file, playlist or command text
    qint32 DuckLevel = 100; // 0..100, the music level while the overlay plays
    bool DeletePrevious = true;
    bool Fired = false; // ran within the last few seconds (shown, not used to decide runs)
    double FiredAt = 0;
    bool RepeatOn = false;
    qint32 RepeatMinutes = 1; // 1..1000
    qint32 RepeatCount = 1;   // runs including the first, at least 1
    QString Countdown;        // "hh:nn:ss" to the next run, empty when not computed
    bool Soon = false;        // due within 11 seconds: the row blinks
    bool ShufflePlaylist = false;
    std::array<char, 7> Days{'1', '1', '1', '1', '1', '1', '1'}; // Sunday first
    bool QueueAfterScheduled = false;

    // Not stored: the moment (ms since 1899-12-30, local time) up to which the scheduler
    // has looked at this event's due moments. It only ever moves forward.
    qint64 examinedUntilMs = 0;
    // Not stored: the next due moment after dueFromMs as last worked out (-1: none), kept
    // while examinedUntilMs has not passed it. dueFromMs is the largest value when unknown.
    qint64 dueFromMs = std::numeric_limits<qint64>::max();
    qint64 dueMs = -1;
};

// The weekday of an OLE date (0 Sunday .. 6 Saturday) picks a character of days; the day is
// allowed unless that character is '0'.
bool DayAllowed(const std::array<char, 7>& days, double ole);
int oleWeekday(double ole);

// A point in time as milliseconds since 1899-12-30 00:00 local time (a linear count, also for
// dates before 1899 whose OLE fraction counts forward), and back.
qint64 oleToMs(double ole);
double msToOle(qint64 ms);

constexpr int kScheduleRecordSize = 351;
// A schedule file larger than this many events is not read beyond them.
constexpr int kMaxScheduleEvents = 10000;

struct ScheduleReadResult {
    std::vector<ScheduleEvent> events;
    // What was wrong with the data, one line per problem (empty when it was sound).
    QStringList problems;
};

// The records of a schedule file's bytes. Whole records are kept; a trailing part record is
// reported; fields out of their range are brought into it and reported; a record whose date
// is not a date is dropped and reported. Never throws.
ScheduleReadResult parseScheduleBytes(const QByteArray& bytes);
QByteArray scheduleRecordBytes(const ScheduleEvent& e);
QByteArray scheduleBytes(const std::vector<ScheduleEvent>& events);

// Reads a schedule file; false (and events untouched) when it cannot be opened. Problems in
// the data are logged with the file's name.
bool loadScheduleFile(const QString& path, std::vector<ScheduleEvent>* events);
// Writes the whole list (temporary file, then rename).
bool saveScheduleFile(const QString& path, const std::vector<ScheduleEvent>& events,
                      QString* error = nullptr);

} // namespace wc
