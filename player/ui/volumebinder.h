#pragma once
// The volume slider tbVol (0..1000): every move sets the library's global volume and shows it
// in the status bar's first panel as "Volume: %d". The profile keeps the position
// (Options/Volume) and whether the slider shows (Options/ctrVolume; hidden means full volume).
#include <QObject>

class QLabel;
class QSlider;
class QWidget;

namespace wc {

class VolumeBinder : public QObject {
    Q_OBJECT
public:
    VolumeBinder(QWidget* parent, QLabel* panel);

    QSlider* slider() const { return slider_; }
    // The profile's slider: shown with its position, or hidden at full volume.
    void applyProfile(bool shown, int position);
    int position() const;

private:
    void moved(int position);

    QSlider* slider_ = nullptr;
    QLabel* panel_ = nullptr;
};

} // namespace wc
