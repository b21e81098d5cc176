#pragma once
// The Top 100 list: the store file's records ranked by play count, limited to files that still
// exist, with the row texts the Top 100 window shows. UI-free; the window only binds to it.
#include "common/trackstore/trackstore.h"

#include <QHash>
#include <QString>
#include <functional>
#include <vector>

namespace wc {

struct Top100Row {
    qint32 playCount = 0;
    QString caption;      // "[count] Artist - Title", or the file name without folder and extension
    QString durationText; // FormatMinSec of the measured length ("??:??" for 0)
    QString path;         // the file as found on disk
};

// Where the rows' texts come from; tests replace them.
struct Top100Sources {
    // The display text of a file; empty when its information cannot be read. Default: the
    // trimmed artist, " - ", trimmed title of its tag, when artist plus title is not empty.
    std::function<QString(const QString& path)> displayText;
    // The file's length in milliseconds (0 when unknown). Default: none (every row "??:??").
    std::function<qint64(const QString& path)> durationMs;
};

// All records of a store file, read straight from the file (a missing file gives none; a
// trailing partial record is ignored). *ok is false on a read error.
std::vector<TTrackRecord> readTrackStoreFile(const QString& path, bool* ok = nullptr);

// Sorts by play count, highest first, with a Hoare-partition quicksort whose pivot is the
// middle element; records with equal counts keep the order this sort leaves.
void sortByPlayCount(std::vector<TTrackRecord>& records);

// Finds a stored (lower-cased) path on a case-sensitive disk: the path itself when it exists,
// else the existing path whose components match it ignoring case. Directory listings are
// cached for the object's lifetime.
class CaseInsensitivePaths {
public:
    // Empty when no such file exists.
    QString resolve(const QString& storedPath);

private:
    // lower-cased entry name -> real entry name, per directory
    QHash<QString, QHash<QString, QString>> dirs_;
    const QHash<QString, QString>& entries(const QString& dir);
};

// The rows of the Top 100 window for the store file at storePath: at most `limit` rows, by
// count, skipping files that no longer exist.
std::vector<Top100Row> top100Rows(const QString& storePath, const Top100Sources& sources,
                                  int limit = 100);

// The default display text (tag artist and title), empty when there is none.
QString top100TagText(const QString& path);

} // namespace wc
