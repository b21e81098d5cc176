#include "audio/containerlength.h"

#include <QFile>
#include <algorithm>
#include <cstring>

namespace wc::audio {

namespace {

const unsigned char* bytes(const QByteArray& b) {
    return reinterpret_cast<const unsigned char*>(b.constData());
}

quint32 be32(const unsigned char* p) {
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
}

quint64 be64(const unsigned char* p) {
    return quint64(be32(p)) << 32 | be32(p + 4);
}

quint32 le32(const unsigned char* p) {
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

// The granule position of the last page of the stream in tail that has one, or 0.
qint64 lastGranule(const QByteArray& tail, quint32 serial) {
    const unsigned char* t = bytes(tail);
    for (qsizetype i = tail.size() - 27; i >= 0; --i) {
        if (std::memcmp(t + i, "OggS", 4) != 0 || le32(t + i + 14) != serial) continue;
        const qint64 granule = qint64(quint64(le32(t + i + 6)) | quint64(le32(t + i + 10)) << 32);
        if (granule > 0) return granule;
    }
    return 0;
}

// One box of an MP4 atom list: its type and its body.
struct Box {
    const unsigned char* type;
    const unsigned char* body;
    qint64 size;
};

// Calls f for each box in [p, p + n) until it returns false; stops at a box whose size does not
// fit.
template <class F> void forEachBox(const unsigned char* p, qint64 n, F f) {
    qint64 at = 0;
    while (at + 8 <= n) {
        qint64 size = be32(p + at);
        qint64 header = 8;
        if (size == 1) {
            if (at + 16 > n) return;
            const quint64 large = be64(p + at + 8);
            if (large > quint64(n - at)) return;
            size = qint64(large);
            header = 16;
        } else if (size == 0) {
            size = n - at; // to the end of the enclosing box
        }
        if (size < header || size > n - at) return;
        if (!f(Box{p + at + 4, p + at + header, size - header})) return;
        at += size;
    }
}

bool isType(const Box& b, const char* type) {
    return std::memcmp(b.type, type, 4) == 0;
}

// The first child of the given type, or a box with no body.
Box child(const Box& parent, const char* type) {
    Box found{nullptr, nullptr, -1};
    forEachBox(parent.body, parent.size, [&](const Box& b) {
        if (!isType(b, type)) return true;
        found = b;
        return false;
    });
    return found;
}

// Time scale and duration of an mvhd or mdhd box (both lay them out alike).
bool timeHeader(const Box& b, quint32* scale, quint64* duration) {
    if (b.size < 4) return false;
    const int version = b.body[0];
    if (version == 1) {
        if (b.size < 32) return false;
        *scale = be32(b.body + 20);
        *duration = be64(b.body + 24);
    } else {
        if (b.size < 20) return false;
        *scale = be32(b.body + 12);
        *duration = be32(b.body + 16);
    }
    return true;
}

} // namespace

QuickLength flacLengthFromBytes(const QByteArray& head) {
    const unsigned char* p = bytes(head);
    // "fLaC", then the STREAMINFO block (type 0, 34 bytes), which must come first.
    if (head.size() < 8 + 34 || std::memcmp(p, "fLaC", 4) != 0) return {};
    if ((p[4] & 0x7F) != 0) return {};
    const quint32 blockSize = quint32(p[5]) << 16 | quint32(p[6]) << 8 | p[7];
    if (blockSize < 34) return {};
    const unsigned char* s = p + 8 + 10;
    const qint64 rate = qint64(s[0]) << 12 | s[1] << 4 | s[2] >> 4;
    const qint64 total = qint64(s[3] & 0x0F) << 32 | be32(s + 4);
    return lengthFromSamples(total, rate, LengthSource::InfoHeader);
}

QuickLength oggAnyLengthFromBytes(const QByteArray& head, const QByteArray& tail) {
    const unsigned char* p = bytes(head);
    if (head.size() < 27 || std::memcmp(p, "OggS", 4) != 0) return {};
    const int body = 27 + p[26];
    // FLAC in Ogg: 0x7F "FLAC", the mapping's version and header count, then "fLaC" and the
    // STREAMINFO block.
    static const char kOggFlac[] = {0x7F, 'F', 'L', 'A', 'C'};
    if (head.size() >= body + 9 && std::memcmp(p + body, kOggFlac, 5) == 0) {
        const QByteArray streamInfo = head.mid(body + 9);
        const QuickLength q = flacLengthFromBytes(streamInfo);
        if (q.source != LengthSource::None) return q;
        // A stream written on the fly leaves the total at 0: the last page's granule position
        // (samples at the stream's rate) gives it.
        if (streamInfo.size() < 8 + 34 || std::memcmp(bytes(streamInfo), "fLaC", 4) != 0) return {};
        const unsigned char* s = bytes(streamInfo) + 8 + 10;
        const qint64 rate = qint64(s[0]) << 12 | s[1] << 4 | s[2] >> 4;
        return lengthFromSamples(lastGranule(tail, le32(p + 14)), rate, LengthSource::OggGranule);
    }
    return oggLengthFromBytes(head, tail);
}

QuickLength mp4LengthFromMoov(const QByteArray& moov) {
    const Box root{nullptr, bytes(moov), moov.size()};
    quint32 movieScale = 0;
    quint64 movieDuration = 0;
    const Box mvhd = child(root, "mvhd");
    if (!mvhd.body || !timeHeader(mvhd, &movieScale, &movieDuration)) return {};
    QuickLength result;
    forEachBox(root.body, root.size, [&](const Box& trak) {
        if (!isType(trak, "trak")) return true;
        const Box mdia = child(trak, "mdia");
        if (!mdia.body) return true;
        const Box hdlr = child(mdia, "hdlr");
        if (!hdlr.body || hdlr.size < 12 || std::memcmp(hdlr.body + 8, "soun", 4) != 0) return true;
        // The first sound track decides, whatever it gives.
        quint32 scale = 0;
        quint64 duration = 0;
        const Box mdhd = child(mdia, "mdhd");
        if (!mdhd.body || !timeHeader(mdhd, &scale, &duration)) return false;
        const Box edts = child(trak, "edts");
        const Box elst = edts.body ? child(edts, "elst") : Box{nullptr, nullptr, -1};
        if (!elst.body) {
            // Without an edit list every sample of the media is played.
            result = lengthFromSamples(qint64(std::min<quint64>(duration, quint64(1) << 50)), scale,
                                       LengthSource::InfoHeader);
            return false;
        }
        // One edit that plays the media from some point at normal rate: the decoder skips
        // the samples before it (an encoder's priming) and stops at its end.
        if (elst.size < 8) return false;
        const int version = elst.body[0];
        const quint32 count = be32(elst.body + 4);
        const qint64 entry = version == 1 ? 20 : 12;
        if (count != 1 || elst.size < 8 + entry) return false;
        const unsigned char* e = elst.body + 8;
        const quint64 segment = version == 1 ? be64(e) : be32(e);
        const qint64 mediaTime = version == 1 ? qint64(be64(e + 8)) : qint32(be32(e + 4));
        const quint32 rate = be32(e + (version == 1 ? 16 : 8));
        if (mediaTime < 0 || rate != 0x00010000 || segment == 0) return false;
        result = lengthFromSamples(qint64(std::min<quint64>(segment, quint64(1) << 50)), movieScale,
                                   LengthSource::InfoHeader);
        return false;
    });
    return result;
}

namespace {

QByteArray readAt(QFile& f, qint64 pos, qint64 n) {
    if (pos < 0 || n <= 0 || !f.seek(pos)) return {};
    return f.read(n);
}

// The body of the file's top-level "moov" box, which may come before or after the media data.
QByteArray moovOf(QFile& f) {
    const qint64 size = f.size();
    qint64 at = 0;
    for (int boxes = 0; boxes < 4096 && at + 8 <= size; ++boxes) {
        const QByteArray h = readAt(f, at, 16);
        if (h.size() < 8) return {};
        const unsigned char* p = bytes(h);
        qint64 box = be32(p);
        qint64 header = 8;
        if (box == 1) {
            if (h.size() < 16) return {};
            box = qint64(std::min<quint64>(be64(p + 8), quint64(size)));
            header = 16;
        } else if (box == 0) {
            box = size - at;
        }
        if (box < header || box > size - at) return {};
        if (std::memcmp(p + 4, "moov", 4) == 0) {
            // A movie header of tens of megabytes is not a music file's; such files are decoded.
            if (box - header > (qint64(64) << 20)) return {};
            return readAt(f, at + header, box - header);
        }
        at += box;
    }
    return {};
}

} // namespace

QuickLength containerLength(const QString& path, const QString& suffix) {
    const bool flac = suffix == QLatin1String("flac");
    const bool oga = suffix == QLatin1String("oga");
    const bool m4a = suffix == QLatin1String("m4a");
    if (!flac && !oga && !m4a) return {};
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return {};
    if (flac) return flacLengthFromBytes(readAt(f, id3v2Size(readAt(f, 0, 10)), 64));
    if (oga) {
        const qint64 size = f.size();
        const qint64 tailStart = std::max<qint64>(0, size - 65536);
        return oggAnyLengthFromBytes(readAt(f, 0, 4096), readAt(f, tailStart, size - tailStart));
    }
    return mp4LengthFromMoov(moovOf(f));
}

} // namespace wc::audio
