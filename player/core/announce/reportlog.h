#pragma once
// The day's report: one text file per calendar day, "Report/YYYY-MM-DD.txt" in the program
// folder, to which every event line of the player is appended ("hh:mm:ss", three blanks, the
// text; UTF-8 with CR LF), and the log list of the main window, which shows the same lines.
//
// LogEvent may be called from any thread. The line is stamped and queued under one lock, so
// the file holds the lines in the order of the calls, each whole; the disk work runs on the
// writer's thread, so a caller never waits for the disk. The log list is fed on the thread
// that made the ReportLog (the main thread): lines from other threads reach it through the
// timer host's queue.
#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace wc {

class Clock;
class DiskWriter;

// The report file of the local day of `ole`: programDir + "Report/" + "YYYY-MM-DD.txt".
QString ReportFileName(const QString& programDir, double ole);
// The report file of today, from the process clock, in the program folder.
QString ReportFileName();
// "hh:mm:ss" of the local time `ole`, three blanks and the text.
QString ReportLine(double ole, const QString& text);

class ReportLog {
public:
    // Lines go to the day's file under programDir through writer; the time comes from clock.
    ReportLog(QString programDir, const Clock& clock, DiskWriter& writer);
    ~ReportLog();

    // The log list: called on the owning thread with each line, and with "ERROR: <reason>
    // (file: <path>)" when a line could not be written.
    void setListSink(std::function<void(const QString& line)> sink);

    // Appends one line to the day's file and to the log list; returns the line. Line breaks
    // inside the text become blanks, so one event is one line of the file.
    QString LogEvent(const QString& text);

    // The report file of the clock's day.
    QString ReportFileName() const;

    // Gives the log list a failure of the writer (called on the writer's thread).
    void writeFailed(const QString& message, const QString& file);

private:
    struct Sink {
        std::mutex mutex;
        std::function<void(const QString&)> fn;
    };
    void toList(const QString& line);

    QString programDir_;
    const Clock& clock_;
    DiskWriter& writer_;
    std::mutex mutex_;
    std::thread::id owner_;
    std::shared_ptr<Sink> sink_;
};

} // namespace wc
