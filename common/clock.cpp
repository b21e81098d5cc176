#include "common/clock.h"

#include <cassert>

namespace wc {
namespace {
Clock* gClock = nullptr;
TimerHost* gHost = nullptr;
} // namespace

Clock& clock() {
    assert(gClock && "no clock installed");
    return *gClock;
}
TimerHost& timerHost() {
    assert(gHost && "no timer host installed");
    return *gHost;
}
void setClock(Clock* c) {
    gClock = c;
}
void setTimerHost(TimerHost* h) {
    gHost = h;
}

} // namespace wc
