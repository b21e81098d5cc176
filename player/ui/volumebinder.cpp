#include "player/ui/volumebinder.h"

#include "audio/audioengine.h"
#include "player/core/playback/mastervolume.h"

#include <QLabel>
#include <QSlider>

namespace wc {

VolumeBinder::VolumeBinder(QWidget* parent, QLabel* panel) : QObject(parent), panel_(panel) {
    slider_ = new QSlider(Qt::Horizontal, parent);
    slider_->setObjectName(QStringLiteral("tbVol"));
    slider_->setRange(0, kVolumeSliderMax);
    slider_->setSingleStep(10);
    slider_->setPageStep(100);
    slider_->setMaximumWidth(160);
    slider_->setValue(kVolumeSliderMax);
    connect(slider_, &QSlider::valueChanged, this, &VolumeBinder::moved);
}

void VolumeBinder::applyProfile(bool shown, int position) {
    slider_->setVisible(shown);
    const int p = shown ? position : kVolumeSliderMax;
    // The global volume follows even when the position is unchanged.
    if (slider_->value() == p)
        moved(p);
    else
        slider_->setValue(p);
}

int VolumeBinder::position() const {
    return slider_->value();
}

void VolumeBinder::moved(int position) {
    const int v = MasterVolumeForSlider(position);
    audio::SetMasterVolume(v);
    panel_->setText(VolumePanelText(v));
}

} // namespace wc
