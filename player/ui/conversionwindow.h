#pragma once
// TProgFrm, the conversion window: a caption, one text line and a bar, kept on top, showing
// the session of the selected files with the encoder helper. Closing it terminates the
// session; it is destroyed once the helper has made its last report.
#include "player/core/edit/conversion.h"

#include <QDialog>
#include <memory>

class QLabel;
class QProgressBar;

namespace wc {

class Endpoint;

class TProgFrm final : public QDialog {
    Q_OBJECT
public:
    TProgFrm(const QStringList& files, const QString& encoderExe,
             std::function<EncoderProfile()> profile, QWidget* parent);
    ~TProgFrm() override;
    // Shows the window and starts the first file.
    void start();
    ConversionSession& session() { return *session_; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void refresh();

    std::unique_ptr<ConversionSession> session_;
    std::unique_ptr<Endpoint> endpoint_;
    QLabel* text_;
    QProgressBar* bar_;
};

} // namespace wc
