#pragma once
// Measures the silence at both ends of a file, on a second, decode-only stream of it.
// Offsets are whole stereo frames (8 bytes), so a start never falls between two channels.
#include <QString>
#include <cstdint>
#include <functional>
#include <thread>

namespace wc::audio {

struct SilenceInfo {
    std::int64_t startBytes = 0;    // leading silence to skip
    std::int64_t trailingBytes = 0; // trailing silence to ignore
    float startSec = 0.0f;
    float endSec = 0.0f;
};

// threshold: the sample level that counts as sound. A file that is silent throughout gets a
// start at its end and no trailing silence. A file that cannot be opened gives zeros.
// knownLengthFrames: the file's exact length when the caller has measured it already.
SilenceInfo analyseSilence(const QString& path, float threshold,
                           std::int64_t knownLengthFrames = -1);

} // namespace wc::audio

namespace wc::audio {

// Silence analysis ahead of time: prefetch() analyses a file on a worker thread (the player
// knows the next item long before it opens it), and lookup() returns the result for Open,
// waiting only for an analysis already under way and analysing on the spot when there was
// none. Results are keyed by path, threshold, size and modification time, so a changed file
// is analysed again. Main thread, except the worker.
class SilenceCache {
public:
    static SilenceCache& instance();
    void prefetch(const QString& path, float threshold);
    SilenceInfo lookup(const QString& path, float threshold, std::int64_t knownLengthFrames = -1);
    // Never waits: the result when it is ready now.
    bool ready(const QString& path, float threshold, SilenceInfo* out);
    // Calls done with the result on the worker thread once it is known (ahead of every analysis
    // prepared ahead of time). An analysis of the same item already under way is shared; when
    // the result is ready already, done runs at once on the calling thread.
    void whenReady(const QString& path, float threshold, std::int64_t knownLengthFrames,
                   std::function<void(const SilenceInfo&)> done);
    // The worker's thread, and the thread of the latest analysis (for tests and diagnostics).
    std::thread::id workerThread() const;
    std::thread::id lastAnalysisThread() const;
    // How many results lookup() found ready or under way (for tests and diagnostics).
    int hits() const;
    ~SilenceCache();

private:
    SilenceCache();
    struct Impl;
    Impl* d;
};

} // namespace wc::audio
