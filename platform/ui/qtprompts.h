#pragma once
#include "platform/prompts.h"

class QWidget;

namespace wc {

// Message boxes on screen. notify() opens a window-modal-free box and returns at once, so
// playout goes on while the box waits for the operator; ask() runs a modal box.
class QtPrompts final : public Prompts {
public:
    explicit QtPrompts(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    void notify(PromptKind kind, const QString& caption, const QString& text) override;
    int ask(PromptKind kind, const QString& caption, const QString& text,
            const std::vector<int>& buttons, int defaultButton) override;

private:
    QWidget* parent_;
};

// The message boxes of a window program: on screen, or as log lines when nobody could answer
// them (the offscreen or minimal platform, or WAVECREST_UNATTENDED=1). Installed for the
// process on construction (after the application object), taken out on destruction.
class ProgramPrompts {
public:
    ProgramPrompts();
    ~ProgramPrompts();
    ProgramPrompts(const ProgramPrompts&) = delete;
    ProgramPrompts& operator=(const ProgramPrompts&) = delete;
    bool unattended() const { return unattended_; }
    // The window on-screen boxes belong to.
    void setWindow(QWidget* w) { screen_.setParent(w); }

private:
    QtPrompts screen_;
    LogPrompts log_;
    bool unattended_;
};

} // namespace wc
