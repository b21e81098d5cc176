#pragma once
// The loaded library of the library program: every record in library order, the rows the
// window shows (a search result or a sorted order), and whether there are unsaved changes.
//
// Every change marks the library modified; only a successful save clears the flag. While a
// long job runs, the commands that would free or reorder records (load, clear, remove) are
// refused, so a job never works on records that went away under it.
#include "common/library/libraryfile.h"

#include <QCollatorSortKey>
#include <QString>
#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace wc::base {

enum Column : int {
    ColArtist = 0,
    ColTitle,
    ColAlbum,
    ColYear,
    ColGenre,
    ColComment,
    ColTime,
    ColFileName,
    ColSize
};

// The eight search fields, in the order the window reads them.
enum SearchField : int {
    FindTitle = 0,
    FindArtist,
    FindAlbum,
    FindYear,
    FindGenre,
    FindComment,
    FindTime,
    FindFileName,
    kSearchFieldCount
};

struct SearchQuery {
    std::array<QString, kSearchFieldCount> fields;
    bool empty() const;
};

// The text a record shows in a column (Time: "mm:ss" or "??:??"; Size: MB, KB or nothing).
QString columnText(const TBaseEntry& e, int column);
QString sizeText(quint32 size);
// A text folded for searching: Unicode case folding, with the foldings that expand (sharp s,
// ligatures) applied too.
QString foldForSearch(const QString& text);

class LibraryModel {
public:
    LibraryModel();
    ~LibraryModel();

    const TBaseEntryArr& records() const { return store_.LibraryList(); }
    int count() const { return int(store_.LibraryList().size()); }
    const TBaseEntry& record(int pos) const { return store_.LibraryList()[size_t(pos)]; }
    // Library positions of the shown rows, in display order.
    const std::vector<int>& view() const { return view_; }
    bool searchShown() const { return searchShown_; }
    const QString& libraryName() const { return store_.LibraryName(); }
    bool modified() const { return store_.LibraryModified(); }
    // Bumped by every change of the records; a job or a view can tell that its data is old.
    quint64 generation() const { return generation_; }

    // Set while a job runs: load, clear and remove are refused.
    void setJobActive(bool active) { jobActive_ = active; }
    bool jobActive() const { return jobActive_; }

    // Loads a file (a missing file gives an empty library under that name). Unsaved changes
    // are the caller's to ask about. False with *error when the file exists but cannot be
    // read (nothing changes then) or when a job runs.
    bool load(const QString& fileName, QString* error = nullptr);
    // Atomic save; clears the modified flag only when the file was written.
    bool save(const QString& fileName, QString* error = nullptr);

    // Appends records at the end of the library (and of the shown rows); marks modified.
    void append(TBaseEntry entry);
    // Changes a record's fields; marks modified only when something differs.
    bool update(int pos, const TBaseEntry& entry);
    bool setDuration(int pos, quint32 ms);
    // Removes the records at the given library positions (any order, duplicates allowed) in
    // one pass; the shown rows keep their order, a search is run again. False while a job
    // runs.
    bool remove(std::vector<int> positions);
    // Removes every record; marks modified when there was any. False while a job runs.
    bool clear();

    // Shows the records that match every filled field (Unicode case folding, substring).
    void search(const SearchQuery& query);
    // Shows every record in library order.
    void reset();
    // Sorts the shown rows by a column after a reset; each call reverses the direction, the
    // first one sorts descending. The Size column does not sort (false).
    bool sortBy(int column);
    int sortDirection() const { return direction_; }

    void setModified() { store_.setModified(true); }

    // Records whose length a measuring pass has still to take. A pass marks its records, each
    // measurement clears its mark, and a pass that was cancelled leaves the rest marked, so
    // the next pass goes on with them. The marks follow the records through removals; load
    // and clear drop them.
    void markLengthPending(const std::vector<int>& positions);
    bool lengthPending(int pos) const {
        return size_t(pos) < lengthPending_.size() && lengthPending_[size_t(pos)];
    }
    void clearLengthPending(int pos);
    int lengthPendingCount() const { return pendingCount_; }
    // The marked records: the shown rows in display order, then the others in library order.
    std::vector<int> pendingLengths() const;

private:
    void changed();
    void invalidateCaches();
    // The folded texts of one search field, one after another in one buffer, built the first
    // time that field is searched after a change of the records.
    struct FoldedField {
        QString text;
        std::vector<quint32> start; // record i is text[start[i], start[i + 1])
        bool valid = false;
    };
    const FoldedField& folded(int field) const;
    void dropFolded();
    const std::vector<QCollatorSortKey>& sortKeys(int column) const;

    LibraryStore store_;
    std::vector<int> view_;
    bool searchShown_ = false;
    std::optional<SearchQuery> lastQuery_;
    int direction_ = 1;
    quint64 generation_ = 0;
    bool jobActive_ = false;
    std::vector<char> lengthPending_; // empty when nothing is marked
    int pendingCount_ = 0;

    mutable std::array<FoldedField, kSearchFieldCount> folded_;
    // Collation keys per text column, built on the first sort by that column.
    mutable std::array<std::unique_ptr<std::vector<QCollatorSortKey>>, 9> keys_;
};

} // namespace wc::base
