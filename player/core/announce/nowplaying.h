#pragma once
// The now-playing file: a small file that names the item on air, for a station's web page or
// streaming tool, in one of three forms (player.ini Options/iExportFormat): 0 XML, 1 one line
// of text, 2 JSON. The bytes are made here; the announcer has them written.
#include "common/tags/tracktag.h"

#include <QByteArray>
#include <QString>

namespace wc {

enum class ExportFormat { Xml = 0, Text = 1, Json = 2 };
// 0 and 2 name their forms; every other value is the text form.
ExportFormat exportFormatOf(int iExportFormat);

// Where the file goes: a name beginning with "/" as it stands, any other name in the program
// folder (a "\" read as "/"); a name of 3 characters or fewer gives an empty path (nothing is
// written).
QString NowPlayingPath(const QString& name, const QString& programDir);

// What the file says about the item on air.
struct NowPlayingItem {
    QString fileName;
    // The tag's texts, cleaned (empty without a tag).
    QString artist, title, album, year, genre, comment;
    double startOle = 0; // the local time the item was announced
    qint64 lengthMs = 0; // 0 when the length is not known
};
NowPlayingItem nowPlayingItem(const QString& fileName, const TrackTag& tag);

// "&" "<" ">" '"' "'" as their entities ("&" first).
QString XmlEscape(const QString& text);
// The text without the characters XML 1.0 cannot hold: control characters other than tab,
// line feed and carriage return, U+FFFE, U+FFFF and unpaired surrogates.
QString dropXmlForbidden(const QString& text);

// One line: DisplayTitle(artist, title), or the file's title when both are empty; CR LF.
QByteArray NowPlayingText(const NowPlayingItem& item);
// The XML declaration, PLAYER with the version, one TRACK element; CR LF after each line.
QByteArray NowPlayingXml(const NowPlayingItem& item, const QString& version);
// One object: artist, title, album, year, genre, comment, fileName, startTime (ISO 8601 with
// the UTC offset), lengthMs; CR LF after it.
QByteArray NowPlayingJson(const NowPlayingItem& item);
QByteArray NowPlayingBytes(ExportFormat format, const NowPlayingItem& item, const QString& version);

} // namespace wc
