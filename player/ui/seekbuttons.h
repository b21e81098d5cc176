#pragma once
// The rewind and fast-forward buttons (SpeedButton6, tag -1; SpeedButton7, tag 1): each
// click moves the playing item 5 s back or on.
#include <QObject>

class QToolButton;
class QWidget;

namespace wc {

class PlaybackController;

class SeekButtons : public QObject {
    Q_OBJECT
public:
    explicit SeekButtons(QWidget* parent);

    QToolButton* rewind() const { return rewind_; }
    QToolButton* forward() const { return forward_; }
    // The buttons act on the controller from now on (it must outlive them or be unbound).
    void bind(PlaybackController* controller);

private:
    QToolButton* rewind_ = nullptr;
    QToolButton* forward_ = nullptr;
    PlaybackController* controller_ = nullptr;
};

} // namespace wc
