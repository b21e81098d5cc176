#include "platform/termination.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace wc {
namespace {
int gPipe[2] = {-1, -1};

void onSignal(int sig) {
    const char c = char(sig);
    [[maybe_unused]] ssize_t n = ::write(gPipe[1], &c, 1);
}
} // namespace

void installTerminationHandler(std::function<void()> onRequest) {
    std::signal(SIGPIPE, SIG_IGN);
    if (gPipe[0] < 0) {
        if (::pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    }
    auto* notifier =
        new QSocketNotifier(gPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [fn = std::move(onRequest)] {
        char buf[16];
        while (::read(gPipe[0], buf, sizeof buf) > 0) {
        }
        fn();
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaction(sig, &sa, nullptr);
}

} // namespace wc
