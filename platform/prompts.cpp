#include "platform/prompts.h"

#include "common/log.h"

namespace wc {
namespace {
LogPrompts gLogPrompts;
Prompts* gPrompts = &gLogPrompts;
} // namespace

Prompts& prompts() {
    return *gPrompts;
}
void setPrompts(Prompts* p) {
    gPrompts = p ? p : &gLogPrompts;
}

void LogPrompts::notify(PromptKind, const QString& caption, const QString& text) {
    logLine(caption.isEmpty() ? text : caption + QStringLiteral(": ") + text);
}

int LogPrompts::ask(PromptKind kind, const QString& caption, const QString& text,
                    const std::vector<int>&, int defaultButton) {
    notify(kind, caption, text);
    return defaultButton;
}

void RecordingPrompts::notify(PromptKind kind, const QString& caption, const QString& text) {
    shown.push_back({kind, caption, text, false});
}

int RecordingPrompts::ask(PromptKind kind, const QString& caption, const QString& text,
                          const std::vector<int>&, int defaultButton) {
    shown.push_back({kind, caption, text, true});
    if (answers.empty()) return defaultButton;
    const int a = answers.front();
    answers.erase(answers.begin());
    return a;
}

} // namespace wc
