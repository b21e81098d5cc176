#pragma once
// Runs the test peer program in the test's runtime folder and reads its report lines.
#include "platform/messagebus.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <csignal>
#include <gtest/gtest.h>

namespace wc::test {

class Peer {
public:
    Peer(const QString& runtimeFolder, const QStringList& args) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("WAVECREST_RUNTIME_DIR"), runtimeFolder);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        proc_.setProcessEnvironment(env);
        proc_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        proc_.start(QStringLiteral(WC_BUS_PEER_EXE), args);
        started_ = proc_.waitForStarted(10000);
        EXPECT_TRUE(started_) << "peer did not start";
    }
    ~Peer() {
        if (proc_.state() != QProcess::NotRunning) {
            proc_.kill();
            proc_.waitForFinished(5000);
        }
    }
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    // The rest of the first report line that starts with prefix + " " (or is exactly prefix),
    // waiting up to 10 s; lines before it are kept in seen(). With serve, this process's
    // endpoints are served meanwhile, as a program's event loop would.
    std::optional<QString> waitFor(const QString& prefix, bool serve = true) {
        for (int i = 0; i < 1000; ++i) {
            while (proc_.canReadLine()) {
                const QString line = QString::fromUtf8(proc_.readLine()).trimmed();
                seen_.push_back(line);
                if (line == prefix) return QString();
                if (line.startsWith(prefix + QLatin1Char(' '))) return line.mid(prefix.size() + 1);
            }
            if (serve) processBusEvents(5);
            if (!proc_.waitForReadyRead(10) && proc_.state() == QProcess::NotRunning &&
                !proc_.canReadLine())
                return std::nullopt;
        }
        return std::nullopt;
    }
    WindowHandle handle() {
        const auto h = waitFor(QStringLiteral("HANDLE"));
        return h ? WindowHandle(h->toInt()) : 0;
    }
    void killHard() {
        ::kill(pid_t(proc_.processId()), SIGKILL);
        proc_.waitForFinished(5000);
    }
    bool finish(int* exitCode) {
        const bool done = proc_.waitForFinished(10000);
        if (exitCode) *exitCode = proc_.exitCode();
        return done;
    }
    qint64 pid() const { return proc_.processId(); }
    const QStringList& seen() const { return seen_; }

private:
    QProcess proc_;
    QStringList seen_;
    bool started_ = false;
};

} // namespace wc::test
