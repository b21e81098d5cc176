// The record codec: byte layout, round trip, name keys, checksum and the texts built from a
// record.
#include "common/text.h"
#include "common/trackstore/recordbuffer.h"
#include "common/trackstore/slotindex.h"
#include "common/trackstore/trackstore.h"

#include <QDate>
#include <QLocale>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>

using namespace wc;

namespace {

qint32 le32(const TrackRecordBytes& b, int at) {
    quint32 v = 0;
    for (int i = 0; i < 4; ++i)
        v |= quint32(static_cast<unsigned char>(b[size_t(at + i)])) << (8 * i);
    return qint32(v);
}

TTrackRecord sampleRecord() {
    TTrackRecord r;
    r.name = QByteArray("/music/a.mp3");
    r.marker = 0x0201;
    r.NotifyCode = 7;
    r.nameCRC = 0xA1B2C3D4u;
    r.introMs = 1234;
    r.outroMs = -5;
    r.fadeOutMs = 2000;
    r.mixMs = 3000;
    r.fadeInMs = 1000;
    r.fadeOutOn = true;
    r.mixOn = false;
    r.fadeInOn = true;
    r.bpm = 128;
    r.lastPlay = 46000.75;
    r.playCount = 0x12345678;
    r.deleteRequest = true;
    return r;
}

} // namespace

TEST(TrackRecordCodec, FieldsSitAtTheirOffsetsLittleEndian) {
    const TTrackRecord r = sampleRecord();
    const TrackRecordBytes b = encodeTrackRecord(r);
    ASSERT_EQ(b.size(), size_t(368));
    EXPECT_EQ(static_cast<unsigned char>(b[0]), r.name.size());
    EXPECT_EQ(QByteArray(b.data() + 1, r.name.size()), r.name);
    EXPECT_EQ(static_cast<unsigned char>(b[256]), 0x01);
    EXPECT_EQ(static_cast<unsigned char>(b[257]), 0x02);
    EXPECT_EQ(static_cast<unsigned char>(b[258]), 7);
    EXPECT_EQ(b[259], 0);
    EXPECT_EQ(quint32(le32(b, 260)), r.nameCRC);
    struct Int {
        int offset;
        qint32 value;
    };
    for (const Int& f :
         {Int{264, r.introMs}, Int{268, r.outroMs}, Int{272, r.fadeOutMs}, Int{276, r.mixMs},
          Int{280, r.fadeInMs}, Int{288, r.bpm}, Int{360, r.playCount}})
        EXPECT_EQ(le32(b, f.offset), f.value) << "offset " << f.offset;
    EXPECT_EQ(b[284], 1);
    EXPECT_EQ(b[285], 0);
    EXPECT_EQ(b[286], 1);
    EXPECT_EQ(b[287], 0);
    double last;
    std::memcpy(&last, b.data() + 352, 8); // the test machine is little-endian like the file
    EXPECT_EQ(last, r.lastPlay);
    EXPECT_EQ(b[364], 1);
    for (int at : {259, 287, 365, 366, 367})
        EXPECT_EQ(b[size_t(at)], 0) << "reserved " << at;
    for (int at = 292; at < 352; ++at)
        EXPECT_EQ(b[size_t(at)], 0) << "reserved " << at;
}

TEST(TrackRecordCodec, DecodeGivesBackWhatWasEncoded) {
    const TTrackRecord r = sampleRecord();
    const TrackRecordBytes b = encodeTrackRecord(r);
    TTrackRecord back;
    ASSERT_TRUE(decodeTrackRecord(b.data(), qsizetype(b.size()), &back));
    EXPECT_EQ(back, r);
}

TEST(TrackRecordCodec, ShortInputIsRefusedAndFlagBytesOtherThanOneReadAsSet) {
    TrackRecordBytes b{};
    TTrackRecord out = sampleRecord();
    EXPECT_FALSE(decodeTrackRecord(b.data(), 367, &out));
    EXPECT_EQ(out, sampleRecord()); // untouched
    b[0] = char(255);
    std::memset(b.data() + 1, 'x', 255);
    b[284] = char(0x80);
    b[285] = 2;
    b[364] = char(0xFF);
    ASSERT_TRUE(decodeTrackRecord(b.data(), 368, &out));
    EXPECT_EQ(out.name.size(), 255);
    EXPECT_TRUE(out.fadeOutOn);
    EXPECT_TRUE(out.mixOn);
    EXPECT_FALSE(out.fadeInOn);
    EXPECT_TRUE(out.deleteRequest);
    // Encoding normalises the flags to 0/1.
    const TrackRecordBytes again = encodeTrackRecord(out);
    EXPECT_EQ(again[284], 1);
    EXPECT_EQ(again[285], 1);
}

TEST(TrackRecordCodec, OverlongNameIsCutToTheField) {
    TTrackRecord r;
    r.name = QByteArray(300, 'a');
    const TrackRecordBytes b = encodeTrackRecord(r);
    EXPECT_EQ(static_cast<unsigned char>(b[0]), 255);
    EXPECT_EQ(b[256], 0); // the marker is not overwritten by the name
}

TEST(TrackNameChecksum, IsTheIeeeCrc32) {
    // The check value of CRC-32 (IEEE 802.3) for "123456789", and the empty string.
    EXPECT_EQ(TrackNameCRC(QByteArray("123456789")), 0xCBF43926u);
    EXPECT_EQ(TrackNameCRC(QByteArray()), 0u);
    EXPECT_NE(TrackNameCRC(QByteArray("a")), TrackNameCRC(QByteArray("b")));
}

TEST(TrackKey, LowerCasesAndCutsOnACharacterBoundary) {
    struct Case {
        QString name;
        QByteArray key;
    };
    const QString cyr = QString::fromUtf8("/Музыка/Песня.MP3");
    const Case cases[] = {
        {QStringLiteral("/Music/A.MP3"), QByteArray("/music/a.mp3")},
        {cyr, cyr.toLower().toUtf8()},
        {QString(300, QLatin1Char('X')), QByteArray(255, 'x')},
        // 2-byte characters: 127 of them fill 254 bytes; the 128th would split at 255.
        {QString(200, QChar(0x0416)), QString(127, QChar(0x0436)).toUtf8()},
        {QString(), QByteArray()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(trackKey(c.name), c.key) << c.name.toStdString();
        EXPECT_LE(trackKey(c.name).size(), 255);
    }
    const TTrackRecord z = zeroTrackRecord(QStringLiteral("/Music/A.MP3"));
    EXPECT_EQ(z.name, QByteArray("/music/a.mp3"));
    EXPECT_EQ(z.nameCRC, TrackNameCRC(z.name));
    EXPECT_EQ(z.playCount, 0);
    EXPECT_FALSE(z.hasOwnFades());
}

TEST(TrackKey, LookupKeyWithoutAllocationMatchesTheStoredKey) {
    const QString names[] = {
        QStringLiteral("/Music/A.MP3"),
        QString(254, QLatin1Char('Q')) + QString::fromUtf8("Ж"), // non-ASCII past the cut
        QString(255, QLatin1Char('Q')) + QString::fromUtf8("Ж"),
        QString(300, QLatin1Char('z')),
        QString::fromUtf8("/Музыка/Песня.MP3"),
        QString(QChar(0x212A)) + QStringLiteral("elvin"), // the Kelvin sign lower-cases to 'k'
        QStringLiteral("[]^_`{|}~@"), // neighbours of the letters stay as they are
        QString(),
    };
    for (const QString& name : names) {
        char buf[kTrackNameCapacity];
        QByteArray spill;
        EXPECT_EQ(QByteArray(nameKey(name, buf, &spill).toByteArray()), trackKey(name))
            << name.toStdString();
    }
}

TEST(TrackTexts, IntroOutroIsMinutesAndSeconds) {
    struct Case {
        qint32 ms;
        const char* text;
    };
    for (const Case& c : {Case{0, "00:00"}, Case{999, "00:00"}, Case{61500, "01:01"},
                          Case{3599000, "59:59"}, Case{6000000, "100:00"}})
        EXPECT_EQ(introOutroText(c.ms), QLatin1String(c.text)) << c.ms;
}

TEST(TrackTexts, InformationLines) {
    const QStringList none = trackInfoLines(nullptr);
    ASSERT_EQ(none.size(), 2);
    EXPECT_EQ(none[0], QStringLiteral("Fade In: --  Mix: --  FadeOut: --"));
    EXPECT_EQ(none[1], QStringLiteral("BPM: -  Playcount: -  Last play: -"));

    TTrackRecord r;
    r.fadeInOn = true;
    r.fadeInMs = 1500;
    r.mixMs = 3000; // flag off: shown as "--"
    r.fadeOutOn = true;
    r.fadeOutMs = 260;
    r.bpm = 120;
    r.playCount = 7;
    r.lastPlay = 2.5; // 1 January 1900, 12:00
    const QStringList lines = trackInfoLines(&r);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("Fade In: 1.5  Mix: --  FadeOut: 0.3"));
    const QString date = QLocale().toString(QDate(1900, 1, 1), QLocale::ShortFormat);
    EXPECT_EQ(lines[1], QStringLiteral("BPM: 120  Playcount: 7  Last play: %1 12:00:00").arg(date));

    // A damaged date shows the zero date instead of failing.
    r.lastPlay = std::numeric_limits<double>::quiet_NaN();
    const QString zero = QLocale().toString(QDate(1899, 12, 30), QLocale::ShortFormat);
    EXPECT_TRUE(trackInfoLines(&r)[1].endsWith(zero + QStringLiteral(" 00:00:00")));
}

TEST(RecordBufferMemory, KeepsItsBytesThroughGrowthRemovalAndCopies) {
    // Sizes below and above the 2 MB huge-page threshold.
    for (qsizetype records : {qsizetype(1), qsizetype(300), qsizetype(9000)}) {
        RecordBuffer buf;
        QByteArray expected;
        for (qsizetype i = 0; i < records; ++i) {
            QByteArray rec(kTrackRecordSize, char('a' + i % 26));
            rec[1] = char(i & 0xFF);
            ASSERT_TRUE(buf.append(rec.constData(), rec.size()));
            expected.append(rec);
        }
        EXPECT_EQ(QByteArray(buf.view().toByteArray()), expected) << records;
        const RecordBuffer copy = buf.clone();
        // Remove the first, a middle and the last record; out-of-range removals do nothing.
        for (qsizetype at : {qsizetype(0), records / 2, records - 3}) {
            if (at < 0 || at * kTrackRecordSize >= expected.size()) continue;
            buf.remove(at * kTrackRecordSize, kTrackRecordSize);
            expected.remove(at * kTrackRecordSize, kTrackRecordSize);
        }
        buf.remove(-1, 5);
        buf.remove(buf.size(), 5);
        EXPECT_EQ(QByteArray(buf.view().toByteArray()), expected) << records;
        EXPECT_EQ(copy.size(), records * kTrackRecordSize);
        RecordBuffer moved = std::move(buf);
        EXPECT_EQ(moved.size(), expected.size());
        EXPECT_EQ(buf.size(), 0);
    }
}
