#pragma once
// One clock and one timer host for the whole program. Every timer of the suite and every
// reading of "now" goes through these interfaces: production uses the system clocks and
// QTimer (QtClock, QtTimerHost), tests use SimLoop, which advances time in fixed steps.
#include <QString>
#include <functional>
#include <memory>

namespace wc {

class Clock {
public:
    virtual ~Clock() = default;
    // Local wall-clock time as an OLE date.
    virtual double nowOle() const = 0;
    // Milliseconds on a monotonic clock (never jumps with the wall clock).
    virtual qint64 tickMs() const = 0;
};

class Timer {
public:
    virtual ~Timer() = default;
    // Fires every intervalMs until stopped.
    virtual void start(int intervalMs) = 0;
    // Fires once after delayMs.
    virtual void startOnce(int delayMs) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    virtual int interval() const = 0;
};

class TimerHost {
public:
    virtual ~TimerHost() = default;
    // A stopped timer that calls fn on the main thread when it fires. The name identifies the
    // timer in diagnostics. Destroying the timer stops it.
    virtual std::unique_ptr<Timer> createTimer(const QString& name, std::function<void()> fn) = 0;
    // Runs fn on the main thread after the current event; safe to call from any thread.
    virtual void post(std::function<void()> fn) = 0;
};

// The process-wide clock and timer host; production installs the Qt ones in main(),
// tests install a SimLoop. Both must outlive every user.
Clock& clock();
TimerHost& timerHost();
void setClock(Clock* c);
void setTimerHost(TimerHost* h);

} // namespace wc
