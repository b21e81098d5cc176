#include "preview.h"

#include "base/core/windowrules.h"
#include "common/errortext.h"
#include "common/tags/tracktag.h"

#include <algorithm>

namespace wc::base {

QString previewErrorMessage(int error) {
    return QStringLiteral("File can't be played. Error: %1 (%2)").arg(error).arg(ErrorText(error));
}

void PreviewController::applyVolume() {
    deck_.setVolume(100 - std::clamp(slider_, 0, 100));
}

int PreviewController::play(const TBaseEntry& record) {
    applyVolume();
    timer_ = true;
    if (deck_.paused()) {
        deck_.resume();
        return 0;
    }
    const int error = deck_.play(record.fileName);
    if (error != 0) {
        title_.clear();
        return error;
    }
    if (monType_ == 0) deck_.setPan(-100);
    const QString artist = record.artist.trimmed(), title = record.title.trimmed();
    title_ = artist.isEmpty() && title.isEmpty() ? FileTitle(record.fileName)
                                                 : artist + QStringLiteral(" - ") + title;
    return 0;
}

void PreviewController::stop() {
    applyVolume();
    deck_.stop();
    title_.clear();
}

void PreviewController::togglePause() {
    applyVolume();
    if (deck_.paused()) {
        deck_.resume();
        timer_ = true;
    } else {
        deck_.pause();
        timer_ = false;
    }
}

PreviewController::Display PreviewController::display() const {
    Display d;
    const qint64 length = deck_.lengthMs();
    if (length <= 0 || !(deck_.playing() || deck_.paused())) {
        d.time = QStringLiteral("00:00/00:00");
        return d;
    }
    const qint64 pos = std::clamp<qint64>(deck_.positionMs(), 0, length);
    auto mmss = [](qint64 ms) {
        const qint64 s = ms / 1000;
        return QString::asprintf("%.2lld:%.2lld", s / 60, s % 60);
    };
    d.time = mmss(pos) + '/' + mmss(length);
    d.bar = int(pos * 100 / length);
    d.title = title_;
    return d;
}

void PreviewController::seekTo(qint64 x, qint64 width) {
    const qint64 length = deck_.lengthMs();
    if (length <= 0 || width <= 0) return;
    deck_.seekMs(seekTargetMs(x, width, length));
}

} // namespace wc::base
