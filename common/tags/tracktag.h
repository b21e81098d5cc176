#pragma once
// The track tag record every program uses to show and edit what an audio file holds, the
// genre table, and the time and title texts shown in lists.
#include <QString>
#include <QStringList>

#include <cstdint>

namespace wc {

// 158 bytes laid out like an ID3v1 block with a wider genre. Texts are 8-bit bytes cut to
// the field and padded with zero bytes: for MP3 and WAV the raw bytes of the file's ID3v1
// block (Windows-1251 or UTF-8), for the other tags Windows-1251 when the text has a 1251
// form (one byte per character), otherwise UTF-8 cut on a character boundary.
struct TrackTag {
    // "TAG" (ID3v1), "OGG" (Ogg Vorbis), "WMA", "FLC" (FLAC), "OPU" (Opus), "MP4" (MP4
    // atoms), "ID3" (an MP3's ID3v2 tag when it has no ID3v1 block), or zero bytes for no tag
    char marker[3];
    char title[30];
    char artist[30];
    char album[30];
    char year[4];
    char comment[30];    // for ID3v1 the raw 30 bytes, with an ID3v1.1 track in the last two
    uint8_t genreLength; // genre: a length byte and up to 30 characters
    char genre[30];
};
static_assert(sizeof(TrackTag) == 158, "TrackTag is a fixed 158-byte record");

enum class TagField { Title, Artist, Album, Year, Comment, Genre };

// Sets every byte of the record to zero.
void clearTag(TrackTag& tag);

// True when the record's marker is the given three characters ("TAG", "OGG", "WMA"...).
bool tagHasMarker(const TrackTag& tag, const char* marker);
void setTagMarker(TrackTag& tag, const char* marker);
// True for the markers of tags that keep Unicode texts in their files (all but "TAG").
bool tagHoldsUnicodeTexts(const TrackTag& tag);

// A field's text: the bytes up to the first zero (genre: its length byte, clamped to 30),
// taken as UTF-8 when valid and otherwise as Windows-1251.
QString tagText(const TrackTag& tag, TagField field);

// Stores text into a field, cut to the field's size in characters and zero-padded. A text
// whose every character has a Windows-1251 form is stored in 1251, so the full 30 Cyrillic
// characters fit (and older players read an ID3v1 block); otherwise UTF-8 cut on a character
// boundary. In a record of a Unicode tag (tagHoldsUnicodeTexts), 1251 bytes that would read
// back as UTF-8 of other characters are stored as UTF-8 instead.
void setTagText(TrackTag& tag, TagField field, const QString& text);

// The raw bytes of a field (genre without its length byte), up to the first zero byte.
QByteArray tagBytes(const TrackTag& tag, TagField field);

// Whether 30 ID3v1 comment bytes end in an ID3v1.1 track number: byte 28 zero and byte 29
// not.
bool id3v11HasTrack(const char* comment);

// The ID3v1.1 track number kept in the comment's last two bytes, or 0 when there is none.
int tagTrackNumber(const TrackTag& tag);

// The 148 genre names: the ID3v1 list 0..79 and the extended list 80..147.
const QStringList& genreNames();
inline constexpr int kGenreCount = 148;

// Lengths and positions shown as texts.
QString FormatMinSec(int64_t ms);       // "mm:ss", minutes not limited; 0 gives "??:??"
QString FormatHourMinSec(int64_t ms);   // "h:mm:ss"
QString FormatMinSecTenths(int64_t ms); // "mm:ss.t"

// The name after the last folder separator ("/" or "\"), without its extension.
QString FileTitle(const QString& fileName);

// A tag text as titles and exports use it: cut at its first zero character and stripped of
// leading and trailing characters below code 33.
QString cleanTagText(const QString& text);

// The playlist title of a tagged file: "Artist – Title", or the one that is not empty; an
// artist starting with "~" is glued to the title without a separator.
QString DisplayTitle(const QString& artist, const QString& title);

// The build version of one of the suite's own executables (the running program or a
// companion program beside it); empty for any other file.
QString FileVersionText(const QString& exeName);

} // namespace wc
