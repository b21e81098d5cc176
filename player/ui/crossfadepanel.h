#pragma once
// The crossfade controls as a child widget: the music entry's mix, auto-fade and auto-rise
// points (cbmusmix/musmix, cbmusfade/musfade, cbmusfadein/musin), the mix and fade of the
// item type chosen in cbFileType (cbjinmix/jinmix, cbjinfade/jinfade), and the presets
// (cr_preset with save, SpeedButton16, and delete, SpeedButton17). Every change goes into the
// profile's crossfade table through CrossfadeControls.
#include "player/core/playback/crossfadecontrols.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QToolButton;

namespace wc {

class CrossfadePanel : public QWidget {
    Q_OBJECT
public:
    // table: the profile's table (it must outlive the panel); presetFolder holds the ".crp"
    // files.
    CrossfadePanel(CrossfadeTable& table, const QString& presetFolder, QWidget* parent);

    CrossfadeControls& controls() { return controls_; }
    // The names of the ten item types (types 2..11) for cbFileType.
    void setTypeNames(const QStringList& names);
    // The presets of the folder, in directory order.
    void refreshPresets();
    // A profile was loaded: its table and preset name are shown.
    void tableReplaced(const QString& presetName);
    // The name to keep with the profile: the preset last chosen or saved.
    QString presetName() const;

private:
    void show(const CrossfadeControlValues& v);
    void changed();
    void choose(const QString& name);
    void save();
    void remove();

    CrossfadeControls controls_;
    QCheckBox *musMixOn_, *musFadeOn_, *musInOn_, *jinMixOn_, *jinFadeOn_;
    QDoubleSpinBox *musMix_, *musFade_, *musIn_, *jinMix_, *jinFade_;
    QComboBox* fileType_ = nullptr;
    QComboBox* preset_ = nullptr;
    QToolButton* save_ = nullptr;
    QToolButton* delete_ = nullptr;
    bool showing_ = false;
};

} // namespace wc
