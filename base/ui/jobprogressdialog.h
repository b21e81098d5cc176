#pragma once
// The progress window of a long library operation: the operation and detail lines, the time
// since it began, a 0..100 bar and Cancel. Esc, Cancel or closing the window cancels the job.
#include <QDialog>

class QLabel;
class QProgressBar;

namespace wc::base {

class JobProgressDialog final : public QDialog {
    Q_OBJECT
public:
    explicit JobProgressDialog(QWidget* parent = nullptr);
    void show(const QString& caption);
    void update(const QString& operation, const QString& detail, int percent, qint64 elapsedMs);
    void finish();

signals:
    void cancelRequested();

protected:
    void reject() override; // Esc and the window's close button
    void closeEvent(QCloseEvent* e) override;

private:
    QLabel* operation_;
    QLabel* detail_;
    QLabel* elapsed_;
    QProgressBar* bar_;
    bool finishing_ = false;
};

} // namespace wc::base
