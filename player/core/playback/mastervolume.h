#pragma once
// The volume slider tbVol (0..1000) and the library's global volume (0..100) it sets.
#include <QString>

namespace wc {

inline constexpr int kVolumeSliderMax = 1000;

// (position + 1) / 10 in whole numbers: 0..9 give 0, 399 gives 40, 1000 gives 100.
int MasterVolumeForSlider(int position);
// The text of the status bar's first panel: "Volume: 40".
QString VolumePanelText(int volume);

} // namespace wc
