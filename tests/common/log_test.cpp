#include "common/log.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>

#include <thread>

// Sinks write to windows and files of the main thread, so a line logged by another thread
// (a decoder, a device callback's helper) must reach them on the main thread.
TEST(Log, LinesFromOtherThreadsReachTheSinksOnTheMainThread) {
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    wc::setLogToStderr(false);
    std::vector<std::pair<QString, QThread*>> got;
    const int id =
        wc::addLogSink([&](const QString& l) { got.emplace_back(l, QThread::currentThread()); });

    wc::logLine(QStringLiteral("main"));
    std::thread worker([] { wc::logLine(QStringLiteral("worker")); });
    worker.join();
    ASSERT_EQ(got.size(), 1u); // the worker's line waits for the main thread
    QCoreApplication::processEvents();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].first, "main");
    EXPECT_EQ(got[1].first, "worker");
    EXPECT_EQ(got[1].second, app.thread());

    wc::removeLogSink(id);
    wc::logLine(QStringLiteral("after"));
    EXPECT_EQ(got.size(), 2u);
    wc::setLogToStderr(true);
}
