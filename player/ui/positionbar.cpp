#include "player/ui/positionbar.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionSlider>
#include <algorithm>

namespace wc {

PositionBar::PositionBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setRange(0, 1000);
    // Room under the groove for the markers.
    setMinimumHeight(sizeHint().height() + 6);
}

void PositionBar::setMarkers(int start, int end) {
    start = std::clamp(start, minimum(), maximum());
    end = std::clamp(end, minimum(), maximum());
    if (start == start_ && end == end_) return;
    start_ = start;
    end_ = end;
    update();
}

int PositionBar::startMarkValue() const {
    return start_ > 0 ? minimum() + start_ : -1;
}

int PositionBar::endMarkValue() const {
    return end_ > 0 ? maximum() - end_ : -1;
}

void PositionBar::paintEvent(QPaintEvent* e) {
    QSlider::paintEvent(e);
    if (startMarkValue() < 0 && endMarkValue() < 0) return;
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
    // The handle's centre travels over the groove less one handle width; a marker sits where
    // the centre would be at its value.
    const int span = std::max(1, groove.width() - handle.width());
    const int left = groove.x() + handle.width() / 2;
    auto xOf = [&](int value) {
        return left +
               QStyle::sliderPositionFromValue(minimum(), maximum(), value, span, opt.upsideDown);
    };
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int base = height() - 1;
    const int size = 5;
    auto mark = [&](int value, const QColor& colour) {
        if (value < 0) return;
        const int x = xOf(value);
        QPainterPath tri;
        tri.moveTo(x, base - size - 1);
        tri.lineTo(x - size, base);
        tri.lineTo(x + size, base);
        tri.closeSubpath();
        p.fillPath(tri, colour);
        p.setPen(QPen(colour, 1));
        p.drawLine(x, groove.top(), x, base - size - 1);
    };
    mark(startMarkValue(), QColor(0, 150, 0));
    mark(endMarkValue(), QColor(200, 0, 0));
}

} // namespace wc
