#pragma once
// The player's copy of the music library and its search.
//
// SearchLibraryCache holds the records of the library file with the folded texts of every
// search field, built on a worker thread and swapped in on the main thread as one immutable
// snapshot. The file counts as current only after a successful read: its identity (mtime in
// nanoseconds, size, inode) is recorded then, so a failed or short read is tried again at the
// next check. A missing file changes nothing: the last snapshot stays.
//
// LibrarySearch matches one field of every record against a text, a slice of records per
// main-thread event, so a keystroke never holds the window thread for long; a new text
// abandons the running search, and the results of a search are swapped in whole when it ends.
#include "common/clock.h"
#include "common/library/libraryfile.h"
#include "common/library/librarysearch.h"

#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace wc {

struct FileIdentity {
    bool exists = false;
    qint64 mtimeNs = 0;
    qint64 size = 0;
    quint64 inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of a file now (exists false when it cannot be examined).
FileIdentity fileIdentity(const QString& path);

struct LibrarySnapshot {
    TBaseEntryArr records;
    std::array<FoldedTexts, kLibrarySearchFieldCount> folded;
};
using LibrarySnapshotPtr = std::shared_ptr<const LibrarySnapshot>;

LibrarySnapshotPtr makeLibrarySnapshot(TBaseEntryArr records);

// Lets go of a snapshot; when it was the last holder, the records are freed on a worker,
// since freeing 100,000 records takes tens of milliseconds.
void releaseSnapshot(LibrarySnapshotPtr snapshot);

enum class LibraryReadResult { Ok, Missing, Failed };

// Reads a library file whole and builds its snapshot (any thread). Ok only when the file was
// read completely: *identity is then the identity of what was read.
LibraryReadResult readLibrarySnapshot(const QString& path, LibrarySnapshotPtr* snapshot,
                                      FileIdentity* identity);

class SearchLibraryCache {
public:
    // Runs a piece of work off the main thread; the default uses Qt's global thread pool.
    using Runner = std::function<void(std::function<void()>)>;
    explicit SearchLibraryCache(Runner runner = {});
    ~SearchLibraryCache();

    void setPath(const QString& path);
    const QString& path() const { return path_; }

    // Starts a read on the worker when the file's identity differs from that of the last
    // successful read and no read runs. True when a read was started.
    bool refresh();
    bool reading() const;

    LibrarySnapshotPtr snapshot() const { return snapshot_; }
    // The identity of the last successful read (exists false before one).
    FileIdentity current() const { return current_; }

    // Called on the main thread when a read put a new snapshot in place.
    std::function<void()> onLoaded;

private:
    struct Shared;
    void finished(quint64 ticket, LibraryReadResult result, LibrarySnapshotPtr snapshot,
                  FileIdentity identity);

    Runner runner_;
    QString path_;
    LibrarySnapshotPtr snapshot_;
    FileIdentity current_;
    std::shared_ptr<Shared> shared_;
    quint64 ticket_ = 0;
    bool reading_ = false;
};

class LibrarySearch {
public:
    // Records examined per main-thread event.
    static constexpr int kDefaultSlice = 16384;
    explicit LibrarySearch(int sliceRecords = kDefaultSlice);
    ~LibrarySearch();

    // A new library: the current search runs again over it.
    void setSnapshot(LibrarySnapshotPtr snapshot);
    const LibrarySnapshotPtr& snapshot() const { return snapshot_; }

    // Starts a search of field for text (case-folded substring; an empty text matches every
    // record). The first slice runs at once; the rest follow as posted events. A field out of
    // range searches nothing.
    void search(const QString& text, int field);
    bool running() const { return running_; }

    // Record positions of the last finished search, in library order.
    const std::vector<int>& results() const { return results_; }
    // Called when a search has finished and its results are in place.
    std::function<void()> onFinished;

private:
    void step();

    int slice_;
    LibrarySnapshotPtr snapshot_;
    QString text_;
    QString needle_;
    int field_ = -1;
    std::vector<int> pending_;
    int next_ = 0;
    bool running_ = false;
    std::vector<int> results_;
    std::shared_ptr<int> alive_;
    quint64 ticket_ = 0;
};

// Sorts result positions by a column of the result list (0 artist, 1 title, 2 length by
// milliseconds, 3 file path; texts case-insensitively with the locale's collation), stable.
void sortSearchResults(const LibrarySnapshot& library, std::vector<int>& rows, int column,
                       bool ascending);

} // namespace wc
