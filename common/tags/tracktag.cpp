#include "common/tags/tracktag.h"

#include "common/text.h"
#include "common/version.h"

#include <QFileInfo>

#include <cstring>

namespace wc {

namespace {

struct FieldSpan {
    char* data;
    int size;
};

FieldSpan span(TrackTag& t, TagField f) {
    switch (f) {
    case TagField::Title:
        return {t.title, 30};
    case TagField::Artist:
        return {t.artist, 30};
    case TagField::Album:
        return {t.album, 30};
    case TagField::Year:
        return {t.year, 4};
    case TagField::Comment:
        return {t.comment, 30};
    case TagField::Genre:
        return {t.genre, 30};
    }
    return {t.title, 30};
}

} // namespace

void clearTag(TrackTag& tag) {
    std::memset(&tag, 0, sizeof tag);
}

bool tagHasMarker(const TrackTag& tag, const char* marker) {
    return std::memcmp(tag.marker, marker, 3) == 0;
}

void setTagMarker(TrackTag& tag, const char* marker) {
    std::memcpy(tag.marker, marker, 3);
}

bool tagHoldsUnicodeTexts(const TrackTag& tag) {
    for (const char* m : {"OGG", "WMA", "FLC", "OPU", "MP4", "ID3"})
        if (tagHasMarker(tag, m)) return true;
    return false;
}

QByteArray tagBytes(const TrackTag& tag, TagField field) {
    FieldSpan s = span(const_cast<TrackTag&>(tag), field);
    int n = field == TagField::Genre ? std::min<int>(tag.genreLength, 30) : s.size;
    const void* zero = std::memchr(s.data, 0, size_t(n));
    if (zero) n = int(static_cast<const char*>(zero) - s.data);
    return QByteArray(s.data, n);
}

QString tagText(const TrackTag& tag, TagField field) {
    return decodeText(tagBytes(tag, field));
}

void setTagText(TrackTag& tag, TagField field, const QString& text) {
    FieldSpan s = span(tag, field);
    QByteArray bytes;
    const QByteArray cp = toCp1251(text);
    if (fromCp1251(cp) == text) {
        // One byte per character, so a field holds its full count of characters.
        bytes = cp.left(s.size);
        // An ID3v1 field goes to the file as it is, for players that read the legacy code
        // page. Records of tags kept in Unicode (Ogg, WMA and the TagLib formats) are only
        // read back here: their bytes must not pass for UTF-8 of other characters (tagText
        // tries UTF-8 first).
        if (tagHoldsUnicodeTexts(tag) && decodeText(bytes) != fromCp1251(bytes)) bytes.clear();
    }
    if (bytes.isEmpty()) bytes = utf8Truncated(text, s.size);
    std::memset(s.data, 0, size_t(s.size));
    std::memcpy(s.data, bytes.constData(), size_t(bytes.size()));
    if (field == TagField::Genre) tag.genreLength = uint8_t(bytes.size());
}

bool id3v11HasTrack(const char* comment) {
    // Only the zero byte marks ID3v1.1. A space there is part of a 30-character ID3v1.0
    // comment ("... take 2" would otherwise lose its "2" and gain track 50).
    return comment[28] == 0 && comment[29] != 0;
}

int tagTrackNumber(const TrackTag& tag) {
    return id3v11HasTrack(tag.comment) ? uint8_t(tag.comment[29]) : 0;
}

const QStringList& genreNames() {
    static const QStringList names = {
        // ID3v1
        "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz",
        "Metal", "New Age", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno",
        "Industrial", "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack", "Euro-Techno",
        "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion", "Trance", "Classical",
        "Instrumental", "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise", "AlternRock",
        "Bass", "Soul", "Punk", "Space", "Meditative", "Instrumental Pop", "Instrumental Rock",
        "Ethnic", "Gothic", "Darkwave", "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance",
        "Dream", "Southern Rock", "Comedy", "Cult", "Gangsta", "Top 40", "Christian Rap",
        "Pop/Funk", "Jungle", "Native American", "Cabaret", "New Wave", "Psychadelic", "Rave",
        "Showtunes", "Trailer", "Lo-Fi", "Tribal", "Acid Punk", "Acid Jazz", "Polka", "Retro",
        "Musical", "Rock & Roll", "Hard Rock",
        // extension
        "Folk", "Folk-Rock", "National Folk", "Swing", "Fast Fusion", "Bebob", "Latin", "Revival",
        "Celtic", "Bluegrass", "Avantgarde", "Gothic Rock", "Progessive Rock", "Psychedelic Rock",
        "Symphonic Rock", "Slow Rock", "Big Band", "Chorus", "Easy Listening", "Acoustic", "Humour",
        "Speech", "Chanson", "Opera", "Chamber Music", "Sonata", "Symphony", "Booty Bass", "Primus",
        "Porn Groove", "Satire", "Slow Jam", "Club", "Tango", "Samba", "Folklore", "Ballad",
        "Power Ballad", "Rhythmic Soul", "Freestyle", "Duet", "Punk Rock", "Drum Solo", "Acapella",
        "Euro-House", "Dance Hall", "Goa", "Drum & Bass", "Club-House", "Hardcore", "Terror",
        "Indie", "BritPop", "Negerpunk", "Polsk Punk", "Beat", "Christian Gangsta Rap",
        "Heavy Metal", "Black Metal", "Crossover", "Contemporary Christian", "Christian Rock",
        "Merengue", "Salsa", "Trash Metal", "Anime", "JPop", "Synthpop"};
    return names;
}

namespace {

// Negative counts (a time still to go) keep their sign in front of the whole text.
QString signOf(int64_t ms) {
    return ms < 0 ? QStringLiteral("-") : QString();
}
uint64_t magnitude(int64_t ms) {
    return ms < 0 ? uint64_t(0) - uint64_t(ms) : uint64_t(ms);
}

} // namespace

QString FormatMinSec(int64_t ms) {
    if (ms == 0) return QStringLiteral("??:??");
    const uint64_t s = magnitude(ms) / 1000;
    return signOf(ms) + QString::asprintf("%.2llu:%.2llu", (unsigned long long)(s / 60),
                                          (unsigned long long)(s % 60));
}

QString FormatHourMinSec(int64_t ms) {
    const uint64_t s = magnitude(ms) / 1000;
    return signOf(ms) + QString::asprintf("%llu:%.2llu:%.2llu", (unsigned long long)(s / 3600),
                                          (unsigned long long)(s / 60 % 60),
                                          (unsigned long long)(s % 60));
}

QString FormatMinSecTenths(int64_t ms) {
    const uint64_t m = magnitude(ms);
    const uint64_t s = m / 1000;
    return signOf(ms) + QString::asprintf("%.2llu:%.2llu.%llu", (unsigned long long)(s / 60),
                                          (unsigned long long)(s % 60),
                                          (unsigned long long)((m - s * 1000) / 100));
}

QString FileTitle(const QString& fileName) {
    const qsizetype slash = std::max(fileName.lastIndexOf('/'), fileName.lastIndexOf('\\'));
    QString name = fileName.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf('.');
    if (dot >= 0) name.truncate(dot);
    return name;
}

QString cleanTagText(const QString& s) {
    QString t = s;
    const qsizetype zero = t.indexOf(QChar(0));
    if (zero >= 0) t.truncate(zero);
    qsizetype b = 0, e = t.size();
    while (b < e && t.at(b).unicode() < 33)
        ++b;
    while (e > b && t.at(e - 1).unicode() < 33)
        --e;
    return t.mid(b, e - b);
}

QString DisplayTitle(const QString& artist, const QString& title) {
    const QString a = cleanTagText(artist);
    const QString t = cleanTagText(title);
    if (a.startsWith('~')) return a.mid(1, 30) + t;
    if (!a.isEmpty() && !t.isEmpty()) return a + QStringLiteral(" \u2013 ") + t;
    return a.isEmpty() ? t : a;
}

QString FileVersionText(const QString& exeName) {
    static const char* const kPrograms[] = {"player", "base", "Lumbra", "Kestel"};
    const QFileInfo exe(exeName);
    if (!exe.exists() || !exe.isFile()) return {};
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    if (self.isEmpty()) return {};
    const QFileInfo me(self);
    const QString target = exe.canonicalFilePath();
    if (target == me.canonicalFilePath()) return QStringLiteral(WC_VERSION_TEXT);
    // The companion programs are built and installed together with the running one.
    if (exe.canonicalPath() == me.canonicalPath())
        for (const char* p : kPrograms)
            if (exe.fileName() == QLatin1String(p)) return QStringLiteral(WC_VERSION_TEXT);
    return {};
}

} // namespace wc
