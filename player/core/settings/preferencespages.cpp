#include "player/core/settings/preferencespages.h"

#include <algorithm>

namespace wc {

QString preferencesPageCaption(PreferencesPage page) {
    static const char* const kCaptions[kPreferencesPageCount] = {
        "General", "File Types",       "Playback", "FX",       "Recording",
        "View",    "Silence Detector", "Encoder",  "Broadcast"};
    return QLatin1String(kCaptions[int(page)]);
}

std::vector<PreferencesPage> builtPreferencesPages() {
    // The other pages come with the settings they edit.
    return {PreferencesPage::General, PreferencesPage::Encoder};
}

PreferencesPage preferencesStartPage(PreferencesPage wanted) {
    const std::vector<PreferencesPage> built = builtPreferencesPages();
    return std::find(built.begin(), built.end(), wanted) != built.end() ? wanted : built.front();
}

} // namespace wc
