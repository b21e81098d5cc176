// The scheduler driving real playout: decks, mixer and controller on the manual device, on
// simulated time. A day of events must each start their file once, within one tick of the
// due moment, and within a stall plus a tick when the main thread stalls; Run Now and the
// queueing rules are checked by what went on air.
#include "../playback/playbackfixture.h"
#include "common/log.h"
#include "common/oledate.h"
#include "player/core/edit/playlisteditor.h"
#include "player/core/messagetable.h"
#include "player/core/playlist/playerplaylists.h"
#include "player/core/schedule/scheduler.h"

#include <QElapsedTimer>
#include <QFile>
#include <map>
#include <random>

namespace wc::schedule::test {
namespace {

struct SchedulerHooks : playback::test::RecordingHooks {
    Scheduler* scheduler = nullptr;
    void RemoveScheduledItems() override {
        if (scheduler) scheduler->RemoveScheduledItems();
    }
};

class SchedulePlayoutTest : public playback::test::PlaybackTest {
protected:
    void SetUp() override {
        PlaybackTest::SetUp();
        editor.setWindowShown(true);
        controller =
            std::make_unique<PlaybackController>(lists.LVMaster, profile, ini, DeckSetup{}, random);
        controller->setHooks(&schedHooks);
        sched = std::make_unique<Scheduler>(lists, editor);
        sched->setController(controller.get());
        schedHooks.scheduler = sched.get();
    }
    void TearDown() override {
        schedHooks.scheduler = nullptr;
        sched.reset();
        PlaybackTest::TearDown();
    }
    static qint64 simMsOf(double ole) { return oleToMs(ole) - oleToMs(46365.5); }
    void addMusic(const QString& path, qint32 image = kImagePlain) {
        TVirtualItem it;
        it.Columns[kColTitle] = QFileInfo(path).completeBaseName();
        it.Columns[kColFileName] = path;
        it.ImageIndex = image;
        lists.LVMaster.AppendItem(it);
    }
    QStringList announcedNames() const {
        QStringList out;
        for (const QString& f : schedHooks.announced)
            out << QFileInfo(f).completeBaseName();
        return out;
    }

    QTemporaryDir files;
    PlayerMessageTable messages;
    PlayerPlaylists lists;
    PlaylistEditor editor{lists, messages, files.path() + u'/'};
    SchedulerHooks schedHooks;
    std::unique_ptr<Scheduler> sched;
};

// Every moment an event falls due in (from, to], counted out day by day and repeat by repeat.
std::vector<qint64> expectedMoments(const ScheduleEvent& e, qint64 fromMs, qint64 toMs) {
    constexpr qint64 day = 86400000;
    std::vector<qint64> out;
    const qint64 when = oleToMs(e.When);
    const int runs = e.RepeatOn ? e.RepeatCount : 1;
    const qint64 step = qint64(e.RepeatMinutes) * 60000;
    auto keep = [&](qint64 t) {
        if (t > fromMs && t <= toMs) out.push_back(t);
    };
    if (e.UseDate) {
        for (int k = 0; k < runs; ++k)
            keep(when + k * step);
        return out;
    }
    for (qint64 d = fromMs / day - 1; d <= toMs / day + 1; ++d) {
        const QDate date = QDate(1899, 12, 30).addDays(d);
        if (e.Days[size_t(date.dayOfWeek() % 7)] == '0') continue;
        for (int k = 0; k < runs; ++k) {
            const qint64 inDay = when % day + k * step;
            if (inDay >= day) break;
            keep(d * day + inDay);
        }
    }
    return out;
}

struct DayRun {
    int events = 0;
    int runs = 0;
    qint64 worstLateMs = 0;
    double wallSeconds = 0;
};

// A thousand events spread over the day from 12:00, each starting its own file (a link to one
// short tone) at once. With stallMs the main thread stalls that long at random moments.
DayRun runADay(SchedulePlayoutTest& t, SimLoop& loop, std::unique_ptr<Scheduler>& sched,
               const QString& tone, const QString& folder, SchedulerHooks& hooks, qint64 stallMs,
               qint64 allowedLateMs) {
    std::mt19937 rng(20261209);
    std::uniform_int_distribution<qint64> anyMs(60000, 86400000 - 60000);
    const qint64 start = oleToMs(46365.5);
    const qint64 end = start + 86400000;
    std::vector<ScheduleEvent> events;
    std::vector<std::vector<qint64>> moments;
    std::vector<qint64> taken;
    auto clashes = [&](const std::vector<qint64>& ms) {
        for (qint64 a : ms)
            for (qint64 b : taken)
                if (std::abs(a - b) < 1500) return true;
        return false;
    };
    while (events.size() < 1000) {
        ScheduleEvent e;
        e.Immediate = true;
        const int kind = int(rng() % 4);
        const qint64 at = start + anyMs(rng);
        e.When = msToOle(at);
        e.UseDate = kind == 0 || (kind == 3 && rng() % 2);
        if (kind == 2)
            for (char& c : e.Days)
                c = rng() % 3 ? '1' : '0';
        if (kind == 3) {
            e.RepeatOn = true;
            e.RepeatMinutes = int(5 + rng() % 120);
            e.RepeatCount = int(2 + rng() % 5);
        }
        std::vector<qint64> m = expectedMoments(e, start, end);
        if (m.empty() || clashes(m)) continue;
        const QString link = QStringLiteral("%1/ev%2.wav").arg(folder).arg(events.size());
        if (!QFile::exists(link)) {
            EXPECT_TRUE(QFile::link(tone, link));
        }
        e.Target = link;
        taken.insert(taken.end(), m.begin(), m.end());
        events.push_back(e);
        moments.push_back(m);
    }
    sched->setEvents(events);
    sched->setEnabled(true);

    // Stalls: one that begins shortly before every 20th moment (so that moment falls into it),
    // and as many more at random moments of the day.
    std::unique_ptr<Timer> staller;
    std::vector<qint64> stallAt;
    if (stallMs > 0) {
        std::vector<qint64> sorted = taken;
        std::sort(sorted.begin(), sorted.end());
        std::uniform_int_distribution<qint64> before(100, stallMs - 100);
        for (size_t k = 0; k < sorted.size(); k += 20) {
            stallAt.push_back(sorted[k] - start - before(rng));
            stallAt.push_back(anyMs(rng));
        }
        std::sort(stallAt.begin(), stallAt.end());
        staller = loop.createTimer(QStringLiteral("stall"), [&] {
            loop.stall(stallMs);
            const auto next = std::upper_bound(stallAt.begin(), stallAt.end(), loop.tickMs());
            if (next != stallAt.end()) staller->startOnce(int(*next - loop.tickMs()));
        });
        staller->startOnce(int(stallAt.front()));
    }
    QElapsedTimer wall;
    wall.start();
    loop.runFor(86400000);
    DayRun r;
    r.wallSeconds = double(wall.elapsed()) / 1000.0;
    r.events = int(events.size());

    std::map<QString, std::vector<qint64>> started;
    for (qsizetype i = 0; i < hooks.announced.size(); ++i)
        started[hooks.announced[i]].push_back(hooks.announcedAt[size_t(i)]);
    for (size_t i = 0; i < events.size(); ++i) {
        const std::vector<qint64>& got = started[events[i].Target];
        const std::vector<qint64>& want = moments[i];
        EXPECT_EQ(got.size(), want.size()) << events[i].Target.toStdString();
        for (size_t k = 0; k < std::min(got.size(), want.size()); ++k) {
            const qint64 late = got[k] - (want[k] - start);
            EXPECT_GE(late, 0) << events[i].Target.toStdString() << " run " << k;
            EXPECT_LE(late, allowedLateMs) << events[i].Target.toStdString() << " run " << k;
            r.worstLateMs = std::max(r.worstLateMs, late);
        }
        r.runs += int(got.size());
    }
    EXPECT_EQ(size_t(hooks.announced.size()), taken.size()); // nothing else started
    (void)t;
    return r;
}

TEST_F(SchedulePlayoutTest, ADayOfEventsEachStartsOnceWithinATickOfItsMoment) {
    sys.setManualTap({}); // a day of audio is not kept
    const QString t = tone(QStringLiteral("tone.wav"), 0.8, 0);
    const DayRun r = runADay(*this, loop, sched, t, dir.path(), schedHooks, 0, 60);
    EXPECT_EQ(r.events, 1000);
    EXPECT_LT(r.worstLateMs, Scheduler::kTickMs);
    std::printf("[ day ] %d events, %d runs, worst lateness %lld ms, %.1f s\n", r.events, r.runs,
                static_cast<long long>(r.worstLateMs), r.wallSeconds);
}

TEST_F(SchedulePlayoutTest, StallsOfTheMainThreadMakeEventsLateButLoseNone) {
    sys.setManualTap({});
    const QString t = tone(QStringLiteral("tone.wav"), 0.8, 0);
    const DayRun r =
        runADay(*this, loop, sched, t, dir.path(), schedHooks, 2000, 2000 + Scheduler::kTickMs);
    EXPECT_GT(r.worstLateMs, 1000); // some moments did fall into stalls
    std::printf("[ day with stalls ] %d runs, worst lateness %lld ms, %.1f s\n", r.runs,
                static_cast<long long>(r.worstLateMs), r.wallSeconds);
}

TEST_F(SchedulePlayoutTest, RunNowInsertsAPlaylistAfterThePlayingItemOrCutsToIt) {
    const QString music = tone(QStringLiteral("music.wav"), 30, 0);
    const QString one = tone(QStringLiteral("one.wav"), 2, 1);
    const QString two = tone(QStringLiteral("two.wav"), 2, 1);
    const QString list = dir.filePath(QStringLiteral("block.m3u"));
    QFile f(list);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("%1\r\n%2\r\n").arg(one, two).toUtf8());
    f.close();
    for (bool immediate : {false, true}) {
        SCOPED_TRACE(immediate);
        controller->aStop();
        lists.LVMaster.ClearItems();
        schedHooks.announced.clear();
        addMusic(music);
        lists.LVMaster.selectOnly(0);
        controller->aPlay();
        loop.runFor(3000);
        ScheduleEvent e;
        e.Target = list;
        e.Immediate = immediate;
        sched->clear();
        sched->add(e);
        EXPECT_EQ(sched->RunScheduleEvent(0), 1);
        loop.runFor(1000);
        QStringList items;
        for (int i = 0; i < lists.LVMaster.count(); ++i)
            items << QFileInfo(lists.LVMaster.at(i).FileName()).completeBaseName();
        EXPECT_EQ(items, QStringList({"music", "one", "two"}));
        EXPECT_EQ(lists.LVMaster.at(1).ImageIndex,
                  immediate ? kImageInsertedPlayed : kImageInserted);
        EXPECT_EQ(lists.LVMaster.at(2).ImageIndex, kImageInserted);
        EXPECT_EQ(announcedNames(),
                  immediate ? QStringList({"music", "one"}) : QStringList({"music"}));
        EXPECT_EQ(lists.LVMaster.PlayingIndex(), immediate ? 1 : 0);
        EXPECT_EQ(sched->ScheduleName(), QStringLiteral("block"));
    }
}

TEST_F(SchedulePlayoutTest, QueuedInsertsGoBehindTheSchedulerItemsThatFollowAPlayingOne) {
    const QString music = tone(QStringLiteral("music.wav"), 20, 0);
    const QString s1 = tone(QStringLiteral("s1.wav"), 3, 1);
    const QString s2 = tone(QStringLiteral("s2.wav"), 1, 1);
    const QString s3 = tone(QStringLiteral("s3.wav"), 1, 1);
    const QString q = tone(QStringLiteral("queued.wav"), 1, 1);
    const QString after = tone(QStringLiteral("after.wav"), 1, 0);
    addMusic(music);
    addMusic(after);
    lists.LVMaster.selectOnly(0);
    controller->aPlay();
    loop.runFor(1000);
    auto event = [&](const QString& target, bool immediate, bool deletePrevious, bool queue) {
        ScheduleEvent e;
        e.Target = target;
        e.Immediate = immediate;
        e.DeletePrevious = deletePrevious;
        e.QueueAfterScheduled = queue;
        sched->add(e);
        EXPECT_EQ(sched->RunScheduleEvent(sched->count() - 1), 1);
    };
    // s1 cuts in; s3 and then s2 are put after it (each directly after the playing item).
    event(s1, true, false, false);
    event(s3, false, false, false);
    event(s2, false, false, false);
    loop.runFor(500);
    // While the scheduler item s1 plays, a queued insert goes behind s2 and s3.
    event(q, false, false, true);
    loop.runFor(10000);
    EXPECT_EQ(announcedNames(), QStringList({"music", "s1", "s2", "s3", "queued", "after"}));

    // While an ordinary item plays, the walk stops at once: directly after it.
    controller->aStop();
    lists.LVMaster.ClearItems();
    schedHooks.announced.clear();
    addMusic(music);
    addMusic(s2, kImageInserted);
    addMusic(after);
    lists.LVMaster.selectOnly(0);
    controller->aPlay();
    loop.runFor(500);
    event(q, false, false, true);
    QStringList items;
    for (int i = 0; i < lists.LVMaster.count(); ++i)
        items << QFileInfo(lists.LVMaster.at(i).FileName()).completeBaseName();
    EXPECT_EQ(items, QStringList({"music", "queued", "s2", "after"}));
}

} // namespace
} // namespace wc::schedule::test
