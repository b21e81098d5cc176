#pragma once
#include "common/clock.h"

#include <QElapsedTimer>

namespace wc {

class QtClock final : public Clock {
public:
    QtClock() { elapsed_.start(); }
    double nowOle() const override;
    qint64 tickMs() const override { return elapsed_.elapsed(); }

private:
    QElapsedTimer elapsed_;
};

// Timers on QTimer (precise timer type) and posts queued to the application object.
class QtTimerHost final : public TimerHost {
public:
    std::unique_ptr<Timer> createTimer(const QString& name, std::function<void()> fn) override;
    void post(std::function<void()> fn) override;
};

} // namespace wc
