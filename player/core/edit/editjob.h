#pragma once
// Long edit operations (adding folders, copying files, recalculating lengths) run as chunked
// jobs: a timer event does one slice of items and returns to the event loop, so the window,
// the timers and the playout go on meanwhile. No event loop is ever nested inside them.
#include <QString>

namespace wc {

class PlaylistEditor;

class EditJob {
public:
    virtual ~EditJob() = default;
    // Does one item of work; false when nothing is left (or the job was stopped).
    virtual bool step(PlaylistEditor& editor) = 0;
    // Called once after the last step, before the job is dropped.
    virtual void finish(PlaylistEditor& /*editor*/) {}
};

// The progress window: a caption line, a second text line, a bar 0..100 and the time since
// it was opened.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void progressOpened(const QString& /*caption*/) {}
    // bar < 0 leaves the bar as it is.
    virtual void progressStepped(int /*bar*/, const QString& /*text*/, const QString& /*elapsed*/) {
    }
    virtual void progressClosed() {}
};

// "h:mm:ss" of a millisecond count.
QString elapsedText(qint64 ms);

} // namespace wc
