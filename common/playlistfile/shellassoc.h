#pragma once
// The desktop association of playlists and audio files with the player, done the XDG way:
// two desktop entries (one opens audio files with the verb "file", one playlists with the
// verb "list") and default-application lines in mimeapps.list, all under the user's data
// folder ($XDG_DATA_HOME, else ~/.local/share).
#include <QString>
#include <QStringList>

namespace wc {

inline constexpr const char* kFileDesktopId = "wavecrest-player-file.desktop";
inline constexpr const char* kListDesktopId = "wavecrest-player-list.desktop";

// The entries of an extension list such as "mp3|ogg|wav|wma|cda|m3u|": split at "|",
// trimmed, lower-cased, empty ones skipped.
QStringList shellExtensions(const QString& extensionList);
// The MIME types that stand for one extension (empty for an unknown one).
QStringList mimeTypesForExtension(const QString& ext);

// The user's data folder for desktop entries.
QString xdgDataHome();

// Writes the desktop entries and the default-application lines for the listed extensions.
// Errors end the registration quietly (false); what was written stays.
bool RegisterShellTypes(const QString& extensionList, const QString& executable,
                        const QString& dataHome = xdgDataHome());

// The library program's files: the MIME type "application/x-wavecrest-library" for "*.dfs"
// (a shared-MIME-info package under mime/packages), a desktop entry that opens such a file
// with the program (the file as its only argument) and the default-application line. The MIME
// cache is refreshed with update-mime-database when the tool is there. Errors end the
// registration quietly (false).
inline constexpr const char* kLibraryDesktopId = "wavecrest-base.desktop";
inline constexpr const char* kLibraryMimeType = "application/x-wavecrest-library";
bool RegisterLibraryType(const QString& executable, const QString& dataHome = xdgDataHome(),
                         bool refreshMimeCache = true);

} // namespace wc
