#pragma once
// The conversion window's protocol with the encoder helper, one file at a time: the helper is
// started once per file with the window's handle, the source, the output folder, the
// extension and the profile's encoder command as separate arguments, and reports with
// MSG_ENCODER_PROGRESS: wParam 0 the bar's maximum, 1 the position (answered 1 while the
// window is terminating, which stops the helper), 2 a file done or abandoned (which starts
// the next). Closing the window terminates: it is only hidden until the helper's last report.
#include <QString>
#include <QStringList>
#include <functional>

namespace wc {

struct EncoderProfile {
    QString command; // Encoder/Command, e.g. "lame.exe -h - ::s"
    QString outDir;
    QString ext;
    QString presetName;
};

class ConversionSession {
public:
    // Starts one helper process with an argument list; the result is not examined.
    using Launch = std::function<void(const QString& program, const QStringList& args)>;
    ConversionSession(const QStringList& files, qint32 windowHandle, const QString& encoderExe,
                      std::function<EncoderProfile()> profile, Launch launch);

    // MSG_ENCODER_PROGRESS; returns the message's result.
    qint64 message(qint64 wParam, qint64 lParam);
    // The window is closed (by the user or by the steps above).
    void close();

    QString caption() const;
    const QString& text() const { return text_; }
    int barMaximum() const { return barMax_; }
    int barPosition() const { return barPos_; }
    bool terminating() const { return terminating_; }
    bool finished() const { return finished_; }
    // Hidden (closed while a helper still runs) or destroyed (finished and closed).
    bool hidden() const { return hidden_; }
    bool destroyed() const { return destroyed_; }
    int counter() const { return counter_; }

    // Told when the window must show itself anew (caption, text, bar) or go.
    std::function<void()> onChanged;

private:
    void startFile(int index, const EncoderProfile& p);

    QStringList files_;
    qint32 window_;
    QString encoderExe_;
    std::function<EncoderProfile()> profile_;
    Launch launch_;
    int counter_ = 0;
    bool terminating_ = false;
    bool finished_ = false;
    bool hidden_ = false;
    bool destroyed_ = false;
    int barMax_ = 10;
    int barPos_ = 0;
    QString text_;
};

// The encoder command of the profile as an argument list (quotes group words; no shell).
QStringList encoderCommandWords(const QString& command);

} // namespace wc
