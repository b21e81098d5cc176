#pragma once
// When the clipboard commands and the list-wide deletions of the main window can act. They
// act on what has the focus: the active playlist (its items), the library-search result list
// (Copy puts the selected results on the playlist clipboard; the list is read-only, so Cut and
// Delete do nothing there rather than act on a playlist the operator is not looking at), a
// text field (the field's own cut and copy; its Ctrl+X, Ctrl+C, Ctrl+V and Delete keys are the
// field's) or anything else (nothing to act on).
#include <QString>
#include <QStringList>

namespace wc {

enum class EditFocus { ActivePlaylist, SearchList, TextField, Elsewhere };

struct EditCommandStates {
    bool cut = false;
    bool copy = false;
    bool paste = false;
    bool del = false;    // Delete: the active list's selection
    bool delAll = false; // Delete all
    bool operator==(const EditCommandStates&) const = default;
};

// count and selected: the focused list's items and selected items (the active playlist's, or
// the search list's); clipboardItems: items on the playlist clipboard.
EditCommandStates editCommandStates(EditFocus focus, int count, int selected, bool clipboardItems);

// A file-dialog filter written as "description|patterns|description|patterns" with the
// patterns separated by ";" turned into Qt's name filters ("description (p1 p2)").
QStringList qtNameFilters(const QString& pipeFilter);

// The add-file dialog's filter: every playable type, then the line input alone.
QString addFileFilter();

} // namespace wc
