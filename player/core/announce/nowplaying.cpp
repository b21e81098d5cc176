#include "player/core/announce/nowplaying.h"

#include "common/oledate.h"
#include "common/paths.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace wc {

ExportFormat exportFormatOf(int iExportFormat) {
    switch (iExportFormat) {
    case 0:
        return ExportFormat::Xml;
    case 2:
        return ExportFormat::Json;
    default:
        return ExportFormat::Text;
    }
}

QString NowPlayingPath(const QString& name, const QString& programDir) {
    if (name.size() <= 3) return QString();
    if (name.startsWith(u'/')) return name;
    return programDir + toLocalSeparators(name);
}

NowPlayingItem nowPlayingItem(const QString& fileName, const TrackTag& tag) {
    NowPlayingItem it;
    it.fileName = fileName;
    it.artist = cleanTagText(tagText(tag, TagField::Artist));
    it.title = cleanTagText(tagText(tag, TagField::Title));
    it.album = cleanTagText(tagText(tag, TagField::Album));
    it.year = cleanTagText(tagText(tag, TagField::Year));
    it.genre = cleanTagText(tagText(tag, TagField::Genre));
    it.comment = cleanTagText(tagText(tag, TagField::Comment));
    return it;
}

QString XmlEscape(const QString& text) {
    QString t = text;
    t.replace(u'&', QLatin1String("&amp;"));
    t.replace(u'>', QLatin1String("&gt;"));
    t.replace(u'<', QLatin1String("&lt;"));
    t.replace(u'"', QLatin1String("&quot;"));
    t.replace(u'\'', QLatin1String("&apos;"));
    return t;
}

QString dropXmlForbidden(const QString& text) {
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (c.isHighSurrogate()) {
            if (i + 1 < n && text.at(i + 1).isLowSurrogate()) {
                out += c;
                out += text.at(++i);
            }
            continue; // an unpaired half is no character
        }
        if (c.isLowSurrogate()) continue;
        if (u < 0x20 && u != 0x9 && u != 0xA && u != 0xD) continue;
        if (u == 0xFFFE || u == 0xFFFF) continue;
        out += c;
    }
    return out;
}

QByteArray NowPlayingText(const NowPlayingItem& item) {
    const QString line = item.artist.isEmpty() && item.title.isEmpty()
                             ? FileTitle(item.fileName)
                             : DisplayTitle(item.artist, item.title);
    return line.toUtf8() + QByteArrayLiteral("\r\n");
}

QByteArray NowPlayingXml(const NowPlayingItem& item, const QString& version) {
    auto attr = [](const QString& text) { return XmlEscape(dropXmlForbidden(text)); };
    QString xml;
    xml += QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n");
    xml += QStringLiteral("<PLAYER name=\"Wavecrest\" version=\"%1\">\r\n").arg(attr(version));
    xml += QStringLiteral("<TRACK ARTIST=\"%1\" TITLE=\"%2\" ALBUM=\"%3\" YEAR=\"%4\" GENRE=\"%5\" "
                          "COMMENT=\"%6\" FILENAME=\"%7\" />\r\n")
               .arg(attr(item.artist), attr(item.title), attr(item.album), attr(item.year),
                    attr(item.genre), attr(item.comment), attr(item.fileName));
    xml += QStringLiteral("</PLAYER>\r\n");
    return xml.toUtf8();
}

namespace {
// "2026-12-10T21:05:03.250+01:00": the local time with its offset from UTC.
QString isoLocalTime(double ole) {
    const QDateTime local = fromOleDate(ole);
    const int offset = local.offsetFromUtc();
    const int a = std::abs(offset) / 60;
    return local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) +
           QString::asprintf("%c%.2d:%.2d", offset < 0 ? '-' : '+', a / 60, a % 60);
}
} // namespace

QByteArray NowPlayingJson(const NowPlayingItem& item) {
    // QJsonDocument escapes quotes, backslashes and every control character.
    QJsonObject o;
    o.insert(QStringLiteral("artist"), item.artist);
    o.insert(QStringLiteral("title"), item.title);
    o.insert(QStringLiteral("album"), item.album);
    o.insert(QStringLiteral("year"), item.year);
    o.insert(QStringLiteral("genre"), item.genre);
    o.insert(QStringLiteral("comment"), item.comment);
    o.insert(QStringLiteral("fileName"), item.fileName);
    o.insert(QStringLiteral("startTime"), isoLocalTime(item.startOle));
    o.insert(QStringLiteral("lengthMs"), double(item.lengthMs));
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + QByteArrayLiteral("\r\n");
}

QByteArray NowPlayingBytes(ExportFormat format, const NowPlayingItem& item,
                           const QString& version) {
    switch (format) {
    case ExportFormat::Xml:
        return NowPlayingXml(item, version);
    case ExportFormat::Json:
        return NowPlayingJson(item);
    case ExportFormat::Text:
        break;
    }
    return NowPlayingText(item);
}

} // namespace wc
