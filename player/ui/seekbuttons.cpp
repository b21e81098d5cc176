#include "player/ui/seekbuttons.h"

#include "player/core/playback/playbackcontroller.h"

#include <QStyle>
#include <QToolButton>

namespace wc {

SeekButtons::SeekButtons(QWidget* parent) : QObject(parent) {
    auto make = [&](const char* name, QStyle::StandardPixmap icon, int direction) {
        auto* b = new QToolButton(parent);
        b->setObjectName(QLatin1String(name));
        b->setIcon(parent->style()->standardIcon(icon));
        connect(b, &QToolButton::clicked, this, [this, direction] {
            if (controller_) controller_->skip(direction);
        });
        return b;
    };
    rewind_ = make("SpeedButton6", QStyle::SP_MediaSeekBackward, -1);
    forward_ = make("SpeedButton7", QStyle::SP_MediaSeekForward, 1);
}

void SeekButtons::bind(PlaybackController* controller) {
    controller_ = controller;
}

} // namespace wc
