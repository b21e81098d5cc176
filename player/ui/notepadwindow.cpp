#include "player/ui/notepadwindow.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace wc {

NotepadWindow::NotepadWindow(const QString& programDir, QWidget* parent)
    : QDialog(parent), pad_(programDir) {
    setObjectName(QStringLiteral("NotepadWindow"));
    setWindowTitle(QString::fromUtf8("Блокнот"));
    auto* l = new QVBoxLayout(this);
    edit_ = new QPlainTextEdit(this);
    edit_->setObjectName(QStringLiteral("NotepadText"));
    manual_ = new QCheckBox(QString::fromUtf8("Не читать описания автоматически"), this);
    manual_->setObjectName(QStringLiteral("NotepadManual"));
    l->addWidget(edit_);
    l->addWidget(manual_);
    connect(manual_, &QCheckBox::toggled, this, [this](bool on) { pad_.manualOnly = on; });
}

void NotepadWindow::pointAt(const QString& fileName, const std::function<void()>& afterSave) {
    pad_.text = edit_->toPlainText();
    if (!pad_.pointAt(fileName, afterSave)) return;
    edit_->setPlainText(pad_.text);
    show(pad_.shown);
}

void NotepadWindow::toggle() {
    show(!isVisible());
}

void NotepadWindow::show(bool on) {
    if (on)
        QDialog::show();
    else
        hide();
}

void NotepadWindow::hideEvent(QHideEvent* e) {
    // What was typed is kept when the window goes.
    pad_.text = edit_->toPlainText();
    pad_.saveCurrent();
    QDialog::hideEvent(e);
}

} // namespace wc
