#include "genplaylist.h"

#include "common/playlistfile/m3u.h"
#include "common/tags/trackinfo.h"
#include "common/text.h"
#include "platform/prompts.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <limits>

namespace wc {
namespace {

// Seconds to milliseconds for a record: negative is unknown (0), huge values are capped.
quint32 secondsToMs(qint64 seconds) {
    if (seconds <= 0) return 0;
    constexpr qint64 maxSeconds = std::numeric_limits<quint32>::max() / 1000;
    return quint32(std::min(seconds, maxSeconds) * 1000);
}

qint64 infoSeconds(const QString& line) {
    const qsizetype at = line.indexOf(QLatin1String("#EXTINF:"));
    QString rest = line.mid(at + 8);
    const qsizetype comma = rest.indexOf(u',');
    if (comma >= 0) rest.truncate(comma);
    bool ok = false;
    const qint64 v = rest.trimmed().toLongLong(&ok);
    return ok ? v : 0;
}

} // namespace

TBaseEntryArr parseGeneratorPlaylist(const QByteArray& bytes, const QString& folder) {
    const QString text = decodeText(bytes);
    const QStringList lines = text.split(u'\n');
    TBaseEntryArr entries;
    qint64 pendingSeconds = 0;
    bool pendingInfo = false;
    for (QString line : lines) {
        if (line.endsWith(u'\r')) line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed == QLatin1String("#EXTM3U")) continue;
        if (line.contains(QLatin1String("#EXTINF:"))) {
            pendingSeconds = infoSeconds(line);
            pendingInfo = true;
            continue;
        }
        if (trimmed.isEmpty()) continue;
        TBaseEntry e;
        e.fileName = truncatedChars(resolvePlaylistPath(trimmed, folder), kFileNameCapacity);
        e.durationMs = pendingInfo ? secondsToMs(pendingSeconds) : 0;
        pendingInfo = false;
        pendingSeconds = 0;
        entries.push_back(std::move(e));
    }
    return entries;
}

TBaseEntryArr ReadGeneratorPlaylist(const QString& fileName) {
    QFile f(fileName);
    if (fileName.isEmpty() || !QFileInfo(fileName).isFile() || !f.open(QIODevice::ReadOnly)) {
        prompts().notify(PromptKind::Error, QStringLiteral("Error"),
                         QStringLiteral("Playlist \"%1\" not found!").arg(fileName));
        return {};
    }
    TBaseEntryArr entries = parseGeneratorPlaylist(f.readAll(), QFileInfo(fileName).absolutePath());
    for (TBaseEntry& e : entries) {
        TrackTag tag;
        clearTag(tag);
        ReadTrackTag(e.fileName, tag);
        e.title = tagText(tag, TagField::Title);
        e.artist = tagText(tag, TagField::Artist);
        e.album = tagText(tag, TagField::Album);
        e.year = tagText(tag, TagField::Year);
        e.comment = tagText(tag, TagField::Comment);
        e.genre = tagText(tag, TagField::Genre);
    }
    return entries;
}

} // namespace wc
