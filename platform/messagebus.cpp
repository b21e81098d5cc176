#include "platform/messagebus.h"

#include "common/log.h"
#include "platform/busframe.h"
#include "platform/process.h"
#include "platform/runtimedir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <future>
#include <limits>
#include <map>
#include <mutex>
#include <poll.h>
#include <set>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace wc {

using bus::DecodeStatus;
using bus::Frame;
using bus::FrameKind;

struct Endpoint::State {
    WindowHandle handle = 0;
    QString dir;
    QString className;
    QString caption;
    MessageHandler handler;
    int listenFd = -1;
    qint64 created = 0;
};

namespace {

// Incoming connections that have not delivered a whole frame are dropped after this long, and
// at most this many are kept, so peers that connect and stall cannot pile up descriptors.
constexpr qint64 kIncomingIdleMs = 10000;
constexpr std::size_t kMaxIncoming = 256;
// A post gives up when the target's backlog stays full this long.
constexpr int kPostWaitMs = 100;
// A reply that the sender no longer reads is abandoned after this long.
constexpr int kReplyWriteMs = 100;
constexpr int kMaxBadFrameLogs = 20;

constexpr quint64 kTagListen = 1ull << 62;
constexpr quint64 kTagIncoming = 2ull << 62;
constexpr quint64 kTagWake = 3ull << 62;
constexpr quint64 kTagMask = 3ull << 62;

qint64 monoMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Steady-clock nanoseconds: one clock for every process of the machine, used to order
// endpoints by age.
qint64 monoNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int remainingMs(qint64 deadline) {
    return int(std::clamp<qint64>(deadline - monoMs(), 0, 1 << 30));
}

QString errnoText(int e) {
    return QString::fromLocal8Bit(std::strerror(e));
}

QString socketFile(WindowHandle h) {
    return QStringLiteral("ep-%1.sock").arg(h);
}
QString infoFile(WindowHandle h) {
    return QStringLiteral("ep-%1.info").arg(h);
}

// A socket address for dir/file. Paths longer than a socket address holds go through the
// folder's descriptor (/proc/self/fd/N/file), which the kernel resolves like the full path.
struct UnixAddress {
    sockaddr_un sa{};
    socklen_t len = 0;
    int dirFd = -1;
    UnixAddress() = default;
    UnixAddress(const UnixAddress&) = delete;
    UnixAddress& operator=(const UnixAddress&) = delete;
    ~UnixAddress() {
        if (dirFd >= 0) ::close(dirFd);
    }
    bool set(const QString& dir, const QString& file) {
        QByteArray p = QFile::encodeName(dir + QLatin1Char('/') + file);
        if (std::size_t(p.size()) >= sizeof(sa.sun_path)) {
            dirFd = ::open(QFile::encodeName(dir).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            if (dirFd < 0) return false;
            p = "/proc/self/fd/" + QByteArray::number(dirFd) + '/' + QFile::encodeName(file);
            if (std::size_t(p.size()) >= sizeof(sa.sun_path)) return false;
        }
        sa.sun_family = AF_UNIX;
        std::memcpy(sa.sun_path, p.constData(), std::size_t(p.size()));
        len = socklen_t(offsetof(sockaddr_un, sun_path) + std::size_t(p.size()) + 1);
        return true;
    }
};

// Serialises endpoint creation against the removal of stale endpoints, across processes.
class FolderLock {
public:
    explicit FolderLock(const QString& dir) {
        fd_ = ::open(QFile::encodeName(dir + QStringLiteral("/bus.lock")).constData(),
                     O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd_ < 0) return;
        const qint64 deadline = monoMs() + 1000;
        while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || monoMs() >= deadline) {
                ::close(fd_);
                fd_ = -1;
                return;
            }
            ::poll(nullptr, 0, 2);
        }
    }
    ~FolderLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

bool writeRuntimeFile(const QString& path, const QByteArray& bytes) {
    const QByteArray target = QFile::encodeName(path);
    const QByteArray tmp = target + ".tmp" + QByteArray::number(::getpid()) + '.' +
                           QByteArray::number(QRandomGenerator::global()->generate(), 16);
    const int fd = ::open(tmp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    const bool ok = ::close(fd) == 0 && done == bytes.size() &&
                    ::rename(tmp.constData(), target.constData()) == 0;
    if (!ok) ::unlink(tmp.constData());
    return ok;
}

struct Info {
    WindowHandle handle = 0;
    qint64 pid = 0;
    qint64 start = 0;
    qint64 created = 0;
    QString className;
    QString caption;
};

QByteArray encodeInfo(const Info& i) {
    QJsonObject o;
    o.insert(QStringLiteral("pid"), i.pid);
    o.insert(QStringLiteral("start"), i.start);
    o.insert(QStringLiteral("created"), QString::number(i.created));
    o.insert(QStringLiteral("class"), i.className);
    o.insert(QStringLiteral("caption"), i.caption);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

bool readInfo(const QString& dir, WindowHandle h, Info* out) {
    QFile f(dir + QLatin1Char('/') + infoFile(h));
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = f.read(64 * 1024);
    const QJsonObject o = QJsonDocument::fromJson(bytes).object();
    if (!o.value(QStringLiteral("pid")).isDouble()) return false;
    out->handle = h;
    out->pid = qint64(o.value(QStringLiteral("pid")).toDouble());
    out->start = qint64(o.value(QStringLiteral("start")).toDouble());
    out->created = o.value(QStringLiteral("created")).toString().toLongLong();
    out->className = o.value(QStringLiteral("class")).toString();
    out->caption = o.value(QStringLiteral("caption")).toString();
    return out->pid > 0;
}

bool writeInfo(const Endpoint::State& s) {
    Info i;
    i.handle = s.handle;
    i.pid = ::getpid();
    i.start = processStartTime(i.pid);
    i.created = s.created;
    i.className = s.className;
    i.caption = s.caption;
    return writeRuntimeFile(s.dir + QLatin1Char('/') + infoFile(s.handle), encodeInfo(i));
}

// The handle in "ep-<handle>.sock" / "ep-<handle>.info"; 0 when the name is not one of ours.
WindowHandle handleFromFileName(const QString& name) {
    if (!name.startsWith(QLatin1String("ep-"))) return 0;
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    const QString suffix = name.mid(dot);
    if (suffix != QLatin1String(".sock") && suffix != QLatin1String(".info")) return 0;
    bool ok = false;
    const int h = name.mid(3, dot - 3).toInt(&ok);
    return ok && h > 0 ? WindowHandle(h) : 0;
}

enum class ConnectResult { Connected, Missing, Refused, Failed };

// A non-blocking connection to endpoint h of dir. A full backlog is retried until deadline.
ConnectResult connectTo(const QString& dir, WindowHandle h, qint64 deadline, int* fdOut) {
    UnixAddress addr;
    if (!addr.set(dir, socketFile(h))) return ConnectResult::Failed;
    for (;;) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) return ConnectResult::Failed;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr.sa), addr.len) == 0) {
            *fdOut = fd;
            return ConnectResult::Connected;
        }
        const int e = errno;
        ::close(fd);
        if (e == ENOENT || e == ENOTDIR) return ConnectResult::Missing;
        if (e == ECONNREFUSED) return ConnectResult::Refused;
        if ((e != EAGAIN && e != EINTR) || monoMs() >= deadline) return ConnectResult::Failed;
        ::poll(nullptr, 0, 2);
    }
}

bool writeAll(int fd, const QByteArray& bytes, qint64 deadline) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::send(fd, bytes.constData() + done, std::size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            const int wait = remainingMs(deadline);
            if (wait <= 0) return false;
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, wait);
            continue;
        }
        return false;
    }
    return true;
}

// Removes endpoint h of dir when nothing listens on its socket any more and its process is
// gone. Done under the folder lock, so an endpoint that is being created is never touched.
void removeIfStale(const QString& dir, WindowHandle h) {
    FolderLock lock(dir);
    if (!lock.held()) return;
    Info info;
    const bool haveInfo = readInfo(dir, h, &info);
    if (haveInfo && info.pid == ::getpid()) return;
    if (haveInfo && processAlive(info.pid, info.start)) return;
    int fd = -1;
    const ConnectResult r = connectTo(dir, h, monoMs(), &fd);
    if (r == ConnectResult::Connected) {
        ::close(fd);
        return;
    }
    if (r == ConnectResult::Failed) return;
    QFile::remove(dir + QLatin1Char('/') + infoFile(h));
    QFile::remove(dir + QLatin1Char('/') + socketFile(h));
}

struct Posted {
    WindowHandle to = 0;
    quint32 msg = 0;
    qint64 wParam = 0;
    qint64 lParam = 0;
};

struct CrossThreadSend {
    Posted m;
    std::shared_ptr<std::promise<std::optional<qint64>>> reply;
};

struct Incoming {
    int fd = -1;
    WindowHandle endpoint = 0;
    QByteArray buf;
    qint64 since = 0;
};

class Bus {
public:
    static Bus& get() {
        static Bus* bus = [] {
            Bus* b = new Bus; // never destroyed: endpoints may outlive static destruction
            created.store(b);
            return b;
        }();
        return *bus;
    }
    static inline std::atomic<Bus*> created{nullptr};

    std::mutex mu; // guards everything down to the main-thread-only part
    std::map<WindowHandle, std::shared_ptr<Endpoint::State>> endpoints;
    QHash<QString, quint32> numberOfName; // case-folded name -> number
    QHash<quint32, QString> nameOfNumber; // number -> name as first registered
    quint32 nextNumber = 0xC000;
    std::deque<Posted> posted;
    std::deque<CrossThreadSend> crossSends;
    bool mainKnown = false;
    std::thread::id mainId;
    std::atomic<quint32> serial{1};

    // Main thread only from here on.
    int epollFd = -1;
    int wakeFd = -1;
    std::map<quint64, Incoming> incoming;
    quint64 nextIncoming = 1;
    std::set<QString> sweptDirs;
    QPointer<QSocketNotifier> notifier;
    int badFrameLogs = 0;

    Bus() {
        epollFd = ::epoll_create1(EPOLL_CLOEXEC);
        wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        watch(wakeFd, kTagWake);
    }

    void watch(int fd, quint64 tag) {
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.u64 = tag;
        ::epoll_ctl(epollFd, EPOLL_CTL_ADD, fd, &ev);
    }
    void unwatch(int fd) { ::epoll_ctl(epollFd, EPOLL_CTL_DEL, fd, nullptr); }

    void wake() {
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakeFd, &one, sizeof one);
    }

    void markMainThread() {
        std::lock_guard<std::mutex> g(mu);
        if (!mainKnown) {
            mainKnown = true;
            mainId = std::this_thread::get_id();
        }
    }

    bool onMainThread() {
        if (QCoreApplication* app = QCoreApplication::instance())
            return QThread::currentThread() == app->thread();
        std::lock_guard<std::mutex> g(mu);
        return mainKnown && mainId == std::this_thread::get_id();
    }

    // With a Qt event loop, one notifier on the epoll descriptor delivers everything.
    void ensureNotifier() {
        QCoreApplication* app = QCoreApplication::instance();
        if (notifier || !app || QThread::currentThread() != app->thread()) return;
        notifier = new QSocketNotifier(qintptr(epollFd), QSocketNotifier::Read, app);
        QObject::connect(notifier, &QSocketNotifier::activated, app, [this] {
            bool handled = false;
            serveRound(0, -1, &handled);
            deliverPosted();
        });
    }

    std::shared_ptr<Endpoint::State> local(WindowHandle h) {
        std::lock_guard<std::mutex> g(mu);
        auto it = endpoints.find(h);
        return it == endpoints.end() ? nullptr : it->second;
    }

    bool hasLocalEndpoints() {
        std::lock_guard<std::mutex> g(mu);
        return !endpoints.empty();
    }

    void logBadFrame(const char* why) {
        if (badFrameLogs >= kMaxBadFrameLogs) return;
        if (++badFrameLogs == kMaxBadFrameLogs)
            logLine(QStringLiteral("Message bus: malformed frame (%1); further ones not logged")
                        .arg(QLatin1String(why)));
        else
            logLine(QStringLiteral("Message bus: malformed frame (%1)").arg(QLatin1String(why)));
    }

    void closeIncoming(std::map<quint64, Incoming>::iterator it) {
        unwatch(it->second.fd);
        ::close(it->second.fd);
        incoming.erase(it);
    }

    void acceptAll(const std::shared_ptr<Endpoint::State>& ep) {
        for (;;) {
            const int fd = ::accept4(ep->listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) {
                if (errno == EINTR || errno == ECONNABORTED) continue;
                return;
            }
            if (incoming.size() >= kMaxIncoming) closeIncoming(incoming.begin()); // the oldest
            const quint64 id = nextIncoming++;
            incoming[id] = Incoming{fd, ep->handle, QByteArray(), monoMs()};
            watch(fd, kTagIncoming | id);
        }
    }

    // Reads what is there on one incoming connection; a complete frame is taken off the
    // connection and handled.
    bool readIncoming(quint64 id) {
        auto it = incoming.find(id);
        if (it == incoming.end()) return false;
        Incoming& in = it->second;
        char chunk[bus::kMaxFrameSize];
        bool eof = false;
        while (std::size_t(in.buf.size()) < bus::kMaxFrameSize) {
            const ssize_t n =
                ::recv(in.fd, chunk, bus::kMaxFrameSize - std::size_t(in.buf.size()), 0);
            if (n > 0) {
                in.buf.append(chunk, n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            eof = n == 0 || errno != EAGAIN;
            break;
        }
        Frame f;
        const bus::DecodeResult r =
            bus::decodeFrame(in.buf.constData(), std::size_t(in.buf.size()), &f);
        if (r.status == DecodeStatus::Incomplete) {
            if (eof) closeIncoming(it); // the peer went away in mid-frame
            return false;
        }
        if (r.status == DecodeStatus::Invalid || f.kind == FrameKind::Reply ||
            f.target != in.endpoint) {
            logBadFrame(r.status == DecodeStatus::Invalid ? r.why
                                                          : "not a request for this "
                                                            "endpoint");
            closeIncoming(it);
            return false;
        }
        // One request per connection: stop watching it before the handler can run nested
        // rounds, then answer on it and close it.
        const int fd = in.fd;
        unwatch(fd);
        incoming.erase(it);
        handleRequest(fd, f);
        ::close(fd);
        return true;
    }

    void handleRequest(int fd, const Frame& f) {
        const quint32 msg = f.name.isEmpty() ? f.msg : registerMessage(f.name);
        if (f.kind == FrameKind::Post) {
            if (msg == 0) return;
            {
                std::lock_guard<std::mutex> g(mu);
                posted.push_back({f.target, msg, f.wParam, f.lParam});
            }
            wake();
            return;
        }
        std::shared_ptr<Endpoint::State> ep = local(f.target);
        if (!ep) return; // closing without a reply tells the sender at once
        const qint64 result = msg == 0 ? 0 : ep->handler(msg, f.wParam, f.lParam);
        Frame reply;
        reply.kind = FrameKind::Reply;
        reply.serial = f.serial;
        reply.target = f.target;
        reply.senderPid = quint32(::getpid());
        reply.wParam = result;
        writeAll(fd, bus::encodeFrame(reply), monoMs() + kReplyWriteMs);
    }

    void serveCrossThreadSends(bool* handled) {
        for (;;) {
            CrossThreadSend s;
            {
                std::lock_guard<std::mutex> g(mu);
                if (crossSends.empty()) return;
                s = std::move(crossSends.front());
                crossSends.pop_front();
            }
            *handled = true;
            std::shared_ptr<Endpoint::State> ep = local(s.m.to);
            if (!ep) {
                s.reply->set_value(std::nullopt);
                continue;
            }
            s.reply->set_value(ep->handler(s.m.msg, s.m.wParam, s.m.lParam));
        }
    }

    void expireIncoming() {
        const qint64 now = monoMs();
        for (auto it = incoming.begin(); it != incoming.end();) {
            auto next = std::next(it);
            if (now - it->second.since > kIncomingIdleMs) closeIncoming(it);
            it = next;
        }
    }

    // One round: waits up to timeoutMs for the bus descriptors or extraFd, then handles what is
    // ready: new connections, request frames (sent messages run their handler now, posted ones
    // are queued) and sent messages handed over by other threads. Posted messages are not
    // delivered here. Returns whether extraFd is readable.
    bool serveRound(int timeoutMs, int extraFd, bool* handled) {
        pollfd fds[2] = {{epollFd, POLLIN, 0}, {extraFd, POLLIN, 0}};
        const int n = ::poll(fds, extraFd >= 0 ? 2 : 1, timeoutMs);
        const bool extraReady = n > 0 && extraFd >= 0 && fds[1].revents != 0;
        epoll_event events[32];
        const int ready = ::epoll_wait(epollFd, events, 32, 0);
        for (int i = 0; i < ready; ++i) {
            const quint64 tag = events[i].data.u64;
            const quint64 value = tag & ~kTagMask;
            switch (tag & kTagMask) {
            case kTagWake: {
                quint64 count = 0;
                [[maybe_unused]] const ssize_t r = ::read(wakeFd, &count, sizeof count);
                serveCrossThreadSends(handled);
                break;
            }
            case kTagListen:
                if (auto ep = local(WindowHandle(value)); ep && ep->listenFd >= 0) acceptAll(ep);
                break;
            default: // incoming connections are read below, in the order they were accepted
                break;
            }
        }
        // Reading in accept order keeps the posts of one sender in the order it made them.
        for (quint64 id = 0;;) {
            const auto it = incoming.upper_bound(id);
            if (it == incoming.end()) break;
            id = it->first;
            if (readIncoming(id)) *handled = true;
        }
        expireIncoming();
        return extraReady;
    }

    // Delivers the posted messages queued so far (not those their handlers post).
    int deliverPosted() {
        std::size_t count;
        {
            std::lock_guard<std::mutex> g(mu);
            count = posted.size();
        }
        int delivered = 0;
        for (std::size_t i = 0; i < count; ++i) {
            Posted p;
            {
                std::lock_guard<std::mutex> g(mu);
                if (posted.empty()) break;
                p = posted.front();
                posted.pop_front();
            }
            if (std::shared_ptr<Endpoint::State> ep = local(p.to)) {
                ep->handler(p.msg, p.wParam, p.lParam);
                ++delivered;
            }
        }
        return delivered;
    }

    void rewakeIfPending() {
        bool pending;
        {
            std::lock_guard<std::mutex> g(mu);
            pending = !posted.empty() || !crossSends.empty();
        }
        if (pending) wake();
    }

    // Removes endpoints of dead processes once per folder and process.
    void sweep(const QString& dir) {
        if (!sweptDirs.insert(dir).second) return;
        std::set<WindowHandle> handles;
        const QStringList names = QDir(dir).entryList(QDir::System | QDir::Files | QDir::Hidden);
        for (const QString& name : names)
            if (WindowHandle h = handleFromFileName(name)) handles.insert(h);
        for (WindowHandle h : handles)
            if (!local(h)) removeIfStale(dir, h);
    }
};

// A frame from this process; a registered message carries its name, so that the receiver
// can map it to its own number.
Frame outgoingFrame(Bus& bus, FrameKind kind, WindowHandle to, quint32 msg, qint64 wParam,
                    qint64 lParam) {
    Frame f;
    f.kind = kind;
    f.serial = bus.serial.fetch_add(1);
    f.target = to;
    f.senderPid = quint32(::getpid());
    f.msg = msg;
    f.wParam = wParam;
    f.lParam = lParam;
    if (msg >= 0xC000 && msg <= 0xFFFF) {
        std::lock_guard<std::mutex> g(bus.mu);
        f.name = bus.nameOfNumber.value(msg);
    }
    return f;
}

std::optional<qint64> sendRemote(Bus& bus, const QString& dir, WindowHandle to, quint32 msg,
                                 qint64 wParam, qint64 lParam, int timeoutMs) {
    const qint64 deadline = monoMs() + std::max(0, timeoutMs);
    int fd = -1;
    const ConnectResult c = connectTo(dir, to, deadline, &fd);
    if (c == ConnectResult::Refused) removeIfStale(dir, to);
    if (c != ConnectResult::Connected) return std::nullopt;

    const Frame f = outgoingFrame(bus, FrameKind::Send, to, msg, wParam, lParam);
    std::optional<qint64> result;
    if (writeAll(fd, bus::encodeFrame(f), deadline)) {
        const bool mainThread = bus.onMainThread();
        const bool serve = mainThread && bus.hasLocalEndpoints();
        QByteArray buf;
        for (;;) {
            const int wait = remainingMs(deadline);
            bool readable;
            if (serve) {
                bool handled = false;
                readable = bus.serveRound(wait, fd, &handled);
            } else {
                pollfd p{fd, POLLIN, 0};
                readable = ::poll(&p, 1, wait) > 0;
            }
            if (readable) {
                char chunk[bus::kMaxFrameSize];
                const ssize_t n =
                    ::recv(fd, chunk, bus::kMaxFrameSize - std::size_t(buf.size()), 0);
                if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) break; // died
                if (n > 0) buf.append(chunk, n);
                Frame r;
                const bus::DecodeResult d =
                    bus::decodeFrame(buf.constData(), std::size_t(buf.size()), &r);
                if (d.status == DecodeStatus::Ok && r.kind == FrameKind::Reply &&
                    r.serial == f.serial && r.target == to) {
                    result = r.wParam;
                    break;
                }
                if (d.status != DecodeStatus::Incomplete) {
                    if (mainThread) // the log is the main thread's
                        bus.logBadFrame(d.status == DecodeStatus::Invalid ? d.why
                                                                          : "unexpected reply");
                    break;
                }
            }
            if (monoMs() >= deadline) break;
        }
    }
    ::close(fd);
    if (bus.onMainThread()) bus.rewakeIfPending();
    return result;
}

bool postRemote(Bus& bus, const QString& dir, WindowHandle to, quint32 msg, qint64 wParam,
                qint64 lParam) {
    const qint64 deadline = monoMs() + kPostWaitMs;
    int fd = -1;
    const ConnectResult c = connectTo(dir, to, deadline, &fd);
    if (c == ConnectResult::Refused) removeIfStale(dir, to);
    if (c != ConnectResult::Connected) return false;
    const Frame f = outgoingFrame(bus, FrameKind::Post, to, msg, wParam, lParam);
    const bool ok = writeAll(fd, bus::encodeFrame(f), deadline);
    ::close(fd);
    return ok;
}

// An application object made after the first endpoint still gets the bus delivered by its
// event loop.
void attachToApplication() {
    if (Bus* bus = Bus::created.load()) bus->ensureNotifier();
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(attachToApplication)

Endpoint::Endpoint(const QString& className, const QString& caption, MessageHandler handler)
    : state_(std::make_shared<State>()) {
    state_->className = className;
    state_->caption = caption;
    state_->handler = std::move(handler);
    state_->created = monoNs();
    Bus& bus = Bus::get();
    bus.markMainThread();

    QString error;
    const QString dir = runtimeDir(&error);
    if (dir.isEmpty()) {
        logLine(
            QStringLiteral("Message bus: window \"%1\" has no address: %2").arg(className, error));
        return;
    }
    bus.sweep(dir);
    FolderLock lock(dir);
    for (int attempt = 0; attempt < 64; ++attempt) {
        const auto h = WindowHandle(QRandomGenerator::system()->bounded(1, 0x7FFFFFFF));
        if (bus.local(h)) continue;
        UnixAddress addr;
        if (!addr.set(dir, socketFile(h))) {
            logLine(QStringLiteral("Message bus: socket path in %1 unusable").arg(dir));
            return;
        }
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) break;
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr.sa), addr.len) != 0) {
            const int e = errno;
            ::close(fd);
            if (e == EADDRINUSE) continue; // taken by another endpoint: draw again
            logLine(QStringLiteral("Message bus: cannot bind in %1: %2").arg(dir, errnoText(e)));
            return;
        }
        if (::listen(fd, 128) != 0) {
            logLine(QStringLiteral("Message bus: cannot listen: %1").arg(errnoText(errno)));
            ::close(fd);
            QFile::remove(dir + QLatin1Char('/') + socketFile(h));
            return;
        }
        state_->handle = h;
        state_->dir = dir;
        state_->listenFd = fd;
        if (!writeInfo(*state_))
            logLine(QStringLiteral("Message bus: window %1 cannot be listed").arg(h));
        {
            std::lock_guard<std::mutex> g(bus.mu);
            bus.endpoints[h] = state_;
        }
        bus.watch(fd, kTagListen | quint64(h));
        bus.ensureNotifier();
        return;
    }
    logLine(QStringLiteral("Message bus: no free window number in %1").arg(dir));
}

Endpoint::~Endpoint() {
    if (state_->handle == 0) return;
    Bus& bus = Bus::get();
    {
        std::lock_guard<std::mutex> g(bus.mu);
        bus.endpoints.erase(state_->handle);
    }
    bus.unwatch(state_->listenFd);
    ::close(state_->listenFd);
    state_->listenFd = -1;
    for (auto it = bus.incoming.begin(); it != bus.incoming.end();) {
        auto next = std::next(it);
        if (it->second.endpoint == state_->handle) bus.closeIncoming(it);
        it = next;
    }
    QFile::remove(state_->dir + QLatin1Char('/') + infoFile(state_->handle));
    QFile::remove(state_->dir + QLatin1Char('/') + socketFile(state_->handle));
}

WindowHandle Endpoint::handle() const {
    return state_->handle;
}

QString Endpoint::className() const {
    return state_->className;
}

QString Endpoint::caption() const {
    return state_->caption;
}

void Endpoint::setCaption(const QString& caption) {
    if (state_->caption == caption) return;
    state_->caption = caption;
    if (state_->handle != 0 && !writeInfo(*state_))
        logLine(
            QStringLiteral("Message bus: caption of window %1 not published").arg(state_->handle));
}

std::optional<qint64> sendMessage(WindowHandle to, quint32 msg, qint64 wParam, qint64 lParam,
                                  int timeoutMs) {
    if (to <= 0) return std::nullopt;
    Bus& bus = Bus::get();
    if (std::shared_ptr<Endpoint::State> ep = bus.local(to)) {
        if (bus.onMainThread()) return ep->handler(msg, wParam, lParam);
        // Handlers run on the main thread only: hand the message over and wait for it.
        auto reply = std::make_shared<std::promise<std::optional<qint64>>>();
        std::future<std::optional<qint64>> answer = reply->get_future();
        {
            std::lock_guard<std::mutex> g(bus.mu);
            bus.crossSends.push_back({{to, msg, wParam, lParam}, reply});
        }
        bus.wake();
        if (answer.wait_for(std::chrono::milliseconds(std::max(0, timeoutMs))) !=
            std::future_status::ready)
            return std::nullopt;
        return answer.get();
    }
    const QString dir = runtimeDir();
    if (dir.isEmpty()) return std::nullopt;
    return sendRemote(bus, dir, to, msg, wParam, lParam, timeoutMs);
}

bool postMessage(WindowHandle to, quint32 msg, qint64 wParam, qint64 lParam) {
    if (to <= 0) return false;
    Bus& bus = Bus::get();
    {
        std::lock_guard<std::mutex> g(bus.mu);
        if (bus.endpoints.count(to)) {
            bus.posted.push_back({to, msg, wParam, lParam});
            bus.wake();
            return true;
        }
    }
    const QString dir = runtimeDir();
    if (dir.isEmpty()) return false;
    return postRemote(bus, dir, to, msg, wParam, lParam);
}

int broadcastMessage(quint32 msg, qint64 wParam, qint64 lParam) {
    int count = 0;
    for (const WindowInfo& w : listWindows())
        if (postMessage(w.handle, msg, wParam, lParam)) ++count;
    return count;
}

quint32 registerMessage(const QString& name) {
    const QByteArray utf8 = name.toUtf8();
    if (utf8.isEmpty() || std::size_t(utf8.size()) > bus::kMaxNameBytes) return 0;
    for (QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) return 0;
    Bus& bus = Bus::get();
    const QString key = name.toCaseFolded();
    std::lock_guard<std::mutex> g(bus.mu);
    if (const auto it = bus.numberOfName.constFind(key); it != bus.numberOfName.constEnd())
        return it.value();
    if (bus.nextNumber > 0xFFFF) return 0;
    const quint32 number = bus.nextNumber++;
    bus.numberOfName.insert(key, number);
    bus.nameOfNumber.insert(number, name);
    return number;
}

std::vector<WindowInfo> listWindows() {
    std::vector<WindowInfo> out;
    const QString dir = runtimeDir();
    if (dir.isEmpty()) return out;
    Bus& bus = Bus::get();
    std::vector<Info> live;
    const QStringList names = QDir(dir).entryList({QStringLiteral("ep-*.info")}, QDir::Files);
    for (const QString& name : names) {
        const WindowHandle h = handleFromFileName(name);
        if (h == 0) continue;
        Info info;
        if (!readInfo(dir, h, &info)) continue;
        const bool mine = info.pid == ::getpid();
        if (mine ? !bus.local(h) : !processAlive(info.pid, info.start)) {
            if (!mine) removeIfStale(dir, h);
            continue;
        }
        live.push_back(info);
    }
    std::sort(live.begin(), live.end(), [](const Info& a, const Info& b) {
        return a.created != b.created ? a.created < b.created : a.handle < b.handle;
    });
    for (const Info& i : live)
        out.push_back({i.handle, i.className, i.caption, i.pid});
    return out;
}

WindowHandle findWindow(const QString& className, const QString& caption) {
    for (const WindowInfo& w : listWindows()) {
        if (!className.isEmpty() && w.className.compare(className, Qt::CaseInsensitive) != 0)
            continue;
        if (!caption.isEmpty() && w.caption.compare(caption, Qt::CaseInsensitive) != 0) continue;
        return w.handle;
    }
    return 0;
}

bool isWindow(WindowHandle h) {
    if (h <= 0) return false;
    Bus& bus = Bus::get();
    if (bus.local(h)) return true;
    const QString dir = runtimeDir();
    if (dir.isEmpty()) return false;
    Info info;
    if (!readInfo(dir, h, &info)) return false;
    if (info.pid == ::getpid()) return false; // ours, but already gone
    return processAlive(info.pid, info.start);
}

void processBusEvents(int waitMs) {
    Bus& bus = Bus::get();
    if (!bus.onMainThread()) return;
    bus.ensureNotifier();
    const qint64 deadline = monoMs() + std::max(0, waitMs);
    bool any = false;
    for (int round = 0; round < 1000; ++round) {
        bool handled = false;
        bus.serveRound(any ? 0 : remainingMs(deadline), -1, &handled);
        if (bus.deliverPosted() > 0) handled = true;
        if (handled) {
            any = true;
            continue;
        }
        if (any || monoMs() >= deadline) break;
    }
    bus.rewakeIfPending();
}

} // namespace wc
