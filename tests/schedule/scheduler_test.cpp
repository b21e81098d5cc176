// When events run: at or after their due moment and never before, late after a stall, not
// at all when far too late or when they fell due while the scheduler was off, never twice;
// the weekday and repeat rules; what an insert does to the on-air list; countdowns, blinking
// and sorting.
#include "player/core/schedule/scheduleprofile.h"
#include "schedulefixture.h"

#include <QDate>

namespace wc::schedule::test {
namespace {

TEST_F(SchedulerTest, WeekdaysFollowTheCalendar) {
    for (int d = -800; d < 800; d += 37) {
        const double ole = 46365.25 + d;
        EXPECT_EQ(oleWeekday(ole), fromOleDate(ole).date().dayOfWeek() % 7) << d;
    }
}

TEST_F(SchedulerTest, AnEventRunsInTheFirstTickAtOrAfterItsMomentNeverBefore) {
    // Offsets from the start in ms, on and between the 50 ms ticks.
    const qint64 offsets[] = {50, 1000, 1001, 1049, 2777, 5000, 59999};
    for (qint64 ms : offsets)
        sched->add(command(QStringLiteral("cmd:%1").arg(ms), oleAt(ms)));
    sched->setEnabled(true);
    loop.runFor(70000);
    ASSERT_EQ(commands.calls.size(), std::size(offsets));
    for (const auto& c : commands.calls) {
        const qint64 due = c.text.mid(4).toLongLong();
        // A moment between two ticks of the 50 ms timer gets a tick of its own.
        EXPECT_EQ(c.atMs, due) << c.text.toStdString();
    }
}

TEST_F(SchedulerTest, AMomentThatPassedDuringAStallRunsLateAndTooLateOnesAreSkipped) {
    sched->add(command(QStringLiteral("cmd:gap"), oleAt(3000)));
    sched->add(command(QStringLiteral("cmd:far"), oleAt(60000)));
    sched->add(command(QStringLiteral("cmd:near"), oleAt(13 * 60000)));
    sched->setEnabled(true);
    // The main thread blocks for 3.2 s around the first moment.
    auto stall = loop.createTimer(QStringLiteral("stall"), [this] { loop.stall(3200); });
    stall->startOnce(1000);
    loop.runFor(5000);
    ASSERT_EQ(commands.count(QStringLiteral("cmd:gap")), 1);
    EXPECT_EQ(commands.calls[0].atMs, 4200); // the first tick after the stall
    EXPECT_TRUE(
        loggedPart(QStringLiteral("\"cmd:gap\" due at 2026-12-09 12:00:03.000 runs 1.200 s late")))
        << logged.join(u'\n').toStdString();

    // The wall clock jumps 15 minutes ahead: "far" is 14 minutes late and is skipped, "near"
    // is 2 minutes late and runs at once.
    wall.offsetMs = 15 * 60000;
    loop.runFor(100);
    EXPECT_EQ(commands.count(QStringLiteral("cmd:far")), 0);
    EXPECT_EQ(commands.count(QStringLiteral("cmd:near")), 1);
    EXPECT_TRUE(loggedPart(QStringLiteral("\"cmd:far\" due at 2026-12-09 12:01:00.000 skipped")));
}

TEST_F(SchedulerTest, NoMomentRunsTwiceWhenTheClockStepsBack) {
    ScheduleEvent daily = command(QStringLiteral("cmd:daily"), oleOfDay(0, 12, 0, 30), false);
    sched->add(daily);
    sched->add(command(QStringLiteral("cmd:dated"), oleAt(40000)));
    ScheduleEvent repeat = command(QStringLiteral("cmd:repeat"), oleAt(10000));
    repeat.RepeatOn = true;
    repeat.RepeatMinutes = 1;
    repeat.RepeatCount = 3; // 12:00:10, 12:01:10, 12:02:10
    sched->add(repeat);
    sched->setEnabled(true);
    loop.runFor(60000);
    EXPECT_EQ(commands.calls.size(), 3u);
    // Back by an hour, then on for two: everything passes again.
    wall.offsetMs = -3600000;
    loop.runFor(2 * 3600000);
    EXPECT_EQ(commands.count(QStringLiteral("cmd:daily")), 1);
    EXPECT_EQ(commands.count(QStringLiteral("cmd:dated")), 1);
    EXPECT_EQ(commands.count(QStringLiteral("cmd:repeat")), 3);
    EXPECT_TRUE(loggedPart(QStringLiteral("the clock went back by")));
}

TEST_F(SchedulerTest, NothingThatFellDueWhileOffRunsLater) {
    sched->add(command(QStringLiteral("cmd:before"), oleAt(1000)));
    loop.runFor(3000);
    sched->setEnabled(true);
    // Loaded while on, with a moment just passed.
    std::vector<ScheduleEvent> list{command(QStringLiteral("cmd:loaded"), oleAt(2500)),
                                    command(QStringLiteral("cmd:before"), oleAt(1000)),
                                    command(QStringLiteral("cmd:after"), oleAt(4000))};
    sched->setEvents(list);
    loop.runFor(5000);
    ASSERT_EQ(commands.calls.size(), 1u);
    EXPECT_EQ(commands.calls[0].text, QStringLiteral("cmd:after"));
    // Off and on again across a moment.
    sched->add(command(QStringLiteral("cmd:gap"), oleAt(9000)));
    sched->setEnabled(false);
    loop.runFor(2000);
    sched->setEnabled(true);
    loop.runFor(2000);
    EXPECT_EQ(commands.count(QStringLiteral("cmd:gap")), 0);
}

TEST_F(SchedulerTest, AWeekdayEventAtTheLastHalfSecondRunsOnWeekdaysOnly) {
    // 23:59:59.5 from Monday to Friday, without a date; and the same with a date on Saturday
    // 2026-12-12, which runs then whatever the days say.
    ScheduleEvent weekdays =
        command(QStringLiteral("cmd:weekday"), oleOfDay(-2, 23, 59, 59.5), false);
    weekdays.Days = {'0', '1', '1', '1', '1', '1', '0'};
    sched->add(weekdays);
    ScheduleEvent dated = weekdays;
    dated.Target = QStringLiteral("cmd:dated");
    dated.UseDate = true;
    dated.When = oleOfDay(3, 23, 59, 59.5);
    sched->add(dated);
    sched->setEnabled(true);
    loop.runUntil(simMsOf(oleOfDay(7, 12, 0, 0))); // Wednesday to the next Wednesday
    QStringList days;
    for (const auto& c : commands.calls) {
        const QDateTime at = fromOleDate(oleAt(c.atMs));
        EXPECT_EQ(at.time(), QTime(23, 59, 59, 500)) << c.text.toStdString();
        days << c.text.mid(4) + u' ' + at.date().toString(QStringLiteral("ddd"));
    }
    EXPECT_EQ(days, QStringList({"weekday Wed", "weekday Thu", "weekday Fri", "dated Sat",
                                 "weekday Mon", "weekday Tue"}));
}

TEST_F(SchedulerTest, RepeatsWithoutADateStopAtMidnight) {
    ScheduleEvent e = command(QStringLiteral("cmd:evening"), oleOfDay(-10, 22, 0, 0), false);
    e.RepeatOn = true;
    e.RepeatMinutes = 30;
    e.RepeatCount = 5;
    sched->add(e);
    sched->setEnabled(true);
    loop.runUntil(simMsOf(oleOfDay(1, 1, 0, 0)));
    QStringList times;
    for (const auto& c : commands.calls)
        times << fromOleDate(oleAt(c.atMs)).toString(QStringLiteral("dd HH:mm:ss.zzz"));
    EXPECT_EQ(times, QStringList({"09 22:00:00.000", "09 22:30:00.000", "09 23:00:00.000",
                                  "09 23:30:00.000"}));
}

TEST_F(SchedulerTest, TwoInsertsDueInOneTickRunInTwoTicks) {
    for (const char* f : {"/music/first.mp3", "/music/second.mp3"}) {
        ScheduleEvent e = command(QLatin1String(f), oleAt(1000));
        e.DeletePrevious = false;
        sched->add(e);
    }
    sched->add(command(QStringLiteral("cmd:after"), oleAt(1000)));
    sched->setEnabled(true);
    loop.runUntil(1000);
    ASSERT_EQ(lists.LVMaster.count(), 1);
    EXPECT_EQ(lists.LVMaster.at(0).FileName(), QStringLiteral("/music/first.mp3"));
    EXPECT_EQ(lists.LVMaster.at(0).ImageIndex, kImageInserted);
    EXPECT_EQ(sched->ScheduleName(), QStringLiteral("first"));
    EXPECT_TRUE(commands.count(QStringLiteral("cmd:after")) == 0);
    loop.runUntil(1050);
    ASSERT_EQ(lists.LVMaster.count(), 2);
    EXPECT_EQ(lists.LVMaster.at(0).FileName(), QStringLiteral("/music/second.mp3"));
    loop.runUntil(1100);
    EXPECT_EQ(commands.count(QStringLiteral("cmd:after")), 1);
    EXPECT_TRUE(loggedPart(QStringLiteral("\"cmd:after\"")) == false); // 100 ms: not reported
}

TEST_F(SchedulerTest, OverlayEventsGoToTheOverlayPlayer) {
    ScheduleEvent e = command(QStringLiteral("/jingles/Station ID.mp3"), oleAt(500));
    e.OverAir = true;
    e.DuckLevel = 30;
    sched->scheduleFadeTimeMs = 1500;
    sched->add(e);
    sched->setEnabled(true);
    loop.runFor(1000);
    ASSERT_EQ(overlay.opened.size(), 1u);
    EXPECT_EQ(overlay.opened[0].file, e.Target);
    EXPECT_EQ(overlay.opened[0].title, QStringLiteral("Schedule: Station ID"));
    EXPECT_EQ(overlay.opened[0].fadeTimeMs, 1500);
    EXPECT_EQ(overlay.opened[0].musicLevel, 30);
    EXPECT_TRUE(overlay.opened[0].volumeSliderHidden);
    EXPECT_EQ(lists.LVMaster.count(), 0);
    // The command interpreter saw the target first.
    EXPECT_EQ(commands.count(e.Target), 1);
}

// Items of the on-air list by their file names, and the one playing marked with "*".
QStringList names(const PlaylistView& v) {
    QStringList out;
    for (int i = 0; i < v.count(); ++i)
        out << QFileInfo(v.at(i).FileName()).completeBaseName() +
                   (i == v.PlayingIndex() ? QStringLiteral("*") : QString());
    return out;
}

TEST_F(SchedulerTest, InsertPlacesFollowTheEventsOptions) {
    struct Case {
        const char* name;
        std::vector<std::pair<const char*, int>> list; // name and image index
        int playing;
        bool deletePrevious, immediate, queue;
        QStringList expected;
    };
    const Case cases[] = {
        {"after the playing item",
         {{"a", 0}, {"b", 0}},
         0,
         false,
         false,
         false,
         {"a*", "new", "b"}},
        {"nothing plays: at the top", {{"a", 0}}, -1, false, false, false, {"new", "a"}},
        {"queued behind the scheduler items after a playing scheduler item",
         {{"a", 0}, {"s1", 25}, {"s2", 24}, {"s3", 24}, {"b", 0}},
         1,
         false,
         false,
         true,
         {"a", "s1*", "s2", "s3", "new", "b"}},
        {"queued while an ordinary item plays: directly after it",
         {{"a", 0}, {"s2", 24}, {"b", 0}},
         0,
         false,
         false,
         true,
         {"a*", "new", "s2", "b"}},
        {"immediate does not queue",
         {{"a", 25}, {"s2", 24}},
         0,
         false,
         true,
         true,
         {"a*", "new", "s2"}},
        {"deleting the previous inserts (not the playing one)",
         {{"s0", 25}, {"a", 0}, {"s1", 24}, {"s2", 25}},
         0,
         true,
         false,
         true,
         {"s0*", "new", "a"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        lists.LVMaster.ClearItems();
        for (const auto& [n, image] : c.list) {
            TVirtualItem it;
            it.Columns[kColFileName] = QStringLiteral("/m/%1.mp3").arg(QLatin1String(n));
            it.ImageIndex = image;
            lists.LVMaster.AppendItem(it);
        }
        lists.LVMaster.SetPlayingIndex(c.playing);
        ScheduleEvent e = command(QStringLiteral("/m/new.mp3"), oleAt(0));
        e.DeletePrevious = c.deletePrevious;
        e.Immediate = c.immediate;
        e.QueueAfterScheduled = c.queue;
        sched->clear();
        sched->add(e);
        sched->setInsertCleanupDone(false);
        EXPECT_EQ(sched->RunScheduleEvent(0), 1);
        EXPECT_EQ(names(lists.LVMaster), c.expected);
    }
}

TEST_F(SchedulerTest, RemovingInsertsHappensOnceAfterEachInsert) {
    for (const char* n : {"a", "s1", "b", "s2"}) {
        TVirtualItem it;
        it.Columns[kColFileName] = QStringLiteral("/m/%1.mp3").arg(QLatin1String(n));
        it.ImageIndex = n[0] == 's' ? kImageInserted : kImagePlain;
        lists.LVMaster.AppendItem(it);
    }
    sched->add(command(QStringLiteral("/m/s3.mp3"), oleAt(0)));
    ScheduleEvent keep = sched->at(0);
    keep.DeletePrevious = false;
    sched->replace(0, keep);
    sched->RunScheduleEvent(0);
    EXPECT_EQ(names(lists.LVMaster), QStringList({"s3", "a", "s1", "b", "s2"}));
    EXPECT_FALSE(sched->InsertCleanupDone());
    EXPECT_EQ(sched->ScheduleName(), QStringLiteral("s3"));
    sched->RemoveScheduledItems();
    EXPECT_EQ(names(lists.LVMaster), QStringList({"a", "b"}));
    EXPECT_TRUE(sched->InsertCleanupDone());
    EXPECT_TRUE(sched->ScheduleName().isEmpty());
    // Done once: items marked afterwards stay until the next insert.
    TVirtualItem late;
    late.Columns[kColFileName] = QStringLiteral("/m/late.mp3");
    late.ImageIndex = kImageInserted;
    lists.LVMaster.AppendItem(late);
    sched->RemoveScheduledItems();
    EXPECT_EQ(lists.LVMaster.count(), 3);
}

TEST_F(SchedulerTest, RowsDueWithinElevenSecondsBlink) {
    struct Case {
        double inSeconds;
        bool useDate;
        const char* countdown;
        bool soon;
    };
    const Case cases[] = {
        {10, true, "00:00:10", true},   {12, true, "00:00:12", false},
        {10, false, "00:00:10", true},  {12, false, "00:00:12", false},
        {-5, false, "23:59:55", false}, // passed today: tomorrow
        {-5, true, "", false},          // a date that has passed
        {3600 * 25, true, "", false},   // more than a day ahead
    };
    for (const Case& c : cases)
        sched->add(command(QStringLiteral("x"), oleAt(qint64(c.inSeconds * 1000)), c.useDate));
    sched->UpdateCountdowns();
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(sched->at(int(i)).Countdown, QLatin1String(cases[i].countdown));
        EXPECT_EQ(sched->at(int(i)).Soon, cases[i].soon);
    }
    // A day that is not allowed today or tomorrow shows nothing.
    ScheduleEvent never = command(QStringLiteral("x"), oleAt(10000), false);
    never.Days = {'1', '1', '1', '0', '0', '1', '1'}; // not Wednesday, not Thursday
    sched->clear();
    sched->add(never);
    sched->UpdateCountdowns();
    EXPECT_TRUE(sched->at(0).Countdown.isEmpty());
}

TEST_F(SchedulerTest, DateAndTimeColumnTexts) {
    ScheduleEvent e = command(QStringLiteral("x"), oleOfDay(3, 22, 30, 15), false);
    EXPECT_EQ(scheduleDateText(e, QStringLiteral("dd.MM.yyyy")), QStringLiteral("-"));
    e.UseDate = true;
    EXPECT_EQ(scheduleDateText(e, QStringLiteral("dd.MM.yyyy")), QStringLiteral("12.12.2026"));
    EXPECT_EQ(scheduleTimeText(e, true), QStringLiteral("22:30:15"));
    EXPECT_EQ(scheduleTimeText(e, false), QStringLiteral("10:30:15 pm"));
    e.When = oleOfDay(0, 0, 5, 9);
    EXPECT_EQ(scheduleTimeText(e, true), QStringLiteral("00:05:09"));
    EXPECT_EQ(scheduleTimeText(e, false), QStringLiteral("12:05:09 am"));
}

TEST_F(SchedulerTest, EachSortReversesTheNextWhicheverColumn) {
    const char* targets[] = {"b", "C", "a"};
    for (int i = 0; i < 3; ++i) {
        ScheduleEvent e = command(QLatin1String(targets[i]), oleAt(0));
        e.DuckLevel = 10 * (i + 1);
        sched->add(e);
    }
    auto order = [this] {
        QString s;
        for (const auto& e : sched->events())
            s += e.Target;
        return s;
    };
    sched->sortByColumn(6);
    EXPECT_EQ(order(), QStringLiteral("abC"));
    sched->sortByColumn(6);
    EXPECT_EQ(order(), QStringLiteral("Cba"));
    sched->sortByColumn(5); // ascending again: 10 (b), 20 (C), 30 (a)
    EXPECT_EQ(order(), QStringLiteral("bCa"));
}

TEST_F(SchedulerTest, TheScheduleTravelsWithTheProfile) {
    const QString home = dir.path() + u'/';
    const QString profile = home + QStringLiteral("Profile/Evening.prf");
    EXPECT_EQ(profileSchedulePath(home, profile),
              home + QStringLiteral("Presets/Schedule/Evening.sdl"));
    sched->add(command(QStringLiteral("cmd:a"), oleAt(1000)));
    sched->add(command(QStringLiteral("cmd:b"), oleAt(2000)));
    // The folder is made on the first save.
    ASSERT_TRUE(saveProfileSchedule(*sched, home, profile));
    EXPECT_TRUE(QFileInfo::exists(home + QStringLiteral("Presets/Schedule/Evening.sdl")));

    sched->clear();
    loadProfileSchedule(*sched, true, home, profile);
    EXPECT_TRUE(sched->enabled());
    ASSERT_EQ(sched->count(), 2);
    EXPECT_EQ(sched->at(1).Target, QStringLiteral("cmd:b"));
    loop.runFor(3000);
    EXPECT_EQ(commands.calls.size(), 2u);

    // A profile with the scheduler off and no schedule file: off, the list left as it was.
    loadProfileSchedule(*sched, false, home, home + QStringLiteral("Profile/Night.prf"));
    EXPECT_FALSE(sched->enabled());
    EXPECT_EQ(sched->count(), 2);
}

} // namespace
} // namespace wc::schedule::test
