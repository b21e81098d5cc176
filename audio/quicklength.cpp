#include "audio/quicklength.h"
#include "audio/containerlength.h"

#include "audio/audioengine.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>

namespace wc::audio {

namespace {

constexpr int kBitrates[2][3][16] = {
    // MPEG-1: layers I, II, III
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    // MPEG-2 and 2.5
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}},
};
constexpr int kRates[3] = {44100, 48000, 32000};

quint32 be32(const unsigned char* p) {
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
}

qint64 le64(const unsigned char* p) {
    quint64 v = 0;
    for (int i = 7; i >= 0; --i)
        v = v << 8 | p[i];
    return qint64(v);
}

const unsigned char* bytes(const QByteArray& b) {
    return reinterpret_cast<const unsigned char*>(b.constData());
}

// The first offset at or after from where a frame header starts that is followed by another
// of the same kind (or by the end of data), so that a stray sync word is not taken.
int findFrame(const QByteArray& data, int from, MpegFrameHeader* out) {
    const unsigned char* p = bytes(data);
    const int n = int(data.size());
    for (int i = std::max(from, 0); i + 4 <= n; ++i) {
        MpegFrameHeader h;
        if (p[i] != 0xFF || !parseMpegFrameHeader(p + i, &h)) continue;
        const int next = i + h.frameBytes;
        MpegFrameHeader h2;
        if (next + 4 <= n && (!parseMpegFrameHeader(p + next, &h2) ||
                              h2.sampleRate != h.sampleRate || h2.layer != h.layer))
            continue;
        *out = h;
        return i;
    }
    return -1;
}

qint64 framesToMs(qint64 samples, int rate) {
    return rate > 0 ? samples * 1000 / rate : 0;
}

} // namespace

bool parseMpegFrameHeader(const unsigned char* p, MpegFrameHeader* h) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
    const int ver = (p[1] >> 3) & 3; // 0 2.5, 1 reserved, 2 MPEG-2, 3 MPEG-1
    const int layerBits = (p[1] >> 1) & 3;
    const int brIndex = p[2] >> 4;
    const int srIndex = (p[2] >> 2) & 3;
    if (ver == 1 || layerBits == 0 || brIndex == 0 || brIndex == 15 || srIndex == 3) return false;
    const int layer = 4 - layerBits;
    const bool mpeg1 = ver == 3;
    h->version = mpeg1 ? 1 : ver == 2 ? 2 : 25;
    h->layer = layer;
    h->bitrateKbps = kBitrates[mpeg1 ? 0 : 1][layer - 1][brIndex];
    h->sampleRate = kRates[srIndex] / (mpeg1 ? 1 : ver == 2 ? 2 : 4);
    h->channels = (p[3] >> 6) == 3 ? 1 : 2;
    const int padding = (p[2] >> 1) & 1;
    if (layer == 1) {
        h->samplesPerFrame = 384;
        h->frameBytes = (12 * h->bitrateKbps * 1000 / h->sampleRate + padding) * 4;
    } else {
        h->samplesPerFrame = layer == 3 && !mpeg1 ? 576 : 1152;
        h->frameBytes = h->samplesPerFrame / 8 * h->bitrateKbps * 1000 / h->sampleRate + padding;
    }
    return h->frameBytes >= 4;
}

qint64 id3v2Size(const QByteArray& data) {
    const unsigned char* p = bytes(data);
    if (data.size() < 10 || std::memcmp(p, "ID3", 3) != 0) return 0;
    for (int i = 6; i < 10; ++i)
        if (p[i] & 0x80) return 0;
    const qint64 body = qint64(p[6]) << 21 | qint64(p[7]) << 14 | qint64(p[8]) << 7 | p[9];
    const bool footer = p[5] & 0x10;
    return 10 + body + (footer ? 10 : 0);
}

QuickLength mp3LengthFromBytes(const QByteArray& head, const QByteArray& middle,
                               qint64 audioBytes) {
    QuickLength r;
    MpegFrameHeader h;
    const int first = findFrame(head, 0, &h);
    if (first < 0 || h.layer != 3) return r;
    const unsigned char* p = bytes(head) + first;
    const int avail = int(head.size()) - first;
    // The Xing or Info header sits after the side information of the first frame.
    const int side = h.version == 1 ? (h.channels == 1 ? 17 : 32) : (h.channels == 1 ? 9 : 17);
    const int xing = 4 + side;
    if (avail >= xing + 16 &&
        (std::memcmp(p + xing, "Xing", 4) == 0 || std::memcmp(p + xing, "Info", 4) == 0)) {
        const quint32 flags = be32(p + xing + 4);
        if (flags & 1) {
            const qint64 frames = be32(p + xing + 8);
            qint64 samples = frames * h.samplesPerFrame;
            // The LAME tag after the fixed part gives the encoder's delay and padding, which a
            // decoder leaves out.
            int off = xing + 8 + ((flags & 1) ? 4 : 0) + ((flags & 2) ? 4 : 0) +
                      ((flags & 4) ? 100 : 0) + ((flags & 8) ? 4 : 0);
            if (avail >= off + 24 &&
                (std::memcmp(p + off, "LAME", 4) == 0 || std::memcmp(p + off, "Lavc", 4) == 0 ||
                 std::memcmp(p + off, "Lavf", 4) == 0)) {
                const unsigned char* d = p + off + 21;
                const int delay = (d[0] << 4) | (d[1] >> 4);
                const int padding = ((d[1] & 0x0F) << 8) | d[2];
                samples -= delay + padding;
            }
            if (frames > 0 && samples > 0) {
                r.source = LengthSource::InfoHeader;
                r.ms = framesToMs(samples, h.sampleRate);
            }
            return r;
        }
    }
    // VBRI sits 32 bytes after the frame header.
    if (avail >= 36 + 18 && std::memcmp(p + 36, "VBRI", 4) == 0) {
        const qint64 frames = be32(p + 36 + 14);
        if (frames > 0) {
            r.source = LengthSource::InfoHeader;
            r.ms = framesToMs(frames * h.samplesPerFrame, h.sampleRate);
        }
        return r;
    }
    // Without a header the stream is measured by its bytes only when every frame header seen,
    // at the start and in the middle, has the same bit rate.
    int at = first;
    for (int k = 0; k < 8 && at + 4 <= head.size(); ++k) {
        MpegFrameHeader f;
        if (!parseMpegFrameHeader(bytes(head) + at, &f)) break;
        if (f.bitrateKbps != h.bitrateKbps || f.sampleRate != h.sampleRate) return r;
        at += f.frameBytes;
    }
    MpegFrameHeader m;
    if (!middle.isEmpty()) {
        if (findFrame(middle, 0, &m) < 0) return r;
        if (m.bitrateKbps != h.bitrateKbps || m.sampleRate != h.sampleRate) return r;
    }
    const qint64 bytesOfAudio = audioBytes - first;
    if (bytesOfAudio <= 0) return r;
    r.source = LengthSource::ConstantBitRate;
    r.ms = bytesOfAudio * 8 / h.bitrateKbps;
    return r;
}

QuickLength oggLengthFromBytes(const QByteArray& head, const QByteArray& tail) {
    QuickLength r;
    const unsigned char* p = bytes(head);
    if (head.size() < 28 || std::memcmp(p, "OggS", 4) != 0) return r;
    const int segments = p[26];
    const int body = 27 + segments;
    if (head.size() < body + 19) return r;
    const unsigned char* id = p + body;
    int rate = 0;
    qint64 preSkip = 0;
    if (std::memcmp(id, "\x01vorbis", 7) == 0 && head.size() >= body + 16) {
        rate = int(id[12] | id[13] << 8 | id[14] << 16 | quint32(id[15]) << 24);
    } else if (std::memcmp(id, "OpusHead", 8) == 0) {
        rate = 48000;
        preSkip = id[10] | id[11] << 8;
    } else {
        return r;
    }
    if (rate <= 0) return r;
    const quint32 serial =
        quint32(p[14]) | quint32(p[15]) << 8 | quint32(p[16]) << 16 | quint32(p[17]) << 24;
    // The last page of this stream that ends a packet carries the stream's total granule.
    const unsigned char* t = bytes(tail);
    for (qsizetype i = tail.size() - 27; i >= 0; --i) {
        if (std::memcmp(t + i, "OggS", 4) != 0) continue;
        const quint32 s = quint32(t[i + 14]) | quint32(t[i + 15]) << 8 | quint32(t[i + 16]) << 16 |
                          quint32(t[i + 17]) << 24;
        const qint64 granule = le64(t + i + 6);
        if (s != serial || granule <= 0) continue;
        const qint64 samples = granule - preSkip;
        if (samples <= 0) return r;
        r.source = LengthSource::OggGranule;
        r.ms = framesToMs(samples, rate);
        return r;
    }
    return r;
}

namespace {

QByteArray readAt(QFile& f, qint64 pos, qint64 n) {
    if (pos < 0 || !f.seek(pos)) return {};
    return f.read(n);
}

QuickLength quickLength(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const qint64 size = f.size();
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("mp3")) {
        const qint64 start = id3v2Size(readAt(f, 0, 10));
        qint64 end = size;
        if (readAt(f, size - 128, 3) == "TAG") end -= 128;
        if (end - start < 4) return {};
        const QByteArray head = readAt(f, start, std::min<qint64>(16384, end - start));
        const qint64 mid = start + (end - start) / 2;
        const QByteArray middle =
            end - start > 65536 ? readAt(f, mid, std::min<qint64>(8192, end - mid)) : QByteArray();
        return mp3LengthFromBytes(head, middle, end - start);
    }
    if (ext == QLatin1String("ogg") || ext == QLatin1String("opus")) {
        const QByteArray head = readAt(f, 0, 4096);
        const qint64 tailStart = std::max<qint64>(0, size - 65536);
        return oggLengthFromBytes(head, readAt(f, tailStart, size - tailStart));
    }
    return containerLength(path, ext);
}

} // namespace

int QuickFileDurationMs(const QString& path, LengthSource* source) {
    const QuickLength q = quickLength(path);
    if (q.source != LengthSource::None && q.ms > 0 && q.ms < INT32_MAX) {
        if (source) *source = q.source;
        return int(q.ms);
    }
    if (source) *source = LengthSource::Decoded;
    const int ms = FileDurationMs(path);
    return ms > 0 ? ms : 0;
}

} // namespace wc::audio
