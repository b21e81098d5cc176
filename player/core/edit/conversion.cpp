#include "player/core/edit/conversion.h"

#include <QProcess>

namespace wc {

QStringList encoderCommandWords(const QString& command) {
    return QProcess::splitCommand(command);
}

ConversionSession::ConversionSession(const QStringList& files, qint32 windowHandle,
                                     const QString& encoderExe,
                                     std::function<EncoderProfile()> profile, Launch launch)
    : files_(files), window_(windowHandle), encoderExe_(encoderExe), profile_(std::move(profile)),
      launch_(std::move(launch)) {}

QString ConversionSession::caption() const {
    if (counter_ == 0) return QStringLiteral("Encoding files...");
    QString c = QStringLiteral("Encoding file %1 of %2...").arg(counter_).arg(files_.size());
    if (terminating_) c += QStringLiteral(" [terminating]");
    return c;
}

qint64 ConversionSession::message(qint64 wParam, qint64 lParam) {
    if (destroyed_) return 0;
    switch (wParam) {
    case 0:
        barMax_ = int(lParam);
        break;
    case 1:
        barPos_ = int(lParam);
        if (terminating_) {
            finished_ = true;
            if (onChanged) onChanged();
            return 1;
        }
        break;
    case 2: {
        if (finished_) {
            close();
            return 0;
        }
        barMax_ = 10;
        barPos_ = 0;
        ++counter_;
        if (counter_ > files_.size()) {
            finished_ = true;
            close();
            return 0;
        }
        const EncoderProfile p = profile_ ? profile_() : EncoderProfile{};
        if (terminating_) finished_ = true;
        startFile(counter_ - 1, p);
        if (terminating_) close();
        break;
    }
    default:
        return 0;
    }
    if (onChanged) onChanged();
    return 0;
}

void ConversionSession::startFile(int index, const EncoderProfile& p) {
    if (finished_) {
        close();
        return;
    }
    text_ = p.presetName;
    QStringList args{QString::number(window_), files_.value(index), p.outDir, p.ext};
    args += encoderCommandWords(p.command);
    if (launch_) launch_(encoderExe_, args);
}

void ConversionSession::close() {
    terminating_ = true;
    if (finished_) {
        destroyed_ = true;
        hidden_ = false;
    } else {
        hidden_ = true;
    }
    if (onChanged) onChanged();
}

} // namespace wc
