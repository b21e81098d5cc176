#pragma once
// Simulated time for tests. The loop advances in steps no longer than stepMs: for each step
// it first lets the render hook produce audio up to the next instant (the manual output
// device), then sets the clock to that instant, fires the timers due at it in a fixed order
// (due time, then creation order), and drains posted events after each timer. Nothing here
// sleeps or reads the system clock, so a day of playout runs in seconds and every run is the
// same.
#include "common/clock.h"

#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace wc {

class SimLoop final : public Clock, public TimerHost {
public:
    // startOle: the wall-clock time at tick 0.
    explicit SimLoop(double startOle = 46365.5, int stepMs = 10);
    ~SimLoop() override;

    double nowOle() const override;
    qint64 tickMs() const override { return nowMs_; }
    std::unique_ptr<Timer> createTimer(const QString& name, std::function<void()> fn) override;
    void post(std::function<void()> fn) override;

    // Renders audio for [fromMs, toMs) before timers fire at toMs.
    using RenderHook = std::function<void(qint64 fromMs, qint64 toMs)>;
    void setRenderHook(RenderHook hook) { render_ = std::move(hook); }

    void runFor(qint64 ms) { runUntil(nowMs_ + ms); }
    void runUntil(qint64 tickMs);
    // Steps until pred() holds or maxMs have passed; returns whether pred() held.
    bool runUntil(const std::function<bool()>& pred, qint64 maxMs);
    // Runs every posted event (and the events those post).
    void drainPosted();
    // The main thread blocked for ms (call it from a timer or posted event): audio goes on
    // being rendered and the clock moves on, but no timer fires meanwhile. Afterwards each
    // overdue periodic timer fires once and keeps its interval from then on, as a real
    // timer after a blocked event loop does.
    void stall(qint64 ms);

    // Names of active timers, in creation order (for diagnostics and tests).
    std::vector<QString> activeTimers() const;

private:
    struct TimerState;
    class SimTimer;
    void step(qint64 limitMs);
    qint64 nextDue() const;

    double startOle_;
    int stepMs_;
    qint64 nowMs_ = 0;
    quint64 nextSeq_ = 0;
    RenderHook render_;
    std::vector<std::weak_ptr<TimerState>> timers_;
    mutable std::mutex postMutex_;
    std::deque<std::function<void()>> posted_;
};

} // namespace wc
