#include "jobprogressdialog.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace wc::base {

JobProgressDialog::JobProgressDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TProgressForm"));
    auto* lay = new QVBoxLayout(this);
    operation_ = new QLabel(this);
    operation_->setObjectName(QStringLiteral("lbOperation"));
    detail_ = new QLabel(this);
    detail_->setObjectName(QStringLiteral("lbDetail"));
    elapsed_ = new QLabel(this);
    elapsed_->setObjectName(QStringLiteral("lbElapsed"));
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("pbProgress"));
    bar_->setRange(0, 100);
    auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);
    cancel->setObjectName(QStringLiteral("btCancel"));
    auto* hint = new QLabel(QStringLiteral("Press ESC to cancel"), this);
    lay->addWidget(operation_);
    lay->addWidget(detail_);
    lay->addWidget(elapsed_);
    lay->addWidget(bar_);
    lay->addWidget(hint);
    lay->addWidget(cancel);
    connect(cancel, &QPushButton::clicked, this, [this] { emit cancelRequested(); });
    setMinimumWidth(420);
}

void JobProgressDialog::show(const QString& caption) {
    setWindowTitle(caption);
    bar_->setValue(0);
    operation_->clear();
    detail_->clear();
    elapsed_->setText(QStringLiteral("Elapsed: 0:00:00"));
    QDialog::show();
}

void JobProgressDialog::update(const QString& operation, const QString& detail, int percent,
                               qint64 elapsedMs) {
    operation_->setText(operation);
    detail_->setText(
        QFontMetrics(detail_->font()).elidedText(detail, Qt::ElideMiddle, detail_->width()));
    bar_->setValue(percent);
    const qint64 s = elapsedMs / 1000;
    elapsed_->setText(
        QString::asprintf("Elapsed: %lld:%02lld:%02lld", s / 3600, (s / 60) % 60, s % 60));
}

void JobProgressDialog::finish() {
    finishing_ = true;
    hide();
    finishing_ = false;
}

void JobProgressDialog::reject() {
    emit cancelRequested();
}

void JobProgressDialog::closeEvent(QCloseEvent* e) {
    if (!finishing_) emit cancelRequested();
    e->ignore(); // the window goes when the job has ended
}

} // namespace wc::base
