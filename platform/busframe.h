#pragma once
// Wire form of one message-bus frame. Every connection to an endpoint's socket carries exactly
// one request frame (a sent or a posted message) and, for a sent message, one reply frame back.
//
// Layout, all integers little-endian, 40 bytes of header:
//   0  u32 magic "WCB1"          4  u8 kind (1 send, 2 post, 3 reply)
//   5  u8 flags (bit 0: named)   6  u16 length of the name (0..255, only when named)
//   8  u32 serial (echoed by the reply)
//  12  i32 target handle (> 0 in requests, echoed in replies)
//  16  u32 sender process id (diagnostics only)
//  20  u32 message number (0 in replies; in named frames the sender's own number, unused)
//  24  i64 wParam (the result in replies)
//  32  i64 lParam (0 in replies)
//  40  the UTF-8 name of a registered message, when named
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace wc::bus {

constexpr quint32 kFrameMagic = 0x31424357; // "WCB1" read as little-endian bytes
constexpr std::size_t kHeaderSize = 40;
constexpr std::size_t kMaxNameBytes = 255;
constexpr std::size_t kMaxFrameSize = kHeaderSize + kMaxNameBytes;

enum class FrameKind : quint8 { Send = 1, Post = 2, Reply = 3 };

struct Frame {
    FrameKind kind = FrameKind::Post;
    quint32 serial = 0;
    qint32 target = 0;
    quint32 senderPid = 0;
    quint32 msg = 0;
    qint64 wParam = 0;
    qint64 lParam = 0;
    QString name; // non-empty only for a registered message travelling by name

    bool operator==(const Frame&) const = default;
};

enum class DecodeStatus { Incomplete, Ok, Invalid };

struct DecodeResult {
    DecodeStatus status = DecodeStatus::Incomplete;
    std::size_t size = 0; // bytes of the frame when Ok
    const char* why = ""; // reason when Invalid
};

// Decodes the frame at the start of data. Incomplete: more bytes are needed (never more than
// kMaxFrameSize in all). Invalid: the bytes can never become a valid frame; the connection
// that sent them is closed.
DecodeResult decodeFrame(const char* data, std::size_t size, Frame* out);

// The bytes of a frame; empty when the frame could not be decoded again (a name that is too
// long or not text, a request without a target).
QByteArray encodeFrame(const Frame& frame);

} // namespace wc::bus
