#include "player/core/schedule/scheduler.h"

#include "common/clock.h"
#include "common/log.h"
#include "common/oledate.h"
#include "player/core/edit/playlisteditor.h"
#include "player/core/playback/playbackcontroller.h"
#include "player/core/playlist/playerplaylists.h"
#include "player/core/playlist/playlistfiles.h"

#include <QDateTime>
#include <QFileInfo>
#include <algorithm>

namespace wc {

namespace {

constexpr qint64 kDayMs = 86400000;

qint64 floorDiv(qint64 a, qint64 b) {
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

bool isScheduledItem(const TVirtualItem& it) {
    return it.ImageIndex == kImageInserted || it.ImageIndex == kImageInsertedPlayed;
}

QString baseName(const QString& path) {
    return QFileInfo(QString(path).replace(u'\\', u'/')).completeBaseName();
}

QString momentText(qint64 ms) {
    return fromOleDate(msToOle(ms)).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

} // namespace

Scheduler::Scheduler(PlayerPlaylists& lists, PlaylistEditor& editor)
    : lists_(lists), editor_(editor) {
    rasptimer_ = timerHost().createTimer(QStringLiteral("rasptimer"), [this] { tick(); });
    aimTimer_ = timerHost().createTimer(QStringLiteral("rasptimer-aim"), [this] {
        if (enabled_) tick();
    });
}

Scheduler::~Scheduler() = default;

qint64 Scheduler::nowMs() const {
    return oleToMs(nowOle());
}

double Scheduler::nowOle() const {
    return clock_ ? clock_->nowOle() : clock().nowOle();
}

// --- the list -------------------------------------------------------------------------------

void Scheduler::add(const ScheduleEvent& e) {
    events_.push_back(e);
    events_.back().examinedUntilMs = nowMs();
    events_.back().dueFromMs = std::numeric_limits<qint64>::max();
    listChanged();
    hooks_->listReset();
}

void Scheduler::replace(int i, const ScheduleEvent& e) {
    if (i < 0 || i >= count()) return;
    events_[size_t(i)] = e;
    events_[size_t(i)].examinedUntilMs = nowMs();
    events_[size_t(i)].dueFromMs = std::numeric_limits<qint64>::max();
    listChanged();
    hooks_->rowsChanged();
}

void Scheduler::remove(int i) {
    if (i < 0 || i >= count()) return;
    events_.erase(events_.begin() + i);
    listChanged();
    hooks_->listReset();
}

void Scheduler::clear() {
    events_.clear();
    listChanged();
    hooks_->listReset();
}

void Scheduler::setEvents(std::vector<ScheduleEvent> events) {
    events_ = std::move(events);
    const qint64 now = nowMs();
    for (ScheduleEvent& e : events_) {
        e.examinedUntilMs = now;
        e.dueFromMs = std::numeric_limits<qint64>::max();
    }
    listChanged();
    hooks_->listReset();
}

bool Scheduler::load(const QString& path) {
    std::vector<ScheduleEvent> read;
    if (!loadScheduleFile(path, &read)) return false;
    setEvents(std::move(read));
    return true;
}

bool Scheduler::save(const QString& path, QString* error) const {
    return saveScheduleFile(path, events_, error);
}

void Scheduler::sortByColumn(int column) {
    const int dir = sortDirection_;
    auto key = [column](const ScheduleEvent& a, const ScheduleEvent& b) -> int {
        auto cmp = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
        switch (column) {
        case 0:
            return QString::localeAwareCompare(a.Countdown.toLower(), b.Countdown.toLower());
        case 1:
            return cmp(oleDayNumber(a.When), oleDayNumber(b.When));
        case 2:
            // Compared in thousandths of a day.
            return cmp(oleMsOfDay(a.When) * 1000 / kDayMs, oleMsOfDay(b.When) * 1000 / kDayMs);
        case 3:
            return cmp(a.Immediate, b.Immediate);
        case 4:
            return cmp(a.OverAir, b.OverAir);
        case 5:
            return cmp(a.DuckLevel, b.DuckLevel);
        default:
            return a.Target.compare(b.Target, Qt::CaseInsensitive);
        }
    };
    std::stable_sort(events_.begin(), events_.end(),
                     [&](const auto& a, const auto& b) { return key(a, b) * dir < 0; });
    sortDirection_ = -sortDirection_;
    listChanged();
    hooks_->listReset();
}

// --- switching ------------------------------------------------------------------------------

void Scheduler::setEnabled(bool on) {
    if (on && !enabled_) {
        // Nothing that fell due while the scheduler was off runs now.
        const qint64 now = nowMs();
        for (ScheduleEvent& e : events_)
            e.examinedUntilMs = std::max(e.examinedUntilMs, now);
        lastTickMs_ = now;
        nextWakeMs_ = std::numeric_limits<qint64>::min();
        rasptimer_->start(kTickMs);
    } else if (!on && enabled_) {
        rasptimer_->stop();
        aimTimer_->stop();
    }
    const bool changed = enabled_ != on;
    enabled_ = on;
    if (changed) hooks_->enabledChanged(on);
}

// --- running --------------------------------------------------------------------------------

qint64 Scheduler::nextDueAfter(const ScheduleEvent& e, qint64 after) {
    const qint64 when = oleToMs(e.When);
    const qint64 step = e.RepeatOn ? qint64(std::max(e.RepeatMinutes, 1)) * 60000 : 0;
    const qint64 runs = e.RepeatOn ? std::max<qint64>(e.RepeatCount, 1) : 1;
    if (e.UseDate) {
        if (when > after) return when;
        if (step == 0) return -1;
        const qint64 k = (after - when) / step + 1;
        return k < runs ? when + k * step : -1;
    }
    // Without a date: the time of day on every allowed day, the repeats within that day only.
    const qint64 timeOfDay = when - floorDiv(when, kDayMs) * kDayMs;
    const qint64 firstDay = floorDiv(after, kDayMs);
    for (qint64 day = firstDay; day < firstDay + 8; ++day) {
        const qint64 start = day * kDayMs;
        if (!DayAllowed(e.Days, msToOle(start + kDayMs / 2))) continue;
        qint64 k = 0;
        if (start + timeOfDay <= after) {
            if (step == 0) continue;
            k = (after - start - timeOfDay) / step + 1;
        }
        if (k >= runs || timeOfDay + k * step >= kDayMs) continue;
        return start + timeOfDay + k * step;
    }
    return -1;
}

void Scheduler::listChanged() {
    ++generation_;
    nextWakeMs_ = std::numeric_limits<qint64>::min();
}

qint64 Scheduler::dueOf(ScheduleEvent& e) {
    const bool known =
        e.dueFromMs <= e.examinedUntilMs && (e.dueMs == -1 || e.dueMs > e.examinedUntilMs);
    if (!known) {
        e.dueMs = nextDueAfter(e, e.examinedUntilMs);
        e.dueFromMs = e.examinedUntilMs;
    }
    return e.dueMs;
}

void Scheduler::tick() {
    const qint64 now = nowMs();
    if (now < lastTickMs_ - kReportLateMs)
        logLine(QStringLiteral("Scheduler: the clock went back by %1 s; moments already passed "
                               "do not run again")
                    .arg(double(lastTickMs_ - now) / 1000.0, 0, 'f', 1));
    lastTickMs_ = now;
    if (now < nextWakeMs_) {
        aimAt(now);
        return;
    }
    const quint64 generation = generation_;
    qint64 wake = std::numeric_limits<qint64>::max();
    for (size_t i = 0; i < events_.size(); ++i) {
        ScheduleEvent& e = events_[i];
        qint64 due = dueOf(e);
        if (now > e.examinedUntilMs && due >= 0 && due < now - kMaxLateMs) {
            logLine(QStringLiteral("Scheduler: \"%1\" due at %2 skipped: more than %3 minutes late")
                        .arg(e.Target, momentText(due))
                        .arg(kMaxLateMs / 60000));
            e.examinedUntilMs = now - kMaxLateMs - 1;
            due = dueOf(e);
        }
        if (now <= e.examinedUntilMs || due < 0 || due > now) {
            e.examinedUntilMs = std::max(e.examinedUntilMs, now);
            if (due >= 0) wake = std::min(wake, due);
            continue;
        }
        // Later moments of this event that also fell due run in the following ticks.
        e.examinedUntilMs = due;
        if (now - due > kReportLateMs)
            logLine(QStringLiteral("Scheduler: \"%1\" due at %2 runs %3 s late")
                        .arg(e.Target, momentText(due))
                        .arg(double(now - due) / 1000.0, 0, 'f', 3));
        if (onRun) onRun(int(i), due, now);
        const int result = runEvent(e);
        // One insert ends the tick; so does a command that changed the list. The next tick
        // looks at every event again.
        if (result == 1 || generation != generation_) {
            nextWakeMs_ = std::numeric_limits<qint64>::min();
            return;
        }
        if (const qint64 next = dueOf(e); next >= 0) wake = std::min(wake, next);
    }
    bool changed = false;
    for (ScheduleEvent& e : events_) {
        if (!e.Fired) continue;
        const qint64 firedAt = oleToMs(e.FiredAt);
        if (std::abs(now - firedAt) > kFiredShownMs) {
            e.Fired = false;
            changed = true;
        } else {
            wake = std::min(wake, firedAt + kFiredShownMs + 1);
        }
    }
    nextWakeMs_ = wake;
    aimAt(now);
    if (changed) hooks_->rowsChanged();
}

void Scheduler::aimAt(qint64 now) {
    // A moment due before the next regular tick gets a tick of its own at that moment, so
    // runs are not up to a tick late.
    const qint64 wait = nextWakeMs_ - now;
    if (wait > 0 && wait < kTickMs && !aimTimer_->isActive()) aimTimer_->startOnce(int(wait));
}

int Scheduler::RunScheduleEvent(int i) {
    if (i < 0 || i >= count()) return 0;
    if (onRun) onRun(i, -1, nowMs());
    nextWakeMs_ = std::numeric_limits<qint64>::min();
    return runEvent(events_[size_t(i)]);
}

int Scheduler::runEvent(ScheduleEvent& e) {
    e.Fired = true;
    e.FiredAt = nowOle();
    e.Soon = false;
    // A copy: a command may replace the list under us.
    const ScheduleEvent ev = e;
    hooks_->rowsChanged();
    if (commands_ && commands_->RunCommand(ev.Target, &ev)) return 0;
    if (ev.OverAir) {
        OverlayRequest r;
        r.file = ev.Target;
        r.title = QStringLiteral("Schedule: ") + baseName(ev.Target);
        r.fadeTimeMs = scheduleFadeTimeMs;
        r.musicLevel = ev.DuckLevel;
        if (overlay_)
            overlay_->OpenJingleWindow(r);
        else
            logLine(QStringLiteral("Scheduler: no overlay player for \"%1\"").arg(ev.Target));
        return 0;
    }
    return insertIntoMaster(ev);
}

int Scheduler::insertIntoMaster(const ScheduleEvent& ev) {
    PlaylistView& m = lists_.LVMaster;
    if (ev.DeletePrevious) RemoveScheduledItems();
    setInsertCleanupDone(false);
    int base = m.PlayingIndex();
    int offset = 1;
    if (base < 0) {
        base = 0;
        offset = 0;
    }
    if (!ev.DeletePrevious && !ev.Immediate && ev.QueueAfterScheduled) {
        while (base < m.count() && isScheduledItem(m.at(base))) {
            ++base;
            offset = 0;
        }
    }
    const bool deckPlaying = controller_ && controller_->DeckA().state == audio::DeckPlay;
    const bool startNow = ev.Immediate || m.count() == 0 || !deckPlaying;
    const int at = std::min(base + offset, m.count());
    if (!ev.Target.endsWith(QLatin1String(".m3u"), Qt::CaseInsensitive)) {
        editor_.InsertCursor = at;
        editor_.AddFile(ev.Target, kImageInserted, &m);
        editor_.InsertCursor = -1;
    } else {
        LoadPlaylistInto(m, ev.Target, at, ev.ShufflePlaylist, kImageInserted,
                         lists_.itemSources());
    }
    m.RecomputeMarkers();
    const PlayerPlaylists::Page page = lists_.page();
    lists_.setPage(PlayerPlaylists::Page::Master);
    editor_.RenumberAndTotals();
    lists_.setPage(page);
    if (!startNow) {
        editor_.UpdateStartTimes(base + 1, -1);
    } else if (controller_) {
        if (m.PlayingIndex() < 0) {
            if (m.count() > 0) {
                m.selectOnly(0);
                controller_->aPlay();
            }
        } else {
            controller_->aNextTrack();
        }
    }
    setScheduleName(baseName(ev.Target));
    return 1;
}

bool Scheduler::InsertCleanupDone() const {
    return controller_ ? controller_->insertCleanupDone() : insertCleanupDone_;
}

void Scheduler::setInsertCleanupDone(bool done) {
    insertCleanupDone_ = done;
    if (controller_) controller_->setInsertCleanupDone(done);
}

void Scheduler::RemoveScheduledItems() {
    if (InsertCleanupDone()) return;
    PlaylistView& m = lists_.LVMaster;
    const int removed = m.DeleteItemsIf(
        [](const TVirtualItem& it) { return !it.IsPlaying && isScheduledItem(it); });
    m.RecomputeMarkers();
    if (centreList) hooks_->centreOnPlaying();
    if (removed > 0) {
        const PlayerPlaylists::Page page = lists_.page();
        lists_.setPage(PlayerPlaylists::Page::Master);
        editor_.RenumberAndTotals();
        lists_.setPage(page);
    }
    setInsertCleanupDone(true);
    setScheduleName(QString());
}

void Scheduler::clearScheduleName() {
    setScheduleName(QString());
}

void Scheduler::setScheduleName(const QString& name) {
    if (name == scheduleName_) return;
    scheduleName_ = name;
    hooks_->titleChanged();
}

void Scheduler::UpdateCountdowns() {
    const double now = nowOle();
    const qint64 nowDay = oleDayNumber(now);
    const qint64 tod = oleMsOfDay(now);
    for (ScheduleEvent& e : events_) {
        e.Countdown.clear();
        e.Soon = false;
        if (e.Fired) continue;
        const bool today = DayAllowed(e.Days, now);
        const bool tomorrow = DayAllowed(e.Days, now + 1.0);
        const qint64 whenTod = oleMsOfDay(e.When);
        qint64 left = 0;
        if (e.UseDate) {
            const qint64 d = oleDayNumber(e.When) - nowDay;
            if (d != 0 && d != 1) continue;
            left = d * kDayMs + whenTod - tod;
        } else {
            if (!today && !tomorrow) continue;
            if (!tomorrow || today)
                left = whenTod - tod > 0 ? whenTod - tod : kDayMs - std::abs(whenTod - tod);
            else
                left = whenTod + kDayMs - tod;
        }
        if (left < 0 || left > kDayMs) continue;
        const qint64 s = left / 1000;
        e.Countdown = QStringLiteral("%1:%2:%3")
                          .arg(s / 3600 % 24, 2, 10, QLatin1Char('0'))
                          .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                          .arg(s % 60, 2, 10, QLatin1Char('0'));
        e.Soon = left <= kSoonMs;
    }
    hooks_->rowsChanged();
}

QString scheduleDateText(const ScheduleEvent& e, const QString& shortDateFormat) {
    if (!e.UseDate) return QStringLiteral("-");
    return fromOleDate(e.When).date().toString(shortDateFormat);
}

QString scheduleTimeText(const ScheduleEvent& e, bool clock24h) {
    const QTime t = QTime::fromMSecsSinceStartOfDay(int(oleMsOfDay(e.When)));
    return clock24h ? t.toString(QStringLiteral("hh:mm:ss"))
                    : t.toString(QStringLiteral("h:mm:ss ap"));
}

} // namespace wc
