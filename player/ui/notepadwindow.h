#pragma once
// The notepad window: the text note of the on-air list's selected or starting item, with the
// option not to follow the list. The logic is Notepad's; this keeps the widgets in step.
#include "player/core/edit/notes.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QPlainTextEdit;

namespace wc {

class NotepadWindow final : public QDialog {
    Q_OBJECT
public:
    NotepadWindow(const QString& programDir, QWidget* parent);
    // Points the window at the note of fileName; afterSave refreshes the note icons.
    void pointAt(const QString& fileName, const std::function<void()>& afterSave);
    // "Блокнот... (T)": shows or hides the window.
    void toggle();
    Notepad& notepad() { return pad_; }

protected:
    void hideEvent(QHideEvent* e) override;

private:
    void show(bool on);

    Notepad pad_;
    QPlainTextEdit* edit_;
    QCheckBox* manual_;
};

} // namespace wc
