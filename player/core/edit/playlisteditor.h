#pragma once
// How items get into the player's playlists and how they are edited and timed: adding files
// (the title from the tag or the file name, the length, Intro and Outro from the store),
// inserting after the selection, the line-input item, dropped files and search results, the
// start-time column and the numbering and totals line, randomize, find, sorting by a column,
// deleting missing files, renaming, deleting from disk, and the long operations (adding
// folders, copying, recalculating) that run as chunked jobs with a progress window and an
// abort flag. UI-free: the window supplies an EditorHost and binds its widgets to it.
#include "player/core/edit/editjob.h"
#include "player/core/edit/starttimes.h"
#include "player/core/messagetable.h"
#include "player/core/playlist/playerplaylists.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace wc {

class RandomSource;
class Timer;

// The settings the edit commands read (profile Options and player.ini Options).
struct EditSettings {
    int readTrackInfoType = 0; // 0 at adding, 1 when the item starts, 2 when it is shown
    bool allowSort = false;
    int countStartTimeFor = 50;
    bool notes = false; // player.ini Options/Comment: the note icons are kept up to date
};

// What the editor asks of the window. Do-nothing defaults, so the editor runs without one.
class EditorHost : public ProgressSink {
public:
    // The playlist panel's numbering and totals text.
    virtual void showTotals(const QString& /*text*/) {}
    // The on-air list was renumbered (the controller draws a fresh shuffled order).
    virtual void masterRenumbered() {}
    // Play position of the item on air, in milliseconds.
    virtual qint64 playPositionMs() { return 0; }
    // The first row shown and how many rows fit, for the view showing list.
    virtual int firstVisibleRow(const PlaylistView& /*list*/) { return 0; }
    virtual int visibleRowCount(const PlaylistView& /*list*/) { return 0; }
    virtual void scrollToRow(const PlaylistView& /*list*/, int /*row*/) {}
    virtual void centreOn(const PlaylistView& /*list*/, int /*row*/) {}
    virtual void refreshInfoPage() {}
    virtual void repaint() {}
};

// Where a dropped entry comes from: the file browser, or the desktop shell (whose "line.in"
// must match exactly and whose playlists get no Intro and Outro texts).
enum class DropSource { FileBrowser, Desktop };

// One result of the library search, as dropped onto a playlist.
struct SearchResult {
    QString artist;
    QString title;
    QString durationText;
    QString fileName;
};

class PlaylistEditor {
public:
    PlaylistEditor(PlayerPlaylists& lists, const PlayerMessageTable& messages,
                   const QString& programDir);
    ~PlaylistEditor();
    PlaylistEditor(const PlaylistEditor&) = delete;
    PlaylistEditor& operator=(const PlaylistEditor&) = delete;

    void setHost(EditorHost* host) { host_ = host ? host : &nullHost_; }
    EditorHost& host() { return *host_; }
    PlayerPlaylists& lists() { return lists_; }
    const QString& programDir() const { return programDir_; }

    EditSettings settings;
    // The index at which AddFile inserts; -1 appends. Advanced after each insert; the
    // commands that set it (inserting after the selection, drops, adding a folder) put it back
    // to -1 when they are done.
    int InsertCursor = -1;
    // Stops a running job after its current item: Esc, closing the progress window, closing
    // the main window.
    bool AbortFlag = false;
    // Moves a file to the desktop's trash; false with the reason when there is none.
    std::function<bool(const QString&, QString*)> moveToTrash;

    // The title of a file as a playlist shows it: "Artist – Title" from its tag, or the file
    // name without folder and extension.
    static QString titleForFile(const QString& file);
    // Adds one file to view (the active list when none) at InsertCursor. Errors raised while
    // building or inserting the item go to an error box and the file is skipped (false).
    bool AddFile(const QString& file, qint32 imageIndex = kImagePlain,
                 PlaylistView* view = nullptr);
    // Inserts one file after the first selected item of the active list (or at the end) and
    // selects it; start times and numbering follow.
    void InsertAfterSelection(const QString& file);
    // The line-input item (the program folder's "line.in").
    void AddLineInput();
    QString lineInputPath() const { return programDir_ + QStringLiteral("line.in"); }

    // The start-time column of LVMaster, from index from on (see UpdateStartTimes in
    // starttimes.h); the time of day comes from the clock, the position from the host.
    void UpdateStartTimes(int from, int offset, bool clearOnly = false);
    // After an edit: the times after the playing item, when one plays.
    void startTimesFromPlaying();
    // Numbering, the totals panel, the note icons and the shuffle order. Nothing until the
    // main window has been shown.
    void RenumberAndTotals(bool skipNumbering = false, bool noRepaint = false);
    void setWindowShown(bool shown) { windowShown_ = shown; }
    QString totals() const { return totals_; }

    // The note icons of LVMaster: every row when all, else the visible rows and 50 more.
    void RefreshNoteIcons(bool all);

    // ReadTrackInfoType 2: fills the title and length of the first shown item of the active
    // list that has none. Returns whether an item was filled (at most one per call).
    bool fillNextShownItem();
    // ReadTrackInfoType 1: the title and length of an item filled when it starts.
    void fillStartedItem(int index);

    // Shuffles the active list into a uniformly drawn order (with undo); start times after
    // the playing item are recomputed.
    void randomize(RandomSource& random);
    // Finds the next item after the last found one whose number, title, length and file name
    // hold text (case-insensitively), selects and centres it; the "nothing more" box and a
    // fresh start when there is none. Returns the index or -1.
    int find(const QString& text);
    void resetFind() { findPos_ = -1; }
    int findPosition() const { return findPos_; }
    // Sorts the active list by the column under heading (3 Intro, 4 Outro, 5 length, 6 file
    // name, any other the title); every sort reverses the direction. Only with AllowSort.
    bool sortByColumn(int heading);
    // Removes every item whose file does not exist (no undo). Returns how many went.
    int deleteMissing();
    // Renames the selected item's file; the item follows only when the rename succeeded,
    // otherwise the error box names the file and the system's reason.
    bool renameSelected(const QString& newName);
    // Asks, then moves the selected items' files to the trash and removes those items (with
    // undo). A file that cannot be trashed stays, and so does its item.
    int deleteFromDisk();

    // Adding folders and dropped entries. entries are files or folders, kept in order; the
    // job scans folders depth-first for playable files. With no folder among the entries
    // the add is done at once; otherwise it runs as a job and done is called at its end.
    void addEntries(PlaylistView& view, const QStringList& entries, DropSource source,
                    std::function<void()> done = {});
    // "Add folder": appended at the end of the active list.
    void addFolder(const QString& folder, std::function<void()> done = {});
    // Dropped entries at row (-1 or past the end: the end).
    void dropEntries(PlaylistView& view, int row, const QStringList& entries, DropSource source,
                     std::function<void()> done = {});
    // Dropped search results at row, in their order.
    void dropSearchResults(PlaylistView& view, int row, const std::vector<SearchResult>& results);
    // The playlist item of a search result: its display title, length text and file, with
    // intro and outro from the store.
    TVirtualItem searchResultItem(const SearchResult& result) const;
    // Copies the selected items' files into folder, never overwriting (a job).
    void copySelectedTo(const QString& folder, std::function<void()> done = {});
    // Reads every item's title and length again (a job).
    void recalculate(std::function<void()> done = {});

    // The job that runs now, if any; jobs run one at a time, a slice per timer event.
    bool jobRunning() const { return bool(job_); }
    // Items per slice (and at most sliceMs of work per slice).
    int unitsPerSlice = 64;
    int sliceMs = 20;
    // Opening and stepping the progress window (the host shows it).
    void openProgress(const QString& caption);
    void stepProgress(int bar, const QString& text);
    void closeProgress();
    bool progressOpen() const { return progressOpen_; }

private:
    friend class FolderAddJob;
    friend class CopyJob;
    friend class RecalculateJob;
    // One dropped or listed entry that is not a folder: an audio file or "line.in" through
    // AddFile, a playlist as one reference item, anything else ignored.
    void addEntry(PlaylistView& view, const QString& path, DropSource source);
    // The title and length of an item read again from its file.
    void rereadItem(TVirtualItem& item) const;
    void startJob(std::unique_ptr<EditJob> job);
    void runSlice();
    TVirtualItem fileItem(const QString& file, qint32 imageIndex) const;
    void insertAtCursor(PlaylistView& view, const TVirtualItem& item);
    void introOutro(TVirtualItem& item, const QString& name) const;
    void errorBox(const QString& message, const QString& file);
    bool isLineInputName(const QString& path, bool exact) const;

    PlayerPlaylists& lists_;
    const PlayerMessageTable& messages_;
    QString programDir_;
    EditorHost nullHost_;
    EditorHost* host_ = &nullHost_;
    bool windowShown_ = false;
    QString totals_;
    int findPos_ = -1;
    int sortDirection_ = 1;
    std::unique_ptr<EditJob> job_;
    std::unique_ptr<Timer> jobTimer_;
    bool progressOpen_ = false;
    qint64 progressStart_ = 0;
};

} // namespace wc
