#include "common/oledate.h"
#include "common/simloop.h"

#include <gtest/gtest.h>
#include <vector>

using namespace wc;

TEST(OleDate, KnownDatesAndNegativeFractions) {
    EXPECT_DOUBLE_EQ(toOleDate(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
    EXPECT_DOUBLE_EQ(toOleDate(QDateTime(QDate(1900, 1, 1), QTime(18, 0))), 2.75);
    EXPECT_DOUBLE_EQ(toOleDate(QDateTime(QDate(1899, 12, 29), QTime(6, 0))), -1.25);
    const QDateTime t(QDate(2026, 12, 9), QTime(17, 59, 59, 500));
    EXPECT_EQ(fromOleDate(toOleDate(t)), t);
    EXPECT_EQ(fromOleDate(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
    // Across midnight, and across the 1899 boundary where the fraction counts the other way.
    const double late = toOleDate(QDateTime(QDate(2026, 12, 9), QTime(23, 59, 59)));
    EXPECT_EQ(fromOleDate(oleAddMs(late, 2000)), QDateTime(QDate(2026, 12, 10), QTime(0, 0, 1)));
    EXPECT_DOUBLE_EQ(oleAddMs(0.25, -12 * 3600 * 1000), -1.75);
    EXPECT_EQ(oleMsOfDay(-1.75), 18 * 3600 * 1000);
}

TEST(SimLoopTest, TimersFireInDueThenCreationOrderAndRenderComesFirst) {
    SimLoop loop(45000.0, 10);
    std::vector<QString> log;
    loop.setRenderHook([&](qint64 from, qint64 to) {
        log.push_back(QStringLiteral("render %1-%2").arg(from).arg(to));
    });
    auto a =
        loop.createTimer("a", [&] { log.push_back(QStringLiteral("a@%1").arg(loop.tickMs())); });
    auto b = loop.createTimer("b", [&] {
        log.push_back(QStringLiteral("b@%1").arg(loop.tickMs()));
        loop.post([&] { log.push_back("posted"); });
    });
    b->start(50);
    a->start(25);
    loop.runFor(50);
    const std::vector<QString> expected = {"render 0-10",  "render 10-20", "render 20-25", "a@25",
                                           "render 25-35", "render 35-45", "render 45-50", "a@50",
                                           "b@50",         "posted"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(loop.nowOle(), oleAddMs(45000.0, 50));
}

TEST(SimLoopTest, OneShotsStopsAndDestroyedTimers) {
    SimLoop loop;
    int once = 0, periodic = 0;
    auto t1 = loop.createTimer("once", [&] { ++once; });
    auto t2 = loop.createTimer("periodic", [&] {
        if (++periodic == 3) t1.reset(); // a timer callback may destroy another timer
    });
    t1->startOnce(1000);
    t2->start(100);
    EXPECT_EQ(loop.activeTimers(), (std::vector<QString>{"once", "periodic"}));
    loop.runFor(500);
    EXPECT_EQ(periodic, 5);
    EXPECT_EQ(once, 0);
    t2->stop();
    loop.runFor(1000);
    EXPECT_EQ(periodic, 5);
    EXPECT_TRUE(loop.activeTimers().empty());
    bool reached = loop.runUntil([&] { return loop.tickMs() >= 2000; }, 10000);
    EXPECT_TRUE(reached);
    EXPECT_FALSE(loop.runUntil([] { return false; }, 100));
}

TEST(SimLoopTest, AStallRendersOnAndOverdueTimersFireOnceAfterIt) {
    SimLoop loop(45000.0, 10);
    std::vector<QString> log;
    qint64 rendered = 0;
    loop.setRenderHook([&](qint64 from, qint64 to) { rendered += to - from; });
    auto tick = loop.createTimer(
        "tick", [&] { log.push_back(QStringLiteral("tick@%1").arg(loop.tickMs())); });
    auto stall = loop.createTimer("stall", [&] {
        log.push_back(QStringLiteral("stall@%1").arg(loop.tickMs()));
        loop.stall(175);
    });
    tick->start(50);
    stall->startOnce(60);
    loop.runFor(300);
    // The periodic timer overdue by three intervals fires once at the stall's end and keeps
    // its interval from there.
    const std::vector<QString> expected = {"tick@50", "stall@60", "tick@235", "tick@285"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(rendered, 300);
    EXPECT_EQ(loop.nowOle(), oleAddMs(45000.0, 300));
}
