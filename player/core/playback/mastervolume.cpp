#include "player/core/playback/mastervolume.h"

#include <algorithm>

namespace wc {

int MasterVolumeForSlider(int position) {
    return (std::clamp(position, 0, kVolumeSliderMax) + 1) / 10;
}

QString VolumePanelText(int volume) {
    return QStringLiteral("Volume: %1").arg(volume);
}

} // namespace wc
