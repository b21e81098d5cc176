// The schedule file: the record layout of older installations, damaged and oversized files,
// and the atomic write.
#include "common/log.h"
#include "common/text.h"
#include "player/core/schedule/scheduleevent.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>

namespace wc {
namespace {

// One record laid out by hand at the offsets the original suite writes, independent of the
// writer under test.
struct RawRecord {
    QByteArray b = QByteArray(351, '\0');
    RawRecord() {
        setDouble(0, 46365.75);
        b[271] = 1; // DeletePrevious
        setInt(267, 100);
        setInt(282, 1);
        setInt(286, 1);
        std::memcpy(b.data() + 343, "1111111", 7);
    }
    void setDouble(int at, double d) {
        quint64 bits;
        std::memcpy(&bits, &d, 8);
        qToLittleEndian(bits, b.data() + at);
    }
    void setInt(int at, qint32 v) { qToLittleEndian(v, b.data() + at); }
    void setString(int at, const QByteArray& s, int lengthByte = -1) {
        b[at] = char(quint8(lengthByte >= 0 ? lengthByte : s.size()));
        std::memcpy(b.data() + at + 1, s.constData(), size_t(s.size()));
    }
};

TEST(ScheduleFile, ReadsTheRecordLayoutOfOlderInstallations) {
    RawRecord r;
    r.setDouble(0, 46366.5);
    r.b[8] = 1;  // UseDate
    r.b[9] = 0;  // Immediate
    r.b[10] = 1; // OverAir
    r.setString(11, toCp1251(QString::fromUtf8("C:\\Музыка\\jingle.mp3")));
    r.setInt(267, 35);
    r.b[271] = 0;
    r.b[272] = 1;              // Fired: transient, ignored
    r.setDouble(273, 46366.4); // FiredAt: transient
    r.b[281] = 1;              // RepeatOn
    r.setInt(282, 15);
    r.setInt(286, 4);
    r.setString(290, "00:00:09"); // Countdown: transient
    r.b[341] = 1;                 // Soon: transient
    r.b[342] = 1;                 // ShufflePlaylist
    std::memcpy(r.b.data() + 343, "0111110", 7);
    r.b[350] = 1; // QueueAfterScheduled

    const ScheduleReadResult read = parseScheduleBytes(r.b);
    ASSERT_EQ(read.events.size(), 1u);
    EXPECT_TRUE(read.problems.isEmpty());
    const ScheduleEvent& e = read.events[0];
    EXPECT_DOUBLE_EQ(e.When, 46366.5);
    EXPECT_TRUE(e.UseDate);
    EXPECT_FALSE(e.Immediate);
    EXPECT_TRUE(e.OverAir);
    EXPECT_EQ(e.Target, QString::fromUtf8("C:\\Музыка\\jingle.mp3"));
    EXPECT_EQ(e.DuckLevel, 35);
    EXPECT_FALSE(e.DeletePrevious);
    EXPECT_FALSE(e.Fired);
    EXPECT_EQ(e.FiredAt, 0.0);
    EXPECT_TRUE(e.RepeatOn);
    EXPECT_EQ(e.RepeatMinutes, 15);
    EXPECT_EQ(e.RepeatCount, 4);
    EXPECT_TRUE(e.Countdown.isEmpty());
    EXPECT_FALSE(e.Soon);
    EXPECT_TRUE(e.ShufflePlaylist);
    EXPECT_EQ(QByteArray(e.Days.data(), 7), QByteArray("0111110"));
    EXPECT_TRUE(e.QueueAfterScheduled);

    // Written back: the same bytes, but the transient fields zero and the text in UTF-8.
    const QByteArray written = scheduleRecordBytes(e);
    ASSERT_EQ(written.size(), 351);
    RawRecord expected = r;
    expected.b[272] = 0;
    expected.setDouble(273, 0.0);
    std::memset(expected.b.data() + 290, 0, 52); // Countdown and Soon
    std::memset(expected.b.data() + 11, 0, 256);
    expected.setString(11, QString::fromUtf8("C:\\Музыка\\jingle.mp3").toUtf8());
    EXPECT_EQ(written, expected.b);
}

TEST(ScheduleFile, LongTargetsAreCutOnACharacterBoundary) {
    ScheduleEvent e;
    e.Target = QString(200, QChar(0x0416)); // 400 bytes of UTF-8
    const ScheduleReadResult back = parseScheduleBytes(scheduleRecordBytes(e));
    ASSERT_EQ(back.events.size(), 1u);
    EXPECT_EQ(back.events[0].Target, QString(127, QChar(0x0416)));
}

TEST(ScheduleFile, DamagedDataKeepsTheWholeRecordsAndSaysWhatWasWrong) {
    auto two = [] {
        RawRecord a, b;
        a.setString(11, "/a.mp3");
        b.setString(11, "/b.mp3");
        return a.b + b.b;
    };
    struct Case {
        const char* name;
        QByteArray bytes;
        std::vector<const char*> targets;
        const char* problem; // part of the one reported problem, or null for none
    };
    RawRecord nanDate;
    nanDate.setDouble(0, std::numeric_limits<double>::quiet_NaN());
    RawRecord farDate;
    farDate.setDouble(0, 1e300);
    RawRecord overlongCountdown;
    overlongCountdown.setString(11, "/c.mp3");
    overlongCountdown.setString(290, "x", 200);
    RawRecord badRanges;
    badRanges.setString(11, "/d.mp3");
    badRanges.b[281] = 1;
    badRanges.setInt(282, 0);
    badRanges.setInt(267, 300);
    const Case cases[] = {
        {"empty", QByteArray(), {}, nullptr},
        {"part record only", QByteArray(100, 'x'), {}, "100 bytes after the last whole event"},
        {"trailing part", two() + QByteArray(17, '\1'), {"/a.mp3", "/b.mp3"}, "17 bytes"},
        {"date not a number", nanDate.b + two(), {"/a.mp3", "/b.mp3"}, "event 1: the time"},
        {"date out of range", two() + farDate.b, {"/a.mp3", "/b.mp3"}, "event 3: the time"},
        {"overlong countdown", overlongCountdown.b, {"/c.mp3"}, nullptr},
        {"values out of range", badRanges.b, {"/d.mp3"}, "music level 300 set to 100"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ScheduleReadResult r = parseScheduleBytes(c.bytes);
        ASSERT_EQ(r.events.size(), c.targets.size());
        for (size_t i = 0; i < c.targets.size(); ++i)
            EXPECT_EQ(r.events[i].Target, QLatin1String(c.targets[i]));
        if (c.problem)
            EXPECT_TRUE(r.problems.join(u'|').contains(QLatin1String(c.problem)))
                << r.problems.join(u'|').toStdString();
        else
            EXPECT_TRUE(r.problems.isEmpty()) << r.problems.join(u'|').toStdString();
    }
    const ScheduleEvent fixed = parseScheduleBytes(badRanges.b).events.at(0);
    EXPECT_EQ(fixed.DuckLevel, 100);
    EXPECT_EQ(fixed.RepeatMinutes, 1);
}

TEST(ScheduleFile, AHugeFileReadsItsFirstEventsAndLogsTheRest) {
    QTemporaryDir dir;
    const QString path = dir.filePath("huge.sdl");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    RawRecord r;
    r.setString(11, "/x.mp3");
    QByteArray block;
    for (int i = 0; i < 1000; ++i)
        block += r.b;
    for (int i = 0; i < 11; ++i)
        ASSERT_EQ(f.write(block), block.size());
    // And a sparse tail that makes it far larger than any schedule.
    ASSERT_TRUE(f.resize(qint64(1) << 32));
    f.close();

    QStringList logged;
    const int sink = addLogSink([&](const QString& l) { logged << l; });
    std::vector<ScheduleEvent> events;
    ASSERT_TRUE(loadScheduleFile(path, &events));
    removeLogSink(sink);
    EXPECT_EQ(int(events.size()), kMaxScheduleEvents);
    EXPECT_TRUE(logged.join(u'|').contains(QStringLiteral("only the first 10000")));
    EXPECT_TRUE(logged.join(u'|').contains(QStringLiteral("the rest was not read")));
}

TEST(ScheduleFile, SavesWholeListsAtomically) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Evening.sdl");
    std::vector<ScheduleEvent> list(3);
    list[1].Target = QStringLiteral("/lists/evening.m3u");
    list[1].RepeatOn = true;
    list[1].RepeatMinutes = 30;
    list[1].RepeatCount = 5;
    list[2].Days = {'0', '1', '1', '1', '1', '1', '0'};
    ASSERT_TRUE(saveScheduleFile(path, list));
    EXPECT_EQ(QFileInfo(path).size(), 3 * 351);
    std::vector<ScheduleEvent> back;
    ASSERT_TRUE(loadScheduleFile(path, &back));
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[1].Target, list[1].Target);
    EXPECT_EQ(back[1].RepeatCount, 5);
    EXPECT_EQ(back[2].Days, list[2].Days);

    // A save that cannot be done says so and leaves nothing behind.
    QString error;
    EXPECT_FALSE(saveScheduleFile(dir.filePath("missing/folder/x.sdl"), list, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Evening.sdl")});
}

TEST(ScheduleFile, AMissingFileLeavesTheListAlone) {
    std::vector<ScheduleEvent> events(2);
    EXPECT_FALSE(loadScheduleFile(QStringLiteral("/nonexistent/x.sdl"), &events));
    EXPECT_EQ(events.size(), 2u);
}

} // namespace
} // namespace wc
