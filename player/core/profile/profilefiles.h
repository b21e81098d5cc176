#pragma once
// A profile's files as one unit: the settings file itself, the playlist saved beside it
// (".m3u") and the recently opened playlists (".hst").
#include "player/core/playlist/playerplaylists.h"
#include "player/core/profile/profile.h"

namespace wc {

// The profile path with its extension replaced ("/p/Evening.prf" -> "/p/Evening.hst").
QString profileCompanion(const QString& profilePath, const QString& extension);

// Reads the settings (defaults when the file is missing) and the recent playlists; the
// playlist saved with the profile is not loaded back (it can be opened like any playlist).
// Returns whether the profile file exists.
bool LoadProfileFiles(const QString& path, const QString& programDir, TProfile& profile,
                      TFXParams& fx, PlayerPlaylists& lists);
// Writes the settings, the active playlist as the profile's playlist and the recent list.
// The settings or the playlist failing stops the save (false; *error says which file). The
// recent list failing does not: the save counts as done and *recentError holds the text of
// its error box (RecentPlaylists::saveErrorText).
bool SaveProfileFiles(const QString& path, const TProfile& profile, const TFXParams& fx,
                      PlayerPlaylists& lists, QString* error = nullptr,
                      QString* recentError = nullptr);

} // namespace wc
