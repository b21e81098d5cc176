#include "player/ui/progresswindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace wc {

ProgressWindow::ProgressWindow(QWidget* parent, std::function<void()> abort)
    : QDialog(parent), abort_(std::move(abort)) {
    setObjectName(QStringLiteral("ProgressWindow"));
    setModal(false);
    auto* l = new QVBoxLayout(this);
    caption_ = new QLabel(this);
    caption_->setObjectName(QStringLiteral("ProgressCaption"));
    text_ = new QLabel(this);
    text_->setObjectName(QStringLiteral("ProgressText"));
    // A long folder name is shortened to fit rather than widening the window.
    text_->setMinimumWidth(360);
    text_->setMaximumWidth(360);
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("ProgressBar"));
    bar_->setRange(0, 100);
    elapsed_ = new QLabel(this);
    elapsed_->setObjectName(QStringLiteral("ProgressElapsed"));
    for (QWidget* w : {static_cast<QWidget*>(caption_), static_cast<QWidget*>(text_),
                       static_cast<QWidget*>(bar_), static_cast<QWidget*>(elapsed_)})
        l->addWidget(w);
}

void ProgressWindow::open(const QString& caption) {
    caption_->setText(caption);
    text_->clear();
    bar_->setValue(0);
    show();
}

void ProgressWindow::step(int bar, const QString& text, const QString& elapsed) {
    if (bar >= 0) bar_->setValue(bar);
    text_->setText(text_->fontMetrics().elidedText(text, Qt::ElideMiddle, text_->width()));
    elapsed_->setText(elapsed);
}

void ProgressWindow::finish() {
    finishing_ = true;
    hide();
    finishing_ = false;
}

void ProgressWindow::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        if (abort_) abort_();
        return;
    }
    QDialog::keyPressEvent(e);
}

void ProgressWindow::closeEvent(QCloseEvent* e) {
    if (!finishing_ && abort_) abort_();
    // The job closes the window when it has stopped after its current item.
    e->ignore();
}

} // namespace wc
