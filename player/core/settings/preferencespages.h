#pragma once
// The pages of the Preferences window in tree order; the order is the page index, which the
// help topic of the "?" button and the callers that open the window on a page use.
#include <QString>
#include <vector>

namespace wc {

enum class PreferencesPage : int {
    General = 0,
    FileTypes,
    Playback,
    FX,
    Recording,
    View,
    SilenceDetector,
    Encoder,
    Broadcast,
};
inline constexpr int kPreferencesPageCount = 9;

// The built-in tree caption ("General" … "Broadcast").
QString preferencesPageCaption(PreferencesPage page);
// The pages the window has, in tree order.
std::vector<PreferencesPage> builtPreferencesPages();
// The page the window opens on when asked for `wanted`: that page when it is built, else the
// first page that is.
PreferencesPage preferencesStartPage(PreferencesPage wanted);

} // namespace wc
