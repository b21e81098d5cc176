#pragma once
// What the playback controller and the main timer ask of the rest of the player. Each piece
// is a small interface with do-nothing defaults, so the controller runs (and is tested)
// before the per-track store, the announcement, the scheduler and the command interpreter
// exist; the program binds the real ones when they are there.
#include <QString>

namespace wc {

class PlaylistView;

// The transition values and lengths a track's stored record holds, in milliseconds.
struct TrackTimes {
    int introMs = 0;
    int outroMs = 0;
    int mixMs = 0;
    bool mixOn = false;
    int fadeOutMs = 0;
    bool fadeOn = false;
    int fadeInMs = 0;
    bool fadeInOn = false;
};

// The per-track store as the controller uses it.
class TrackRecords {
public:
    virtual ~TrackRecords() = default;
    virtual TrackTimes times(const QString& /*fileName*/) { return {}; }
    // A started item: play count + 1 when countPlay, last play = now, written and broadcast.
    virtual void recordPlay(const QString& /*fileName*/, bool /*countPlay*/, double /*nowOle*/) {}
};

// The later subsystems the controller calls into.
class PlaybackHooks {
public:
    virtual ~PlaybackHooks() = default;
    // The announcement of a started item (on-air text, now-playing file, report line).
    virtual void AnnounceItem(const QString& /*fileName*/, int /*index*/) {}
    virtual void ShowOnAirText(const QString& /*text*/) {}
    // One line of the day's report and of the log list (default: the diagnostic log).
    virtual void LogEvent(const QString& text);
    // Removal of played scheduler inserts.
    virtual void RemoveScheduledItems() {}
    // Start-time column: recompute from item index on, or clear it.
    virtual void UpdateStartTimes(int /*fromIndex*/) {}
    virtual void ClearStartTimes() {}
    // One line for the command interpreter (never called from inside PlayItem).
    virtual void RunCommand(const QString& /*line*/) {}
    // Lets pending window messages run while a failure is reported.
    virtual void ProcessPendingMessages() {}
    // Resume mode: the file now on air ("" after Stop).
    virtual void WriteLastFile(const QString& /*fileName*/) {}
    // The item at index started on DeckA: information page, notepad, rate slider.
    virtual void ItemStarted(int /*index*/) {}
    // Inserts a file into the list at index (a command file's "playfile" line); returns the
    // index used. The default inserts a plain item named after the file.
    virtual int InsertFile(PlaylistView& view, int index, const QString& path);
};

} // namespace wc
