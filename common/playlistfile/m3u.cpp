#include "common/playlistfile/m3u.h"

#include "common/atomicfile.h"
#include "common/text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace wc {

const QStringList& playableExtensions() {
    // The 16 historic entries in their order, then the formats added since.
    static const QStringList table{".wav", ".mp3", ".ogg",  ".wma",  ".cda", ".spx", ".aac",
                                   ".mp4", ".ac3", ".alac", ".mpc",  ".ofr", ".tta", ".wv",
                                   ".wmv", ".cmd", ".flac", ".opus", ".oga", ".m4a"};
    return table;
}

bool IsPlayableExtension(const QString& ext) {
    QString e = ext.toLower();
    if (!e.startsWith(u'.')) e.prepend(u'.');
    return playableExtensions().contains(e);
}

QString resolvePlaylistPath(const QString& line, const QString& folder) {
    QString p = line;
    if (p.size() <= 1) return p;
    const bool drive = p[1] == u':';
    const bool network = p.startsWith(QLatin1String("\\\\"));
    if (drive || network || p.startsWith(u'/')) {
        if (network) return QStringLiteral("//") + p.mid(2).replace(u'\\', u'/');
        return p.replace(u'\\', u'/');
    }
    if (p.startsWith(u'\\')) p.remove(0, 1);
    p.replace(u'\\', u'/');
    if (folder.isEmpty()) return p;
    return folder.endsWith(u'/') ? folder + p : folder + u'/' + p;
}

namespace {

// Reads the number of seconds after "#EXTINF:" up to the first ","; 0 when it is not a
// number (or there is no comma).
qint64 infoSeconds(const QString& afterMarker, QString* text) {
    const qsizetype comma = afterMarker.indexOf(u',');
    if (comma < 0) {
        *text = QString();
        return 0;
    }
    *text = afterMarker.mid(comma + 1).trimmed();
    bool ok = false;
    const qint64 v = afterMarker.left(comma).trimmed().toLongLong(&ok);
    return ok ? v : 0;
}

const QLatin1String kInfo("#EXTINF:");
const QLatin1String kHeader("#EXTM3U");

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

// The path a path line names. Blanks are part of a file name here, so a line is taken as it
// stands, except where they cannot belong to the name: a path written the Windows way (a drive
// letter, a network path or a backslash) loses its surrounding blanks, as lists made on Windows
// were always read (Windows keeps no trailing blanks in names), and blanks before an absolute
// path are indentation.
QString pathOfLine(const QString& line) {
    const QString t = line.trimmed();
    const bool windows = (t.size() > 1 && t[1] == u':') || t.contains(u'\\');
    if (windows) return t;
    qsizetype lead = 0;
    while (lead < line.size() && isBlank(line[lead]))
        ++lead;
    if (lead > 0 && lead < line.size() && line[lead] == u'/') return line.mid(lead);
    return line;
}

} // namespace

std::vector<M3uEntry> parseM3u(const QByteArray& bytes, const QString& folder, bool requireHeader) {
    std::vector<M3uEntry> out;
    const QString text = decodeText(bytes);
    const QStringList lines = text.split(u'\n');
    qsizetype i = 0;
    if (requireHeader) {
        if (lines.isEmpty() || lines[0].trimmed() != kHeader) return out;
        i = 1;
    }
    bool pending = false;
    M3uEntry entry;
    for (; i < lines.size(); ++i) {
        // Only the line end goes (CR LF or LF); the rest of a path line is the path.
        QString raw = lines[i];
        if (raw.endsWith(u'\r')) raw.chop(1);
        const QString line = raw.trimmed();
        const qsizetype marker = line.indexOf(kInfo, 0, Qt::CaseInsensitive);
        if (marker >= 0) {
            // A second information line replaces one that had no path.
            entry = M3uEntry();
            entry.hasInfo = true;
            entry.seconds = infoSeconds(line.mid(marker + kInfo.size()), &entry.text);
            pending = true;
            continue;
        }
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        if (!pending) entry = M3uEntry();
        entry.path = resolvePlaylistPath(pathOfLine(raw), folder);
        out.push_back(std::move(entry));
        entry = M3uEntry();
        pending = false;
    }
    return out;
}

std::vector<M3uEntry> readM3uFile(const QString& fileName, bool requireHeader, bool* found) {
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) {
        if (found) *found = false;
        return {};
    }
    if (found) *found = true;
    return parseM3u(f.readAll(), QFileInfo(fileName).absolutePath(), requireHeader);
}

qint64 roundMsToSeconds(qint64 ms) {
    qint64 q = ms / 1000;
    qint64 r = ms % 1000;
    if (r < 0) {
        r += 1000;
        --q;
    }
    if (r > 500 || (r == 500 && (q & 1))) ++q;
    return q;
}

qint64 PlaylistDurationSeconds(const QString& fileName, bool* found) {
    const std::vector<M3uEntry> entries = readM3uFile(fileName, true, found);
    qint64 total = 0;
    for (const M3uEntry& e : entries)
        if (e.hasInfo) total += e.seconds;
    return total;
}

QByteArray formatM3u(const std::vector<M3uEntry>& entries) {
    QByteArray out = "#EXTM3U\r\n";
    for (const M3uEntry& e : entries) {
        out +=
            "#EXTINF:" + QByteArray::number(e.seconds) + ',' + e.text.trimmed().toUtf8() + "\r\n";
        out += e.path.toUtf8() + "\r\n";
    }
    return out;
}

bool writeM3uFile(const QString& fileName, const std::vector<M3uEntry>& entries, QString* error) {
    return writeFileAtomically(fileName, formatM3u(entries), error);
}

QString handOverPath(const QString& programDir, HandOver which) {
    QString dir = programDir;
    if (!dir.isEmpty() && !dir.endsWith(u'/')) dir += u'/';
    return dir + (which == HandOver::Stack ? QStringLiteral("Temp/Stack.m3u")
                                           : QStringLiteral("Temp/DBTemp.m3u"));
}

bool writeHandOverFile(const QString& programDir, HandOver which,
                       const std::vector<M3uEntry>& entries, QString* error) {
    const QString path = handOverPath(programDir, which);
    QDir().mkpath(QFileInfo(path).absolutePath());
    return writeM3uFile(path, entries, error);
}

QStringList ListPresetNames(const QString& folder, const QString& ext) {
    QStringList names;
    const QDir dir(folder);
    const QString suffix = u'.' + ext;
    for (const QString& f :
         dir.entryList(QStringList{u'*' + suffix}, QDir::Files, QDir::Name | QDir::IgnoreCase))
        names << f.left(f.size() - suffix.size());
    return names;
}

QString stripUnsafePresetChars(const QString& name) {
    QString out;
    out.reserve(name.size());
    for (QChar c : name)
        if (!QStringView(u"\"*/<>?\\|").contains(c)) out += c;
    return out;
}

} // namespace wc
