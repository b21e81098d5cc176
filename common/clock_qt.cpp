#include "common/clock_qt.h"

#include "common/oledate.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>

namespace wc {
namespace {

class QtTimer final : public Timer {
public:
    QtTimer(const QString& name, std::function<void()> fn) {
        timer_.setObjectName(name);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, std::move(fn));
    }
    void start(int intervalMs) override {
        timer_.setSingleShot(false);
        timer_.start(intervalMs);
    }
    void startOnce(int delayMs) override {
        timer_.setSingleShot(true);
        timer_.start(delayMs);
    }
    void stop() override { timer_.stop(); }
    bool isActive() const override { return timer_.isActive(); }
    int interval() const override { return timer_.interval(); }

private:
    QTimer timer_;
};

} // namespace

double QtClock::nowOle() const {
    return toOleDate(QDateTime::currentDateTime());
}

std::unique_ptr<Timer> QtTimerHost::createTimer(const QString& name, std::function<void()> fn) {
    return std::make_unique<QtTimer>(name, std::move(fn));
}

void QtTimerHost::post(std::function<void()> fn) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(fn), Qt::QueuedConnection);
}

} // namespace wc
