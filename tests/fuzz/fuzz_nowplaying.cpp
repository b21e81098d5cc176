// The now-playing file is made from tag bytes of any file on the station's disks: the first
// 158 bytes are a tag record, the rest (as UTF-8 or Latin-1) the file name. The XML form must be
// well-formed and give back the cleaned texts less the characters XML cannot hold; the JSON
// form must parse and give back every text whole.
#include "player/core/announce/nowplaying.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QXmlStreamReader>

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    wc::TrackTag tag;
    wc::clearTag(tag);
    std::memcpy(&tag, data, std::min(size, sizeof tag));
    const QByteArray rest = size > sizeof tag
                                ? QByteArray(reinterpret_cast<const char*>(data) + sizeof tag,
                                             qsizetype(size - sizeof tag))
                                : QByteArray();
    const QString fileName = rest.size() % 2 ? QString::fromLatin1(rest) : QString::fromUtf8(rest);
    const wc::NowPlayingItem item = wc::nowPlayingItem(fileName, tag);

    QXmlStreamReader x(wc::NowPlayingXml(item, QStringLiteral("1.0")));
    int tracks = 0;
    while (!x.atEnd()) {
        if (x.readNext() != QXmlStreamReader::StartElement || x.name() != u"TRACK") continue;
        ++tracks;
        // A reader turns CR LF and a lone CR into LF, then tab and LF into a blank.
        const QString artist = wc::dropXmlForbidden(item.artist)
                                   .replace(QLatin1String("\r\n"), QLatin1String("\n"))
                                   .replace(u'\r', u'\n')
                                   .replace(u'\t', u' ')
                                   .replace(u'\n', u' ');
        if (x.attributes().value(QLatin1String("ARTIST")) != artist) std::abort();
    }
    if (x.hasError() || tracks != 1) std::abort();

    QJsonParseError err;
    const QJsonObject o = QJsonDocument::fromJson(wc::NowPlayingJson(item), &err).object();
    if (err.error != QJsonParseError::NoError) std::abort();
    if (o.value(QLatin1String("title")).toString() != item.title) std::abort();
    if (o.value(QLatin1String("comment")).toString() != item.comment) std::abort();
    return 0;
}
