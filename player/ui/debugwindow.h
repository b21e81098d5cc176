#pragma once
// The debug window: the program's diagnostic log lines as they come (the most recent ones),
// shown or hidden with Ctrl+D in the main window.
#include <QWidget>

class QPlainTextEdit;

namespace wc {

class DebugWindow final : public QWidget {
    Q_OBJECT
public:
    explicit DebugWindow(QWidget* parent);
    ~DebugWindow() override;

    // Shows the window when hidden and hides it when shown; the main window (the parent)
    // comes back to the front either way.
    void toggle();
    QString text() const;

private:
    QPlainTextEdit* log_;
    int sink_ = 0;
};

} // namespace wc
