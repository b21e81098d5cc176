#include "lengthworkers.h"

#include <QThread>
#include <algorithm>

namespace wc::base {

struct LengthWorkers::Batch::State {
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<File> queue; // not started yet
    std::vector<Result> results;
    int running = 0;   // being measured
    size_t wanted = 1; // results that wake a waitForResults
    bool wakeSent = false;
    std::function<void()> wake;

    bool idle() const { return queue.empty() && running == 0; }
};

LengthWorkers::LengthWorkers(FileDurationMs& probe, int threads) : probe_(probe) {
    const int n = std::max(1, threads);
    threads_.reserve(size_t(n));
    for (int i = 0; i < n; ++i)
        threads_.emplace_back([this] { run(); });
}

LengthWorkers::~LengthWorkers() {
    std::deque<std::shared_ptr<Batch::State>> busy;
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        busy.swap(busy_);
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
        std::shared_ptr<Batch::State> batch;
        File file;
        {
            std::unique_lock lock(mutex_);
            cv_.wait(lock, [this] { return stop_ || !busy_.empty(); });
            if (stop_) return;
            batch = busy_.front();
            std::lock_guard b(batch->mutex);
            file = std::move(batch->queue.front());
            batch->queue.pop_front();
            ++batch->running;
            if (batch->queue.empty()) busy_.pop_front();
        }
        const qint32 ms = probe_.durationMs(file.path);
        std::function<void()> wake;
        bool notify = false;
        {
            std::lock_guard b(batch->mutex);
            --batch->running;
            batch->results.push_back({file.tag, ms > 0 ? ms : 0});
            // The job is told once until it takes what came; a waiter only when it has what it
            // asked for or nothing more will come.
            if (!batch->wakeSent) {
                batch->wakeSent = true;
                wake = batch->wake;
            }
            notify = batch->results.size() >= batch->wanted || batch->idle();
        }
        if (notify) batch->ready.notify_all();
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

void LengthWorkers::Batch::submit(std::vector<File> files) {
    if (files.empty()) return;
    {
        std::lock_guard lock(owner_.mutex_);
        std::lock_guard b(state_->mutex);
        if (state_->queue.empty()) owner_.busy_.push_back(state_);
        for (File& f : files)
            state_->queue.push_back(std::move(f));
    }
    owner_.cv_.notify_all();
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
    return int(state_->queue.size()) + state_->running + int(state_->results.size());
}

int LengthWorkers::Batch::unfinished() const {
    std::lock_guard b(state_->mutex);
    return int(state_->queue.size()) + state_->running;
}

std::vector<int> LengthWorkers::Batch::dropQueued() {
    std::vector<int> tags;
    std::deque<File> dropped; // freed outside the locks
    {
        std::lock_guard lock(owner_.mutex_);
        auto& busy = owner_.busy_;
        busy.erase(std::remove(busy.begin(), busy.end(), state_), busy.end());
        std::lock_guard b(state_->mutex);
        dropped.swap(state_->queue);
        // A waiter for results that will not come now has all there is.
        if (state_->idle()) state_->ready.notify_all();
    }
    tags.reserve(dropped.size());
    for (const File& f : dropped)
        tags.push_back(f.tag);
    return tags;
}

void LengthWorkers::Batch::waitForResults(size_t count) {
    std::unique_lock b(state_->mutex);
    state_->wanted = std::max<size_t>(1, count);
    state_->ready.wait(
        b, [this] { return state_->results.size() >= state_->wanted || state_->idle(); });
    state_->wanted = 1;
}

} // namespace wc::base
