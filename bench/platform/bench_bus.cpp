// How long a message takes across processes. Reference runs in the same program: a bare Unix
// socket exchange of the same size and pattern (connect, write 40 bytes, read 40 bytes, close)
// against a plain echo process, which is the floor any socket bus stands on. Printed as time
// per message and as ratios; nothing is asserted.
#include "platform/messagebus.h"

#include <QByteArray>
#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRounds = 5000;

double nowSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

sockaddr_un addressOf(const QByteArray& path) {
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    std::memcpy(sa.sun_path, path.constData(), std::size_t(path.size()));
    return sa;
}

// The reference peer: answers every 40-byte request on its own connection with 40 bytes.
[[noreturn]] void echoServer(const QByteArray& path, int readyFd) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un sa = addressOf(path);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(fd, 128) != 0)
        ::_exit(1);
    char one = 1;
    [[maybe_unused]] ssize_t w = ::write(readyFd, &one, 1);
    for (;;) {
        const int c = ::accept(fd, nullptr, nullptr);
        if (c < 0) continue;
        char buf[40];
        std::size_t got = 0;
        while (got < sizeof buf) {
            const ssize_t n = ::recv(c, buf + got, sizeof buf - got, 0);
            if (n <= 0) break;
            got += std::size_t(n);
        }
        if (got == sizeof buf) ::send(c, buf, sizeof buf, MSG_NOSIGNAL);
        ::close(c);
    }
}

// The bus peer: one endpoint that answers wParam + lParam, served without an event loop.
[[noreturn]] void busServer(int readyFd) {
    wc::Endpoint ep("BenchPeer", "bench", [](quint32, qint64 w, qint64 l) { return w + l; });
    const qint32 h = ep.handle();
    [[maybe_unused]] ssize_t w = ::write(readyFd, &h, sizeof h);
    for (;;)
        wc::processBusEvents(1000);
}

} // namespace

int main() {
    QTemporaryDir dir;
    qputenv("WAVECREST_RUNTIME_DIR", dir.path().toLocal8Bit());
    const QByteArray echoPath = (dir.path() + "/echo.sock").toLocal8Bit();

    int ready[2];
    if (::pipe(ready) != 0) return 1;
    const pid_t echo = ::fork();
    if (echo == 0) echoServer(echoPath, ready[1]);
    char one;
    if (::read(ready[0], &one, 1) != 1) return 1;
    const pid_t peer = ::fork();
    if (peer == 0) busServer(ready[1]);
    qint32 handle = 0;
    if (::read(ready[0], &handle, sizeof handle) != sizeof handle || handle <= 0) return 1;

    // Reference: the bare exchange.
    double t0 = nowSeconds();
    for (int i = 0; i < kRounds; ++i) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un sa = addressOf(echoPath);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) return 1;
        char buf[40] = {};
        ::send(fd, buf, sizeof buf, MSG_NOSIGNAL);
        std::size_t got = 0;
        while (got < sizeof buf) {
            const ssize_t n = ::recv(fd, buf + got, sizeof buf - got, 0);
            if (n <= 0) break;
            got += std::size_t(n);
        }
        ::close(fd);
    }
    const double bare = (nowSeconds() - t0) / kRounds;

    t0 = nowSeconds();
    qint64 sum = 0;
    for (int i = 0; i < kRounds; ++i)
        sum += wc::sendMessage(handle, 0x401, i, 1).value_or(0);
    const double send = (nowSeconds() - t0) / kRounds;

    t0 = nowSeconds();
    int posted = 0;
    for (int i = 0; i < kRounds; ++i)
        posted += wc::postMessage(handle, 0x402, i, 0) ? 1 : 0;
    const double post = (nowSeconds() - t0) / kRounds;

    // Lookups with 50 endpoints of this process and the peer's one in the folder.
    std::vector<std::unique_ptr<wc::Endpoint>> many;
    for (int i = 0; i < 50; ++i)
        many.push_back(std::make_unique<wc::Endpoint>(
            "Many", QString::number(i), [](quint32, qint64, qint64) -> qint64 { return 0; }));
    constexpr int kLookups = 500;
    t0 = nowSeconds();
    int found = 0;
    for (int i = 0; i < kLookups; ++i)
        found += wc::findWindow("BenchPeer", "") == handle;
    const double find = (nowSeconds() - t0) / kLookups;

    ::kill(echo, SIGKILL);
    ::kill(peer, SIGKILL);
    ::waitpid(echo, nullptr, 0);
    ::waitpid(peer, nullptr, 0);

    std::printf("bare socket exchange (reference): %8.1f us per message\n", bare * 1e6);
    std::printf("sendMessage across processes:     %8.1f us per message  (%.2fx reference)%s\n",
                send * 1e6, send / bare,
                sum == qint64(kRounds) * (kRounds + 1) / 2 ? "" : "  [WRONG ANSWERS]");
    std::printf("postMessage across processes:     %8.1f us per message  (%.2fx reference), %d "
                "handed over\n",
                post * 1e6, post / bare, posted);
    std::printf("findWindow among 51 endpoints:    %8.1f us per lookup   (%.1fx one reference "
                "exchange), %d/%d found\n",
                find * 1e6, find / bare, found, kLookups);
    return 0;
}
