#pragma once
// The tag editor's rules. Only the fields the user changed are written; every other field is
// what each file's own tag holds, so editing several files at once changes only what was
// typed. "Auto (from filename)" takes artist and title from each file's own name. After the
// write the tag is read back into the file's record; a file type without a tag reader keeps
// its record's fields.
#include "base/core/librarymodel.h"
#include "common/tags/tracktag.h"
#include "common/trackstore/trackstore.h"

#include <QStringList>
#include <optional>
#include <vector>

namespace wc::base {

inline constexpr uint8_t kGenreNone = 255;     // "<none>"
inline constexpr uint8_t kGenreKeep = 250;     // keep the file's genre byte
inline constexpr uint8_t kGenreNoChoice = 254; // no entry chosen

struct TagChanges {
    std::optional<QString> title, artist, album, year, comment;
    // The genre: its text and its ID3v1 byte, set when the user chose one.
    std::optional<QString> genreText;
    uint8_t genreByte = kGenreKeep;
    // "Не изменять": the genre stays whatever was chosen.
    bool keepGenre = false;
    bool autoFromFileName = false;
    // "ID3v1 Tag" unchecked: the ID3v1 block of MP3 and WAV files is removed.
    bool removeId3v1 = false;
    bool empty() const;
};

// The tag the single-file editor opens with: the file's own tag, or (a file type without a
// tag reader, or one that cannot be read) the record's fields.
TrackTag editorStartTag(const TBaseEntry& record);

// The genre list entry of a genre text: 0 "<none>" for empty, 1 + index for a known name, -1
// when the name is not in the list.
int genreListIndex(const QString& genreText);

struct TagApplyResult {
    int written = 0;
    QStringList failures; // "path: reason"
};

// Writes the changes into the files of the given records, in the order given, and updates the
// records from what the files hold afterwards. Marks the library modified when a record
// changed.
TagApplyResult applyTagChanges(LibraryModel& model, const std::vector<int>& positions,
                               const TagChanges& changes);

// The per-track values the single-file editor shows and edits.
struct StoreValues {
    qint32 introMs = 0, outroMs = 0, mixMs = 0, fadeOutMs = 0, fadeInMs = 0;
    bool mixOn = false, fadeOutOn = false, fadeInOn = false;
    qint32 playCount = 0, bpm = 0;
    double lastPlay = 0;
    bool operator==(const StoreValues&) const = default;
};
StoreValues storeValuesOf(const TTrackRecord& r);

// Writes back only the values that differ between opened and edited, into the record as the
// store holds it at this moment (so a play counted meanwhile by the player survives). Returns
// whether anything was written (false also when nothing changed).
bool writeChangedStoreValues(MyDatabase& store, const QString& fileName, const StoreValues& opened,
                             const StoreValues& edited);

} // namespace wc::base
