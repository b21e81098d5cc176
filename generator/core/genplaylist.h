#pragma once
// Reading the generator's auxiliary playlists (rotation, jingles, hour signals, commercial
// blocks) into library records.
#include "common/library/libraryfile.h"

#include <QByteArray>

namespace wc {

// Parses playlist text into records without touching the audio files: "#EXTM3U" lines are
// skipped, an "#EXTINF:<seconds>,..." line gives the duration of the path on the next line
// (negative or unreadable lengths count as 0; an information line at the end gives nothing),
// any other non-blank line is a path of duration 0. Relative paths are taken from folder.
TBaseEntryArr parseGeneratorPlaylist(const QByteArray& bytes, const QString& folder);

// Reads a playlist file and fills each record's texts from the audio file's tag. A missing
// file is reported with an error box ("Playlist "<name>" not found!", caption "Error") and
// gives no records.
TBaseEntryArr ReadGeneratorPlaylist(const QString& fileName);

} // namespace wc
