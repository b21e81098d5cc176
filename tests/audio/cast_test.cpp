// The encoder pipe and the cast client against a real icecast2 on 127.0.0.1: the mixer runs on
// the real-time "No sound" device, a listener decodes the mount, and the server's status shows
// the stream and the title sent through its admin interface.
#include "audio/audiosystem.h"
#include "audio/castclient.h"
#include "fixtures.h"
#include "icecastserver.h"

#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace wc::audio;
using namespace wc::audio::test;

namespace {

class CastTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!IcecastServer::available()) GTEST_SKIP() << "icecast2 is not installed";
        ASSERT_TRUE(server.start()) << server.log().toStdString();
        sys.setManualOutput(false);
        ASSERT_TRUE(sys.initDevice(0));
        mixer = sys.createMixer(StreamOptions{});
        ASSERT_TRUE(sys.play(mixer, true));
        const QString path = dir.filePath("tone.wav");
        ASSERT_TRUE(writeWav(path, sine(30.0, 440.0, 0.5)));
        const Handle h = sys.openFile(path, StreamOptions{true, 0});
        ASSERT_TRUE(sys.mixerAdd(mixer, h, true, false));
    }
    void TearDown() override {
        pipe.stop();
        sys.shutdown();
    }
    int startCast(int format, const QString& mount, const QByteArray& password) {
        const EncoderFormat f = encoderFormat(format, 128, "Cast test", 5);
        CastSettings cs;
        cs.server = server.server(mount);
        cs.password = password;
        cs.mimeType = f.mimeType;
        cs.name = "Test stream";
        cs.genre = "Testing";
        cs.description = "Described";
        cs.url = "http://example.invalid/";
        EncoderPipe::Events ev;
        ev.opened = [this](int e) { opened = e; };
        return pipe.start(mixer, EncoderSpec{findEncoder(f.program, dir.path() + "/"), f.args},
                          std::make_unique<CastClient>(cs), ev);
    }
    void waitOpened() {
        const QDeadlineTimer deadline(10000);
        while (opened.load() == -1 && !deadline.hasExpired())
            std::this_thread::yield();
    }

    IcecastServer server;
    AudioSystem& sys = AudioSystem::instance();
    Handle mixer = 0;
    EncoderPipe pipe;
    std::atomic<int> opened{-1};
    QTemporaryDir dir;
};

struct CastCase {
    int format;
    const char* mount;
    const char* codec;
};

class CastFormats : public CastTest, public ::testing::WithParamInterface<CastCase> {};

TEST_P(CastFormats, ListenerDecodesTheMountAndTheStatusShowsStreamAndTitle) {
    const CastCase c = GetParam();
    ASSERT_EQ(startCast(c.format, c.mount, IcecastServer::kPassword), 0);
    waitOpened();
    ASSERT_EQ(opened.load(), 0) << server.log().toStdString();
    CastTarget t;
    ASSERT_TRUE(parseCastServer(server.server(c.mount), t));
    if (c.format != 1) {
        EXPECT_EQ(sendTitle(t, IcecastServer::kPassword, QString::fromUtf8("Артист – Песня"), 3000),
                  0);
    }
    const ProbeResult probe = probeStream(server.url(c.mount), 2.0);
    EXPECT_EQ(probe.codec, QString::fromLatin1(c.codec));
    EXPECT_GT(probe.seconds, 1.5);
    const QJsonObject src = server.sources()[c.mount].toObject();
    EXPECT_EQ(src["server_name"].toString(), QStringLiteral("Test stream"));
    EXPECT_EQ(src["genre"].toString(), QStringLiteral("Testing"));
    const char* types[] = {"audio/mpeg", "application/ogg", "audio/aacp"};
    EXPECT_EQ(src["server_type"].toString(), QString::fromLatin1(types[c.format]));
    EXPECT_EQ(src["title"].toString(),
              c.format == 1 ? QStringLiteral("Cast test") : QString::fromUtf8("Артист – Песня"));
}

INSTANTIATE_TEST_SUITE_P(Formats, CastFormats,
                         ::testing::Values(CastCase{0, "/live.mp3", "mp3"},
                                           CastCase{1, "/live.ogg", "vorbis"},
                                           CastCase{2, "/live.aac", "aac"}),
                         [](const auto& info) { return std::string(info.param.codec); });

TEST_F(CastTest, IcySourceOnTheSingleStreamPortTakesStreamAndTitle) {
    ASSERT_EQ(startCast(0, QString(), IcecastServer::kPassword), 0);
    waitOpened();
    ASSERT_EQ(opened.load(), 0) << server.log().toStdString();
    CastTarget t;
    ASSERT_TRUE(parseCastServer(server.server(QString()), t));
    EXPECT_EQ(sendTitle(t, IcecastServer::kPassword, QStringLiteral("Icy title"), 3000), 0);
    EXPECT_EQ(probeStream(server.url("/sc"), 1.0).codec, QStringLiteral("mp3"));
    EXPECT_EQ(server.sources()["/sc"].toObject()["title"].toString(), QStringLiteral("Icy title"))
        << server.log().toStdString();
}

TEST_F(CastTest, AWrongPasswordIsRefusedAsDenied) {
    ASSERT_EQ(startCast(0, "/live.mp3", "wrong"), 0);
    waitOpened();
    EXPECT_EQ(opened.load(), int(kCastErrDenied));
    CastTarget t;
    ASSERT_TRUE(parseCastServer(server.server("/live.mp3"), t));
    EXPECT_EQ(sendTitle(t, "wrong", QStringLiteral("x"), 3000), int(kCastErrDenied));
}

// A source server that accepts the login and then takes nothing more, with the connection kept
// open: the network stall that no error ever reports.
class StallingServer {
public:
    StallingServer() {
        listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int small = 4096; // inherited by the accepted connection
        ::setsockopt(listenFd_, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&a), len) != 0 ||
            ::listen(listenFd_, 4) != 0 ||
            ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return;
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { run(); });
    }
    ~StallingServer() {
        done_ = true;
        if (thread_.joinable()) thread_.join();
        if (connFd_ >= 0) ::close(connFd_);
        ::close(listenFd_);
    }
    int port() const { return port_; }
    bool answered() const { return answered_; }

private:
    // The client may first probe the server with a request of its own; every request is
    // answered, and the one that carries the login is the stream that then stalls.
    void run() {
        while (!done_) {
            pollfd p{listenFd_, POLLIN, 0};
            if (::poll(&p, 1, 50) != 1) continue;
            const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            QByteArray request;
            char buf[1024];
            while (!done_ && !request.contains("\r\n\r\n")) {
                pollfd q{fd, POLLIN, 0};
                if (::poll(&q, 1, 50) != 1) continue;
                const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                if (n <= 0) break;
                request.append(buf, n);
            }
            const char ok[] = "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n";
            const bool sent = ::send(fd, ok, sizeof ok - 1, MSG_NOSIGNAL) == ssize_t(sizeof ok - 1);
            if (!request.contains("Authorization:")) {
                ::close(fd);
                continue;
            }
            answered_ = sent;
            // From here on nothing is read: the connection stays open until the test ends.
            connFd_ = fd;
            return;
        }
    }
    int listenFd_ = -1, connFd_ = -1, port_ = 0;
    std::atomic<bool> done_{false}, answered_{false};
    std::thread thread_;
};

// A libshout connection (MP3 or Ogg to a mount) to a server that stops taking data is declared
// gone after the stall limit (1 s here, 10 s in the player), and stopping the pipe afterwards
// does not wait on a send.
TEST(StalledServer, TheLinkIsReportedDeadAndStopsWithoutWaiting) {
    for (const int format : {0, 1}) {
        SCOPED_TRACE(format);
        QTemporaryDir dir;
        AudioSystem& sys = AudioSystem::instance();
        sys.setManualOutput(false);
        ASSERT_TRUE(sys.initDevice(0));
        const Handle mixer = sys.createMixer(StreamOptions{});
        ASSERT_TRUE(sys.play(mixer, true));
        const QString path = dir.filePath("tone.wav");
        // Noise, so that the variable-rate Ogg encoder writes at its full rate as well and the
        // connection's buffers fill within seconds.
        Pcm noise = silence(60.0);
        std::uint32_t r = 12345;
        for (float& x : noise.samples) {
            r = r * 1664525u + 1013904223u;
            x = float(int(r >> 16) - 32768) / 65536.0f;
        }
        ASSERT_TRUE(writeWav(path, noise));
        ASSERT_TRUE(sys.mixerAdd(mixer, sys.openFile(path, StreamOptions{true, 0}), true, false));

        StallingServer server;
        ASSERT_NE(server.port(), 0);
        const EncoderFormat f = encoderFormat(format, 320, "Stall", 3);
        const QString encoder = findEncoder(f.program, dir.path() + "/");
        if (encoder.isEmpty()) GTEST_SKIP() << f.program.toStdString() << " is not installed";
        CastSettings cs;
        cs.server = QStringLiteral("127.0.0.1:%1/stall").arg(server.port());
        cs.password = "pw";
        cs.mimeType = f.mimeType;
        cs.stallTimeoutMs = 1000;
        std::atomic<int> opened{-1}, ended{-1};
        EncoderPipe::Events ev;
        ev.opened = [&](int e) { opened = e; };
        ev.ended = [&](int st) { ended = st; };
        auto pipe = std::make_unique<EncoderPipe>();
        ASSERT_EQ(
            pipe->start(mixer, EncoderSpec{encoder, f.args}, std::make_unique<CastClient>(cs), ev),
            0);
        // Bounded only so that a fault fails the test instead of hanging it.
        const QDeadlineTimer deadline(60000);
        while (ended.load() == -1 && !deadline.hasExpired())
            std::this_thread::yield();
        EXPECT_EQ(opened.load(), 0);
        EXPECT_TRUE(server.answered());
        EXPECT_EQ(ended.load(), 2) << "the sink's failure ends the stream";
        EXPECT_FALSE(pipe->running());
        pipe->stop();
        pipe.reset();
        sys.shutdown();
    }
}

struct ServerCase {
    const char* text;
    bool ok;
    const char* host;
    int port;
    const char* mount;
};

class ServerTexts : public ::testing::TestWithParam<ServerCase> {};

TEST_P(ServerTexts, ParseIntoHostPortAndMount) {
    const ServerCase c = GetParam();
    CastTarget t;
    ASSERT_EQ(parseCastServer(QString::fromUtf8(c.text), t), c.ok) << c.text;
    if (!c.ok) return;
    EXPECT_EQ(t.host, QString::fromUtf8(c.host));
    EXPECT_EQ(t.port, c.port);
    EXPECT_EQ(t.mount, QString::fromUtf8(c.mount));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ServerTexts,
    ::testing::Values(
        ServerCase{"radio.example:8000/live", true, "radio.example", 8000, "/live"},
        ServerCase{"10.0.0.1:8010", true, "10.0.0.1", 8010, ""},
        ServerCase{"host", true, "host", 8000, ""},
        ServerCase{"[::1]:9000/a/b.ogg", true, "::1", 9000, "/a/b.ogg"},
        ServerCase{" host:8000 ", true, "host", 8000, ""}, ServerCase{"host:0", false, "", 0, ""},
        ServerCase{"host:99999", false, "", 0, ""}, ServerCase{"host:80x", false, "", 0, ""},
        ServerCase{":8000/live", false, "", 0, ""}, ServerCase{"host:8000/", false, "", 0, ""},
        ServerCase{"[::1", false, "", 0, ""}));

TEST(TitleRequest, CarriesTheEncodedTitleAndThePasswordOnlyWhereTheServerWantsIt) {
    CastTarget ice{"h", 8000, "/live"}, icy{"h", 8000, ""};
    const QByteArray a = titleRequest(ice, "p&w", QStringLiteral("A & B?"));
    EXPECT_TRUE(a.startsWith("GET /admin/metadata?mount=/live&mode=updinfo&charset=UTF-8&song="
                             "A%20%26%20B%3F HTTP/1.0\r\n"))
        << a.constData();
    EXPECT_TRUE(a.contains("Authorization: Basic " + QByteArray("source:p&w").toBase64()));
    const QByteArray b = titleRequest(icy, "p&w", QStringLiteral("T"));
    EXPECT_TRUE(b.startsWith("GET /admin.cgi?pass=p%26w&mode=updinfo&song=T HTTP/1.0\r\n"))
        << b.constData();
    EXPECT_FALSE(b.contains("Authorization"));
}

struct ReplyCase {
    const char* data;
    bool complete;
    int status;
};

class Replies : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(Replies, StatusLineAndHeaderEnd) {
    const ReplyCase c = GetParam();
    const HttpReply r = parseHttpReply(QByteArray(c.data));
    EXPECT_EQ(r.complete, c.complete) << c.data;
    EXPECT_EQ(r.status, c.status) << c.data;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Replies,
    ::testing::Values(ReplyCase{"HTTP/1.0 200 OK\r\nA: b\r\n\r\nbody", true, 200},
                      ReplyCase{"HTTP/1.1 401 Authentication Required\r\n\r\n", true, 401},
                      ReplyCase{"ICY 200 OK\r\n\r\n", true, 200},
                      ReplyCase{"HTTP/1.0 200 OK\r\n", false, 0},
                      ReplyCase{"HTTP/1.0 2x0 OK\r\n\r\n", false, 0},
                      ReplyCase{"HTTP/1.0 2000\r\n\r\n", false, 0},
                      ReplyCase{"HTTP/1.0\r\n\r\n", false, 0},
                      ReplyCase{"garbage\r\n\r\n", false, 0}, ReplyCase{"", false, 0}));

} // namespace
