#include "previewpanel.h"

#include "base/ui/seekbar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace wc::base {

PreviewPanel::PreviewPanel(PreviewDeck& deck, Hooks hooks, QWidget* parent)
    : QWidget(parent), controller_(deck), hooks_(std::move(hooks)) {
    setObjectName(QStringLiteral("previewPanel"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    auto button = [&](const char* name, const QString& text, auto slot) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this, slot);
        row->addWidget(b);
    };
    button("btPrev", QStringLiteral("|<"), [this] { step(-1); });
    button("btPlay", QStringLiteral(">"), [this] { play(); });
    button("btStop", QStringLiteral("[]"), [this] { stop(); });
    button("btPause", QStringLiteral("||"), [this] { pause(); });
    button("btNext", QStringLiteral(">|"), [this] { step(1); });
    auto* lines = new QVBoxLayout;
    title_ = new QLabel(this);
    title_->setObjectName(QStringLiteral("lbPreviewTitle"));
    time_ = new QLabel(QStringLiteral("00:00/00:00"), this);
    time_->setObjectName(QStringLiteral("lbPreviewTime"));
    bar_ = new SeekBar(this);
    lines->addWidget(title_);
    lines->addWidget(bar_);
    lines->addWidget(time_);
    row->addLayout(lines, 1);
    volume_ = new QSlider(Qt::Vertical, this);
    volume_->setObjectName(QStringLiteral("tbVolume"));
    volume_->setRange(0, 100);
    connect(volume_, &QSlider::valueChanged, this,
            [this](int v) { controller_.setSliderPosition(v); });
    row->addWidget(volume_);
    connect(bar_, &SeekBar::seekRequested, this, [this](qint64 x, qint64 width) {
        controller_.seekTo(x, width);
        refresh();
    });
    timer_ = timerHost().createTimer(QStringLiteral("base.preview"), [this] { refresh(); });
}

void PreviewPanel::setVolumeOption(int volume) {
    volume_->setValue(100 - volume);
}
int PreviewPanel::volumeOption() const {
    return 100 - volume_->value();
}

void PreviewPanel::play() {
    const TBaseEntry* r = hooks_.selected ? hooks_.selected() : nullptr;
    if (!r) return;
    const int error = controller_.play(*r);
    if (error != 0 && hooks_.failed) hooks_.failed(error);
    if (controller_.timerWanted()) timer_->start(100);
    refresh();
}

void PreviewPanel::stop() {
    controller_.stop();
    bar_->setValue(0);
    title_->clear();
    refresh();
}

void PreviewPanel::pause() {
    controller_.togglePause();
    if (controller_.timerWanted())
        timer_->start(100);
    else
        timer_->stop();
}

void PreviewPanel::step(int delta) {
    if (!hooks_.move || !hooks_.move(delta)) return;
    controller_.stop();
    play();
}

void PreviewPanel::refresh() {
    const PreviewController::Display d = controller_.display();
    time_->setText(d.time);
    if (!bar_->dragging()) bar_->setValue(d.bar);
    title_->setText(d.title);
}

} // namespace wc::base
