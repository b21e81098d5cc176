#include "common/simloop.h"

#include "common/oledate.h"

#include <algorithm>
#include <limits>

namespace wc {

struct SimLoop::TimerState {
    QString name;
    std::function<void()> fn;
    quint64 seq = 0;
    bool active = false;
    bool singleShot = false;
    int interval = 0;
    qint64 due = 0;
};

class SimLoop::SimTimer final : public Timer {
public:
    SimTimer(SimLoop& loop, std::shared_ptr<TimerState> st) : loop_(loop), st_(std::move(st)) {}
    ~SimTimer() override { st_->active = false; }
    void start(int intervalMs) override { arm(intervalMs, false); }
    void startOnce(int delayMs) override { arm(delayMs, true); }
    void stop() override { st_->active = false; }
    bool isActive() const override { return st_->active; }
    int interval() const override { return st_->interval; }

private:
    void arm(int ms, bool single) {
        st_->interval = std::max(ms, 0);
        st_->singleShot = single;
        st_->active = true;
        // A zero interval fires at the next millisecond, so a loop can never spin in place.
        st_->due = loop_.nowMs_ + std::max(ms, 1);
    }
    SimLoop& loop_;
    std::shared_ptr<TimerState> st_;
};

SimLoop::SimLoop(double startOle, int stepMs) : startOle_(startOle), stepMs_(std::max(stepMs, 1)) {}
SimLoop::~SimLoop() = default;

double SimLoop::nowOle() const {
    return oleAddMs(startOle_, nowMs_);
}

std::unique_ptr<Timer> SimLoop::createTimer(const QString& name, std::function<void()> fn) {
    auto st = std::make_shared<TimerState>();
    st->name = name;
    st->fn = std::move(fn);
    st->seq = nextSeq_++;
    std::erase_if(timers_, [](const auto& w) { return w.expired(); });
    timers_.push_back(st);
    return std::make_unique<SimTimer>(*this, std::move(st));
}

void SimLoop::post(std::function<void()> fn) {
    std::lock_guard lock(postMutex_);
    posted_.push_back(std::move(fn));
}

void SimLoop::drainPosted() {
    for (;;) {
        std::function<void()> fn;
        {
            std::lock_guard lock(postMutex_);
            if (posted_.empty()) return;
            fn = std::move(posted_.front());
            posted_.pop_front();
        }
        fn();
    }
}

qint64 SimLoop::nextDue() const {
    qint64 due = std::numeric_limits<qint64>::max();
    for (const auto& w : timers_)
        if (auto st = w.lock(); st && st->active) due = std::min(due, st->due);
    return due;
}

void SimLoop::step(qint64 limitMs) {
    const qint64 target = std::min({limitMs, nowMs_ + stepMs_, std::max(nextDue(), nowMs_)});
    if (render_ && target > nowMs_) render_(nowMs_, target);
    nowMs_ = target;
    std::vector<std::shared_ptr<TimerState>> due;
    for (const auto& w : timers_)
        if (auto st = w.lock(); st && st->active && st->due <= nowMs_) due.push_back(st);
    std::sort(due.begin(), due.end(), [](const auto& a, const auto& b) {
        return a->due != b->due ? a->due < b->due : a->seq < b->seq;
    });
    for (auto& st : due) {
        // An earlier timer of this instant may have stopped or re-armed this one.
        if (!st->active || st->due > nowMs_) continue;
        if (st->singleShot)
            st->active = false;
        else
            st->due += std::max(st->interval, 1);
        st->fn();
        drainPosted();
    }
    drainPosted();
}

void SimLoop::stall(qint64 ms) {
    if (ms <= 0) return;
    if (render_) render_(nowMs_, nowMs_ + ms);
    nowMs_ += ms;
    for (const auto& w : timers_)
        if (auto st = w.lock(); st && st->active && st->due < nowMs_) st->due = nowMs_;
}

void SimLoop::runUntil(qint64 tickMs) {
    drainPosted();
    while (nowMs_ < tickMs)
        step(tickMs);
}

bool SimLoop::runUntil(const std::function<bool()>& pred, qint64 maxMs) {
    drainPosted();
    const qint64 end = nowMs_ + maxMs;
    while (!pred()) {
        if (nowMs_ >= end) return false;
        step(end);
    }
    return true;
}

std::vector<QString> SimLoop::activeTimers() const {
    std::vector<std::shared_ptr<TimerState>> live;
    for (const auto& w : timers_)
        if (auto st = w.lock(); st && st->active) live.push_back(st);
    std::sort(live.begin(), live.end(),
              [](const auto& a, const auto& b) { return a->seq < b->seq; });
    std::vector<QString> names;
    for (const auto& st : live)
        names.push_back(st->name);
    return names;
}

} // namespace wc
