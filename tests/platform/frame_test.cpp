// The bus frame codec: what goes out comes back the same, and what is cut short waits.
#include "platform/busframe.h"

#include <gtest/gtest.h>

namespace wc::bus {
namespace {

TEST(BusFrame, RoundTripAndEveryPrefixIsIncomplete) {
    Frame send;
    send.kind = FrameKind::Send;
    send.serial = 0xDEADBEEF;
    send.target = 0x7FFFFFFF;
    send.senderPid = 4321;
    send.msg = 0x467;
    send.wParam = -1;
    send.lParam = qint64(1) << 62;
    Frame named = send;
    named.kind = FrameKind::Post;
    named.msg = 0xC001;
    named.name = QStringLiteral("Wavecrest_Database_Message");
    Frame unicode = named;
    unicode.name = QStringLiteral("Сообщение");
    Frame reply;
    reply.kind = FrameKind::Reply;
    reply.serial = 5;
    reply.target = 9;
    reply.wParam = 10000;
    for (const Frame& f : {send, named, unicode, reply}) {
        const QByteArray bytes = encodeFrame(f);
        ASSERT_FALSE(bytes.isEmpty()) << f.name.toStdString();
        Frame back;
        const DecodeResult r = decodeFrame(bytes.constData(), std::size_t(bytes.size()), &back);
        ASSERT_EQ(r.status, DecodeStatus::Ok) << r.why;
        EXPECT_EQ(r.size, std::size_t(bytes.size()));
        EXPECT_EQ(back, f);
        for (qsizetype n = 0; n < bytes.size(); ++n)
            EXPECT_EQ(decodeFrame(bytes.constData(), std::size_t(n), nullptr).status,
                      DecodeStatus::Incomplete)
                << n;
        // Trailing bytes belong to nobody: the frame still ends where it ends.
        const QByteArray more = bytes + "extra";
        EXPECT_EQ(decodeFrame(more.constData(), std::size_t(more.size()), nullptr).size,
                  std::size_t(bytes.size()));
    }
}

TEST(BusFrame, FramesThatCannotBeSentAreNotEncoded) {
    Frame noTarget;
    Frame longName;
    longName.target = 1;
    longName.name = QString(256, QLatin1Char('n'));
    Frame namedReply;
    namedReply.kind = FrameKind::Reply;
    namedReply.target = 1;
    namedReply.name = QStringLiteral("x");
    Frame controlName;
    controlName.target = 1;
    controlName.name = QStringLiteral("a\tb");
    for (const Frame& f : {noTarget, longName, namedReply, controlName})
        EXPECT_TRUE(encodeFrame(f).isEmpty()) << f.name.toStdString();
}

TEST(BusFrame, GarbageIsRefusedAsSoonAsItShows) {
    EXPECT_EQ(decodeFrame("GET ", 4, nullptr).status, DecodeStatus::Invalid);
    EXPECT_EQ(decodeFrame("WCB1\x07", 5, nullptr).status, DecodeStatus::Invalid);
    EXPECT_EQ(decodeFrame("WCB1\x01", 5, nullptr).status, DecodeStatus::Incomplete);
}

} // namespace
} // namespace wc::bus
