#pragma once
// The preview's progress bar: pressing, dragging and releasing on it ask to seek to where the
// mouse is; the rule that turns that into a position is PreviewController::seekTo.
#include <QProgressBar>

namespace wc::base {

class SeekBar final : public QProgressBar {
    Q_OBJECT
public:
    explicit SeekBar(QWidget* parent = nullptr);
    bool dragging() const { return dragging_; }
    void endDrag() { dragging_ = false; }

signals:
    void seekRequested(qint64 x, qint64 width);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    bool dragging_ = false;
};

} // namespace wc::base
