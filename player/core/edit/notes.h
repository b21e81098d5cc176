#pragma once
// Text notes: one text file per audio file, in the program folder's "Txt/", and the note
// icon of the on-air list's rows.
#include "player/core/playlist/playlistview.h"

#include <QString>
#include <functional>

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

// The notepad: the text note of the on-air list's selected or starting item. Pointing it at
// another item first saves the note shown so far (an empty text deletes its file), then loads
// the new one: the window shows when the note exists, and is cleared and closed otherwise.
class Notepad {
public:
    explicit Notepad(const QString& programDir) : programDir_(programDir) {}
    // The text in the window (the window keeps it up to date before every pointAt).
    QString text;
    bool shown = false;
    // "Не читать описания автоматически": the notepad stays with its note.
    bool manualOnly = false;
    const QString& noteFile() const { return noteFile_; }

    // Points the notepad at the note of fileName (unless manualOnly); afterChange runs between
    // saving the old note and loading the new one (the visible note icons are refreshed
    // there). Returns whether it moved.
    bool pointAt(const QString& fileName, const std::function<void()>& afterChange = {});
    // Saves the note shown now (when the window closes, or the program does).
    bool saveCurrent(QString* error = nullptr);

private:
    QString programDir_;
    QString noteFile_;
};

} // namespace wc
