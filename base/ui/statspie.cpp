#include "statspie.h"

#include <QPainter>

namespace wc::base {

namespace {
const char* const kNames[] = {"MP3", "WAV", "WMA", "Ogg"};
const QColor kColours[] = {QColor(0, 0, 0xFF), QColor(0xFF, 0, 0xFF), QColor(0xFF, 0x99, 0x33),
                           QColor(0, 0xFF, 0x40)};
} // namespace

StatsPie::StatsPie(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pbChart"));
    setMinimumSize(320, 160);
}

void StatsPie::setShares(const std::array<double, 4>& shares) {
    shares_ = shares;
    known_ = true;
    update();
}

QStringList StatsPie::legend() const {
    QStringList out;
    for (size_t i = 0; i < 4; ++i)
        out << QString::asprintf("%s: %6.3f%%", kNames[i], shares_[i]);
    return out;
}

void StatsPie::paintEvent(QPaintEvent*) {
    if (!known_) return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int side = std::min(height(), width() / 2) - 10;
    const QRect pie(5, 5, side, side);
    int start = 90 * 16;
    for (size_t i = 0; i < 4; ++i) {
        if (shares_[i] < 0.1) continue;
        const int span = -int(shares_[i] * 360.0 * 16.0 / 100.0);
        p.setPen(Qt::black);
        p.setBrush(kColours[i]);
        p.drawPie(pie, start, span);
        start += span;
    }
    const QStringList lines = legend();
    for (int i = 0; i < 4; ++i) {
        const int y = 10 + i * 20;
        p.setBrush(kColours[i]);
        p.drawRect(side + 20, y, 12, 12);
        p.drawText(side + 40, y + 11, lines[i]);
    }
}

} // namespace wc::base
