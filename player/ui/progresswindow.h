#pragma once
// The small progress window of long operations: a caption line, a second text line, a bar
// and the elapsed time. Esc in it, or closing it, calls the abort function.
#include <QDialog>
#include <functional>

class QLabel;
class QProgressBar;

namespace wc {

class ProgressWindow final : public QDialog {
    Q_OBJECT
public:
    ProgressWindow(QWidget* parent, std::function<void()> abort);
    void open(const QString& caption);
    void step(int bar, const QString& text, const QString& elapsed);
    void finish();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    std::function<void()> abort_;
    QLabel* caption_;
    QLabel* text_;
    QLabel* elapsed_;
    QProgressBar* bar_;
    bool finishing_ = false;
};

} // namespace wc
