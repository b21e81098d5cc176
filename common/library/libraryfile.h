#pragma once
// The music library file (".dfs"): no header, no trailer, a sequence of 492-byte records,
// one per audio file, in library order. All integers are little-endian; texts are
// length-prefixed strings of fixed capacity holding UTF-8 cut on a character boundary
// (files from older installations hold Windows-1251, which is read as such).
//
// Record layout (offset, size):
//   0   1    reserved (written 0)
//   1   51   title     (length byte + 50)
//   52  51   artist    (length byte + 50)
//   103 51   album     (length byte + 50)
//   154 5    year      (length byte + 4)
//   159 31   comment   (length byte + 30)
//   190 31   genre     (length byte + 30, the genre name as text)
//   221 256  file name (length byte + 255)
//   477 3    reserved (written 0)
//   480 4    duration in milliseconds, u32 (0 = no length yet)
//   484 4    file size in bytes, u32 (0 when added as a single file)
//   488 4    reserved (written 0)
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace wc {

inline constexpr int kBaseEntrySize = 492;

struct TBaseEntry {
    QString title;
    QString artist;
    QString album;
    QString year;
    QString comment;
    QString genre;
    QString fileName;
    quint32 durationMs = 0;
    quint32 fileSize = 0;
    bool operator==(const TBaseEntry&) const = default;
};

using TBaseEntryArr = std::vector<TBaseEntry>;

// Field capacities in bytes (without the length byte).
inline constexpr int kTitleCapacity = 50;
inline constexpr int kArtistCapacity = 50;
inline constexpr int kAlbumCapacity = 50;
inline constexpr int kYearCapacity = 4;
inline constexpr int kCommentCapacity = 30;
inline constexpr int kGenreCapacity = 30;
inline constexpr int kFileNameCapacity = 255;

// Writes one record into out[0..491]: texts cut to their capacity on a character boundary,
// unused and reserved bytes zero.
void encodeBaseEntry(const TBaseEntry& entry, unsigned char* out);
// Reads one record from in[0..491]. A length byte larger than its field is clamped; the
// reserved bytes are not interpreted.
TBaseEntry decodeBaseEntry(const unsigned char* in);

// The whole file form of a library, and its parse (a trailing partial record is ignored).
QByteArray encodeLibrary(const TBaseEntryArr& entries);
TBaseEntryArr decodeLibrary(const QByteArray& bytes);

enum class LibraryReadStatus { Ok, Missing, Unreadable };

// Reads a whole library file in one block. A missing file gives an empty array and Missing;
// a file that exists but cannot be read gives an empty array, Unreadable and *error.
TBaseEntryArr readLibraryFile(const QString& fileName, LibraryReadStatus* status = nullptr,
                              QString* error = nullptr);
// Writes the file through a temporary file renamed over the target.
bool writeLibraryFile(const QString& fileName, const TBaseEntryArr& entries,
                      QString* error = nullptr);

// The library program's loaded library: the records in library order, the current file name
// and whether there are unsaved changes.
class LibraryStore {
public:
    // Loads a file. A missing file gives an empty library under that name (no error). A file
    // that exists but cannot be read is reported (false, *error) and changes nothing: the
    // loaded records, the name and the modified flag stay as they were, so a later save
    // cannot overwrite the unreadable file with an empty library.
    bool LoadLibrary(const QString& fileName, QString* error = nullptr);
    // Writes every record in library order (temporary file, then rename). On success the name
    // is adopted and the library counts as saved; on failure it is reported (false, *error),
    // the target is untouched and the library stays modified.
    bool SaveLibrary(const QString& fileName, QString* error = nullptr);

    TBaseEntryArr& LibraryList() { return list_; }
    const TBaseEntryArr& LibraryList() const { return list_; }
    const QString& LibraryName() const { return name_; }
    bool LibraryModified() const { return modified_; }
    void setModified(bool modified = true) { modified_ = modified; }

private:
    TBaseEntryArr list_;
    QString name_;
    bool modified_ = false;
};

} // namespace wc
