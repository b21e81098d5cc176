#pragma once
// Message boxes behind one interface: a QMessageBox in the program, a recording fake in tests,
// a log line when the player runs unattended. Nothing on the on-air path waits for an answer:
// notify() returns at once; ask() blocks and is only for actions the operator started.
#include <QString>
#include <vector>

namespace wc {

enum class PromptKind { Information, Warning, Error, Question };

enum PromptButton : int { PromptOk = 1, PromptCancel = 2, PromptYes = 6, PromptNo = 7 };

class Prompts {
public:
    virtual ~Prompts() = default;
    // Shows a message and returns at once.
    virtual void notify(PromptKind kind, const QString& caption, const QString& text) = 0;
    // Asks a question with the given buttons (PromptButton values or'ed as a list) and returns
    // the button chosen; without anyone to ask, the default button.
    virtual int ask(PromptKind kind, const QString& caption, const QString& text,
                    const std::vector<int>& buttons, int defaultButton) = 0;
};

// The process-wide prompts; LogPrompts until a program installs another.
Prompts& prompts();
void setPrompts(Prompts* p);

// Writes every prompt as a log line ("Caption: text") and answers with the default button.
class LogPrompts final : public Prompts {
public:
    void notify(PromptKind kind, const QString& caption, const QString& text) override;
    int ask(PromptKind kind, const QString& caption, const QString& text,
            const std::vector<int>& buttons, int defaultButton) override;
};

// Keeps every prompt for tests to inspect; ask() returns the queued answers in turn, then the
// default button.
class RecordingPrompts final : public Prompts {
public:
    struct Shown {
        PromptKind kind;
        QString caption;
        QString text;
        bool asked;
    };
    void notify(PromptKind kind, const QString& caption, const QString& text) override;
    int ask(PromptKind kind, const QString& caption, const QString& text,
            const std::vector<int>& buttons, int defaultButton) override;

    std::vector<Shown> shown;
    std::vector<int> answers;
};

} // namespace wc
