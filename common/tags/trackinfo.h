#pragma once
// Reading and writing the tag of any audio file the suite handles, chosen by the file's
// extension: ID3v1 for ".mp3" and ".wav" (for an MP3 without an ID3v1 block, its ID3v2 tag),
// the Vorbis comment for ".ogg", the ASF content attributes for ".wma", and through TagLib the
// Vorbis comments of ".flac" and of Opus or FLAC in ".opus" and ".oga" files (Ogg Vorbis in
// those goes to the suite's own reader) and the MP4 atoms of ".m4a". Every call opens its own
// readers, so calls may run on any thread.
#include "common/tags/id3.h"
#include "common/tags/tracktag.h"

#include <QString>

namespace wc {

// Fills the record and, when info is given, the technical line (channel mode, bit rate or
// bytes per second, sample rate). Returns whether a tag was read; a missing file gives false
// and leaves the record untouched.
bool ReadTrackTag(const QString& fileName, TrackTag& tag, QString* info = nullptr);

// Writes the record back into the file; genre is the ID3v1 genre byte for ".mp3" and ".wav".
// An MP3's ID3v2 tag gets the fields that differ from what the file showed (a record marked
// "ID3" writes no ID3v1 block). The TagLib formats get the fields that differ from their
// stored tag; the others keep their whole stored values. Other extensions: nothing is written
// and the result is ok.
TagWriteResult WriteTrackTag(const QString& fileName, const TrackTag& tag, uint8_t genre);

} // namespace wc
