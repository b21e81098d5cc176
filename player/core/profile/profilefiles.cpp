#include "player/core/profile/profilefiles.h"

#include <QFile>

namespace wc {

QString profileCompanion(const QString& profilePath, const QString& extension) {
    QString p = profilePath;
    const qsizetype dot = p.lastIndexOf(u'.');
    const qsizetype slash = p.lastIndexOf(u'/');
    if (dot > slash) p.truncate(dot);
    return p + extension;
}

bool LoadProfileFiles(const QString& path, const QString& programDir, TProfile& profile,
                      TFXParams& fx, PlayerPlaylists& lists) {
    const bool exists = QFile::exists(path);
    TProfile fresh(programDir);
    ReadProfile(fresh, fx, path, programDir);
    profile = fresh;
    lists.recent.load(profileCompanion(path, QStringLiteral(".hst")));
    return exists;
}

bool SaveProfileFiles(const QString& path, const TProfile& profile, const TFXParams& fx,
                      PlayerPlaylists& lists, QString* error, QString* recentError) {
    QString why;
    if (!WriteProfile(profile, fx, path, &why)) {
        if (error) *error = path + QStringLiteral(": ") + why;
        return false;
    }
    const QString playlist = profileCompanion(path, QStringLiteral(".m3u"));
    if (!SavePlaylistTo(lists.ActivePlaylist(), playlist, &why)) {
        if (error) *error = playlist + QStringLiteral(": ") + why;
        return false;
    }
    const QString hst = profileCompanion(path, QStringLiteral(".hst"));
    if (!lists.recent.save(hst, &why) && recentError)
        *recentError = RecentPlaylists::saveErrorText(hst, why);
    return true;
}

} // namespace wc
