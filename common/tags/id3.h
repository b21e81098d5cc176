#pragma once
// ID3v1 (the 128-byte block at the end of MP3 and WAV files: read and written) and the ID3v2
// header at the start of a file (measured only, so the audio after it can be found).
#include "common/tags/fileio.h"
#include "common/tags/tracktag.h"

#include <QString>

namespace wc {

class TID3v1 {
public:
    bool exists = false;
    int version = 1; // 1 = ID3v1.0, 2 = ID3v1.1 (track number in the comment's last byte)
    QString title, artist, album, year, comment;
    uint8_t track = 0;
    uint8_t genre = 255; // 255: not set

    void reset() { *this = TID3v1(); }
    // Reads the last 128 bytes; false for a source shorter than 128 bytes or an I/O error.
    bool read(const tags::ByteSource& src);
    bool readFromFile(const QString& fileName);
};

class TID3v2 {
public:
    bool exists = false;
    uint8_t version = 0;
    int32_t size = 0; // the whole tag with its header (and footer); 0 when it claims too much

    void reset() { *this = TID3v2(); }
    // Reads the 10-byte header; false when fewer than 10 bytes can be read.
    bool read(const tags::ByteSource& src);
    bool readFromFile(const QString& fileName);
};

// Fills the record from the file's ID3v1 block: raw title, artist, album, year and comment
// bytes, the genre as its name. True when the last 128 bytes could be read, tag or not.
bool ReadID3v1(const QString& fileName, TrackTag& tag);
bool readId3v1(const tags::ByteSource& src, TrackTag& tag);

// What a tag write did; error holds the text for the user when it failed.
struct TagWriteResult {
    bool ok = false;
    QString error;
};
// The caption of the boxes that show write errors.
inline constexpr const char* kTagEditorCaption = "Base tag editor";

// Writes the record as the file's ID3v1 block. With the marker "TAG": updates an existing
// block (fields whose first byte is zero keep their stored value; the genre byte is written
// when it is 0..147 or 255) or appends a new one; without it, removes an existing block.
// An update rewrites the file through a temporary file; an append or a removal changes only
// the end of the file and restores its length when it fails.
TagWriteResult WriteID3v1(const QString& fileName, const TrackTag& tag, uint8_t genre);
// The same for a copy that no one else sees yet (it is renamed over the original afterwards):
// an update rewrites the block where it stands.
TagWriteResult WriteID3v1InPlace(const QString& fileName, const TrackTag& tag, uint8_t genre);

} // namespace wc
