#pragma once
// The tag part of the information page: the fields shown for a file, the record Save writes
// from them, and the playlist rows that follow a save.
#include "common/tags/id3.h"

#include <QString>
#include <cstdint>

namespace wc {

class PlayerPlaylists;

// Genre bytes passed to the tag writer: "<none>", and a value the ID3v1 writer leaves alone
// (it writes only 0..147 and 255), so the file keeps the genre byte it has.
inline constexpr uint8_t kGenreByteNone = 255;
inline constexpr uint8_t kGenreByteKeep = 250;

struct TagPageFields {
    QString title, artist, album, year, comment;
    QString genre; // the genre list's text
    bool tag = true;
    QString info; // the technical line
};

// What the page shows for a file: each text cut at its first zero byte and trimmed of
// control characters and blanks at both ends, the year at most four characters.
TagPageFields readTagPageFields(const QString& fileName);

// The genre byte Save writes for the genre list's text: a known name (any case) gives its
// index, "<none>" or an empty text gives 255, any other text keeps the file's byte.
uint8_t genreByteForText(const QString& genreText);

// The record Save writes: marker by the "Tag" box (a playlist file is never written), every
// empty field a single space so the writer replaces the stored value.
TrackTag tagRecordForSave(const QString& fileName, const TagPageFields& fields);

// Writes the page's fields into the file. A ".m3u" file or no file writes nothing (ok).
TagWriteResult saveTagPage(const QString& fileName, const TagPageFields& fields);

// After a save: every row of both playlists whose file is fileName gets its title again from
// the file's tag (or the file name when artist and title are both empty); lengths are kept,
// since a tag write does not change the playing length. Returns how many rows changed.
int refreshRowsOfFile(PlayerPlaylists& lists, const QString& fileName);

} // namespace wc
