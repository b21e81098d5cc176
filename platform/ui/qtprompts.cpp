#include "platform/ui/qtprompts.h"

#include "common/log.h"

#include <QGuiApplication>
#include <QMessageBox>

namespace wc {
namespace {

QMessageBox::Icon iconFor(PromptKind kind) {
    switch (kind) {
    case PromptKind::Information:
        return QMessageBox::Information;
    case PromptKind::Warning:
        return QMessageBox::Warning;
    case PromptKind::Error:
        return QMessageBox::Critical;
    case PromptKind::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton standardFor(int b) {
    switch (b) {
    case PromptOk:
        return QMessageBox::Ok;
    case PromptCancel:
        return QMessageBox::Cancel;
    case PromptYes:
        return QMessageBox::Yes;
    case PromptNo:
        return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}

} // namespace

void QtPrompts::notify(PromptKind kind, const QString& caption, const QString& text) {
    // Also logged: an unattended station keeps a record of what it told nobody.
    logLine(caption + QStringLiteral(": ") + text);
    auto* box = new QMessageBox(iconFor(kind), caption, text, QMessageBox::Ok, parent_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

int QtPrompts::ask(PromptKind kind, const QString& caption, const QString& text,
                   const std::vector<int>& buttons, int defaultButton) {
    QMessageBox box(iconFor(kind), caption, text, QMessageBox::NoButton, parent_);
    for (int b : buttons)
        box.addButton(standardFor(b));
    box.setDefaultButton(standardFor(defaultButton));
    const int chosen = box.exec();
    for (int b : buttons)
        if (standardFor(b) == chosen) return b;
    return defaultButton;
}

ProgramPrompts::ProgramPrompts() {
    const QString platform = QGuiApplication::platformName();
    unattended_ = platform == QLatin1String("offscreen") || platform == QLatin1String("minimal") ||
                  qEnvironmentVariableIntValue("WAVECREST_UNATTENDED") == 1;
    setPrompts(unattended_ ? static_cast<Prompts*>(&log_) : &screen_);
}

ProgramPrompts::~ProgramPrompts() {
    setPrompts(nullptr);
}

} // namespace wc
