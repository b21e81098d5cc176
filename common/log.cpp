#include "common/log.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <cstdio>
#include <map>
#include <mutex>

namespace wc {
namespace {
struct LogState {
    std::recursive_mutex mutex; // a sink may log again
    std::map<int, LogSink> sinks;
    int nextId = 1;
    bool toStderr = true;
};
LogState& state() {
    static LogState s;
    return s;
}

void deliver(const QString& line) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    for (auto& [id, sink] : s.sinks)
        sink(line);
}
} // namespace

void logLine(const QString& line) {
    auto& s = state();
    {
        std::lock_guard lock(s.mutex);
        if (s.toStderr) {
            const QByteArray u = line.toUtf8();
            std::fprintf(stderr, "%s\n", u.constData());
        }
    }
    // Sinks touch windows and files of the main thread: a line from another thread is
    // handed to the main thread's event loop instead of calling them here.
    QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread()) {
        QMetaObject::invokeMethod(
            app, [line] { deliver(line); }, Qt::QueuedConnection);
        return;
    }
    deliver(line);
}

int addLogSink(LogSink sink) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.sinks.emplace(s.nextId, std::move(sink));
    return s.nextId++;
}

void removeLogSink(int id) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.sinks.erase(id);
}

void setLogToStderr(bool on) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.toStderr = on;
}

} // namespace wc
