#include "player/ui/conversionwindow.h"

#include "common/messages.h"
#include "platform/messagebus.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QVBoxLayout>

namespace wc {

TProgFrm::TProgFrm(const QStringList& files, const QString& encoderExe,
                   std::function<EncoderProfile()> profile, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("TProgFrm"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    auto* l = new QVBoxLayout(this);
    text_ = new QLabel(this);
    bar_ = new QProgressBar(this);
    l->addWidget(text_);
    l->addWidget(bar_);
    endpoint_ = std::make_unique<Endpoint>(
        QStringLiteral("TProgFrm"), QStringLiteral("Encoding files..."),
        [this](quint32 msg, qint64 w, qint64 lp) {
            return msg == MSG_ENCODER_PROGRESS ? session_->message(w, lp) : qint64(0);
        });
    session_ = std::make_unique<ConversionSession>(
        files, endpoint_->handle(), encoderExe, std::move(profile),
        [](const QString& program, const QStringList& args) {
            QProcess::startDetached(program, args);
        });
    session_->onChanged = [this] { refresh(); };
    refresh();
}

TProgFrm::~TProgFrm() = default;

void TProgFrm::start() {
    if (parentWidget()) move(parentWidget()->geometry().center() - rect().center());
    show();
    session_->message(2, 0);
}

void TProgFrm::refresh() {
    setWindowTitle(session_->caption());
    text_->setText(session_->text());
    bar_->setRange(0, std::max(session_->barMaximum(), 1));
    bar_->setValue(session_->barPosition());
    if (session_->destroyed()) {
        hide();
        deleteLater();
    } else if (session_->hidden()) {
        hide();
    }
}

void TProgFrm::closeEvent(QCloseEvent* e) {
    e->ignore();
    session_->close();
}

} // namespace wc
