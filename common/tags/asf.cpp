#include "common/tags/asf.h"

#include "common/tags/wav.h"

#include <array>
#include <cerrno>
#include <cstring>

namespace wc {

using namespace tags;

namespace {

using Guid = std::array<uint8_t, 16>;

// A GUID in its on-disk byte order from the text form's numbers.
constexpr Guid guid(uint32_t a, uint16_t b, uint16_t c, uint64_t d) {
    return {uint8_t(a),       uint8_t(a >> 8),  uint8_t(a >> 16), uint8_t(a >> 24),
            uint8_t(b),       uint8_t(b >> 8),  uint8_t(c),       uint8_t(c >> 8),
            uint8_t(d >> 56), uint8_t(d >> 48), uint8_t(d >> 40), uint8_t(d >> 32),
            uint8_t(d >> 24), uint8_t(d >> 16), uint8_t(d >> 8),  uint8_t(d)};
}

constexpr Guid kHeader = guid(0x75B22630, 0x668E, 0x11CF, 0xA6D900AA0062CE6Cull);
constexpr Guid kFileProperties = guid(0x8CABDCA1, 0xA947, 0x11CF, 0x8EE400C00C205365ull);
constexpr Guid kStreamProperties = guid(0xB7DC0791, 0xA9B7, 0x11CF, 0x8EE600C00C205365ull);
constexpr Guid kContentDescription = guid(0x75B22633, 0x668E, 0x11CF, 0xA6D900AA0062CE6Cull);
constexpr Guid kExtendedContent = guid(0xD2D0A440, 0xE307, 0x11D2, 0x97F000A0C95EA850ull);
constexpr Guid kAudioMedia = guid(0xF8699E40, 0x5B4D, 0x11CF, 0xA8FD00805F5C442Bull);

constexpr int kObjectHeader = 24;
constexpr int kHeaderPreamble = 30;
constexpr int kMaxContentText = 8192;

bool isGuid(const uint8_t* p, const Guid& g) {
    return std::memcmp(p, g.data(), 16) == 0;
}

// UTF-16LE text of len bytes, cut at its first zero character.
QString utf16Text(const uint8_t* p, int64_t len) {
    QString s;
    s.reserve(qsizetype(len / 2));
    for (int64_t i = 0; i + 1 < len; i += 2) {
        const char16_t c = le16(p + i);
        if (c == 0) break;
        s.append(QChar(c));
    }
    return s;
}

// The UTF-16LE form of s with a terminating zero, at most maxBytes bytes (never splitting a
// surrogate pair).
QByteArray utf16Bytes(const QString& s, int maxBytes) {
    QByteArray b;
    const qsizetype limit = (maxBytes - 2) / 2;
    qsizetype n = std::min(s.size(), limit);
    if (n > 0 && n < s.size() && s.at(n - 1).isHighSurrogate()) --n;
    b.resize(n * 2 + 2);
    auto* p = reinterpret_cast<uint8_t*>(b.data());
    for (qsizetype i = 0; i < n; ++i)
        putLe16(p + 2 * i, s.at(i).unicode());
    putLe16(p + 2 * n, 0);
    return b;
}

struct Object {
    int64_t offset; // inside the header
    int64_t size;
    const uint8_t* guid;
};

// The objects of a header held in memory: each lies wholly inside it and is at least 24
// bytes long; a smaller or overrunning size ends the list.
QList<Object> headerObjects(const QByteArray& header, uint32_t count) {
    QList<Object> list;
    const auto* h = bytesOf(header);
    int64_t pos = kHeaderPreamble;
    for (uint32_t i = 0; i < count && pos + kObjectHeader <= header.size(); ++i) {
        const uint64_t size = le64(h + pos + 16);
        if (size < kObjectHeader || size > uint64_t(header.size() - pos)) break;
        list.append({pos, int64_t(size), h + pos});
        pos += int64_t(size);
    }
    return list;
}

// An attribute name as compared: trimmed, upper-cased, and with "WM/" put in front of the
// names some writers store without it ("Title", "Author", "Description").
QString attributeKey(const QString& name) {
    QString key = name.trimmed().toUpper();
    if (key == QLatin1String("TITLE") || key == QLatin1String("AUTHOR") ||
        key == QLatin1String("DESCRIPTION"))
        key.prepend(QLatin1String("WM/"));
    return key;
}

struct Attribute {
    QString name;
    QByteArray raw; // the whole attribute as stored
};

QList<Attribute> extendedAttributes(const uint8_t* o, int64_t size) {
    QList<Attribute> list;
    if (size < kObjectHeader + 2) return list;
    const int count = le16(o + kObjectHeader);
    int64_t pos = kObjectHeader + 2;
    for (int i = 0; i < count; ++i) {
        const int64_t start = pos;
        if (pos + 2 > size) break;
        const int nameLen = le16(o + pos);
        pos += 2;
        if (pos + nameLen + 4 > size) break;
        const QString name = utf16Text(o + pos, nameLen);
        pos += nameLen + 2; // name, value type
        const int valueLen = le16(o + pos);
        pos += 2;
        if (pos + valueLen > size) break;
        pos += valueLen;
        list.append({name, QByteArray(reinterpret_cast<const char*>(o + start), pos - start)});
    }
    return list;
}

} // namespace

bool TWMA::read(const ByteSource& src) {
    reset();
    fileSize = src.size();
    opened = true;
    uint8_t pre[kHeaderPreamble];
    if (src.readAt(0, pre, kHeaderPreamble) != kHeaderPreamble || !isGuid(pre, kHeader))
        return true;
    const uint64_t headerSize = le64(pre + 16);
    if (headerSize < kHeaderPreamble) return true;
    const QByteArray header = src.bytesAt(0, int64_t(std::min<uint64_t>(headerSize, fileSize)));
    bool audioSeen = false;
    for (const Object& ob : headerObjects(header, le32(pre + 24))) {
        const uint8_t* o = ob.guid;
        const int64_t size = ob.size;
        if (isGuid(o, kFileProperties)) {
            if (size >= 104) maxBitRate = le32(o + 100);
        } else if (isGuid(o, kStreamProperties)) {
            // Stream type, error correction type, time offset, data lengths, flags, reserved;
            // then the audio format: codec, channels, sample rate, bytes per second.
            const int64_t format = kObjectHeader + 54;
            if (!audioSeen && size >= format + 10 && isGuid(o + kObjectHeader, kAudioMedia)) {
                audioSeen = true;
                channels = uint8_t(std::min<int>(le16(o + format + 2), 255));
                sampleRate = le32(o + format + 4);
                bytesPerSecond = le32(o + format + 8);
            }
        } else if (isGuid(o, kContentDescription)) {
            if (size < kObjectHeader + 10) continue;
            int64_t pos = kObjectHeader + 10;
            QString* texts[] = {&title, &artist, &copyright, &comment, &rating};
            for (int i = 0; i < 5; ++i) {
                const int len = le16(o + kObjectHeader + 2 * i);
                if (pos + len > size) break;
                *texts[i] = utf16Text(o + pos, std::min(len, kMaxContentText));
                pos += len;
            }
        } else if (isGuid(o, kExtendedContent)) {
            struct Known {
                const char* name;
                QString* text;
            };
            const Known known[] = {{"WM/TITLE", &title},         {"WM/AUTHOR", &artist},
                                   {"WM/ALBUMTITLE", &album},    {"WM/TRACK", &track},
                                   {"WM/YEAR", &year},           {"WM/GENRE", &genre},
                                   {"WM/DESCRIPTION", &comment}, {"WMFSDKVERSION", &sdkVersion},
                                   {"WM/GENREID", &genreId},     {"WM/PROMOTIONURL", &promotionUrl},
                                   {"WM/COPYRIGHT", &copyright}, {"WM/RATING", &rating},
                                   {"WM/ENCODER", &encoder},     {"WM/STREAMTYPE", &streamType},
                                   {"WM/LYRICS", &lyrics}};
            for (const Attribute& a : extendedAttributes(o, size)) {
                const QString name = attributeKey(a.name);
                const auto* r = bytesOf(a.raw);
                const int nameLen = le16(r);
                const int type = le16(r + 2 + nameLen);
                const int valueLen = le16(r + 4 + nameLen);
                const uint8_t* value = r + 6 + nameLen;
                QString text;
                if (type == 0)
                    text = utf16Text(value, valueLen);
                else if (type == 3 && valueLen == 4)
                    text = QString::number(le32(value));
                else
                    continue;
                for (const Known& k : known)
                    if (name == QLatin1String(k.name)) *k.text = text;
            }
        }
    }
    for (QString* t :
         {&title, &artist, &album, &track, &year, &genre, &comment, &sdkVersion, &genreId,
          &promotionUrl, &copyright, &rating, &encoder, &streamType, &lyrics})
        *t = t->trimmed();
    valid = maxBitRate >= 1 && (channels == 1 || channels == 2) && sampleRate >= 8000 &&
            sampleRate <= 96000 && bytesPerSecond >= 1 && bytesPerSecond <= 399999;
    bitRate = int(int64_t(bytesPerSecond) * 8 / 1000);
    vbr = streamType.contains(QLatin1String("VBR"));
    return true;
}

bool TWMA::readFromFile(const QString& fileName) {
    InFile f(fileName);
    if (!f.isOpen()) {
        reset();
        return false;
    }
    return read(f);
}

QString TWMA::channelMode() const {
    return channelCountName(channels);
}

namespace {

QByteArray textAttribute(const QString& name, const QString& value) {
    const QByteArray n = utf16Bytes(name, 1024);
    const QByteArray v = utf16Bytes(value, 65535);
    QByteArray a(2, '\0');
    putLe16(reinterpret_cast<uint8_t*>(a.data()), uint16_t(n.size()));
    a += n;
    uint8_t tl[4];
    putLe16(tl, 0);
    putLe16(tl + 2, uint16_t(v.size()));
    a.append(reinterpret_cast<const char*>(tl), 4);
    a += v;
    return a;
}

QByteArray objectBytes(const Guid& g, const QByteArray& body) {
    QByteArray o(kObjectHeader, '\0');
    auto* p = reinterpret_cast<uint8_t*>(o.data());
    std::memcpy(p, g.data(), 16);
    putLe64(p + 16, uint64_t(kObjectHeader + body.size()));
    return o + body;
}

} // namespace

TagWriteResult TWMA::writeTag(const QString& fileName) const {
    auto fail = [&](const QString& why) { return TagWriteResult{false, fileName + ": " + why}; };
    if (!fileExists(fileName))
        return {false, QStringLiteral("Error: file %1 not found!").arg(fileName)};
    if (!makeWritable(fileName)) return {false, QStringLiteral("Access denied: %1").arg(fileName)};
    InFile in(fileName);
    if (!in.isOpen()) return fail(QStringLiteral("cannot be opened"));
    uint8_t pre[kHeaderPreamble];
    if (in.readAt(0, pre, kHeaderPreamble) != kHeaderPreamble || !isGuid(pre, kHeader))
        return fail(QStringLiteral("not an ASF file"));
    const uint64_t headerSize = le64(pre + 16);
    const uint32_t count = le32(pre + 24);
    if (headerSize < kHeaderPreamble || headerSize > uint64_t(in.size()))
        return fail(QStringLiteral("damaged ASF header"));
    const QByteArray header = in.bytesAt(0, int64_t(headerSize));
    if (header.size() != int64_t(headerSize)) return fail(QStringLiteral("cannot be read"));
    const QList<Object> objects = headerObjects(header, count);
    if (uint32_t(objects.size()) != count ||
        (objects.isEmpty() ? kHeaderPreamble : objects.last().offset + objects.last().size) !=
            int64_t(headerSize))
        return fail(QStringLiteral("damaged ASF header"));

    // Extended Content Description: the old attributes minus the ones written below, and
    // minus copies of title, artist and comment, which the Content Description now holds
    // (left in place they would show the old values in other players).
    static const char* const kReplaced[] = {
        "WM/ALBUMTITLE", "WM/YEAR",   "WM/PROMOTIONURL", "WM/GENREID", "WM/GENRE",
        "WM/TRACK",      "WM/LYRICS", "WM/TITLE",        "WM/AUTHOR",  "WM/DESCRIPTION"};
    QByteArrayList attrs;
    for (const Object& ob : objects) {
        if (!isGuid(ob.guid, kExtendedContent)) continue;
        for (const Attribute& a : extendedAttributes(ob.guid, ob.size)) {
            const QString name = attributeKey(a.name);
            bool replaced = false;
            for (const char* r : kReplaced)
                replaced = replaced || name == QLatin1String(r);
            if (!replaced && le16(bytesOf(a.raw)) <= 1024) attrs.append(a.raw);
        }
        break;
    }
    QString genreIdText = genreId;
    if (!genreIdText.isEmpty() && !(genreIdText.startsWith('(') && genreIdText.endsWith(')')))
        genreIdText = '(' + genreIdText + ')';
    const std::pair<const char*, QString> added[] = {
        {"WM/AlbumTitle", album},    {"WM/Year", year},   {"WM/PromotionURL", promotionUrl},
        {"WM/GenreID", genreIdText}, {"WM/Genre", genre}, {"WM/Track", track},
        {"WM/Lyrics", lyrics}};
    for (const auto& [name, value] : added)
        if (!value.isEmpty()) attrs.append(textAttribute(QLatin1String(name), value));
    if (attrs.size() > 0xFFFF) return fail(QStringLiteral("too many attributes"));
    QByteArray ecdBody(2, '\0');
    putLe16(reinterpret_cast<uint8_t*>(ecdBody.data()), uint16_t(attrs.size()));
    for (const QByteArray& a : attrs)
        ecdBody += a;
    const QByteArray ecd = objectBytes(kExtendedContent, ecdBody);

    QByteArray cdBody(10, '\0');
    QByteArray cdTexts;
    const QString cdValues[] = {title, artist, copyright, comment, rating};
    for (int i = 0; i < 5; ++i) {
        const QByteArray t = utf16Bytes(cdValues[i], 65535);
        putLe16(reinterpret_cast<uint8_t*>(cdBody.data()) + 2 * i, uint16_t(t.size()));
        cdTexts += t;
    }
    const QByteArray cd = objectBytes(kContentDescription, cdBody + cdTexts);

    // The new header: every object in its place, the two rewritten ones replaced, a missing
    // one added at the end.
    QByteArray out = header.left(kHeaderPreamble);
    bool haveEcd = false, haveCd = false;
    int64_t filePropsAt = -1;
    for (const Object& ob : objects) {
        if (isGuid(ob.guid, kExtendedContent)) {
            if (!haveEcd) out += ecd;
            haveEcd = true;
            continue;
        }
        if (isGuid(ob.guid, kContentDescription)) {
            if (!haveCd) out += cd;
            haveCd = true;
            continue;
        }
        if (isGuid(ob.guid, kFileProperties) && ob.size >= 48) filePropsAt = out.size();
        out += header.mid(ob.offset, ob.size);
    }
    uint32_t newCount = count;
    for (const Object& ob : objects)
        if (isGuid(ob.guid, kExtendedContent) || isGuid(ob.guid, kContentDescription)) --newCount;
    newCount += 2;
    if (!haveCd) out += cd;
    if (!haveEcd) out += ecd;
    auto* h = reinterpret_cast<uint8_t*>(out.data());
    const int64_t newSize = out.size() + (in.size() - int64_t(headerSize));
    putLe64(h + 16, uint64_t(out.size()));
    putLe32(h + 24, newCount);
    if (filePropsAt >= 0) putLe64(h + filePropsAt + 40, uint64_t(newSize));

    FileReplacement rep(fileName);
    if (!rep.open() || !rep.write(out) ||
        !rep.copyFrom(in, int64_t(headerSize), in.size() - int64_t(headerSize)) || !rep.commit())
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    return {true, {}};
}

} // namespace wc
