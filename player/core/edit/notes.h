#pragma once
// Text notes: one text file per audio file, in the program folder's "Txt/", and the note
// icon of the on-air list's rows.
#include "player/core/playlist/playlistview.h"

#include <QString>

namespace wc {

// The note file of an audio file: the full path with its extension changed to ".txt",
// every "/" and ":" replaced by "_", in programDir + "Txt/". A name longer than the file
// system allows is cut and ends with a hash of the whole path, so two long paths never share
// a note. Empty when the file does not exist (it then has no note).
QString NoteFileFor(const QString& programDir, const QString& fileName);

// The note icon for rows first..last of the list (clamped): an item that is not a scheduler
// insert gets the note icon when its note file exists and the plain icon otherwise. Returns
// the number of items whose icon changed.
int RefreshNoteIcons(PlaylistView& master, const QString& programDir, int first, int last);

// The notepad's text for a note file: saved, or the file deleted when the text is empty.
bool SaveNoteText(const QString& noteFile, const QString& text, QString* error = nullptr);
QString LoadNoteText(const QString& noteFile, bool* exists = nullptr);

} // namespace wc
