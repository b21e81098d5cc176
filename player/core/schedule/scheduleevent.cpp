#include "player/core/schedule/scheduleevent.h"

#include "common/atomicfile.h"
#include "common/log.h"
#include "common/oledate.h"
#include "common/text.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace wc {

namespace {

constexpr int kTargetCapacity = 255;
constexpr int kCountdownCapacity = 50;
// The dates an OLE date can hold (years 100 to 9999).
constexpr double kMinOle = -657434.0;
constexpr double kMaxOle = 2958466.0;

// Reads and writes little-endian fields at a running offset.
class RecordReader {
public:
    explicit RecordReader(const char* p) : p_(p) {}
    double f64() {
        quint64 bits = qFromLittleEndian<quint64>(p_ + at_);
        at_ += 8;
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    qint32 i32() {
        const qint32 v = qFromLittleEndian<qint32>(p_ + at_);
        at_ += 4;
        return v;
    }
    bool flag() { return p_[at_++] != 0; }
    // A length byte and capacity bytes; a length beyond the capacity is cut to it.
    QString shortString(int capacity, bool* overlong) {
        int len = quint8(p_[at_]);
        *overlong = len > capacity;
        len = std::min(len, capacity);
        // UTF-8 when valid, else the legacy code page; nothing (not even a byte-order mark)
        // is dropped, so a text reads back as it was written.
        const char* b = p_ + at_ + 1;
        const QString s = isValidUtf8(b, len) ? QString::fromUtf8(b, len) : fromCp1251(b, len);
        at_ += 1 + capacity;
        return s;
    }
    void raw(char* out, int n) {
        std::memcpy(out, p_ + at_, size_t(n));
        at_ += n;
    }
    int offset() const { return at_; }

private:
    const char* p_;
    int at_ = 0;
};

class RecordWriter {
public:
    explicit RecordWriter(QByteArray& out) : out_(out) {}
    void f64(double d) {
        quint64 bits;
        std::memcpy(&bits, &d, sizeof bits);
        char b[8];
        qToLittleEndian(bits, b);
        out_.append(b, 8);
    }
    void i32(qint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        out_.append(b, 4);
    }
    void flag(bool on) { out_.append(char(on ? 1 : 0)); }
    void shortString(const QString& s, int capacity) {
        const QByteArray bytes = utf8Truncated(s, capacity);
        out_.append(char(quint8(bytes.size())));
        out_.append(bytes);
        out_.append(QByteArray(capacity - bytes.size(), '\0'));
    }
    void raw(const char* p, int n) { out_.append(p, n); }

private:
    QByteArray& out_;
};

QString recordName(int index) {
    return QStringLiteral("event %1").arg(index + 1);
}

} // namespace

qint64 oleToMs(double ole) {
    return oleDayNumber(ole) * qint64(kMsPerDay) + oleMsOfDay(ole);
}

double msToOle(qint64 ms) {
    return oleAddMs(0.0, ms);
}

int oleWeekday(double ole) {
    // Day 0 (1899-12-30) was a Saturday.
    const qint64 day = oleDayNumber(ole);
    return int(((day + 6) % 7 + 7) % 7);
}

bool DayAllowed(const std::array<char, 7>& days, double ole) {
    return days[size_t(oleWeekday(ole))] != '0';
}

ScheduleReadResult parseScheduleBytes(const QByteArray& bytes) {
    ScheduleReadResult r;
    const qsizetype whole = bytes.size() / kScheduleRecordSize;
    const qsizetype rest = bytes.size() % kScheduleRecordSize;
    qsizetype count = whole;
    if (count > kMaxScheduleEvents) {
        r.problems << QStringLiteral("%1 events, only the first %2 were read")
                          .arg(count)
                          .arg(kMaxScheduleEvents);
        count = kMaxScheduleEvents;
    }
    if (rest != 0)
        r.problems << QStringLiteral("%1 bytes after the last whole event were ignored").arg(rest);
    r.events.reserve(size_t(count));
    for (qsizetype i = 0; i < count; ++i) {
        RecordReader in(bytes.constData() + i * kScheduleRecordSize);
        ScheduleEvent e;
        bool overlongTarget = false, overlongCountdown = false;
        e.When = in.f64();
        e.UseDate = in.flag();
        e.Immediate = in.flag();
        e.OverAir = in.flag();
        e.Target = in.shortString(kTargetCapacity, &overlongTarget);
        e.DuckLevel = in.i32();
        e.DeletePrevious = in.flag();
        in.flag(); // Fired
        in.f64();  // FiredAt
        e.RepeatOn = in.flag();
        e.RepeatMinutes = in.i32();
        e.RepeatCount = in.i32();
        in.shortString(kCountdownCapacity, &overlongCountdown); // Countdown
        in.flag();                                              // Soon
        e.ShufflePlaylist = in.flag();
        in.raw(e.Days.data(), 7);
        e.QueueAfterScheduled = in.flag();
        Q_ASSERT(in.offset() == kScheduleRecordSize);

        const QString name = recordName(int(i));
        if (!std::isfinite(e.When) || e.When < kMinOle || e.When >= kMaxOle) {
            r.problems << name + QStringLiteral(": the time is not a date; the event was dropped");
            continue;
        }
        if (overlongTarget)
            r.problems << name + QStringLiteral(": the target's length byte was too large");
        if (e.DuckLevel < 0 || e.DuckLevel > 100) {
            r.problems << name + QStringLiteral(": music level %1 set to %2")
                                     .arg(e.DuckLevel)
                                     .arg(std::clamp(e.DuckLevel, 0, 100));
            e.DuckLevel = std::clamp(e.DuckLevel, 0, 100);
        }
        if (e.RepeatMinutes < 1 || e.RepeatMinutes > 1000) {
            if (e.RepeatOn)
                r.problems << name + QStringLiteral(": repeat interval %1 min set to %2")
                                         .arg(e.RepeatMinutes)
                                         .arg(std::clamp(e.RepeatMinutes, 1, 1000));
            e.RepeatMinutes = std::clamp(e.RepeatMinutes, 1, 1000);
        }
        if (e.RepeatCount < 1) {
            if (e.RepeatOn)
                r.problems << name +
                                  QStringLiteral(": repeat count %1 set to 1").arg(e.RepeatCount);
            e.RepeatCount = 1;
        }
        r.events.push_back(std::move(e));
    }
    return r;
}

QByteArray scheduleRecordBytes(const ScheduleEvent& e) {
    QByteArray out;
    out.reserve(kScheduleRecordSize);
    RecordWriter w(out);
    w.f64(e.When);
    w.flag(e.UseDate);
    w.flag(e.Immediate);
    w.flag(e.OverAir);
    w.shortString(e.Target, kTargetCapacity);
    w.i32(e.DuckLevel);
    w.flag(e.DeletePrevious);
    w.flag(false); // Fired
    w.f64(0.0);    // FiredAt
    w.flag(e.RepeatOn);
    w.i32(e.RepeatMinutes);
    w.i32(e.RepeatCount);
    w.shortString(QString(), kCountdownCapacity);
    w.flag(false); // Soon
    w.flag(e.ShufflePlaylist);
    w.raw(e.Days.data(), 7);
    w.flag(e.QueueAfterScheduled);
    Q_ASSERT(out.size() == kScheduleRecordSize);
    return out;
}

QByteArray scheduleBytes(const std::vector<ScheduleEvent>& events) {
    QByteArray out;
    out.reserve(qsizetype(events.size()) * kScheduleRecordSize);
    for (const ScheduleEvent& e : events)
        out.append(scheduleRecordBytes(e));
    return out;
}

bool loadScheduleFile(const QString& path, std::vector<ScheduleEvent>* events) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    // A file far larger than any schedule is not read whole into memory.
    const qint64 limit = qint64(kMaxScheduleEvents + 1) * kScheduleRecordSize;
    const qint64 size = f.size();
    const QByteArray bytes = f.read(std::min(size, limit));
    ScheduleReadResult r = parseScheduleBytes(bytes);
    if (size > limit)
        r.problems << QStringLiteral("the file holds %1 bytes; the rest was not read").arg(size);
    for (const QString& p : r.problems)
        logLine(QStringLiteral("Schedule file ") + path + QStringLiteral(": ") + p);
    *events = std::move(r.events);
    return true;
}

bool saveScheduleFile(const QString& path, const std::vector<ScheduleEvent>& events,
                      QString* error) {
    return writeFileAtomically(path, scheduleBytes(events), error);
}

} // namespace wc
