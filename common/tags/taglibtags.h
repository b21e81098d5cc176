#pragma once
// Tags of the formats the suite's own readers do not cover, read and written through TagLib:
// the Vorbis comments of FLAC and Opus (native FLAC, FLAC and Opus in Ogg), the MP4 atoms of
// ".m4a" files, and the ID3v2 tag of an MP3. ID3v1, Ogg Vorbis, WMA and WAV stay with the
// suite's own readers.
#include "common/tags/fileio.h"
#include "common/tags/id3.h"
#include "common/tags/tracktag.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace wc {

enum class TagLibFormat { None, Flac, OggFlac, Opus, Mp4, Id3v2 };

// The record marker of each format: "FLC" (FLAC, native or in Ogg), "OPU" (Opus), "MP4",
// "ID3" (an MP3 whose only tag is ID3v2). None gives no marker.
const char* tagLibMarker(TagLibFormat format);

// The format a file of the given lower-case extension (".flac", ".m4a", ".opus", ".oga") is
// read with. Ogg files (".opus", ".oga") are told apart by their first packet: Opus and FLAC go
// to TagLib, Ogg Vorbis gives OggVorbis (the suite's own reader), anything else None.
enum class OggContent { None, Vorbis, Opus, Flac };
OggContent oggContentOf(const tags::ByteSource& src);
bool isTagLibExtension(const QString& lowerExt);

// Fills the record from the tag: it is cleared, gets the format's marker and the texts (title,
// artist, album, year, comment, genre) cut to their fields as Ogg and WMA texts are. The info
// line (channel mode, bit rate, sample rate) is composed when asked for. True when the bytes
// parse as the format; for Id3v2, when they hold an ID3v2 tag.
bool readTagLibTag(const tags::ByteSource& src, TagLibFormat format, TrackTag& tag,
                   QString* info = nullptr);

// Whether writing tag over current changes any field: a text differs, and (with emptyKeeps)
// is not empty.
bool tagTextsDiffer(const TrackTag& tag, const TrackTag& current, bool emptyKeeps);

// Writes the fields whose texts differ between tag and current (the record as read from the
// file just before) into the file's tag; the other fields keep what the file stores, whole.
// An emptied field is removed, unless emptyKeeps is set (an ID3v2 tag beside an ID3v1 block
// follows the ID3v1 rule: an empty field keeps its stored value). The file is edited as a
// copy in its folder that is renamed over it, so a failure leaves it as it was; alsoOnCopy,
// when given, does its part of the edit on the copy (by name) before the rename.
TagWriteResult
writeTagLibTag(const QString& fileName, TagLibFormat format, const TrackTag& tag,
               const TrackTag& current, bool emptyKeeps,
               const std::function<TagWriteResult(const QString& copy)>& alsoOnCopy = {});

} // namespace wc
