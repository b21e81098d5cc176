#pragma once
// Filling, measuring, checking and pruning the library: the folder scan, adding files with
// their tags, measuring lengths, the check for missing files, copying files to a folder and
// moving them to the trash. Each long operation is a Job for the JobRunner.
#include "base/core/jobrunner.h"
#include "base/core/lengthworkers.h"
#include "base/core/librarymodel.h"
#include "common/playlistfile/m3u.h"

#include <QStringList>
#include <vector>

namespace wc::base {

// The extensions that adding accepts (lower case, with the dot).
const QStringList& supportedExtensions();
// Whether a path may be added: a supported extension, or (for dropped files) "line.in".
bool isSupportedExtension(const QString& path);
bool isAddableDrop(const QString& path);

// Whether a path fits the library's file-name field without being cut.
bool pathFitsRecord(const QString& path);

// Artist and title from the file name (folder and extension dropped): the text before and
// after the first separator found, "%20" and "_" replaced by blanks, each cut to 50.
void ParseFileName(const QString& path, TBaseEntry& record);

struct AddOptions {
    bool noEmpty = true;
    bool parseFileName = true;
};

// One file found by a scan; size 0 for files added singly. Sizes above 4 GiB are clamped.
struct AddItem {
    QString path;
    quint32 size = 0;
};
quint32 clampFileSize(qint64 size);

// The record for one file from its tag (or its name); false when the file is not added
// (no tag, NoEmpty on and ParseFN off). *unreadable tells that the file could not be read
// at all (as opposed to holding no tag).
bool makeRecord(const AddItem& item, const AddOptions& options, TBaseEntry& out,
                bool* unreadable = nullptr);

// Scans folders (sorted names, files of a folder before its sub-folders, folder links not
// followed, ".Trash" folders skipped) and adds the files found, plus single files. One
// folder or one file per step. Paths that would be cut are refused and listed.
class AddJob final : public Job {
public:
    AddJob(LibraryModel& model, QStringList folders, QStringList files, AddOptions options);

    bool step() override;
    int percent() const override;
    QString operation() const override;
    QString detail() const override;
    // During the scan, Cancel ends the scan and the files found so far are still added; a
    // second Cancel stops the adding (the records added by then stay).
    void cancel() override;

    bool scanning() const { return scanning_; }
    int added() const { return added_; }
    int notAdded() const { return notAdded_; }
    const QStringList& refused() const { return refused_; }
    // Files that could not be read (their records come from their names, if at all).
    const QStringList& unreadable() const { return unreadable_; }
    // Summary text for the end of the add ("" when there is nothing to say); the unreadable
    // files are named only with showReadErrors (option NoError off).
    QString summary(bool showReadErrors = false) const;

private:
    void scanOne();

    LibraryModel& model_;
    AddOptions options_;
    QStringList pendingFolders_; // a stack: the next folder to scan is last
    std::vector<AddItem> items_;
    size_t next_ = 0;
    bool scanning_ = true;
    QString currentFolder_;
    int added_ = 0;
    int notAdded_ = 0;
    QStringList refused_;
    QStringList unreadable_;
};

// Measures lengths. The records at the given positions (less those with a length when
// checkTimeOnce) are marked as pending in the model and measured together with any records
// still pending from a pass that was cancelled, the shown ones first. With workers the files
// are measured on their threads and the job only applies the results, so a slice on the
// window thread never waits for a file; without them each step measures one file. A failed
// measurement stores 0. Cancel drops the files not started; those under way are measured and
// applied before the job ends, so no file is measured twice when the pass goes on later.
class CountJob final : public Job {
public:
    CountJob(LibraryModel& model, const std::vector<int>& positions, bool checkTimeOnce,
             FileDurationMs& probe, LengthWorkers* workers = nullptr);
    bool step() override;
    int percent() const override;
    QString operation() const override;
    void cancel() override;
    bool waiting() const override { return waiting_; }
    void setWake(std::function<void()> wake) override;
    void waitForWork() override;
    int wakeDelayMs() const override;

    int changedCount() const { return changed_; }
    int measuredCount() const { return measured_; }
    int total() const { return int(order_.size()); }

private:
    void apply(int pos, const QString& path, qint32 ms);
    static constexpr size_t kApplyPerStep = 256;

    LibraryModel& model_;
    FileDurationMs& probe_;
    LengthWorkers* workers_;
    std::function<void()> wake_;
    std::unique_ptr<LengthWorkers::Batch> batch_;
    std::vector<int> order_; // the records to measure, in order
    std::vector<QString> paths_;
    size_t next_ = 0; // the next record of order_ to hand out
    int inFlight_ = 0;
    bool stopping_ = false;
    bool waiting_ = false;
    int changed_ = 0;
    int measured_ = 0;
};

// Whether a file is missing: only "no such file" (or a path through a non-folder) counts;
// an access error or any other failure does not.
enum class FileState { Present, Missing, Unknown };
FileState probeFile(const QString& path);

// Counts the records whose files are missing; removes nothing.
class CheckJob final : public Job {
public:
    explicit CheckJob(const LibraryModel& model);
    bool step() override;
    int percent() const override;
    QString operation() const override;

    const std::vector<int>& missing() const { return missing_; }
    int total() const { return int(paths_.size()); }
    int unknown() const { return unknown_; }
    quint64 generation() const { return generation_; }
    // The deepest folder that holds every missing file ("" when they share none).
    QString missingFolder() const;

private:
    std::vector<QString> paths_;
    quint64 generation_;
    size_t next_ = 0;
    std::vector<int> missing_;
    int unknown_ = 0;
};

// After a check: asks "N of M files are missing. Remove them?", and when most files are
// missing asks again naming their folder; removes only after every Yes. Returns the number
// of records removed. Nothing is removed when the library changed since the check.
int resolveCheck(LibraryModel& model, const CheckJob& job);

// Copies files into a folder under their own names. The same file as the target (same
// path, or a hard link) is skipped; a name met twice in one batch is copied once; an
// existing target is replaced only with overwrite, through a temporary file and a rename.
class CopyJob final : public Job {
public:
    CopyJob(QStringList sources, QString folder, bool overwrite);
    bool step() override;
    int percent() const override;
    QString operation() const override;
    QString detail() const override;

    int copied() const { return copied_; }
    const QStringList& sameFile() const { return sameFile_; }
    const QStringList& clashes() const { return clashes_; }
    const QStringList& failed() const { return failed_; } // "path: reason"
    QString summary() const;

private:
    QStringList sources_;
    QString folder_;
    bool overwrite_;
    int next_ = 0;
    int copied_ = 0;
    QStringList seenNames_;
    QStringList sameFile_, clashes_, failed_;
};

// Moves the files of the given records to the desktop trash and removes the records whose
// files went there; a file that could not be moved stays on disk and in the library.
// Returns the failures as "path: reason".
QStringList trashRecords(LibraryModel& model, const std::vector<int>& positions);

// The library's M3U: "#EXTM3U", then per row "#EXTINF:<seconds>,<artist> - <title>" and
// the path unchanged; control characters in the text become blanks; a path holding a line
// break is skipped and listed in *skipped.
QByteArray formatLibraryM3u(const LibraryModel& model, const std::vector<int>& positions,
                            QStringList* skipped = nullptr);
bool exportM3u(const QString& fileName, const LibraryModel& model,
               const std::vector<int>& positions, QStringList* skipped = nullptr,
               QString* error = nullptr);

// The rows that export and sending act on: the selected ones in display order, or every
// shown row when none is selected.
std::vector<int> rowsToSend(const LibraryModel& model, const std::vector<int>& selectedRows);

// Asks whether to save unsaved changes before they would be lost (close, load). save() runs
// the save; returns true when the caller may go on (saved, or No), false on Cancel or when
// the save did not happen.
bool confirmDiscard(const LibraryModel& model, const std::function<bool()>& save);

} // namespace wc::base
