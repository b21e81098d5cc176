#include "player/ui/editfocus.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTextEdit>

namespace wc {

namespace {
// The widget whose cut, copy and paste a focused widget stands for.
QWidget* editableOf(QWidget* w) {
    if (!w) return nullptr;
    if (qobject_cast<QLineEdit*>(w) || qobject_cast<QTextEdit*>(w) ||
        qobject_cast<QPlainTextEdit*>(w))
        return w;
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(w)) return spin->findChild<QLineEdit*>();
    // An editable combo box passes its focus on from its line edit.
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->lineEdit();
    return nullptr;
}
} // namespace

QWidget* focusedTextField(QWidget* window) {
    return editableOf(window ? window->focusWidget() : nullptr);
}

EditFocus editFocusIn(QWidget* window, const QTableView* activeView, const QTableView* searchList) {
    QWidget* f = window ? window->focusWidget() : nullptr;
    if (!f) return EditFocus::Elsewhere;
    auto holds = [f](const QTableView* v) {
        return v && (f == v || f == v->viewport()) && v->isVisible();
    };
    if (holds(activeView)) return EditFocus::ActivePlaylist;
    if (holds(searchList)) return EditFocus::SearchList;
    return editableOf(f) ? EditFocus::TextField : EditFocus::Elsewhere;
}

void textFieldCommand(QWidget* field, const char* command) {
    if (field) QMetaObject::invokeMethod(field, command);
}

} // namespace wc
