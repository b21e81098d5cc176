#include "jobrunner.h"

#include "base/core/errorlog.h"

#include <exception>

namespace wc::base {

JobRunner::JobRunner(int sliceMs, int maxItemsPerSlice)
    : sliceMs_(sliceMs), maxItems_(maxItemsPerSlice), self_(std::make_shared<JobRunner*>(this)) {}

JobRunner::~JobRunner() = default;

bool JobRunner::waiting() const {
    return job_ && job_->waiting() && timer_ && !timer_->isActive();
}

void JobRunner::wake() {
    if (job_ && timer_ && !timer_->isActive()) timer_->startOnce(job_->wakeDelayMs());
}

bool JobRunner::start(std::unique_ptr<Job> job, Progress progress, Done done) {
    if (job_ || !job) return false;
    job_ = std::move(job);
    failed_ = false;
    progress_ = std::move(progress);
    done_ = std::move(done);
    startedMs_ = clock().tickMs();
    if (!timer_) timer_ = timerHost().createTimer(QStringLiteral("base.job"), [this] { slice(); });
    job_->setWake([weak = std::weak_ptr<JobRunner*>(self_)] {
        timerHost().post([weak] {
            if (const auto self = weak.lock()) (*self)->wake();
        });
    });
    timer_->startOnce(0);
    return true;
}

void JobRunner::cancel() {
    if (!job_) return;
    job_->cancel();
    // A waiting job hears of the cancel on its next slice, which comes at once.
    if (timer_) timer_->startOnce(0);
}

qint64 JobRunner::elapsedMs() const {
    return job_ ? clock().tickMs() - startedMs_ : 0;
}

void JobRunner::slice() {
    if (!job_) return;
    const qint64 begin = clock().tickMs();
    bool more = true;
    for (int n = 0; n < maxItems_; ++n) {
        if (job_->cancelled()) {
            more = false;
            break;
        }
        bool stepped = false;
        try {
            stepped = job_->step();
        } catch (const std::exception& e) {
            // An unexpected failure ends the job; what was done so far stays.
            ErrorLog(job_->operation(), QString::fromLocal8Bit(e.what()));
            failed_ = true;
        }
        if (!stepped) {
            more = false;
            break;
        }
        if (job_->waiting() || clock().tickMs() - begin >= sliceMs_) break;
    }
    if (progress_) progress_(*job_);
    if (more) {
        // A waiting job is woken by its work (or by cancel).
        if (!job_->waiting()) timer_->startOnce(0);
        return;
    }
    // The job and the callbacks leave the runner before done runs, so done may start another.
    std::unique_ptr<Job> job = std::move(job_);
    Done done = std::move(done_);
    progress_ = {};
    if (done) done(*job);
}

void JobRunner::runToEnd(Job& job, const Progress& progress) {
    while (!job.cancelled() && job.step()) {
        if (job.waiting()) job.waitForWork();
        if (progress) progress(job);
    }
    if (progress) progress(job);
}

} // namespace wc::base
