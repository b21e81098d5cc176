#include "platform/busframe.h"

#include <cstring>

namespace wc::bus {
namespace {

quint32 getU32(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
}

quint64 getU64(const char* p) {
    return quint64(getU32(p)) | quint64(getU32(p + 4)) << 32;
}

void putU32(char* p, quint32 v) {
    for (int i = 0; i < 4; ++i)
        p[i] = char((v >> (8 * i)) & 0xFF);
}

void putU64(char* p, quint64 v) {
    putU32(p, quint32(v));
    putU32(p + 4, quint32(v >> 32));
}

DecodeResult invalid(const char* why) {
    return {DecodeStatus::Invalid, 0, why};
}

// A registered message name: valid UTF-8 without control characters.
bool validName(const char* p, std::size_t n, QString* out) {
    const QByteArray raw(p, qsizetype(n));
    const QString s = QString::fromUtf8(raw);
    if (s.toUtf8() != raw) return false;
    for (QChar c : s)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) return false;
    *out = s;
    return true;
}

} // namespace

DecodeResult decodeFrame(const char* data, std::size_t size, Frame* out) {
    // Check what is already there before asking for more, so that garbage is refused at once.
    if (size >= 4 && getU32(data) != kFrameMagic) return invalid("bad magic");
    if (size >= 5) {
        const quint8 kind = quint8(data[4]);
        if (kind < 1 || kind > 3) return invalid("bad kind");
    }
    if (size < kHeaderSize) return {DecodeStatus::Incomplete, 0, ""};

    const auto kind = FrameKind(quint8(data[4]));
    const quint8 flags = quint8(data[5]);
    const std::size_t nameLen = std::size_t(quint8(data[6])) | std::size_t(quint8(data[7])) << 8;
    if (flags & ~1u) return invalid("unknown flags");
    const bool named = flags & 1u;
    if (named != (nameLen > 0)) return invalid("name flag and name length disagree");
    if (nameLen > kMaxNameBytes) return invalid("name too long");
    if (named && kind == FrameKind::Reply) return invalid("named reply");

    Frame f;
    f.kind = kind;
    f.serial = getU32(data + 8);
    f.target = qint32(getU32(data + 12));
    f.senderPid = getU32(data + 16);
    f.msg = getU32(data + 20);
    f.wParam = qint64(getU64(data + 24));
    f.lParam = qint64(getU64(data + 32));
    if (f.target <= 0) return invalid("no target");
    if (kind == FrameKind::Reply && (f.msg != 0 || f.lParam != 0)) return invalid("bad reply");

    if (size < kHeaderSize + nameLen) return {DecodeStatus::Incomplete, 0, ""};
    if (named && !validName(data + kHeaderSize, nameLen, &f.name)) return invalid("bad name");
    if (out) *out = std::move(f);
    return {DecodeStatus::Ok, kHeaderSize + nameLen, ""};
}

QByteArray encodeFrame(const Frame& f) {
    const QByteArray name = f.name.toUtf8();
    if (std::size_t(name.size()) > kMaxNameBytes) return {};
    if (f.target <= 0) return {};
    if (f.kind == FrameKind::Reply && (!name.isEmpty() || f.msg != 0 || f.lParam != 0)) return {};
    QByteArray out(qsizetype(kHeaderSize), '\0');
    char* p = out.data();
    putU32(p, kFrameMagic);
    p[4] = char(quint8(f.kind));
    p[5] = char(name.isEmpty() ? 0 : 1);
    p[6] = char(name.size() & 0xFF);
    p[7] = char((name.size() >> 8) & 0xFF);
    putU32(p + 8, f.serial);
    putU32(p + 12, quint32(f.target));
    putU32(p + 16, f.senderPid);
    putU32(p + 20, f.msg);
    putU64(p + 24, quint64(f.wParam));
    putU64(p + 32, quint64(f.lParam));
    out.append(name);
    // Refuse what the decoder would refuse, so a frame we send is always one we accept.
    Frame check;
    if (decodeFrame(out.constData(), std::size_t(out.size()), &check).status != DecodeStatus::Ok)
        return {};
    return out;
}

} // namespace wc::bus
