#include "seekbar.h"

#include <QMouseEvent>

namespace wc::base {

SeekBar::SeekBar(QWidget* parent) : QProgressBar(parent) {
    setObjectName(QStringLiteral("pbPreview"));
    setRange(0, 100);
    setValue(0);
    setTextVisible(false);
}

void SeekBar::mousePressEvent(QMouseEvent* e) {
    dragging_ = true;
    emit seekRequested(qint64(e->position().x()), width());
}

void SeekBar::mouseMoveEvent(QMouseEvent* e) {
    if (dragging_) emit seekRequested(qint64(e->position().x()), width());
}

void SeekBar::mouseReleaseEvent(QMouseEvent* e) {
    if (dragging_) emit seekRequested(qint64(e->position().x()), width());
    dragging_ = false;
}

} // namespace wc::base
