#include "common/log.h"

#include <cstdio>
#include <map>

namespace wc {
namespace {
struct LogState {
    std::map<int, LogSink> sinks;
    int nextId = 1;
    bool toStderr = true;
};
LogState& state() {
    static LogState s;
    return s;
}
} // namespace

void logLine(const QString& line) {
    auto& s = state();
    if (s.toStderr) {
        const QByteArray u = line.toUtf8();
        std::fprintf(stderr, "%s\n", u.constData());
    }
    for (auto& [id, sink] : s.sinks)
        sink(line);
}

int addLogSink(LogSink sink) {
    auto& s = state();
    s.sinks.emplace(s.nextId, std::move(sink));
    return s.nextId++;
}

void removeLogSink(int id) {
    state().sinks.erase(id);
}
void setLogToStderr(bool on) {
    state().toStderr = on;
}

} // namespace wc
