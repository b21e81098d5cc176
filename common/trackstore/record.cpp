// The record codec, the name keys and the texts built from a record.
#include "common/oledate.h"
#include "common/text.h"
#include "common/trackstore/trackstore.h"

#include <QDateTime>
#include <QLocale>
#include <cmath>
#include <cstring>

namespace wc {

namespace {

// Field offsets of the 368-byte layout.
enum : int {
    kOffName = 0,
    kOffMarker = 256,
    kOffNotify = 258,
    kOffCrc = 260,
    kOffIntro = 264,
    kOffOutro = 268,
    kOffFadeOut = 272,
    kOffMix = 276,
    kOffFadeIn = 280,
    kOffFadeOutOn = 284,
    kOffMixOn = 285,
    kOffFadeInOn = 286,
    kOffBpm = 288,
    kOffLastPlay = 352,
    kOffPlayCount = 360,
    kOffDelete = 364,
};

quint32 getU32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return quint32(u[0]) | quint32(u[1]) << 8 | quint32(u[2]) << 16 | quint32(u[3]) << 24;
}

void putU32(char* p, quint32 v) {
    for (int i = 0; i < 4; ++i)
        p[i] = char((v >> (8 * i)) & 0xFF);
}

quint64 getU64(const char* p) {
    return quint64(getU32(p)) | quint64(getU32(p + 4)) << 32;
}

void putU64(char* p, quint64 v) {
    putU32(p, quint32(v));
    putU32(p + 4, quint32(v >> 32));
}

struct CrcTable {
    quint32 t[256];
    constexpr CrcTable() : t{} {
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
    }
};
constexpr CrcTable kCrc;

QString secondsOrDashes(bool on, qint32 ms) {
    return on ? QString::asprintf("%.1f", double(ms) / 1000.0) : QStringLiteral("--");
}

} // namespace

QString TTrackRecord::nameText() const {
    return decodeText(name);
}

TrackRecordBytes encodeTrackRecord(const TTrackRecord& r) {
    TrackRecordBytes b{};
    const qsizetype n = std::min<qsizetype>(r.name.size(), kTrackNameCapacity);
    b[kOffName] = char(n);
    std::memcpy(b.data() + 1, r.name.constData(), size_t(n));
    b[kOffMarker] = char(r.marker & 0xFF);
    b[kOffMarker + 1] = char(r.marker >> 8);
    b[kOffNotify] = char(r.NotifyCode);
    putU32(b.data() + kOffCrc, r.nameCRC);
    putU32(b.data() + kOffIntro, quint32(r.introMs));
    putU32(b.data() + kOffOutro, quint32(r.outroMs));
    putU32(b.data() + kOffFadeOut, quint32(r.fadeOutMs));
    putU32(b.data() + kOffMix, quint32(r.mixMs));
    putU32(b.data() + kOffFadeIn, quint32(r.fadeInMs));
    b[kOffFadeOutOn] = r.fadeOutOn ? 1 : 0;
    b[kOffMixOn] = r.mixOn ? 1 : 0;
    b[kOffFadeInOn] = r.fadeInOn ? 1 : 0;
    putU32(b.data() + kOffBpm, quint32(r.bpm));
    quint64 bits;
    std::memcpy(&bits, &r.lastPlay, sizeof bits);
    putU64(b.data() + kOffLastPlay, bits);
    putU32(b.data() + kOffPlayCount, quint32(r.playCount));
    b[kOffDelete] = r.deleteRequest ? 1 : 0;
    return b;
}

bool decodeTrackRecord(const char* p, qsizetype size, TTrackRecord* out) {
    if (!p || size < kTrackRecordSize || !out) return false;
    TTrackRecord r;
    const int n = static_cast<unsigned char>(p[kOffName]); // 0..255, never beyond the field
    r.name = QByteArray(p + 1, n);
    r.marker = quint16(static_cast<unsigned char>(p[kOffMarker]) |
                       static_cast<unsigned char>(p[kOffMarker + 1]) << 8);
    r.NotifyCode = static_cast<unsigned char>(p[kOffNotify]);
    r.nameCRC = getU32(p + kOffCrc);
    r.introMs = qint32(getU32(p + kOffIntro));
    r.outroMs = qint32(getU32(p + kOffOutro));
    r.fadeOutMs = qint32(getU32(p + kOffFadeOut));
    r.mixMs = qint32(getU32(p + kOffMix));
    r.fadeInMs = qint32(getU32(p + kOffFadeIn));
    r.fadeOutOn = p[kOffFadeOutOn] != 0;
    r.mixOn = p[kOffMixOn] != 0;
    r.fadeInOn = p[kOffFadeInOn] != 0;
    r.bpm = qint32(getU32(p + kOffBpm));
    const quint64 bits = getU64(p + kOffLastPlay);
    std::memcpy(&r.lastPlay, &bits, sizeof bits);
    r.playCount = qint32(getU32(p + kOffPlayCount));
    r.deleteRequest = p[kOffDelete] != 0;
    *out = std::move(r);
    return true;
}

quint32 TrackNameCRC(const QByteArray& bytes) {
    if (bytes.isEmpty()) return 0;
    quint32 c = 0xFFFFFFFFu;
    for (const char ch : bytes)
        c = kCrc.t[(c ^ static_cast<unsigned char>(ch)) & 0xFF] ^ (c >> 8);
    return ~c;
}

QByteArray trackKey(const QString& name) {
    // ASCII names (most paths) are lower-cased byte by byte; the cut at 255 bytes then falls
    // on a character boundary by itself.
    bool ascii = true;
    for (const QChar c : name)
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii) return name.left(kTrackNameCapacity).toLatin1().toLower();
    return utf8Truncated(name.toLower(), kTrackNameCapacity);
}

TTrackRecord zeroTrackRecord(const QString& name) {
    TTrackRecord r;
    r.name = trackKey(name);
    r.nameCRC = TrackNameCRC(r.name);
    return r;
}

QString introOutroText(qint32 ms) {
    const qint32 s = ms / 1000;
    return QString::asprintf("%.2d:%.2d", s / 60, s % 60);
}

QStringList trackInfoLines(const TTrackRecord* r) {
    if (!r)
        return {QStringLiteral("Fade In: --  Mix: --  FadeOut: --"),
                QStringLiteral("BPM: -  Playcount: -  Last play: -")};
    const QString fades =
        QStringLiteral("Fade In: %1  Mix: %2  FadeOut: %3")
            .arg(secondsOrDashes(r->fadeInOn, r->fadeInMs), secondsOrDashes(r->mixOn, r->mixMs),
                 secondsOrDashes(r->fadeOutOn, r->fadeOutMs));
    // Dates outside 0001..9999 (a damaged record) show as the zero date.
    const bool usable =
        std::isfinite(r->lastPlay) && std::fabs(r->lastPlay) < 2958466.0 && r->lastPlay > -657435.0;
    const QDateTime when = fromOleDate(usable ? r->lastPlay : 0.0);
    const QString lastPlay = QLocale().toString(when.date(), QLocale::ShortFormat) +
                             QLatin1Char(' ') + when.time().toString(QStringLiteral("HH:mm:ss"));
    return {fades, QStringLiteral("BPM: %1  Playcount: %2  Last play: %3")
                       .arg(r->bpm)
                       .arg(r->playCount)
                       .arg(lastPlay)};
}

} // namespace wc
