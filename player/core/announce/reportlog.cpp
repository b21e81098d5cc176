#include "player/core/announce/reportlog.h"

#include "common/clock.h"
#include "common/oledate.h"
#include "common/paths.h"
#include "player/core/announce/diskwriter.h"

namespace wc {

QString ReportFileName(const QString& programDir, double ole) {
    const QDate d = fromOleDate(ole).date();
    return programDir + QStringLiteral("Report/") +
           QString::asprintf("%.4d-%.2d-%.2d.txt", d.year(), d.month(), d.day());
}

QString ReportFileName() {
    return ReportFileName(programDir(), clock().nowOle());
}

QString ReportLine(double ole, const QString& text) {
    const QTime t = fromOleDate(ole).time();
    return QString::asprintf("%.2d:%.2d:%.2d   ", t.hour(), t.minute(), t.second()) + text;
}

ReportLog::ReportLog(QString programDir, const Clock& clock, DiskWriter& writer)
    : programDir_(std::move(programDir)), clock_(clock), writer_(writer),
      owner_(std::this_thread::get_id()), sink_(std::make_shared<Sink>()) {}

ReportLog::~ReportLog() {
    // Lines still on their way to the owning thread find no list any more.
    std::lock_guard lock(sink_->mutex);
    sink_->fn = nullptr;
}

void ReportLog::setListSink(std::function<void(const QString&)> sink) {
    std::lock_guard lock(sink_->mutex);
    sink_->fn = std::move(sink);
}

QString ReportLog::ReportFileName() const {
    return wc::ReportFileName(programDir_, clock_.nowOle());
}

QString ReportLog::LogEvent(const QString& text) {
    QString oneLine = text;
    oneLine.replace(QLatin1String("\r\n"), QLatin1String(" "));
    oneLine.replace(u'\r', u' ');
    oneLine.replace(u'\n', u' ');
    QString line;
    {
        // Stamped and queued under one lock: the file's order is the order of the calls, and
        // its times never go back within a day because of two threads racing.
        std::lock_guard lock(mutex_);
        const double now = clock_.nowOle();
        line = ReportLine(now, oneLine);
        writer_.append(wc::ReportFileName(programDir_, now),
                       line.toUtf8() + QByteArrayLiteral("\r\n"));
    }
    toList(line);
    return line;
}

void ReportLog::writeFailed(const QString& message, const QString& file) {
    toList(file.isEmpty() ? QStringLiteral("ERROR: ") + message
                          : QStringLiteral("ERROR: %1 (file: %2)").arg(message, file));
}

void ReportLog::toList(const QString& line) {
    if (std::this_thread::get_id() == owner_) {
        std::function<void(const QString&)> fn;
        {
            std::lock_guard lock(sink_->mutex);
            fn = sink_->fn;
        }
        if (fn) fn(line);
        return;
    }
    std::weak_ptr<Sink> weak = sink_;
    timerHost().post([weak, line] {
        const std::shared_ptr<Sink> s = weak.lock();
        if (!s) return;
        std::function<void(const QString&)> fn;
        {
            std::lock_guard lock(s->mutex);
            fn = s->fn;
        }
        if (fn) fn(line);
    });
}

} // namespace wc
