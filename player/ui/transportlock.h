#pragma once
// The transport lock and the stop-after-track menu. Alt+B (aBlockPlay) lays a picture
// (Bevel5) over the transport buttons, so that none of them can be clicked while it shows;
// the controller decides whether the lock may change and keeps its state. A right click on
// btBreak opens the menu with the checkable entry brOneTrack ("Только один трек").
#include "player/core/playback/playbackview.h"

#include <QObject>

class QAction;
class QLabel;
class QMenu;
class QToolButton;
class QWidget;

namespace wc {

class PlaybackController;

class TransportLock : public QObject {
    Q_OBJECT
public:
    // buttons: the widget that holds the transport buttons; window receives Alt+B.
    TransportLock(QWidget* buttons, QToolButton* breakButton, QWidget* window);

    void bind(PlaybackController* controller);
    // The controller's button states: the lock picture and the brOneTrack check.
    void show(const TransportButtons& b);
    bool lockShown() const;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QWidget* buttons_;
    QLabel* picture_ = nullptr;
    QAction* blockPlay_ = nullptr;
    QMenu* breakMenu_ = nullptr;
    QAction* oneTrack_ = nullptr;
    PlaybackController* controller_ = nullptr;
    bool showing_ = false;
};

} // namespace wc
