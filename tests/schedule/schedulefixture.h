#pragma once
// The scheduler on simulated time with the player's playlists and editor, a recording command
// interpreter and overlay player, and a clock that a test can step (the wall clock stepping
// forward or back while simulated time runs on).
#include "common/clock.h"
#include "common/log.h"
#include "common/oledate.h"
#include "common/simloop.h"
#include "player/core/edit/playlisteditor.h"
#include "player/core/messagetable.h"
#include "player/core/playlist/playerplaylists.h"
#include "player/core/schedule/scheduler.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace wc::schedule::test {

// Commands are the targets that begin with "cmd:"; every call is recorded with its moment.
struct FakeCommands : CommandRunner {
    struct Call {
        QString text;
        qint64 atMs; // simulated ms
    };
    std::vector<Call> calls;
    bool RunCommand(const QString& text, const ScheduleEvent*) override {
        calls.push_back({text, clock().tickMs()});
        return text.startsWith(QLatin1String("cmd:"));
    }
    int count(const QString& text) const {
        return int(std::count_if(calls.begin(), calls.end(),
                                 [&](const Call& c) { return c.text == text; }));
    }
};

struct FakeOverlay : OverlayPlayer {
    std::vector<OverlayRequest> opened;
    void OpenJingleWindow(const OverlayRequest& r) override { opened.push_back(r); }
};

// The simulated loop's time plus an offset the test moves.
class SteppedClock : public Clock {
public:
    explicit SteppedClock(const SimLoop& loop) : loop_(loop) {}
    double nowOle() const override { return oleAddMs(loop_.nowOle(), offsetMs); }
    qint64 tickMs() const override { return loop_.tickMs(); }
    qint64 offsetMs = 0;

private:
    const SimLoop& loop_;
};

class SchedulerTest : public ::testing::Test {
protected:
    // 2026-12-09 (a Wednesday) 12:00:00.
    static constexpr double kStart = 46365.5;

    void SetUp() override {
        setClock(&loop);
        setTimerHost(&loop);
        editor.setWindowShown(true);
        sched = std::make_unique<Scheduler>(lists, editor);
        sched->setClock(&wall);
        sched->setCommandRunner(&commands);
        sched->setOverlayPlayer(&overlay);
        logSink = addLogSink([this](const QString& l) { logged << l; });
    }
    void TearDown() override {
        removeLogSink(logSink);
        sched.reset();
        setClock(nullptr);
        setTimerHost(nullptr);
    }
    // The wall-clock moment of simulated ms (without the test's offset).
    static double oleAt(qint64 simMs) { return oleAddMs(kStart, simMs); }
    // The OLE date of a day and time relative to the start day.
    static double oleOfDay(int dayOffset, int h, int m, double s) {
        return 46365.0 + dayOffset + (h * 3600 + m * 60 + s) / 86400.0;
    }
    // Simulated ms at which the wall clock (without offset) shows ole.
    static qint64 simMsOf(double ole) { return oleToMs(ole) - oleToMs(kStart); }
    ScheduleEvent command(const QString& text, double when, bool useDate = true) {
        ScheduleEvent e;
        e.Target = text;
        e.When = when;
        e.UseDate = useDate;
        return e;
    }
    bool loggedPart(const QString& part) const { return logged.join(u'\n').contains(part); }

    SimLoop loop{kStart, 10};
    SteppedClock wall{loop};
    QTemporaryDir dir;
    PlayerMessageTable messages;
    PlayerPlaylists lists;
    PlaylistEditor editor{lists, messages, dir.path() + u'/'};
    FakeCommands commands;
    FakeOverlay overlay;
    std::unique_ptr<Scheduler> sched;
    QStringList logged;
    int logSink = 0;
};

} // namespace wc::schedule::test
