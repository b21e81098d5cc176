#include "lengthworkers.h"

#include <QThread>
#include <algorithm>

namespace wc::base {

struct LengthWorkers::Batch::State {
    std::mutex mutex;
    std::condition_variable ready;
    std::vector<Result> results;
    int queued = 0;  // in the workers' queue
    int running = 0; // being measured
    bool wakeSent = false;
    std::function<void()> wake;
};

LengthWorkers::LengthWorkers(FileDurationMs& probe, int threads) : probe_(probe) {
    const int n = std::max(1, threads);
    threads_.reserve(size_t(n));
    for (int i = 0; i < n; ++i)
        threads_.emplace_back([this] { run(); });
}

LengthWorkers::~LengthWorkers() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        tasks_.clear();
    }
    cv_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

int LengthWorkers::defaultThreads() {
    return std::clamp(QThread::idealThreadCount(), 2, 4);
}

void LengthWorkers::run() {
    for (;;) {
        Task task;
        {
            std::unique_lock lock(mutex_);
            cv_.wait(lock, [this] { return stop_ || !tasks_.empty(); });
            if (stop_) return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
            std::lock_guard b(task.batch->mutex);
            --task.batch->queued;
            ++task.batch->running;
        }
        const qint32 ms = probe_.durationMs(task.path);
        std::function<void()> wake;
        {
            std::lock_guard b(task.batch->mutex);
            --task.batch->running;
            task.batch->results.push_back({task.tag, ms > 0 ? ms : 0});
            if (!task.batch->wakeSent) {
                task.batch->wakeSent = true;
                wake = task.batch->wake;
            }
        }
        task.batch->ready.notify_all();
        if (wake) wake();
    }
}

std::unique_ptr<LengthWorkers::Batch> LengthWorkers::newBatch(std::function<void()> wake) {
    return std::unique_ptr<Batch>(new Batch(*this, std::move(wake)));
}

LengthWorkers::Batch::Batch(LengthWorkers& owner, std::function<void()> wake)
    : owner_(owner), state_(std::make_shared<State>()) {
    state_->wake = std::move(wake);
}

LengthWorkers::Batch::~Batch() {
    dropQueued();
}

void LengthWorkers::Batch::submit(int tag, const QString& path) {
    {
        std::lock_guard lock(owner_.mutex_);
        owner_.tasks_.push_back({state_, tag, path});
        std::lock_guard b(state_->mutex);
        ++state_->queued;
    }
    owner_.cv_.notify_one();
}

std::vector<LengthWorkers::Result> LengthWorkers::Batch::take(size_t max) {
    std::lock_guard b(state_->mutex);
    std::vector<Result> out;
    if (state_->results.size() <= max) {
        out.swap(state_->results);
    } else {
        out.assign(state_->results.begin(), state_->results.begin() + qsizetype(max));
        state_->results.erase(state_->results.begin(), state_->results.begin() + qsizetype(max));
    }
    // Results left behind are the caller's to take on its next turn; a wake is owed only for
    // results that come after this.
    state_->wakeSent = !state_->results.empty();
    return out;
}

int LengthWorkers::Batch::outstanding() const {
    std::lock_guard b(state_->mutex);
    return state_->queued + state_->running + int(state_->results.size());
}

std::vector<int> LengthWorkers::Batch::dropQueued() {
    std::vector<int> tags;
    std::lock_guard lock(owner_.mutex_);
    auto& q = owner_.tasks_;
    auto keep = std::stable_partition(q.begin(), q.end(),
                                      [this](const Task& t) { return t.batch != state_; });
    for (auto it = keep; it != q.end(); ++it)
        tags.push_back(it->tag);
    q.erase(keep, q.end());
    std::lock_guard b(state_->mutex);
    state_->queued -= int(tags.size());
    return tags;
}

void LengthWorkers::Batch::waitForResult() {
    std::unique_lock b(state_->mutex);
    state_->ready.wait(
        b, [this] { return !state_->results.empty() || state_->queued + state_->running == 0; });
}

} // namespace wc::base
