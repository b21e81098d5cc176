#pragma once
// What has the focus in the main window, for the clipboard commands: the active playlist, a
// text field, or anything else; and the text field's own cut, copy and paste.
#include "player/core/edit/commandstates.h"

class QTableView;
class QWidget;

namespace wc {

// The window's focus widget (kept while a menu of the window is open); searchList is the
// library-search result list when there is one.
EditFocus editFocusIn(QWidget* window, const QTableView* activeView,
                      const QTableView* searchList = nullptr);
// The window's focused text field, or nullptr.
QWidget* focusedTextField(QWidget* window);
// Runs the field's own "cut", "copy" or "paste".
void textFieldCommand(QWidget* field, const char* command);

} // namespace wc
