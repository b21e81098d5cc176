#include "player/ui/debugwindow.h"

#include "common/log.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace wc {

namespace {
// A station runs for weeks: the window keeps the recent past only.
constexpr int kMaxLines = 2000;
} // namespace

DebugWindow::DebugWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("DebugWindow"));
    setWindowTitle(QStringLiteral("Debug"));
    auto* layout = new QVBoxLayout(this);
    log_ = new QPlainTextEdit(this);
    log_->setObjectName(QStringLiteral("DebugLog"));
    log_->setReadOnly(true);
    log_->setMaximumBlockCount(kMaxLines);
    log_->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(log_);
    resize(640, 320);
    sink_ = addLogSink([this](const QString& line) { log_->appendPlainText(line); });
}

DebugWindow::~DebugWindow() {
    removeLogSink(sink_);
}

void DebugWindow::toggle() {
    setVisible(!isVisible());
    if (QWidget* main = parentWidget()) {
        main->raise();
        main->activateWindow();
    }
}

QString DebugWindow::text() const {
    return log_->toPlainText();
}

} // namespace wc
