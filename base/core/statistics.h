#pragma once
// The library's statistics: lengths, the most frequent year and genre, the number of artists,
// file types and sizes. Computed by a worker thread on its own copy of the records, so the
// library may change (or go away) while it runs; it checks for a stop request before every
// record.
#include "common/library/libraryfile.h"

#include <QString>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace wc::base {

struct LibraryStats {
    int records = 0;
    int lengthless = 0;
    int shortest = -1, longest = -1; // record index, -1 for none
    qint64 shortestS = 0, longestS = 0, averageS = 0;
    QString shortestText, longestText, averageText;
    QString topYear, topGenre, artists; // "<unknown>" when there is nothing to count
    // By type: ".mp3", ".wav", ".wma", ".ogg".
    std::array<int, 4> typeCounts{0, 0, 0, 0};
    qint64 totalKb = 0;
    bool sizesComplete = false;
    QString sizesText;
    // Share of each type in percent of all records (1 record when the library is empty).
    std::array<double, 4> shares() const;
};

// "%d sec (%.2d:%.2d min)".
QString secondsText(qint64 s);

// Fills stats; stop() is asked before every record and step. progress(percent) reports the
// file-size pass. Returns false when it was stopped.
bool computeStatistics(const TBaseEntryArr& records, LibraryStats& stats,
                       const std::function<bool()>& stop,
                       const std::function<void(int)>& progress = {});

// Runs computeStatistics on a thread. done runs on the main thread (through the timer host)
// with the result, unless the worker was stopped. The destructor stops and joins.
class StatWorker {
public:
    StatWorker(TBaseEntryArr snapshot, std::function<void(int)> progressOnMain,
               std::function<void(const LibraryStats&)> doneOnMain);
    ~StatWorker();
    void start();
    void stop();
    bool finished() const { return finished_.load(); }
    void join();

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
    std::atomic<bool> finished_{false};
    std::function<void(int)> progress_;
    std::function<void(const LibraryStats&)> done_;
};

} // namespace wc::base
