#include "audio/quicklength.h"
#include "audio/containerlength.h"

#include "audio/decoder.h"

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

quint32 le32(const unsigned char* p) {
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
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

} // namespace

QuickLength lengthFromSamples(qint64 samples, qint64 rate, LengthSource source) {
    QuickLength r;
    if (samples <= 0 || rate <= 0) return r;
    // A length beyond what the suite counts is not believed (and samples * 1000 stays in range).
    if (samples > (qint64(1) << 50) / 1000) return r;
    const qint64 ms = samples * 1000 / rate;
    if (ms <= 0 || ms >= INT32_MAX) return r;
    r.source = source;
    r.ms = ms;
    return r;
}

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
            if (frames > 0)
                return lengthFromSamples(samples, h.sampleRate, LengthSource::InfoHeader);
            return r;
        }
    }
    // VBRI sits 32 bytes after the frame header.
    if (avail >= 36 + 18 && std::memcmp(p + 36, "VBRI", 4) == 0) {
        const qint64 frames = be32(p + 36 + 14);
        return lengthFromSamples(frames * h.samplesPerFrame, h.sampleRate,
                                 LengthSource::InfoHeader);
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
        return lengthFromSamples(samples, rate, LengthSource::OggGranule);
    }
    return r;
}

QuickLength wavLengthFromBytes(const QByteArray& head, qint64 fileSize) {
    QuickLength r;
    const unsigned char* p = bytes(head);
    const qsizetype n = head.size();
    if (n < 12 || std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WAVE", 4) != 0) return r;
    int format = 0, channels = 0, blockAlign = 0, bits = 0;
    qint64 rate = 0;
    qsizetype at = 12;
    while (at + 8 <= n) {
        const quint32 size = le32(p + at + 4);
        const unsigned char* body = p + at + 8;
        if (std::memcmp(p + at, "fmt ", 4) == 0) {
            if (size < 16 || at + 8 + 16 > n) return r;
            format = body[0] | body[1] << 8;
            channels = body[2] | body[3] << 8;
            rate = le32(body + 4);
            blockAlign = body[12] | body[13] << 8;
            bits = body[14] | body[15] << 8;
            if (format == 0xFFFE && size >= 40 && at + 8 + 26 <= n)
                format = body[24] | body[25] << 8; // the sub-format's first two bytes
        } else if (std::memcmp(p + at, "data", 4) == 0) {
            // Plain PCM or float only: what a decoder delivers is then exactly the data's
            // frames. A chunk that claims more than the file holds is not trusted.
            if ((format != 1 && format != 3) || channels <= 0 || rate <= 0 || bits <= 0 ||
                blockAlign != channels * ((bits + 7) / 8))
                return r;
            const qint64 data = size;
            if (data <= 0 || at + 8 + data > fileSize) return r;
            r.source = LengthSource::WaveHeader;
            r.ms = data / blockAlign * 1000 / rate;
            if (r.ms <= 0) r.source = LengthSource::None;
            return r;
        }
        at += 8 + qsizetype(size) + (size & 1);
        if (at < 0) return r;
    }
    return r;
}

namespace {

// The samples a WMA 1 or 2 decoder holds back at the start (one frame), by version and rate.
int wmaFrameSamples(int version, qint64 rate) {
    if (rate <= 16000) return 512;
    if (rate <= 22050 || (rate <= 32000 && version == 1)) return 1024;
    return 2048;
}

} // namespace

QuickLength asfLengthFromBytes(const QByteArray& head) {
    static const unsigned char kHeader[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                              0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
    static const unsigned char kFileProperties[16] = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9,
                                                      0xCF, 0x11, 0x8E, 0xE4, 0x00, 0xC0,
                                                      0x0C, 0x20, 0x53, 0x65};
    static const unsigned char kStreamProperties[16] = {0x91, 0x07, 0xDC, 0xB7, 0xB7, 0xA9,
                                                        0xCF, 0x11, 0x8E, 0xE6, 0x00, 0xC0,
                                                        0x0C, 0x20, 0x53, 0x65};
    static const unsigned char kAudioMedia[16] = {0x40, 0x9E, 0x69, 0xF8, 0x4D, 0x5B, 0xCF, 0x11,
                                                  0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B};
    QuickLength r;
    const unsigned char* p = bytes(head);
    const qsizetype n = head.size();
    if (n < 30 || std::memcmp(p, kHeader, 16) != 0) return r;
    const quint32 objects = le32(p + 24);
    qint64 ms = -1;
    int version = 0;
    qint64 rate = 0;
    qsizetype at = 30;
    for (quint32 i = 0; i < objects && at + 24 <= n; ++i) {
        const qint64 size = le64(p + at + 16);
        if (size < 24 || size > n - at) return r;
        const unsigned char* o = p + at;
        if (std::memcmp(o, kFileProperties, 16) == 0) {
            if (size < 104) return r;
            const qint64 play = le64(o + 64);    // 100 ns units
            const qint64 preroll = le64(o + 80); // milliseconds
            const quint32 flags = le32(o + 88);
            if (flags & 1) return r; // broadcast: the durations are not filled in
            if (play <= 0 || preroll < 0 || preroll > (qint64(1) << 40)) return r;
            ms = play / 10000 - preroll;
        } else if (std::memcmp(o, kStreamProperties, 16) == 0 && size >= 78 + 8 &&
                   std::memcmp(o + 24, kAudioMedia, 16) == 0 && version == 0) {
            const int tag = o[78] | o[79] << 8;
            rate = le32(o + 82);
            // WMA 1 and 2 only: what their decoder delivers is known; any other codec is
            // decoded.
            version = tag == 0x160 ? 1 : tag == 0x161 ? 2 : -1;
        }
        at += qsizetype(size);
    }
    if (ms <= 0 || version <= 0 || rate <= 0 || rate > 1000000) return r;
    // The decoder holds back its first frame: the length heard is shorter by that much.
    ms -= wmaFrameSamples(version, rate) * 1000 / rate;
    if (ms <= 0) return r;
    r.source = LengthSource::AsfHeader;
    r.ms = ms;
    return r;
}

namespace {

QByteArray readAt(QFile& f, qint64 pos, qint64 n) {
    if (pos < 0 || !f.seek(pos)) return {};
    return f.read(n);
}

QuickLength quickLength(const QString& path) {
    QFile f(path);
    // Unbuffered: only the pieces asked for are read.
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return {};
    const qint64 size = f.size();
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("mp3")) {
        const qint64 start = id3v2Size(readAt(f, 0, 10));
        qint64 end = size;
        if (readAt(f, size - 128, 3) == "TAG") end -= 128;
        if (end - start < 4) return {};
        const QByteArray head = readAt(f, start, std::min<qint64>(16384, end - start));
        // A header gives the length by itself; the middle is read only to check that a
        // stream without one keeps its bit rate.
        QuickLength q = mp3LengthFromBytes(head, QByteArray(), end - start);
        if (q.source != LengthSource::ConstantBitRate || end - start <= 65536) return q;
        const qint64 mid = start + (end - start) / 2;
        return mp3LengthFromBytes(head, readAt(f, mid, std::min<qint64>(8192, end - mid)),
                                  end - start);
    }
    if (ext == QLatin1String("wav")) return wavLengthFromBytes(readAt(f, 0, 4096), size);
    if (ext == QLatin1String("wma") || ext == QLatin1String("asf"))
        return asfLengthFromBytes(readAt(f, 0, 65536));
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
    const int ms = DecodedFileDurationMs(path);
    return ms > 0 ? ms : 0;
}

int DecodedFileDurationMs(const QString& path) {
    FileDecoder decoder;
    if (decoder.open(path) != kOk || decoder.rate() <= 0) return -1;
    // The same arithmetic as FileDurationMs: single-precision seconds times 1000, cut toward
    // zero.
    const float seconds = float(double(decoder.lengthFrames()) / decoder.rate());
    return int(double(seconds) * 1000.0);
}

} // namespace wc::audio
