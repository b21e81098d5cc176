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

} // namespace wc
