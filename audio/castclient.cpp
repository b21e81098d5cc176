#include "audio/castclient.h"

#include <QUrl>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <set>
#include <shout/shout.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#include <utility>

namespace wc::audio {

bool parseCastServer(const QString& server, CastTarget& out) {
    CastTarget t;
    QString rest = server.trimmed();
    const qsizetype slash = rest.indexOf('/');
    if (slash >= 0) {
        t.mount = rest.mid(slash);
        rest = rest.left(slash);
        if (t.mount == QStringLiteral("/")) return false;
    }
    QString host = rest, port;
    if (rest.startsWith('[')) { // [IPv6]:port
        const qsizetype close = rest.indexOf(']');
        if (close < 0) return false;
        host = rest.mid(1, close - 1);
        const QString after = rest.mid(close + 1);
        if (!after.isEmpty()) {
            if (!after.startsWith(':')) return false;
            port = after.mid(1);
        }
    } else {
        const qsizetype colon = rest.lastIndexOf(':');
        if (colon >= 0) {
            host = rest.left(colon);
            port = rest.mid(colon + 1);
        }
    }
    if (host.isEmpty()) return false;
    // The host goes into a request line of its own: no blanks, controls or URL delimiters.
    for (const QChar c : host)
        if (c.unicode() <= ' ' || c.unicode() == 0x7F || QStringLiteral("/?#@[]\\").contains(c))
            return false;
    t.host = host;
    if (!port.isNull()) {
        bool ok = false;
        const int p = port.toInt(&ok);
        if (!ok || p < 1 || p > 65535) return false;
        t.port = p;
    }
    out = t;
    return true;
}

namespace {

std::once_flag g_shoutInit;
constexpr int kConnectTimeoutMs = 5000;

shout_t* sh(void* p) {
    return static_cast<shout_t*>(p);
}

int castError(int shoutError) {
    switch (shoutError) {
    case SHOUTERR_NOLOGIN:
        return kCastErrDenied;
    case SHOUTERR_NOCONNECT:
    case SHOUTERR_SOCKET:
        return kCastErrConnect;
    default:
        return kCastErrSettings;
    }
}

} // namespace

namespace {

// A socket connected to host:port within the time left, or -1.
int connectWithin(const CastTarget& t, int timeoutMs) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_family = AF_UNSPEC;
    addrinfo* res = nullptr;
    const QByteArray host = t.host.toUtf8(), port = QByteArray::number(t.port);
    if (::getaddrinfo(host.constData(), port.constData(), &hints, &res) != 0) return -1;
    int fd = -1;
    for (addrinfo* a = res; a && fd < 0; a = a->ai_next) {
        fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) continue;
        if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0) break;
        if (errno == EINPROGRESS) {
            pollfd p{fd, POLLOUT, 0};
            int err = 0;
            socklen_t len = sizeof err;
            if (::poll(&p, 1, timeoutMs) == 1 &&
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0)
                break;
        }
        ::close(fd);
        fd = -1;
    }
    ::freeaddrinfo(res);
    return fd;
}

// From here on sends block, but a server that takes nothing for 10 s counts as gone, so that
// the link is reported dead and reconnected rather than stalled for ever.
void makeBlockingWithTimeout(int fd, int timeoutMs) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    const timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

// --- finding libshout's socket ---
//
// libshout 2.4 does not show its socket. In its blocking mode a send to a server or network that
// stops taking data without closing blocks until TCP gives up (up to a quarter of an hour): the
// stream drops audio all that time and is never reconnected, and a send timeout on the socket
// does not help, since libshout takes the timeout for "busy" and tries again at once. So
// libshout runs in its non-blocking mode, where it queues what the socket does not take, and the
// waiting is ours: the socket is found and polled with a limit, like our own source connections.
//
// The socket is found by comparing the process's open sockets before and during shout_open():
// the new one (by descriptor and inode, so that a reused descriptor number is not mistaken for
// an old one) connected to the server's port. libshout may first probe the server on a
// connection of its own and then connect again, so it is looked for after every step. Another
// thread may open a socket to the same port meanwhile (a title request of a link being ended):
// when more than one matches, the connection is given up rather than run without the limit, and
// the next attempt is made as after any failed connection.

using SocketIds = std::set<std::pair<int, ino_t>>;

SocketIds openSockets() {
    SocketIds ids;
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir) return ids;
    while (dirent* e = ::readdir(dir)) {
        char* end = nullptr;
        const long fd = std::strtol(e->d_name, &end, 10);
        if (end == e->d_name || *end != '\0' || fd == ::dirfd(dir)) continue;
        struct stat st {};
        if (::fstat(int(fd), &st) == 0 && S_ISSOCK(st.st_mode)) ids.emplace(int(fd), st.st_ino);
    }
    ::closedir(dir);
    return ids;
}

int peerPort(int fd) {
    sockaddr_storage a{};
    socklen_t len = sizeof a;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) return -1;
    if (a.ss_family == AF_INET) return ntohs(reinterpret_cast<sockaddr_in*>(&a)->sin_port);
    if (a.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6*>(&a)->sin6_port);
    return -1;
}

// The one socket new since `before` that is connected to port, or -1.
int newServerSocket(const SocketIds& before, int port) {
    int found = -1;
    for (const auto& id : openSockets()) {
        if (before.count(id) || peerPort(id.first) != port) continue;
        if (found >= 0) return -1; // ambiguous
        found = id.first;
    }
    return found;
}

// Sends all of data on a non-blocking socket within timeoutMs per step.
bool sendAll(int fd, const QByteArray& data, int timeoutMs) {
    qsizetype sent = 0;
    while (sent < data.size()) {
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, timeoutMs) != 1) return false;
        const ssize_t n =
            ::send(fd, data.constData() + sent, std::size_t(data.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return false;
        sent += n;
    }
    return true;
}

// Reads from a non-blocking socket until done() holds for what has arrived, maxBytes have
// arrived, the peer closes (*closed is set) or nothing comes for timeoutMs.
QByteArray receiveUntil(int fd, const std::function<bool(const QByteArray&)>& done,
                        qsizetype maxBytes, int timeoutMs, bool* closed) {
    QByteArray got;
    *closed = false;
    char buf[4096];
    while (!done(got) && got.size() < maxBytes) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) != 1) break;
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) {
            *closed = true;
            break;
        }
        got.append(buf, n);
    }
    return got;
}

// A setting as the text of one header line: a line break in it would start a header of its own.
QByteArray headerText(const QString& v) {
    return v.toUtf8().replace('\r', ' ').replace('\n', ' ');
}

} // namespace

CastClient::CastClient(CastSettings settings) : s_(std::move(settings)) {}

CastClient::~CastClient() {
    if (icyFd_ >= 0) ::close(icyFd_);
    if (shout_) {
        shout_close(sh(shout_));
        shout_free(sh(shout_));
    }
    s_.password.fill('\0');
}

int CastClient::openIcy(const CastTarget& t) {
    CastTarget source = t;
    if (++source.port > 65535) return kCastErrSettings;
    const int fd = connectWithin(source, 5000);
    if (fd < 0) return kCastErrConnect;
    QByteArray hello = s_.password + "\r\n";
    const QByteArray headers =
        "content-type:" + s_.mimeType + "\r\nicy-name:" + headerText(s_.name) +
        "\r\nicy-genre:" + headerText(s_.genre) + "\r\nicy-url:" + headerText(s_.url) +
        "\r\nicy-pub:" + (s_.isPublic ? "1" : "0") +
        "\r\nicy-br:" + QByteArray::number(s_.bitrateKbps) + "\r\n\r\n";
    int result = kCastErrTimeout;
    if (sendAll(fd, hello, 5000)) {
        // The server answers the password line with "OK2" (and capabilities) or an error.
        bool closed = false;
        const QByteArray answer = receiveUntil(
            fd, [](const QByteArray& a) { return a.contains('\n'); }, 4096, 5000, &closed);
        if (closed) result = kCastErrDenied; // closed on a wrong password
        if (answer.startsWith("OK"))
            result = sendAll(fd, headers, 5000) ? 0 : kCastErrConnect;
        else if (answer.contains("\n"))
            result = kCastErrDenied;
    }
    hello.fill('\0');
    if (result != 0) {
        ::close(fd);
        return result;
    }
    makeBlockingWithTimeout(fd, s_.stallTimeoutMs);
    icyFd_ = fd;
    return 0;
}

int CastClient::openHttpAac(const CastTarget& t) {
    const int fd = connectWithin(t, 5000);
    if (fd < 0) return kCastErrConnect;
    QByteArray request =
        "SOURCE " + QUrl::toPercentEncoding(t.mount, "/") + " HTTP/1.0\r\nAuthorization: Basic " +
        ("source:" + s_.password).toBase64() +
        "\r\nUser-Agent: Wavecrest\r\nContent-Type: " + s_.mimeType +
        "\r\nice-name: " + headerText(s_.name) + "\r\nice-url: " + headerText(s_.url) +
        "\r\nice-genre: " + headerText(s_.genre) +
        "\r\nice-description: " + headerText(s_.description) +
        "\r\nice-public: " + (s_.isPublic ? "1" : "0") +
        "\r\nice-audio-info: bitrate=" + QByteArray::number(s_.bitrateKbps) +
        ";samplerate=44100;channels=2\r\n\r\n";
    int result = kCastErrTimeout;
    if (sendAll(fd, request, 5000)) {
        bool closed = false;
        const QByteArray answer = receiveUntil(
            fd, [](const QByteArray& a) { return a.contains("\r\n\r\n"); }, 16384, 5000, &closed);
        const HttpReply r = parseHttpReply(answer);
        if (!r.complete)
            result = answer.isEmpty() ? kCastErrTimeout : kCastErrConnect;
        else if (r.status == 200)
            result = 0;
        else if (r.status == 401 || r.status == 403)
            result = kCastErrDenied;
        else
            result = kCastErrSettings;
    }
    request.fill('\0'); // it held the password
    if (result != 0) {
        ::close(fd);
        return result;
    }
    makeBlockingWithTimeout(fd, s_.stallTimeoutMs);
    icyFd_ = fd;
    return 0;
}

int CastClient::open() {
    std::call_once(g_shoutInit, [] { shout_init(); });
    CastTarget t;
    if (!parseCastServer(s_.server, t)) return kCastErrSettings;
    if (t.icy()) return openIcy(t);
    // libshout knows no AAC content type: the source request is our own, so that the server
    // and its listeners are told "audio/aacp".
    if (s_.mimeType == "audio/aacp") return openHttpAac(t);
    shout_t* s = shout_new();
    if (!s) return kCastErrSettings;
    shout_ = s;
    const QByteArray host = t.host.toUtf8(), mount = t.mount.toUtf8();
    const QByteArray name = s_.name.toUtf8(), url = s_.url.toUtf8(), genre = s_.genre.toUtf8(),
                     description = s_.description.toUtf8(),
                     bitrate = QByteArray::number(s_.bitrateKbps);
    // A single-stream server takes its source on the port after the listeners' one; libshout
    // adds the one itself for the ICY protocol.
    const int port = t.port;
    bool ok = shout_set_host(s, host.constData()) == SHOUTERR_SUCCESS &&
              shout_set_port(s, static_cast<unsigned short>(port)) == SHOUTERR_SUCCESS &&
              shout_set_password(s, s_.password.constData()) == SHOUTERR_SUCCESS &&
              shout_set_user(s, "source") == SHOUTERR_SUCCESS &&
              shout_set_agent(s, "Wavecrest") == SHOUTERR_SUCCESS;
    // Without TLS libshout does not probe the server first; the probe breaks ICY sources,
    // which take the first line as the password.
    ok = ok && shout_set_tls(s, SHOUT_TLS_DISABLED) == SHOUTERR_SUCCESS;
    if (t.icy()) {
        ok = ok && shout_set_protocol(s, SHOUT_PROTOCOL_ICY) == SHOUTERR_SUCCESS;
    } else {
        ok = ok && shout_set_protocol(s, SHOUT_PROTOCOL_HTTP) == SHOUTERR_SUCCESS &&
             shout_set_mount(s, mount.constData()) == SHOUTERR_SUCCESS;
    }
    // Ogg audio that may carry further streams is announced as "application/ogg" by libshout.
    const bool ogg = s_.mimeType == "application/ogg";
    const unsigned format = ogg ? SHOUT_FORMAT_OGG : SHOUT_FORMAT_MP3;
    const unsigned usage = ogg ? SHOUT_USAGE_AUDIO | SHOUT_USAGE_UNKNOWN : SHOUT_USAGE_AUDIO;
    ok = ok && shout_set_content_format(s, format, usage, nullptr) == SHOUTERR_SUCCESS;
    ok = ok && shout_set_public(s, s_.isPublic ? 1 : 0) == SHOUTERR_SUCCESS;
    if (!name.isEmpty()) ok = ok && shout_set_meta(s, SHOUT_META_NAME, name.constData()) == 0;
    if (!url.isEmpty()) ok = ok && shout_set_meta(s, SHOUT_META_URL, url.constData()) == 0;
    if (!genre.isEmpty()) ok = ok && shout_set_meta(s, SHOUT_META_GENRE, genre.constData()) == 0;
    if (!description.isEmpty())
        ok = ok && shout_set_meta(s, SHOUT_META_DESCRIPTION, description.constData()) == 0;
    ok = ok && shout_set_audio_info(s, SHOUT_AI_BITRATE, bitrate.constData()) == 0 &&
         shout_set_audio_info(s, SHOUT_AI_SAMPLERATE, "44100") == 0 &&
         shout_set_audio_info(s, SHOUT_AI_CHANNELS, "2") == 0;
    ok = ok && shout_set_nonblocking(s, 1) == SHOUTERR_SUCCESS;
    if (!ok) return kCastErrSettings;
    const SocketIds before = openSockets();
    int rc = shout_open(s);
    // Connecting, the login and the server's answer proceed one step per call; between steps the
    // socket is polled for the answer, 20 ms at a time, for at most the connection time limit.
    for (int waited = 0; rc == SHOUTERR_BUSY && waited < kConnectTimeoutMs; waited += 20) {
        shoutFd_ = newServerSocket(before, port);
        if (shoutFd_ >= 0) {
            pollfd p{shoutFd_, POLLIN, 0};
            ::poll(&p, 1, 20);
        } else {
            ::poll(nullptr, 0, 20);
        }
        rc = shout_get_connected(s);
        if (rc == SHOUTERR_CONNECTED) rc = SHOUTERR_SUCCESS;
    }
    if (rc == SHOUTERR_BUSY) {
        shout_close(s);
        return kCastErrTimeout;
    }
    if (rc != SHOUTERR_SUCCESS) return castError(rc);
    shoutFd_ = newServerSocket(before, port);
    if (shoutFd_ < 0) {
        shout_close(s);
        return kCastErrConnect;
    }
    // A small send buffer: a stalled server is noticed after seconds of audio, not megabytes.
    const int sndbuf = 64 * 1024;
    ::setsockopt(shoutFd_, SOL_SOCKET, SO_SNDBUF, &sndbuf, sizeof sndbuf);
    return 0;
}

// Hands libshout's queue to the socket; false when the socket took nothing for the stall limit
// or failed.
bool CastClient::flushShout() {
    shout_t* s = sh(shout_);
    ssize_t queued = shout_queuelen(s);
    while (queued > 0) {
        pollfd p{shoutFd_, POLLOUT, 0};
        const int r = ::poll(&p, 1, s_.stallTimeoutMs);
        if (r < 0 && errno == EINTR) continue;
        if (r != 1 || (p.revents & (POLLERR | POLLHUP | POLLNVAL))) return false;
        const ssize_t rc = shout_send_raw(s, nullptr, 0);
        if (rc < 0 && rc != SHOUTERR_BUSY) return false;
        queued = shout_queuelen(s);
    }
    return queued == 0;
}

bool CastClient::send(const char* data, std::size_t size) {
    if (icyFd_ >= 0) {
        while (size > 0) {
            const ssize_t n = ::send(icyFd_, data, size, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            data += n;
            size -= std::size_t(n);
        }
        return true;
    }
    if (!shout_) return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    // The socket is non-blocking: what it does not take now waits in libshout's queue.
    const int rc = shout_send(sh(shout_), bytes, size);
    if (rc != SHOUTERR_SUCCESS && rc != SHOUTERR_BUSY) return false;
    return flushShout();
}

// --- titles ---------------------------------------------------------------------------------

QByteArray titleRequest(const CastTarget& target, const QByteArray& password,
                        const QString& title) {
    const QByteArray song = QUrl::toPercentEncoding(title);
    QByteArray path, auth;
    if (target.icy()) {
        path = "/admin.cgi?pass=" + QUrl::toPercentEncoding(QString::fromUtf8(password)) +
               "&mode=updinfo&song=" + song;
    } else {
        path = "/admin/metadata?mount=" + QUrl::toPercentEncoding(target.mount, "/") +
               "&mode=updinfo&charset=UTF-8&song=" + song;
        auth = "Authorization: Basic " + ("source:" + password).toBase64() + "\r\n";
    }
    const QByteArray hostHeader =
        (target.host.contains(':') ? "[" + target.host.toUtf8() + "]" : target.host.toUtf8()) +
        ":" + QByteArray::number(target.port);
    // Single-stream servers answer their admin page only to a browser's agent name.
    return "GET " + path + " HTTP/1.0\r\nHost: " + hostHeader +
           "\r\nUser-Agent: Mozilla/5.0 (Wavecrest)\r\n" + auth + "Connection: close\r\n\r\n";
}

HttpReply parseHttpReply(const QByteArray& data) {
    HttpReply r;
    const qsizetype headerEnd = data.indexOf("\r\n\r\n");
    const qsizetype lineEnd = data.indexOf("\r\n");
    if (headerEnd < 0 || lineEnd < 0) return r;
    const QByteArray line = data.left(lineEnd);
    // "HTTP/1.x NNN reason"; single-stream servers may answer "ICY NNN reason".
    if (!line.startsWith("HTTP/") && !line.startsWith("ICY ")) return r;
    const qsizetype sp = line.indexOf(' ');
    if (sp < 0 || line.size() < sp + 4) return r;
    const QByteArray code = line.mid(sp + 1, 3);
    for (char c : code)
        if (c < '0' || c > '9') return r;
    if (line.size() > sp + 4 && line[sp + 4] != ' ') return r;
    r.status = code.toInt();
    r.body = data.mid(headerEnd + 4);
    r.complete = true;
    return r;
}

int sendTitle(const CastTarget& target, const QByteArray& password, const QString& title,
              int timeoutMs) {
    const int fd = connectWithin(target, timeoutMs);
    if (fd < 0) return kCastErrConnect;
    QByteArray request = titleRequest(target, password, title);
    int result = kCastErrTimeout;
    if (sendAll(fd, request, timeoutMs)) {
        // The server closes the connection after its reply.
        bool closed = false;
        const QByteArray reply = receiveUntil(
            fd, [](const QByteArray&) { return false; }, 65536, timeoutMs, &closed);
        const HttpReply r = parseHttpReply(reply);
        if (!r.complete)
            result = closed ? kCastErrConnect : kCastErrTimeout;
        else if (r.status == 401 || r.status == 403)
            result = kCastErrDenied;
        else
            result = r.status >= 200 && r.status < 300 ? 0 : kCastErrSettings;
    }
    ::close(fd);
    request.fill('\0'); // it held the password
    return result;
}

} // namespace wc::audio
