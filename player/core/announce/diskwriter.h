#pragma once
// The announcement's files are written on a thread of their own, so the main thread (and with
// it playout) never waits for the disk: a busy or slow disk can hold a single fsync or append
// for hundreds of milliseconds. Callers queue whole pieces of work and return at once; the
// writer thread does them in the order they were queued.
//
// Threads: append(), replace(), flush() and pending() may be called from any thread. The
// error callback runs on the writer thread.
#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace wc {

class DiskWriter {
public:
    // Called with the system's reason and the file for every piece of work that failed, and
    // once for the lines dropped by the limit.
    using ErrorFn = std::function<void(const QString& message, const QString& file)>;
    explicit DiskWriter(ErrorFn onError = {});
    // Finishes the queued work, then ends the thread.
    ~DiskWriter();
    DiskWriter(const DiskWriter&) = delete;
    DiskWriter& operator=(const DiskWriter&) = delete;

    // Appends bytes to the file (created when missing, with its folder), in one write, so a
    // line is never split by another line. Appends are done in the order of the calls.
    void append(const QString& path, const QByteArray& bytes);
    // Replaces the whole file through a temporary file renamed over it. A replacement of the
    // same file still waiting in the queue is superseded: only the newest content is written.
    void replace(const QString& path, const QByteArray& bytes);
    // Waits until every piece queued before the call is done (tests, and the end of the
    // program).
    void flush();
    // Pieces queued and not yet done.
    int pending() const;

    // Appends queued beyond this many are dropped (and counted in one error) rather than let
    // a disk that stopped answering fill the memory.
    static constexpr int kMaxQueued = 100000;

private:
    struct Job {
        bool replace = false;
        QString path;
        QByteArray bytes;
        bool superseded = false;
    };
    void run();
    void doJob(const Job& job);

    ErrorFn onError_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::deque<Job> queue_;
    uint64_t queued_ = 0;   // jobs ever queued
    uint64_t finished_ = 0; // jobs ever done (or skipped)
    uint64_t dropped_ = 0;  // appends refused since the last report
    bool stop_ = false;
    std::thread thread_;
};

} // namespace wc
