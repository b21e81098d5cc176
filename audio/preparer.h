#pragma once
// The next item, opened ahead of time on a worker thread: its decoder with the exact length
// (for some formats that means decoding the whole file), its silence analysis and its first
// decoded blocks, already placed at the end of the leading silence. A deck's Open of it then
// costs the main thread only the creation of the stream. One item is prepared at a time:
// preparing another drops it. Items are keyed by path, silence settings, size and
// modification time, so a file changed meanwhile is opened afresh.
#include "audio/silence.h"

#include <QString>
#include <memory>

namespace wc::audio {

class FileSource;

struct PreparedItem {
    QString path;
    bool cutSilence = false;
    float threshold = 0.0f;
    int bufferMs = 500;
    qint64 size = -1;
    qint64 modified = 0; // ms since the epoch
    int error = 0;       // the open's error number; no source when it is not 0
    std::unique_ptr<FileSource> source;
    SilenceInfo silence; // with cutSilence: the source starts at silence.startBytes
    ~PreparedItem();
};

class StreamPreparer {
public:
    static StreamPreparer& instance();
    ~StreamPreparer();

    // Starts preparing path unless that item is prepared or under way already. Main thread.
    void prepare(const QString& path, bool cutSilence, float threshold, int bufferMs);
    // Whether the item is prepared (with waitIfUnderWay, an item under way is waited for:
    // the simulated loop needs every run alike). Main thread.
    bool ready(const QString& path, bool cutSilence, float threshold, bool waitIfUnderWay);
    // The item when it is the one prepared (waiting for it when it is under way), else
    // nullptr. The item leaves the preparer. Main thread.
    std::unique_ptr<PreparedItem> take(const QString& path, bool cutSilence, float threshold);
    // Drops whatever is prepared or under way (its decoder is closed on the worker).
    void drop();
    // How many items were prepared, and how many were taken (for tests and diagnostics).
    int prepared() const;
    int taken() const;
    // Seconds the main thread has waited in ready() and take() for items under way, in all
    // (for measurements: in simulated time every wait is the worker's time, not the caller's).
    double waitedSeconds() const;

private:
    StreamPreparer();
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace wc::audio
