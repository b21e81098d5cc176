#pragma once
// The M3U playlist format shared by every program of the suite, the table of playable
// extensions, the total-duration reader and the file-length probe interface.
//
// Files are written as "#EXTM3U", then per track "#EXTINF:<seconds>,<display text>" and the
// path, lines ended by CR LF, UTF-8. Files are read as UTF-8 when valid and otherwise as
// Windows-1251, with CR LF or LF line ends, so playlists from older installations load.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace wc {

// The playable extensions, lower case with the dot, in table order.
const QStringList& playableExtensions();
// Lower-cases ext (".MP3" or "mp3") and looks it up in the table.
bool IsPlayableExtension(const QString& ext);

struct M3uEntry {
    QString path;         // resolved: absolute, or relative to the playlist's folder
    bool hasInfo = false; // an "#EXTINF:" line came before the path
    qint64 seconds = 0;   // from the information line; may be negative as written
    QString text;         // the display text after the first ","
    bool operator==(const M3uEntry&) const = default;
};

// Resolves one path line against the folder of the playlist ("" for none). Absolute paths
// ("/..."), drive-letter paths ("D:...") and network paths ("\\server...") stay as they are,
// with "\" turned into "/"; any other path loses one leading "\" and is taken relative to the
// folder.
QString resolvePlaylistPath(const QString& line, const QString& folder);

// Parses M3U text. With requireHeader, text whose first line is not "#EXTM3U" holds no
// tracks. Blank lines and comment lines ("#" other than "#EXTINF:") are skipped; an
// information line with no path after it is dropped. A path line keeps its blanks (a file
// name may begin or end with one), except that a Windows path (drive letter, network path or
// backslash) is trimmed and blanks before an absolute path are dropped.
std::vector<M3uEntry> parseM3u(const QByteArray& bytes, const QString& folder,
                               bool requireHeader = false);
// Reads a playlist file; *found (when given) tells whether the file could be read.
std::vector<M3uEntry> readM3uFile(const QString& fileName, bool requireHeader = false,
                                  bool* found = nullptr);

// Seconds for an information line: milliseconds / 1000 rounded to nearest, halves to even.
qint64 roundMsToSeconds(qint64 ms);

// The sum of the information lines' seconds of a playlist that has the header (64 bits);
// 0 without the header. *found is false when the file does not exist, so the caller can
// report it.
qint64 PlaylistDurationSeconds(const QString& fileName, bool* found = nullptr);

// "#EXTM3U" and two lines per entry (seconds, trimmed text, the path unchanged), CR LF, UTF-8.
QByteArray formatM3u(const std::vector<M3uEntry>& entries);
// Writes the playlist through a temporary file renamed over the target.
bool writeM3uFile(const QString& fileName, const std::vector<M3uEntry>& entries,
                  QString* error = nullptr);

// The hand-over playlists that the library and the generator write for the running player,
// relative to the program folder. The sender writes the file (temporary file, then rename, so
// the player never reads half a file) and then sends the load-queue message synchronously,
// so it cannot overwrite the file before the player has read it.
enum class HandOver { Stack = 0, DbTemp = 1 }; // the value is the message's wParam
QString handOverPath(const QString& programDir, HandOver which);
bool writeHandOverFile(const QString& programDir, HandOver which,
                       const std::vector<M3uEntry>& entries, QString* error = nullptr);

// Measures the length of an audio file in milliseconds (0 when it cannot be measured). The
// audio engine supplies the real probe; playlists only depend on this interface.
class FileDurationMs {
public:
    virtual ~FileDurationMs() = default;
    virtual qint32 durationMs(const QString& fileName) = 0;
};

// Names of the files "*.<ext>" in folder, without the dot and extension, sorted.
QStringList ListPresetNames(const QString& folder, const QString& ext);

// A preset name typed by the user without the characters that cannot be part of a file
// name: " * / < > ? \ |.
QString stripUnsafePresetChars(const QString& name);

} // namespace wc
