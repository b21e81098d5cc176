// The broadcast logic on simulated time with a fake link: connection, titles, and the
// reconnection after the encoder or the server died, with its log lines.
#include "common/settings.h"
#include "common/simloop.h"
#include "player/core/broadcast/broadcast.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace wc;

namespace {

struct FakeLink : BroadcastLink {
    int startError = 0;
    int starts = 0, stops = 0;
    std::vector<qint64> startedAt;
    QStringList titles;
    QString startTitle;
    Events ev;
    SimLoop* loop = nullptr;
    int start(const TPlayerIni&, const QString& title, Events events) override {
        ++starts;
        startedAt.push_back(loop->tickMs());
        startTitle = title;
        ev = std::move(events);
        return startError;
    }
    void stop() override { ++stops; }
    void setTitle(const QString& title) override { titles << title; }
    // Reports arrive as posted events, as the real link's threads post them.
    void open(int error) {
        loop->post([e = ev, error] { e.opened(error); });
        loop->drainPosted();
    }
    void die(int status) {
        loop->post([e = ev, status] { e.died(status); });
        loop->drainPosted();
    }
};

class BroadcastTest : public ::testing::Test {
protected:
    void SetUp() override {
        setClock(&loop);
        setTimerHost(&loop);
        link.loop = &loop;
        ini.sPassword = QStringLiteral("Secret-Pw");
        b = std::make_unique<Broadcast>(ini, link, [this](const QString& l) { log << l; });
    }
    void TearDown() override {
        b.reset();
        setClock(nullptr);
        setTimerHost(nullptr);
    }
    SimLoop loop;
    TPlayerIni ini;
    FakeLink link;
    QStringList log;
    std::unique_ptr<Broadcast> b;
};

TEST_F(BroadcastTest, ConnectsAndSendsTheCurrentTitleThenEveryNewOne) {
    b->SetBroadcastTitle("Before the start");
    b->StartBroadcast();
    EXPECT_EQ(b->state(), Broadcast::State::Connecting);
    EXPECT_EQ(link.startTitle, QStringLiteral("Before the start"));
    link.open(0);
    EXPECT_EQ(b->state(), Broadcast::State::OnAir);
    EXPECT_EQ(log, QStringList{"{Broadcast}: Connected to server!"});
    EXPECT_EQ(link.titles, QStringList{"Before the start"});
    b->SetBroadcastTitle("Next item");
    ini.iTitleType = 1;
    ini.sTitleText = "Station name";
    b->SetBroadcastTitle("Ignored item title");
    EXPECT_EQ(link.titles, (QStringList{"Before the start", "Next item", "Station name"}));
}

TEST_F(BroadcastTest, WithoutAutoReconnectEachDeathIsLoggedAndNothingRestarts) {
    struct Case {
        int status;
        const char* line;
    };
    for (const Case c : {Case{1, "{Broadcast}: The encoder died!"},
                         Case{2, "{Broadcast}: The server connection died!"},
                         Case{0, "{Broadcast}: The server connection died!"}}) {
        log.clear();
        b->StartBroadcast();
        link.open(0);
        link.die(c.status);
        EXPECT_EQ(log.value(1), QString::fromUtf8(c.line)) << c.status;
        EXPECT_EQ(b->state(), Broadcast::State::Off);
        const int starts = link.starts;
        loop.runFor(60000);
        EXPECT_EQ(link.starts, starts);
    }
    // Status 3 is no death.
    b->StartBroadcast();
    link.open(0);
    log.clear();
    link.die(3);
    EXPECT_TRUE(log.isEmpty());
    EXPECT_EQ(b->state(), Broadcast::State::OnAir);
}

TEST_F(BroadcastTest, AWrongPasswordIsLoggedWithItsTextAndPlayoutIsNotAsked) {
    b->StartBroadcast();
    link.open(2100);
    EXPECT_EQ(log, (QStringList{"{Broadcast}: Cannot start broadcasting. Error code: 2100 "
                                "(invalid password)",
                                "{Broadcast}: The server connection died!"}));
    EXPECT_FALSE(b->reconnectPending());
    for (const QString& l : log)
        EXPECT_FALSE(l.contains(ini.sPassword));
}

TEST_F(BroadcastTest, AutoReconnectRetriesOnATimerLogsEachChangeOnceAndResendsTheTitle) {
    ini.bAutoReconnect = true;
    b->SetBroadcastTitle("On air now");
    b->StartBroadcast();
    link.open(0);
    log.clear();
    link.titles.clear();
    const qint64 diedAt = loop.tickMs();
    link.die(2);
    EXPECT_EQ(log, QStringList{"{Broadcast}: Connection/encoder died. Restarting..."});
    EXPECT_TRUE(b->reconnectPending());
    // The death returns at once; the new start comes from the timer 5.5 s later.
    loop.runUntil(diedAt + Broadcast::kReconnectMs - 10);
    EXPECT_EQ(link.starts, 1);
    loop.runUntil(diedAt + Broadcast::kReconnectMs);
    ASSERT_EQ(link.starts, 2);
    EXPECT_EQ(link.startedAt.back(), diedAt + Broadcast::kReconnectMs);
    // The server is still down: three refused attempts make one line.
    for (int i = 0; i < 3; ++i) {
        link.open(32);
        loop.runFor(Broadcast::kReconnectMs);
    }
    EXPECT_EQ(link.starts, 5);
    EXPECT_EQ(log, (QStringList{"{Broadcast}: Connection/encoder died. Restarting...",
                                "{Broadcast}: Cannot start broadcasting. Error code: 32 "
                                "(no internet connection could be opened)"}));
    // The server takes the password no more: a new kind of failure is a new line.
    link.open(2100);
    loop.runFor(Broadcast::kReconnectMs);
    EXPECT_EQ(log.size(), 3);
    link.open(0);
    EXPECT_EQ(log.last(), QStringLiteral("{Broadcast}: Connected to server!"));
    EXPECT_EQ(link.titles, QStringList{"On air now"});
    EXPECT_EQ(b->state(), Broadcast::State::OnAir);
    // A second outage is announced again.
    link.die(1);
    EXPECT_EQ(log.last(), QStringLiteral("{Broadcast}: Connection/encoder died. Restarting..."));
}

TEST_F(BroadcastTest, AnEncoderThatCannotStartIsRetriedWithAutoReconnectAndLoggedOnce) {
    ini.bAutoReconnect = true;
    link.startError = 2;
    b->StartBroadcast();
    loop.runFor(4 * Broadcast::kReconnectMs);
    EXPECT_EQ(link.starts, 5);
    EXPECT_EQ(log,
              QStringList{"{Broadcast}: Cannot start encoder for broadcasting. Error code: 2"});
    link.startError = 0;
    loop.runFor(Broadcast::kReconnectMs);
    EXPECT_EQ(link.starts, 6);
    EXPECT_EQ(b->state(), Broadcast::State::Connecting);
    link.open(0);
    EXPECT_EQ(log.last(), QStringLiteral("{Broadcast}: Connected to server!"));
}

TEST_F(BroadcastTest, WithoutAutoReconnectAnEncoderThatCannotStartEndsTheAttempt) {
    link.startError = 5; // no mixer
    b->StartBroadcast();
    loop.runFor(20000);
    EXPECT_EQ(link.starts, 1);
    EXPECT_EQ(log,
              QStringList{"{Broadcast}: Cannot start encoder for broadcasting. Error code: 5"});
    EXPECT_EQ(b->state(), Broadcast::State::Off);
}

TEST_F(BroadcastTest, ARefusedTitleIsLoggedOncePerChangeAndAStallOncePerReport) {
    b->StartBroadcast();
    link.open(0);
    log.clear();
    for (int error : {2100, 2100, 0, 40, 40})
        link.ev.titleSent(error);
    link.ev.stalled();
    EXPECT_EQ(log,
              (QStringList{"{Broadcast}: The server did not take the title. Error code: 2100 "
                           "(invalid password)",
                           "{Broadcast}: The server did not take the title. Error code: 40 "
                           "(connection timed out)",
                           "{Broadcast}: The stream could not keep up; audio was dropped from the "
                           "stream (not from the air)"}));
}

TEST_F(BroadcastTest, ATitleEncoderThatCannotStartIsLoggedAndTheStreamStaysOnAir) {
    b->StartBroadcast();
    link.open(0);
    log.clear();
    link.ev.titleEncoderFailed();
    EXPECT_EQ(log, QStringList{"{Broadcast}: Cannot start encoder for the new title; the stream "
                               "goes on with the previous title"});
    EXPECT_EQ(b->state(), Broadcast::State::OnAir);
}

TEST_F(BroadcastTest, ReportsOfAStoppedLinkAreIgnored) {
    b->StartBroadcast();
    const BroadcastLink::Events old = link.ev;
    b->StopBroadcast();
    old.opened(0);
    old.died(2);
    EXPECT_TRUE(log.isEmpty());
    EXPECT_EQ(b->state(), Broadcast::State::Off);
    b->SetBroadcastTitle("Not sent while off");
    EXPECT_TRUE(link.titles.isEmpty());
}

} // namespace
