#include "player/ui/transportlock.h"

#include "player/core/playback/playbackcontroller.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

namespace wc {

TransportLock::TransportLock(QWidget* buttons, QToolButton* breakButton, QWidget* window)
    : QObject(window), buttons_(buttons) {
    // The picture takes every click meant for the buttons under it.
    picture_ = new QLabel(QString::fromUtf8("Блокировка"), buttons);
    picture_->setObjectName(QStringLiteral("Bevel5"));
    picture_->setAlignment(Qt::AlignCenter);
    picture_->setAutoFillBackground(true);
    picture_->setStyleSheet(QStringLiteral("background: rgba(128, 128, 128, 200); color: white;"));
    picture_->hide();
    buttons->installEventFilter(this);

    blockPlay_ = new QAction(QStringLiteral("aBlockPlay"), this);
    blockPlay_->setObjectName(QStringLiteral("aBlockPlay"));
    blockPlay_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_B));
    blockPlay_->setShortcutContext(Qt::WindowShortcut);
    window->addAction(blockPlay_);
    connect(blockPlay_, &QAction::triggered, this, [this] {
        if (controller_) controller_->aBlockPlay();
    });

    breakMenu_ = new QMenu(breakButton);
    breakMenu_->setObjectName(QStringLiteral("BreakMenu"));
    oneTrack_ = breakMenu_->addAction(QString::fromUtf8("Только один трек"));
    oneTrack_->setObjectName(QStringLiteral("brOneTrack"));
    oneTrack_->setCheckable(true);
    connect(oneTrack_, &QAction::toggled, this, [this](bool on) {
        if (controller_ && !showing_) controller_->setOneTrack(on);
    });
    breakButton->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(breakButton, &QWidget::customContextMenuRequested, this,
            [this, breakButton](const QPoint& pos) {
                breakMenu_->popup(breakButton->mapToGlobal(pos));
            });
}

void TransportLock::bind(PlaybackController* controller) {
    controller_ = controller;
    if (controller_) show(controller_->buttons());
}

void TransportLock::show(const TransportButtons& b) {
    showing_ = true;
    oneTrack_->setChecked(b.oneTrack);
    showing_ = false;
    if (b.lockShown) {
        picture_->setGeometry(buttons_->rect());
        picture_->raise();
    }
    picture_->setVisible(b.lockShown);
}

bool TransportLock::lockShown() const {
    return !picture_->isHidden();
}

bool TransportLock::eventFilter(QObject* watched, QEvent* e) {
    if (watched == buttons_ && e->type() == QEvent::Resize) picture_->setGeometry(buttons_->rect());
    return QObject::eventFilter(watched, e);
}

} // namespace wc
