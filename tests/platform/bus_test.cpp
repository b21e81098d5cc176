// The message bus across real processes: the test peer is a second program on the same bus.
#include "platform/busframe.h"
#include "platform/messagebus.h"
#include "tests/platform/bus_peer_protocol.h"
#include "tests/platform/peer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace wc {
namespace {

using test::Peer;

class BusTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        folder = tmp.path() + QStringLiteral("/run");
        qputenv("WAVECREST_RUNTIME_DIR", QFile::encodeName(folder));
    }
    void TearDown() override { qunsetenv("WAVECREST_RUNTIME_DIR"); }

    // Serves this process's endpoints until done() holds or about 10 s have passed.
    template <typename F> bool serveUntil(F done) {
        for (int i = 0; i < 1000 && !done(); ++i)
            processBusEvents(10);
        return done();
    }

    QTemporaryDir tmp;
    QString folder;
};

struct Recorder {
    std::vector<std::array<qint64, 3>> got;
    MessageHandler handler() {
        return [this](quint32 m, qint64 w, qint64 l) -> qint64 {
            got.push_back({qint64(m), w, l});
            return m == peer::kAdd ? w + l : 0;
        };
    }
};

// A raw client connection to an endpoint's socket, for feeding it bytes no endpoint would send.
int rawConnect(const QString& folder, WindowHandle h) {
    const QByteArray path = QFile::encodeName(folder + QStringLiteral("/ep-%1.sock").arg(h));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    std::memcpy(sa.sun_path, path.constData(), std::size_t(path.size()));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

TEST_F(BusTest, SendAcrossProcessesGetsTheReply) {
    Peer p(folder, {"serve", "PeerClass", "Peer"});
    const WindowHandle h = p.handle();
    ASSERT_GT(h, 0);
    EXPECT_TRUE(isWindow(h));
    const struct {
        qint64 w, l;
    } cases[] = {{2, 3}, {-5, 5}, {qint64(1) << 40, 7}, {0, -(qint64(1) << 50)}};
    for (const auto& c : cases)
        EXPECT_EQ(sendMessage(h, peer::kAdd, c.w, c.l), std::optional<qint64>(c.w + c.l))
            << c.w << " + " << c.l;
}

TEST_F(BusTest, HandlerMaySendBackWhileTheSenderWaits) {
    Recorder rec;
    Endpoint me("TestClass", "Test", rec.handler());
    Peer p(folder, {"serve", "PeerClass", "Peer"});
    const WindowHandle h = p.handle();
    ASSERT_GT(h, 0);
    // The peer's handler sends kAdd(40, 1) to us before it answers; we serve it inside our wait.
    EXPECT_EQ(sendMessage(h, peer::kRelay, me.handle(), 40), std::optional<qint64>(1041));
    ASSERT_EQ(rec.got.size(), 1u);
    EXPECT_EQ(rec.got[0], (std::array<qint64, 3>{peer::kAdd, 40, 1}));
}

TEST_F(BusTest, TwoProcessesSendingToEachOtherBothGetAnswers) {
    Recorder rec;
    Endpoint me("TestClass", "Test", rec.handler());
    Peer p(folder, {"serve", "PeerClass", "Peer"});
    const WindowHandle h = p.handle();
    ASSERT_GT(h, 0);
    ASSERT_TRUE(postMessage(h, peer::kSendTo, me.handle(), 0));
    // Once the peer says it is sending, its main thread is inside sendMessage to us: it can
    // answer our send only while it waits, and we answer its send only while we wait.
    ASSERT_TRUE(p.waitFor("SENDING", /*serve=*/false));
    EXPECT_EQ(sendMessage(h, peer::kAdd, 2, 3), std::optional<qint64>(5));
    EXPECT_EQ(p.waitFor("RESULT"), std::optional<QString>("15"));
    EXPECT_TRUE(serveUntil([&] { return !rec.got.empty(); }));
    ASSERT_EQ(rec.got.size(), 1u);
    EXPECT_EQ(rec.got[0], (std::array<qint64, 3>{peer::kAdd, 7, 8}));
}

TEST_F(BusTest, PostsThatArriveDuringASendWaitForTheEventLoop) {
    Recorder rec;
    Endpoint me("TestClass", "Test", rec.handler());
    Peer p(folder, {"serve", "PeerClass", "Peer"});
    const WindowHandle h = p.handle();
    ASSERT_GT(h, 0);
    // The peer posts to us, then sends to us, while we wait for its answer: the send is
    // served inside our wait, the post only afterwards.
    EXPECT_EQ(sendMessage(h, peer::kPostThenSend, me.handle(), 0), std::optional<qint64>(4));
    EXPECT_EQ(rec.got, (std::vector<std::array<qint64, 3>>{{peer::kAdd, 2, 2}}));
    EXPECT_TRUE(serveUntil([&] { return rec.got.size() == 2; }));
    EXPECT_EQ(rec.got,
              (std::vector<std::array<qint64, 3>>{{peer::kAdd, 2, 2}, {peer::kAdd, 1, 1}}));
}

TEST_F(BusTest, EventLoopDeliversWithoutBeingAsked) {
    Recorder rec;
    // The endpoint exists before the application object, as in a program that makes its
    // windows' addresses early.
    Endpoint me("TestClass", "Test", rec.handler());
    int argc = 1;
    char name[] = "platform_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    Peer p(folder, {"send", QString::number(me.handle()), QString::number(peer::kAdd), "30", "3"});
    ASSERT_TRUE(postMessage(me.handle(), 0x520, 1, 2));
    QTimer::singleShot(10000, &app, &QCoreApplication::quit);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        if (rec.got.size() == 2) QCoreApplication::quit();
    });
    poll.start(5);
    app.exec();
    // Only the event loop ran: no processBusEvents() here. The two come from different
    // processes, so either may be first.
    std::sort(rec.got.begin(), rec.got.end());
    EXPECT_EQ(rec.got, (std::vector<std::array<qint64, 3>>{{peer::kAdd, 30, 3}, {0x520, 1, 2}}));
    EXPECT_EQ(p.waitFor("RESULT", /*serve=*/false), std::optional<QString>("33"));
}

TEST_F(BusTest, PostedMessagesArriveInOrder) {
    Peer p(folder, {"serve", "PeerClass", "Peer"});
    const WindowHandle h = p.handle();
    ASSERT_GT(h, 0);
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(postMessage(h, 0x500, i, -i));
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(p.waitFor("GOT"),
                  std::optional<QString>(QStringLiteral("1280 %1 %2").arg(i).arg(-i)));
}

TEST_F(BusTest, PostsToThisProcessWaitForTheEventLoop) {
    Recorder rec;
    Endpoint me("TestClass", "Test", rec.handler());
    ASSERT_TRUE(postMessage(me.handle(), 0x500, 1, 2));
    ASSERT_TRUE(postMessage(me.handle(), 0x501, 3, 4));
    EXPECT_TRUE(rec.got.empty()); // posted, not called
    processBusEvents(0);
    const std::vector<std::array<qint64, 3>> expected = {{0x500, 1, 2}, {0x501, 3, 4}};
    EXPECT_EQ(rec.got, expected);
    // A send to our own endpoint is a direct call.
    EXPECT_EQ(sendMessage(me.handle(), peer::kAdd, 20, 22), std::optional<qint64>(42));
}

TEST_F(BusTest, BroadcastReachesEveryEndpointOfEveryProcess) {
    Recorder a, b;
    Endpoint one("TestClass", "One", a.handler());
    Endpoint two("TestClass", "Two", b.handler());
    Peer p(folder, {"serve", "PeerClass", "Peer"});
    ASSERT_GT(p.handle(), 0);
    EXPECT_EQ(broadcastMessage(0x510, 5, 6), 3);
    EXPECT_EQ(p.waitFor("GOT"), std::optional<QString>("1296 5 6"));
    EXPECT_TRUE(serveUntil([&] { return !a.got.empty() && !b.got.empty(); }));
    EXPECT_EQ(a.got, (std::vector<std::array<qint64, 3>>{{0x510, 5, 6}}));
    EXPECT_EQ(b.got, (std::vector<std::array<qint64, 3>>{{0x510, 5, 6}}));
}

TEST_F(BusTest, RegisteredMessagesTravelByName) {
    const QString alpha = "wc.test.alpha", beta = "wc.test.beta", gamma = "wc.test.gamma";
    const quint32 myAlpha = registerMessage(alpha);
    const quint32 myBeta = registerMessage(beta);
    const quint32 myGamma = registerMessage(gamma);
    Peer p(folder, {"serve", "PeerClass", "Peer", gamma + "," + beta + "," + alpha});
    std::map<QString, quint32> theirs;
    for (int i = 0; i < 3; ++i) {
        const auto reg = p.waitFor("REG");
        ASSERT_TRUE(reg);
        theirs[reg->section(' ', 0, 0)] = reg->section(' ', 1, 1).toUInt();
    }
    const WindowHandle h = p.handle();
    ASSERT_GT(h, 0);
    ASSERT_NE(theirs[alpha], myAlpha) << "the two processes should number the names differently";
    // The peer answers 1000 * (its registration position) + wParam.
    const struct {
        quint32 mine;
        QString name;
        qint64 answer;
    } cases[] = {{myGamma, gamma, 1005}, {myBeta, beta, 2005}, {myAlpha, alpha, 3005}};
    for (const auto& c : cases) {
        EXPECT_EQ(sendMessage(h, c.mine, 5, 0), std::optional<qint64>(c.answer))
            << c.name.toStdString();
        EXPECT_EQ(p.waitFor("GOT"),
                  std::optional<QString>(QStringLiteral("%1 5 0").arg(theirs[c.name])));
    }
    // Posted, the name travels too.
    ASSERT_TRUE(postMessage(h, myBeta, 9, 1));
    EXPECT_EQ(p.waitFor("GOT"), std::optional<QString>(QStringLiteral("%1 9 1").arg(theirs[beta])));
}

TEST(RegisterMessage, OneNameOneNumber) {
    const quint32 a = registerMessage("wc.test.Register.One");
    EXPECT_GE(a, 0xC000u);
    EXPECT_LE(a, 0xFFFFu);
    EXPECT_EQ(registerMessage("wc.test.Register.One"), a);
    EXPECT_EQ(registerMessage("WC.TEST.REGISTER.ONE"), a);
    EXPECT_NE(registerMessage("wc.test.Register.Two"), a);
    EXPECT_EQ(registerMessage(""), 0u);
    EXPECT_EQ(registerMessage(QString(256, 'x')), 0u);
    EXPECT_EQ(registerMessage("line\nbreak"), 0u);
}

TEST_F(BusTest, FindWindowAcrossProcesses) {
    Peer p(folder, {"serve", "PeerClass", "Peer Caption"});
    const WindowHandle h = p.handle();
    ASSERT_GT(h, 0);
    const struct {
        const char* cls;
        const char* caption;
        bool found;
    } cases[] = {
        {"PeerClass", "", true},
        {"", "Peer Caption", true},
        {"PeerClass", "Peer Caption", true},
        {"peerclass", "PEER CAPTION", true},
        {"PeerClass", "Other", false},
        {"Other", "", false},
        {"", "Peer", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(findWindow(c.cls, c.caption), c.found ? h : 0) << c.cls << " / " << c.caption;

    const std::vector<WindowInfo> all = listWindows();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].handle, h);
    EXPECT_EQ(all[0].className, "PeerClass");
    EXPECT_EQ(all[0].caption, "Peer Caption");
    EXPECT_EQ(all[0].pid, p.pid());

    // A caption changed by the peer is what others find.
    EXPECT_EQ(sendMessage(h, peer::kSetCaption, 7, 0), std::optional<qint64>(1));
    EXPECT_EQ(findWindow("", "caption-7"), h);
    EXPECT_EQ(findWindow("", "Peer Caption"), 0);

    // And the other way round: the peer finds our endpoint.
    Endpoint me("TestClass", "Test Caption", [](quint32, qint64, qint64) -> qint64 { return 0; });
    Peer finder(folder, {"find", "", "Test Caption"});
    EXPECT_EQ(finder.waitFor("FOUND"), std::optional<QString>(QString::number(me.handle())));
}

TEST_F(BusTest, OldestMatchingWindowIsFoundFirst) {
    auto none = [](quint32, qint64, qint64) -> qint64 { return 0; };
    Endpoint first("Same", "A", none);
    Endpoint second("Same", "B", none);
    EXPECT_EQ(findWindow("Same", ""), first.handle());
    const std::vector<WindowInfo> all = listWindows();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].handle, first.handle());
    EXPECT_EQ(all[1].handle, second.handle());
}

TEST_F(BusTest, HandlesAreDistinctAndGoneAfterTheEndpoint) {
    std::set<WindowHandle> handles;
    WindowHandle last = 0;
    for (int i = 0; i < 20; ++i) {
        Endpoint e("C", "x", [](quint32, qint64, qint64) -> qint64 { return 0; });
        ASSERT_GT(e.handle(), 0);
        handles.insert(e.handle());
        last = e.handle();
        EXPECT_TRUE(isWindow(e.handle()));
    }
    EXPECT_EQ(handles.size(), 20u);
    EXPECT_FALSE(isWindow(last));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/ep-%1.sock").arg(last)));
    EXPECT_EQ(sendMessage(last, peer::kAdd, 1, 1, 1000), std::nullopt);
    EXPECT_FALSE(postMessage(last, peer::kAdd, 1, 1));
    EXPECT_EQ(sendMessage(0, peer::kAdd, 1, 1), std::nullopt);
    EXPECT_TRUE(listWindows().empty());
}

TEST_F(BusTest, SendToAKilledPeerFailsAndTheStaleSocketIsRemoved) {
    Peer p(folder, {"serve", "PeerClass", "Peer"});
    const WindowHandle h = p.handle();
    ASSERT_GT(h, 0);
    p.killHard();
    const QString sock = folder + QStringLiteral("/ep-%1.sock").arg(h);
    ASSERT_TRUE(QFile::exists(sock)) << "a killed peer leaves its socket behind";
    EXPECT_FALSE(isWindow(h));
    EXPECT_EQ(findWindow("PeerClass", ""), 0);
    EXPECT_EQ(sendMessage(h, peer::kAdd, 1, 2, 5000), std::nullopt);
    EXPECT_FALSE(QFile::exists(sock));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/ep-%1.info").arg(h)));
    EXPECT_EQ(broadcastMessage(0x500, 0, 0), 0);
}

TEST_F(BusTest, StaleEndpointsAreSweptWhenAnEndpointIsCreated) {
    WindowHandle h;
    {
        Peer p(folder, {"serve", "PeerClass", "Peer"});
        h = p.handle();
        ASSERT_GT(h, 0);
        p.killHard();
    }
    ASSERT_TRUE(QFile::exists(folder + QStringLiteral("/ep-%1.sock").arg(h)));
    // A new process's first endpoint in this folder clears what dead ones left.
    Peer fresh(folder, {"serve", "PeerClass", "Fresh"});
    ASSERT_GT(fresh.handle(), 0);
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/ep-%1.sock").arg(h)));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/ep-%1.info").arg(h)));
}

TEST_F(BusTest, PeerThatNeverAnswersMakesSendTimeOut) {
    const WindowHandle h = 123456;
    Peer mute(folder, {"mute", QString::number(h)});
    ASSERT_TRUE(mute.waitFor("READY"));
    EXPECT_EQ(sendMessage(h, peer::kAdd, 1, 2, 300), std::nullopt);
    EXPECT_TRUE(mute.waitFor("ACCEPTED"));
    // Posting to it does not wait for an answer.
    EXPECT_TRUE(postMessage(h, peer::kAdd, 1, 2));
}

TEST_F(BusTest, PeersThatDieOrAnswerGarbageGiveNoAnswer) {
    Peer dying(folder, {"serve", "PeerClass", "Dying"});
    const WindowHandle h = dying.handle();
    ASSERT_GT(h, 0);
    EXPECT_EQ(sendMessage(h, peer::kDie, 0, 0, 5000), std::nullopt);
    int code = 0;
    EXPECT_TRUE(dying.finish(&code));
    EXPECT_EQ(code, 9);

    const WindowHandle g = 654321;
    Peer garbage(folder, {"garbage", QString::number(g)});
    ASSERT_TRUE(garbage.waitFor("READY"));
    EXPECT_EQ(sendMessage(g, peer::kAdd, 1, 2, 5000), std::nullopt);
    EXPECT_TRUE(garbage.waitFor("ACCEPTED"));
}

TEST_F(BusTest, SendFromAnotherThreadRunsTheHandlerOnTheMainThread) {
    const std::thread::id mainId = std::this_thread::get_id();
    std::thread::id ranOn;
    Endpoint me("TestClass", "Test", [&](quint32, qint64 w, qint64 l) -> qint64 {
        ranOn = std::this_thread::get_id();
        return w * l;
    });
    std::atomic<bool> done{false};
    std::optional<qint64> answer;
    std::thread worker([&] {
        answer = sendMessage(me.handle(), peer::kAdd, 6, 7, 5000);
        done = true;
    });
    serveUntil([&] { return done.load(); });
    worker.join();
    EXPECT_EQ(answer, std::optional<qint64>(42));
    EXPECT_EQ(ranOn, mainId);
}

TEST_F(BusTest, MalformedInputIsRefusedAndTheEndpointKeepsServing) {
    int calls = 0;
    Endpoint me("TestClass", "Test", [&](quint32, qint64 w, qint64 l) -> qint64 {
        ++calls;
        return w + l;
    });
    bus::Frame good;
    good.kind = bus::FrameKind::Send;
    good.serial = 77;
    good.target = me.handle();
    good.msg = peer::kAdd;
    good.wParam = 30;
    good.lParam = 12;
    const QByteArray valid = bus::encodeFrame(good);
    ASSERT_EQ(valid.size(), qsizetype(bus::kHeaderSize));
    auto patched = [&](int offset, char value) {
        QByteArray b = valid;
        b[offset] = value;
        return b;
    };
    bus::Frame wrongTarget = good;
    wrongTarget.target = me.handle() + 1;
    bus::Frame reply = good;
    reply.kind = bus::FrameKind::Reply;
    reply.msg = 0;
    reply.lParam = 0;
    const struct {
        const char* what;
        QByteArray bytes;
        bool keepOpen;
        bool thenStopWriting = false;
    } cases[] = {
        {"text", QByteArray("GET / HTTP/1.0\r\n\r\n"), false},
        {"bad magic", patched(0, 'X'), false},
        {"unknown kind", patched(4, 9), false},
        {"unknown flag", patched(5, 4), false},
        {"name length without flag", patched(6, 10), false},
        {"name longer than allowed",
         [&] {
             QByteArray b = patched(5, 1);
             b[6] = char(300 & 0xFF);
             b[7] = char(300 >> 8);
             return b + QByteArray(300, 'a');
         }(),
         false},
        {"name that is not text",
         [&] {
             QByteArray b = patched(5, 1);
             b[6] = 2;
             return b + QByteArray("\xff\xfe", 2);
         }(),
         false},
        {"no target", patched(12, 0).replace(13, 3, QByteArray(3, 0)), false},
        {"addressed to another window", bus::encodeFrame(wrongTarget), false},
        {"a reply sent as request", bus::encodeFrame(reply), false},
        {"half a frame, then gone", valid.left(17), false, true},
        {"half a frame, left open", valid.left(23), true},
        {"only the magic, left open", valid.left(4), true},
    };
    std::vector<int> open;
    for (const auto& c : cases) {
        const int fd = rawConnect(folder, me.handle());
        ASSERT_GE(fd, 0) << c.what;
        ASSERT_EQ(::send(fd, c.bytes.constData(), std::size_t(c.bytes.size()), MSG_NOSIGNAL),
                  ssize_t(c.bytes.size()))
            << c.what;
        if (c.thenStopWriting) ::shutdown(fd, SHUT_WR);
        processBusEvents(20);
        if (c.keepOpen) {
            open.push_back(fd);
            continue;
        }
        // Refused frames get no reply: the endpoint closes the connection.
        pollfd pf{fd, POLLIN, 0};
        ASSERT_EQ(::poll(&pf, 1, 5000), 1) << c.what;
        char buf[64];
        EXPECT_LE(::recv(fd, buf, sizeof buf, 0), 0) << c.what;
        ::close(fd);
    }
    EXPECT_EQ(calls, 0);

    // A well-formed request still gets its answer, with the stalled connections still open.
    const int fd = rawConnect(folder, me.handle());
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::send(fd, valid.constData(), std::size_t(valid.size()), MSG_NOSIGNAL),
              ssize_t(valid.size()));
    processBusEvents(1000);
    char buf[bus::kMaxFrameSize];
    pollfd pf{fd, POLLIN, 0};
    ASSERT_EQ(::poll(&pf, 1, 5000), 1);
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    bus::Frame answer;
    ASSERT_EQ(bus::decodeFrame(buf, std::size_t(std::max<ssize_t>(n, 0)), &answer).status,
              bus::DecodeStatus::Ok);
    EXPECT_EQ(answer.kind, bus::FrameKind::Reply);
    EXPECT_EQ(answer.serial, 77u);
    EXPECT_EQ(answer.wParam, 42);
    EXPECT_EQ(calls, 1);
    ::close(fd);
    for (int o : open)
        ::close(o);
}

TEST_F(BusTest, SenderThatLeavesBeforeTheReplyDoesNotKillUs) {
    int calls = 0;
    Endpoint me("TestClass", "Test", [&](quint32, qint64, qint64) -> qint64 { return ++calls; });
    bus::Frame f;
    f.kind = bus::FrameKind::Send;
    f.target = me.handle();
    f.msg = peer::kAdd;
    const QByteArray bytes = bus::encodeFrame(f);
    for (int i = 0; i < 3; ++i) {
        const int fd = rawConnect(folder, me.handle());
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::send(fd, bytes.constData(), std::size_t(bytes.size()), MSG_NOSIGNAL),
                  ssize_t(bytes.size()));
        ::close(fd); // the reply is written to a closed connection (EPIPE, no SIGPIPE death)
        serveUntil([&] { return calls == i + 1; });
    }
    EXPECT_EQ(calls, 3);
}

TEST_F(BusTest, LongFolderPathsStillWork) {
    folder = tmp.path() + QLatin1Char('/') + QString(150, QLatin1Char('d'));
    qputenv("WAVECREST_RUNTIME_DIR", QFile::encodeName(folder));
    Recorder rec;
    Endpoint me("TestClass", "Long", rec.handler());
    ASSERT_GT(me.handle(), 0);
    Peer p(folder, {"send", QString::number(me.handle()), QString::number(peer::kAdd), "4", "5"});
    EXPECT_EQ(p.waitFor("RESULT"), std::optional<QString>("9"));
    EXPECT_EQ(findWindow("", "Long"), me.handle());
}

} // namespace
} // namespace wc
