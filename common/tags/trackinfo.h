#pragma once
// Reading and writing the tag of any audio file the suite handles, chosen by the file's
// extension: ID3v1 for ".mp3" and ".wav", the Vorbis comment for ".ogg", the ASF content
// attributes for ".wma". Every call opens its own readers, so calls may run on any thread.
#include "common/tags/id3.h"
#include "common/tags/tracktag.h"

#include <QString>

namespace wc {

// Fills the record and, when info is given, the technical line (channel mode, bit rate or
// bytes per second, sample rate). Returns whether a tag was read; a missing file gives false
// and leaves the record untouched.
bool ReadTrackTag(const QString& fileName, TrackTag& tag, QString* info = nullptr);

// Writes the record back into the file; genre is the ID3v1 genre byte for ".mp3" and ".wav".
// Other extensions: nothing is written and the result is ok.
TagWriteResult WriteTrackTag(const QString& fileName, const TrackTag& tag, uint8_t genre);

} // namespace wc
