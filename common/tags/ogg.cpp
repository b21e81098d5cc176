#include "common/tags/ogg.h"

#include "common/tags/wav.h"
#include "common/text.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace wc {

using namespace tags;

namespace {

constexpr int kPageHeader = 27;

// Eight tables for the checksum, eight bytes per step: table k gives the remainder of a
// byte followed by k zero bytes.
using CrcTables = std::array<std::array<uint32_t, 256>, 8>;
const CrcTables& crcTables() {
    static const CrcTables tables = [] {
        CrcTables t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t r = i << 24;
            for (int k = 0; k < 8; ++k)
                r = r & 0x80000000u ? (r << 1) ^ 0x04C11DB7u : r << 1;
            t[0][i] = r;
        }
        for (int k = 1; k < 8; ++k)
            for (uint32_t i = 0; i < 256; ++i)
                t[k][i] = (t[k - 1][i] << 8) ^ t[0][t[k - 1][i] >> 24];
        return t;
    }();
    return tables;
}

struct Page {
    int64_t offset = 0;
    uint8_t flags = 0;
    int64_t granule = 0;
    uint32_t serial = 0;
    uint32_t sequence = 0;
    int segments = 0;
    uint8_t lacing[255] = {};
    int headerSize = 0; // 27 + segments
    int64_t bodySize = 0;
    int64_t end() const { return offset + headerSize + bodySize; }
};

// Reads the page header at pos; false when there is none or it is cut short. The body may
// still run past the end of the source; callers bound their reads by the source's size.
bool readPage(const ByteSource& src, int64_t pos, Page& page) {
    uint8_t h[kPageHeader];
    if (src.readAt(pos, h, kPageHeader) != kPageHeader) return false;
    if (std::memcmp(h, "OggS", 4) != 0) return false;
    page.offset = pos;
    page.flags = h[5];
    page.granule = int64_t(le64(h + 6));
    page.serial = le32(h + 14);
    page.sequence = le32(h + 18);
    page.segments = h[26];
    if (src.readAt(pos + kPageHeader, page.lacing, page.segments) != page.segments) return false;
    page.headerSize = kPageHeader + page.segments;
    page.bodySize = 0;
    for (int i = 0; i < page.segments; ++i)
        page.bodySize += page.lacing[i];
    return true;
}

// The header packets of the first logical stream, and the pages that carry them.
struct HeaderPackets {
    QByteArrayList packets;
    QList<Page> pages;
    // Whether the page on which the last wanted packet ends holds more segments after it.
    bool trailingSegments = false;
    // Whether pages of another stream lie between them.
    bool interleaved = false;
    int lastSegmentUsed = 0;
};

// Collects the first `wanted` packets of the stream that starts at pos. A packet is only
// counted when complete; bytes past the end of the source end the search.
void collectPackets(const ByteSource& src, int64_t pos, int wanted, HeaderPackets& out) {
    QByteArray current;
    bool haveSerial = false;
    uint32_t serial = 0;
    const int64_t total = src.size();
    while (out.packets.size() < wanted && pos < total) {
        Page page;
        if (!readPage(src, pos, page)) return;
        if (!haveSerial) {
            serial = page.serial;
            haveSerial = true;
        } else if (page.serial != serial) {
            // A page of another stream multiplexed with this one.
            out.interleaved = true;
            pos = page.end();
            continue;
        }
        if (page.end() > total) return;
        out.pages.append(page);
        int64_t body = page.offset + page.headerSize;
        for (int i = 0; i < page.segments; ++i) {
            const int len = page.lacing[i];
            if (len > 0) {
                const qsizetype at = current.size();
                current.resize(at + len);
                if (src.readAt(body, current.data() + at, len) != len) return;
            }
            body += len;
            if (len < 255) {
                out.packets.append(current);
                current.clear();
                if (out.packets.size() == wanted) {
                    out.trailingSegments = i + 1 < page.segments;
                    out.lastSegmentUsed = i + 1;
                    return;
                }
            }
        }
        pos = page.end();
    }
}

int64_t skipId3v2(const ByteSource& src) {
    TID3v2 v2;
    v2.read(src);
    return v2.exists ? v2.size : 0;
}

QString valueText(const QByteArray& v) {
    return decodeText(v).trimmed();
}

int trackNumberOf(const QString& text) {
    const QString head = text.section('/', 0, 0).trimmed();
    bool ok = false;
    const int n = head.toInt(&ok);
    return ok && n >= 0 && n <= 255 ? n : 0;
}

const char* const kFieldNames[] = {"TITLE",   "GENRE",     "ARTIST",      "ALBUM",      "DATE",
                                   "COMMENT", "PERFORMER", "DESCRIPTION", "TRACKNUMBER"};

bool isKnownField(const QByteArray& upperName) {
    for (const char* f : kFieldNames)
        if (upperName == f) return true;
    return false;
}

} // namespace

uint32_t oggCrc(const uint8_t* data, size_t size, uint32_t crc) {
    const CrcTables& t = crcTables();
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        const uint8_t* p = data + i;
        const uint32_t a = crc ^ (uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 |
                                  uint32_t(p[2]) << 8 | uint32_t(p[3]));
        crc = t[7][a >> 24] ^ t[6][(a >> 16) & 0xFF] ^ t[5][(a >> 8) & 0xFF] ^ t[4][a & 0xFF] ^
              t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
    }
    for (; i < size; ++i)
        crc = (crc << 8) ^ t[0][((crc >> 24) ^ data[i]) & 0xFF];
    return crc;
}

bool TOggVorbis::read(const ByteSource& src) {
    reset();
    fileSize = src.size();
    id3v2Size = int32_t(skipId3v2(src));
    HeaderPackets hp;
    collectPackets(src, id3v2Size, 2, hp);
    if (hp.packets.isEmpty()) return false;
    const QByteArray& id = hp.packets.at(0);
    if (id.size() < 30 || id.at(0) != 1 || !id.mid(1, 6).startsWith("vorbis")) return false;
    const auto* p = bytesOf(id);
    channels = p[11];
    sampleRate = le32(p + 12);
    const int32_t nominal = int32_t(le32(p + 20));
    nominalBitRate = nominal > 0 ? uint16_t(std::min<int64_t>(std::lround(nominal / 1000.0), 65535))
                                 : uint16_t(0);
    headerFound = true;

    QString artistField, commentField;
    if (hp.packets.size() >= 2) {
        const QByteArray& c = hp.packets.at(1);
        const auto* b = bytesOf(c);
        const int64_t n = c.size();
        if (n >= 7 && b[0] == 3 && std::memcmp(b + 1, "vorbis", 6) == 0) {
            int64_t at = 7;
            // Every length is checked against what is left of the packet, so a damaged
            // count or length ends the list instead of running past it.
            if (at + 4 <= n) {
                const int64_t vlen = le32(b + at);
                at += 4;
                if (vlen <= n - at) {
                    vendorRaw_ = c.mid(at, vlen);
                    vendor = valueText(vendorRaw_);
                    at += vlen;
                    uint32_t count = at + 4 <= n ? le32(b + at) : 0;
                    at += 4;
                    for (uint32_t i = 0; i < count && at + 4 <= n; ++i) {
                        const int64_t len = le32(b + at);
                        at += 4;
                        if (len > n - at) break;
                        const QByteArray text = c.mid(at, len);
                        at += len;
                        const qsizetype eq = text.indexOf('=');
                        if (eq < 0) {
                            if (vendor.isEmpty()) vendor = valueText(text);
                            continue;
                        }
                        const QByteArray name = text.left(eq).toUpper();
                        if (!isKnownField(name)) {
                            otherComments.append(text);
                            continue;
                        }
                        const QString value = valueText(text.mid(eq + 1));
                        if (name == "TITLE")
                            title = value;
                        else if (name == "ARTIST")
                            artistField = value;
                        else if (name == "ALBUM")
                            album = value;
                        else if (name == "TRACKNUMBER")
                            trackText = value;
                        else if (name == "DATE")
                            date = value;
                        else if (name == "GENRE")
                            genre = value;
                        else if (name == "COMMENT")
                            commentField = value;
                        else if (name == "PERFORMER")
                            performer = value;
                        else if (name == "DESCRIPTION")
                            description = value;
                    }
                }
            }
        }
    }
    artist = artistField.isEmpty() ? performer : artistField;
    comment = commentField.isEmpty() ? description : commentField;
    track = uint8_t(trackNumberOf(trackText));
    readTrackText_ = trackText;

    // The last page: searched backwards in overlapping steps from the end of the file.
    const int64_t size = src.size();
    uint8_t buf[251];
    for (int k = 1; k <= 50; ++k) {
        const int64_t at = std::max<int64_t>(0, size - int64_t(k) * 241 - 10);
        const int64_t got = src.readAt(at, buf, sizeof buf);
        bool hit = false;
        for (int64_t o = std::min<int64_t>(241, got - 4); o >= 0 && !hit; --o) {
            if (std::memcmp(buf + o, "OggS", 4) != 0) continue;
            Page page;
            if (readPage(src, at + o, page) && page.granule >= 0) {
                samples = page.granule;
                hit = true;
            }
        }
        if (hit || at == 0) break;
    }
    return true;
}

bool TOggVorbis::readFromFile(const QString& fileName) {
    InFile f(fileName);
    if (!f.isOpen()) {
        reset();
        return false;
    }
    return read(f);
}

double TOggVorbis::duration() const {
    if (samples > 0 && sampleRate > 0) return double(samples) / sampleRate;
    if (nominalBitRate > 0 && channels > 0)
        return double(fileSize - id3v2Size) / nominalBitRate / channels / 125 * 2;
    return 0;
}

int TOggVorbis::bitRate() const {
    const double d = duration();
    if (d <= 0) return 0;
    // A damaged header can claim a few samples at a huge rate: keep the result in range.
    const double kbit = std::nearbyint(double(fileSize - id3v2Size) / d / 125);
    return kbit >= 2e9 ? 2000000000 : kbit <= 0 ? 0 : int(kbit);
}

bool TOggVorbis::valid() const {
    return headerFound && (channels == 1 || channels == 2) && sampleRate > 0 && duration() > 0.1 &&
           bitRate() != 0;
}

QString TOggVorbis::channelMode() const {
    return channelCountName(channels);
}

namespace {

void appendLe32(QByteArray& b, uint32_t v) {
    uint8_t x[4];
    putLe32(x, v);
    b.append(reinterpret_cast<const char*>(x), 4);
}

// Lays packets out as pages of at most 255 segments, numbered from firstSequence. A page on
// which no packet ends gets granule position -1, the others 0 (header pages).
QList<QByteArray> paginate(const QByteArrayList& packets, uint32_t serial, uint32_t firstSequence,
                           uint8_t firstFlags) {
    struct Segment {
        const QByteArray* packet;
        qsizetype from;
        int len;
        bool ends;
    };
    QList<Segment> segs;
    for (const QByteArray& p : packets) {
        qsizetype at = 0;
        for (;;) {
            const int len = int(std::min<qsizetype>(255, p.size() - at));
            segs.append({&p, at, len, len < 255});
            at += len;
            if (len < 255) break;
        }
    }
    QList<QByteArray> pages;
    bool continued = false;
    for (qsizetype i = 0; i < segs.size();) {
        const qsizetype n = std::min<qsizetype>(255, segs.size() - i);
        QByteArray page(kPageHeader + n, '\0');
        auto* h = reinterpret_cast<uint8_t*>(page.data());
        std::memcpy(h, "OggS", 4);
        h[5] = uint8_t((pages.isEmpty() ? firstFlags & ~1 : 0) | (continued ? 1 : 0));
        bool anyEnd = false;
        for (qsizetype k = 0; k < n; ++k) {
            h[kPageHeader + k] = uint8_t(segs[i + k].len);
            anyEnd = anyEnd || segs[i + k].ends;
        }
        putLe64(h + 6, anyEnd ? 0 : ~uint64_t(0));
        putLe32(h + 14, serial);
        putLe32(h + 18, firstSequence + uint32_t(pages.size()));
        h[26] = uint8_t(n);
        for (qsizetype k = 0; k < n; ++k)
            page.append(segs[i + k].packet->constData() + segs[i + k].from, segs[i + k].len);
        continued = !segs[i + n - 1].ends;
        const uint32_t crc = oggCrc(bytesOf(page), size_t(page.size()));
        putLe32(reinterpret_cast<uint8_t*>(page.data()) + 22, crc);
        pages.append(page);
        i += n;
    }
    return pages;
}

} // namespace

TagWriteResult TOggVorbis::saveTag(const QString& fileName) const {
    auto fail = [&](const QString& why) { return TagWriteResult{false, fileName + ": " + why}; };
    if (!fileExists(fileName))
        return {false, QStringLiteral("Error: file %1 not found!").arg(fileName)};
    if (!makeWritable(fileName)) return {false, QStringLiteral("Access denied: %1").arg(fileName)};
    InFile in(fileName);
    if (!in.isOpen()) return fail(QStringLiteral("cannot be opened"));
    TOggVorbis check;
    if (!check.read(in)) return fail(QStringLiteral("not an Ogg Vorbis file"));
    const int64_t start = check.id3v2Size;
    HeaderPackets hp;
    collectPackets(in, start, 3, hp);
    if (hp.packets.size() < 3 || hp.pages.size() < 2 || hp.pages.first().segments == 0)
        return fail(QStringLiteral("incomplete Vorbis headers"));
    const Page& first = hp.pages.first();
    // The identification packet must fill the first page alone, and the setup packet must
    // end its page, as the Vorbis stream layout requires; anything else is left untouched.
    int64_t idLen = 0;
    for (int i = 0; i < first.segments; ++i)
        idLen += first.lacing[i];
    if (idLen != hp.packets.at(0).size() || hp.trailingSegments || hp.interleaved)
        return fail(QStringLiteral("unusual page layout"));

    QByteArray packet("\x03vorbis", 7);
    appendLe32(packet,
               uint32_t(vendorRaw_.isEmpty() ? check.vendorRaw_.size() : vendorRaw_.size()));
    packet.append(vendorRaw_.isEmpty() ? check.vendorRaw_ : vendorRaw_);
    QString trackValue = track ? QString::number(track) : QString();
    if (track && trackNumberOf(readTrackText_) == track) trackValue = readTrackText_;
    const std::pair<const char*, QString> fields[] = {
        {"TITLE", title.trimmed()},    {"ARTIST", artist.trimmed()}, {"ALBUM", album.trimmed()},
        {"TRACKNUMBER", trackValue},   {"DATE", date.trimmed()},     {"GENRE", genre.trimmed()},
        {"COMMENT", comment.trimmed()}};
    QByteArrayList entries;
    for (const auto& [name, value] : fields)
        if (!value.isEmpty()) entries.append(QByteArray(name) + '=' + value.toUtf8());
    entries += otherComments;
    appendLe32(packet, uint32_t(entries.size()));
    for (const QByteArray& e : entries) {
        appendLe32(packet, uint32_t(e.size()));
        packet.append(e);
    }
    packet.append('\x01'); // framing bit

    const QList<Page> oldHeaderPages = hp.pages.mid(1);
    const Page& second = oldHeaderPages.first();
    const QList<QByteArray> newPages =
        paginate({packet, hp.packets.at(2)}, second.serial, second.sequence, second.flags);
    const int64_t restStart = oldHeaderPages.last().end();
    const int32_t shift = int32_t(newPages.size()) - int32_t(oldHeaderPages.size());

    FileReplacement out(fileName);
    if (!out.open() || !out.copyFrom(in, 0, second.offset))
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    for (const QByteArray& p : newPages)
        if (!out.write(p)) return fail(QString::fromLocal8Bit(std::strerror(errno)));
    int64_t pos = restStart;
    if (shift != 0) {
        // The pages after the headers keep their order; their sequence numbers move by the
        // change in header pages, and each gets its checksum again. The file is read and
        // written in large blocks; a page cut short ends the walk and the rest is copied.
        constexpr int64_t kBlock = 1 << 20;
        QByteArray block, pending;
        int64_t blockStart = pos;
        auto bytesAt = [&](int64_t at, int64_t len) -> const uint8_t* {
            if (at < blockStart || at + len > blockStart + block.size()) {
                block = in.bytesAt(at, std::max(len, kBlock));
                blockStart = at;
                if (block.size() < len) return nullptr;
            }
            return bytesOf(block) + (at - blockStart);
        };
        for (;;) {
            const uint8_t* h = bytesAt(pos, kPageHeader);
            if (!h || std::memcmp(h, "OggS", 4) != 0) break;
            const int segments = h[26];
            h = bytesAt(pos, kPageHeader + segments);
            if (!h) break;
            int64_t size = kPageHeader + segments;
            for (int i = 0; i < segments; ++i)
                size += h[kPageHeader + i];
            h = bytesAt(pos, size);
            if (!h) break;
            const qsizetype at = pending.size();
            pending.append(reinterpret_cast<const char*>(h), size);
            const bool ours = le32(h + 14) == second.serial;
            const bool last = ours && (h[5] & 4);
            if (ours) {
                auto* page = reinterpret_cast<uint8_t*>(pending.data()) + at;
                putLe32(page + 18, le32(h + 18) + uint32_t(shift));
                putLe32(page + 22, 0);
                putLe32(page + 22, oggCrc(page, size_t(size)));
            }
            pos += size;
            if (pending.size() >= kBlock) {
                if (!out.write(pending)) return fail(QString::fromLocal8Bit(std::strerror(errno)));
                pending.clear();
            }
            if (last) break; // end of the stream
        }
        if (!out.write(pending)) return fail(QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (!out.copyFrom(in, pos, in.size() - pos) || !out.commit())
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    return {true, {}};
}

} // namespace wc
