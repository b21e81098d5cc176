// The day's report: its file names, its lines, the folder made when missing, failures shown in
// the log list, and lines from several threads reaching the file whole and in order.
#include "fakes.h"

#include "common/simloop.h"
#include "player/core/announce/diskwriter.h"
#include "player/core/announce/reportlog.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace wc::announce::test {
namespace {

QStringList fileLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray all = f.readAll();
    EXPECT_TRUE(all.isEmpty() || all.endsWith("\r\n"));
    QStringList lines = QString::fromUtf8(all).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        setTimerHost(&loop);
        report.setListSink([this](const QString& line) { list << line; });
    }
    void TearDown() override { setTimerHost(nullptr); }

    QTemporaryDir dir;
    QString home = dir.path() + u'/';
    SimLoop loop;
    ManualClock clock{QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59, 600))};
    DiskWriter writer{[this](const QString& m, const QString& f) { report.writeFailed(m, f); }};
    ReportLog report{home, clock, writer};
    QStringList list;
};

TEST_F(ReportTest, EventsEitherSideOfMidnightGoToTwoFilesInAFolderMadeForThem) {
    ASSERT_FALSE(QDir(home + "Report").exists());
    EXPECT_EQ(report.ReportFileName(), home + "Report/2026-12-31.txt");
    EXPECT_EQ(report.LogEvent("last of the year"), "23:59:59   last of the year");
    clock.set(QDateTime(QDate(2027, 1, 1), QTime(0, 0, 0, 400)));
    EXPECT_EQ(report.ReportFileName(), home + "Report/2027-01-01.txt");
    report.LogEvent(QString::fromUtf8("первый\r\nгода"));
    writer.flush();
    EXPECT_EQ(fileLines(home + "Report/2026-12-31.txt"),
              QStringList{"23:59:59   last of the year"});
    // One event is one line: its line break became a blank. UTF-8 text.
    EXPECT_EQ(fileLines(home + "Report/2027-01-01.txt"),
              QStringList{QString::fromUtf8("00:00:00   первый года")});
    EXPECT_EQ(list, (QStringList{"23:59:59   last of the year",
                                 QString::fromUtf8("00:00:00   первый года")}));
}

TEST_F(ReportTest, LinesAreAppendedToWhatTheDayHasAlready) {
    QDir().mkpath(home + "Report");
    QFile f(home + "Report/2026-12-31.txt");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("10:00:00   earlier\r\n");
    f.close();
    report.LogEvent("later");
    writer.flush();
    EXPECT_EQ(fileLines(f.fileName()), (QStringList{"10:00:00   earlier", "23:59:59   later"}));
}

TEST_F(ReportTest, AFailedWriteIsShownInTheListAfterItsLine) {
    // A file where the folder should be: the line cannot be written.
    QFile blocker(home + "Report");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    report.LogEvent("lost");
    writer.flush();
    loop.drainPosted();
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0], "23:59:59   lost");
    EXPECT_TRUE(list[1].startsWith("ERROR: ")) << list[1].toStdString();
    EXPECT_TRUE(list[1].endsWith(" (file: " + home + "Report/2026-12-31.txt)"))
        << list[1].toStdString();
}

TEST_F(ReportTest, ADiskThatHangsHoldsNeitherTheCallerNorTheList) {
    // A pipe in the file's place: opening it for writing waits until a reader comes, as a
    // write to a disk that stopped answering would.
    ASSERT_TRUE(QDir().mkpath(home + "Report"));
    const QByteArray path = QFile::encodeName(home + "Report/2026-12-31.txt");
    ASSERT_EQ(::mkfifo(path.constData(), 0600), 0);
    EXPECT_EQ(report.LogEvent("one"), "23:59:59   one");
    EXPECT_EQ(report.LogEvent("two"), "23:59:59   two");
    EXPECT_EQ(list, (QStringList{"23:59:59   one", "23:59:59   two"}));
    EXPECT_GE(writer.pending(), 1);
    // The reader comes: the lines arrive whole and in order.
    const int fd = ::open(path.constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    writer.flush();
    QByteArray got;
    char buf[256];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
        got.append(buf, n);
    ::close(fd);
    EXPECT_EQ(got, "23:59:59   one\r\n23:59:59   two\r\n");
}

// A clock that moves on by a millisecond at every reading, from any thread.
class SteppingClock final : public Clock {
public:
    double nowOle() const override {
        const qint64 ms = ms_.fetch_add(1);
        return oleAddMs(toOleDate(QDateTime(QDate(2026, 12, 10), QTime(12, 0))), ms);
    }
    qint64 tickMs() const override { return ms_.load(); }

private:
    mutable std::atomic<qint64> ms_{0};
};

TEST(ReportThreads, LinesFromSeveralThreadsArriveWholeAndInOrder) {
    QTemporaryDir dir;
    const QString home = dir.path() + u'/';
    SimLoop loop;
    setTimerHost(&loop);
    SteppingClock clock;
    QStringList list;
    {
        DiskWriter writer;
        ReportLog report(home, clock, writer);
        report.setListSink([&](const QString& line) { list << line; });
        constexpr int kThreads = 6, kLines = 400;
        // Long lines, so that a split write would show.
        const QString body(500, u'x');
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&, t] {
                for (int i = 0; i < kLines; ++i)
                    report.LogEvent(QStringLiteral("T%1 L%2 ").arg(t).arg(i) + body);
            });
        for (int i = 0; i < kLines; ++i)
            report.LogEvent(QStringLiteral("M L%1 ").arg(i) + body);
        for (std::thread& th : threads)
            th.join();
        writer.flush();
        loop.drainPosted();

        const QStringList lines = fileLines(ReportFileName(home, clock.nowOle()));
        ASSERT_EQ(lines.size(), (kThreads + 1) * kLines);
        const QRegularExpression re(
            QStringLiteral("^(\\d\\d:\\d\\d:\\d\\d)   (T\\d|M) L(\\d+) x{500}$"));
        std::map<QString, int> lastOf;
        QString lastTime;
        for (const QString& line : lines) {
            const QRegularExpressionMatch m = re.match(line);
            ASSERT_TRUE(m.hasMatch()) << line.left(80).toStdString();
            // Each writer's lines in the order it wrote them, the times never going back.
            const int n = m.captured(3).toInt();
            auto [it, first] = lastOf.try_emplace(m.captured(2), -1);
            EXPECT_EQ(n, it->second + 1) << line.left(40).toStdString();
            it->second = n;
            EXPECT_GE(m.captured(1), lastTime);
            lastTime = m.captured(1);
        }
        EXPECT_EQ(list.size(), lines.size());
    }
    setTimerHost(nullptr);
}

} // namespace
} // namespace wc::announce::test
