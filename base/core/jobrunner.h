#pragma once
// Long library operations (adding folders, measuring lengths, checking, copying) as chunked
// jobs: the runner does a slice of items from a timer, then returns to the event loop, so the
// window stays responsive without a nested event loop. Cancel takes effect between items.
#include "common/clock.h"

#include <QString>
#include <functional>
#include <memory>

namespace wc::base {

class Job {
public:
    virtual ~Job() = default;
    // Does one item; false when there is nothing left to do.
    virtual bool step() = 0;
    // 0..100.
    virtual int percent() const = 0;
    // The operation line and the detail line of the progress window.
    virtual QString operation() const = 0;
    virtual QString detail() const { return QString(); }

    // Asks the job to stop; a job with phases may end only the current one (see AddJob), and
    // a job with work under way elsewhere may take the results of that work first (CountJob).
    virtual void cancel() { cancelled_ = true; }
    bool cancelled() const { return cancelled_; }

    // A job whose work is done on other threads: after a step that found nothing to do yet,
    // waiting() is true and the runner leaves the window thread alone until the job calls the
    // wake function it was given (from any thread). waitForWork blocks until there may be
    // something to do (for runToEnd, which has no event loop).
    virtual bool waiting() const { return false; }
    virtual void setWake(std::function<void()> wake) { (void)wake; }
    virtual void waitForWork() {}
    // How long after a wake the runner may let more of that work come in before the next
    // slice, so that results that come in quick succession are taken in one slice rather than
    // one wake each. 0: at once.
    virtual int wakeDelayMs() const { return 0; }

protected:
    bool cancelled_ = false;
};

// Runs one job at a time on the timer host, at most sliceMs (or maxItems items) per slice.
class JobRunner {
public:
    using Progress = std::function<void(const Job&)>;
    using Done = std::function<void(Job&)>;

    explicit JobRunner(int sliceMs = 20, int maxItemsPerSlice = 1000);
    ~JobRunner();

    // Starts the job; false when one is running already. progress is called after every
    // slice, done once when the job has finished or was cancelled (the job lives until then).
    bool start(std::unique_ptr<Job> job, Progress progress, Done done);
    bool running() const { return bool(job_); }
    // Running, and asleep until the job's work elsewhere wakes it.
    bool waiting() const;
    void cancel();
    // Whether the last job ended on an unexpected error (written to the error report).
    bool failed() const { return failed_; }
    // Elapsed milliseconds of the running job.
    qint64 elapsedMs() const;

    // Runs a job to its end on the calling thread (unattended use), calling progress after
    // every item.
    static void runToEnd(Job& job, const Progress& progress = {});

private:
    void slice();
    void wake();

    int sliceMs_;
    int maxItems_;
    std::unique_ptr<Job> job_;
    Progress progress_;
    Done done_;
    std::unique_ptr<Timer> timer_;
    qint64 startedMs_ = 0;
    bool failed_ = false;
    // Wakes posted from other threads reach the runner only while it exists.
    std::shared_ptr<JobRunner*> self_;
};

} // namespace wc::base
