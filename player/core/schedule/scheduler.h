#pragma once
// The scheduler: the list of schedule events, the 50 ms timer rasptimer that runs them when
// they fall due, and what running one does (a command, an overlay, or a file or playlist put
// into the on-air list and started at once or in turn). UI-free: the schedule page and the
// event window bind widgets to it.
//
// When an event runs: in the first tick at or after its due moment, never before (a moment
// that falls between two ticks of the 50 ms timer gets a one-shot tick of its own). A due
// moment that fell since the event was last looked at still runs, late (logged when over a
// second late); one more than ten minutes in the past is skipped (logged). Each event keeps
// the moment up to which it has been looked at, which only moves forward, so no due moment
// runs twice, also when the wall clock steps back. Switching the scheduler on, loading a list
// and adding or changing an event start that moment at "now": nothing that fell due before
// runs. One insert into the playlist ends a tick; the events after it are looked at in the
// next tick and run then, late by one tick.
#include "player/core/schedule/scheduleevent.h"

#include <QString>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

namespace wc {

class Clock;
class PlaybackController;
class PlayerPlaylists;
class PlaylistEditor;
class Timer;

// The command interpreter as the scheduler uses it: true when text was a command (and has
// been run); false lets the scheduler take it as a file or playlist.
class CommandRunner {
public:
    virtual ~CommandRunner() = default;
    virtual bool RunCommand(const QString& text, const ScheduleEvent* event) = 0;
};

// What the overlay window that plays an event's file over the programme gets.
struct OverlayRequest {
    QString file;
    QString title;        // "Schedule: " + the file name without folder and extension
    int fadeTimeMs = 0;   // the profile's Options/ScheduleFadeTime
    int musicLevel = 100; // the event's DuckLevel
    bool volumeSliderHidden = true;
};
class OverlayPlayer {
public:
    virtual ~OverlayPlayer() = default;
    virtual void OpenJingleWindow(const OverlayRequest& request) = 0;
};

// What the scheduler tells the window (do-nothing defaults).
class SchedulerHooks {
public:
    virtual ~SchedulerHooks() = default;
    // The number of events changed, or their order.
    virtual void listReset() {}
    // Texts of the events changed (countdowns, blink state, an edit).
    virtual void rowsChanged() {}
    // ScheduleName changed: the window title follows.
    virtual void titleChanged() {}
    // The scheduler was switched on or off.
    virtual void enabledChanged(bool /*on*/) {}
    // The on-air list centred on its playing item (after scheduler inserts were removed).
    virtual void centreOnPlaying() {}
};

class Scheduler {
public:
    static constexpr int kTickMs = 50;
    // How late a due moment may be and still run.
    static constexpr qint64 kMaxLateMs = 10 * 60 * 1000;
    // A run is logged with its lateness when it is later than this.
    static constexpr qint64 kReportLateMs = 1000;
    // Fired is cleared this long after a run (5.184 s).
    static constexpr qint64 kFiredShownMs = 5184;
    // A row blinks while its event is due within this (11 s).
    static constexpr qint64 kSoonMs = 11000;

    Scheduler(PlayerPlaylists& lists, PlaylistEditor& editor);
    ~Scheduler();
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    // Collaborators; each may be missing (null): then commands are never recognised, overlays
    // do not play, and nothing is started (the inserted items come up in turn).
    void setController(PlaybackController* c) { controller_ = c; }
    void setCommandRunner(CommandRunner* r) { commands_ = r; }
    void setOverlayPlayer(OverlayPlayer* o) { overlay_ = o; }
    void setHooks(SchedulerHooks* h) { hooks_ = h ? h : &noHooks_; }
    // The clock that gives "now" (the process clock when none is set).
    void setClock(const Clock* c) { clock_ = c; }

    // Options from the profile.
    int scheduleFadeTimeMs = 1000; // Options/ScheduleFadeTime
    bool centreList = false;       // the playlist-centring entry (PlaylistCenter)

    // --- the list ---
    const std::vector<ScheduleEvent>& events() const { return events_; }
    int count() const { return int(events_.size()); }
    const ScheduleEvent& at(int i) const { return events_[size_t(i)]; }
    void add(const ScheduleEvent& e);
    // Replaces event i (out of range: nothing).
    void replace(int i, const ScheduleEvent& e);
    void remove(int i);
    void clear();
    void setEvents(std::vector<ScheduleEvent> events);
    // Counts every change of the list's length or order (an index taken before a change
    // may name another event after it).
    quint64 generation() const { return generation_; }
    // Replaces the list from a schedule file; false (list unchanged) when it cannot be read.
    bool load(const QString& path);
    bool save(const QString& path, QString* error = nullptr) const;
    // Sorts by a column of the list (0 countdown .. 6 target); each sort reverses the
    // direction of the next, whichever column.
    void sortByColumn(int column);

    // --- switching ---
    bool enabled() const { return enabled_; }
    void setEnabled(bool on);

    // --- running ---
    // One tick of rasptimer (tests may call it directly).
    void tick();
    // Runs event i now (Run Now and the tick): 1 when it put something into the on-air list,
    // 0 otherwise.
    int RunScheduleEvent(int i);
    // Removes the scheduler's inserts (but the playing item) from the on-air list, once after
    // each insert.
    void RemoveScheduledItems();
    bool InsertCleanupDone() const;
    void setInsertCleanupDone(bool done);
    const QString& ScheduleName() const { return scheduleName_; }
    void clearScheduleName();
    // Countdowns and the blink state of every event (once a second while the page shows).
    void UpdateCountdowns();

    // Every run, with its due moment and the moment it ran (ms since 1899; due is -1 for Run
    // Now). For diagnostics and tests.
    std::function<void(int index, qint64 dueMs, qint64 ranMs)> onRun;

    // The earliest due moment of e after afterMs (ms since 1899), or -1 when there is none.
    static qint64 nextDueAfter(const ScheduleEvent& e, qint64 afterMs);

private:
    qint64 nowMs() const;
    // The next due moment of e after its examined moment, worked out once and kept.
    static qint64 dueOf(ScheduleEvent& e);
    // The list changed: the next tick looks at every event.
    void listChanged();
    void aimAt(qint64 now);
    double nowOle() const;
    int runEvent(ScheduleEvent& e);
    int insertIntoMaster(const ScheduleEvent& e);
    void setScheduleName(const QString& name);

    PlayerPlaylists& lists_;
    PlaylistEditor& editor_;
    PlaybackController* controller_ = nullptr;
    CommandRunner* commands_ = nullptr;
    OverlayPlayer* overlay_ = nullptr;
    SchedulerHooks noHooks_;
    SchedulerHooks* hooks_ = &noHooks_;
    const Clock* clock_ = nullptr;

    std::vector<ScheduleEvent> events_;
    std::unique_ptr<Timer> rasptimer_;
    std::unique_ptr<Timer> aimTimer_; // one shot at a moment due between two ticks
    bool enabled_ = false;
    bool insertCleanupDone_ = false; // used while no controller is bound
    QString scheduleName_;
    int sortDirection_ = 1;
    qint64 lastTickMs_ = 0;
    // Before this moment no tick has anything to run or clear.
    qint64 nextWakeMs_ = std::numeric_limits<qint64>::min();
    // Counts changes of the list, so a tick notices a command that replaced it.
    quint64 generation_ = 0;
};

// The texts of the list's columns for an event.
QString scheduleDateText(const ScheduleEvent& e, const QString& shortDateFormat);
QString scheduleTimeText(const ScheduleEvent& e, bool clock24h);

} // namespace wc
