#include "common/tags/asf.h"
#include "common/tags/trackinfo.h"

#include "fixtures.h"

#include <gtest/gtest.h>

using namespace wc;
using namespace tagtest;

namespace {

QByteArray le16(int v) {
    return QByteArray(1, char(v)) + QByteArray(1, char(v >> 8));
}
QByteArray le32(uint32_t v) {
    return le16(int(v & 0xFFFF)) + le16(int(v >> 16));
}
QByteArray le64(uint64_t v) {
    return le32(uint32_t(v)) + le32(uint32_t(v >> 32));
}

QByteArray guid(uint32_t a, uint16_t b, uint16_t c, uint64_t d) {
    QByteArray g = le32(a) + le16(b) + le16(c);
    for (int i = 7; i >= 0; --i)
        g.append(char(d >> (8 * i)));
    return g;
}

const QByteArray kHeader = guid(0x75B22630, 0x668E, 0x11CF, 0xA6D900AA0062CE6Cull);
const QByteArray kFileProps = guid(0x8CABDCA1, 0xA947, 0x11CF, 0x8EE400C00C205365ull);
const QByteArray kStreamProps = guid(0xB7DC0791, 0xA9B7, 0x11CF, 0x8EE600C00C205365ull);
const QByteArray kContent = guid(0x75B22633, 0x668E, 0x11CF, 0xA6D900AA0062CE6Cull);
const QByteArray kExtended = guid(0xD2D0A440, 0xE307, 0x11D2, 0x97F000A0C95EA850ull);
const QByteArray kAudio = guid(0xF8699E40, 0x5B4D, 0x11CF, 0xA8FD00805F5C442Bull);
const QByteArray kData = guid(0x75B22636, 0x668E, 0x11CF, 0xA6D900AA0062CE6Cull);

QByteArray object(const QByteArray& g, const QByteArray& body, int64_t claimed = -1) {
    return g + le64(uint64_t(claimed >= 0 ? claimed : 24 + body.size())) + body;
}

QByteArray utf16z(const QString& s) {
    QByteArray b;
    for (QChar c : s)
        b += le16(c.unicode());
    return b + le16(0);
}

QByteArray attribute(const QString& name, int type, const QByteArray& value) {
    const QByteArray n = utf16z(name);
    return le16(int(n.size())) + n + le16(type) + le16(int(value.size())) + value;
}

QByteArray fileProps(uint32_t maxBitRate) {
    QByteArray b(80, '\0');
    b.replace(76, 4, le32(maxBitRate));
    return object(kFileProps, b);
}

QByteArray streamProps(int channels, uint32_t rate, uint32_t bytesPerSec) {
    QByteArray b = kAudio + QByteArray(16, '\0') + QByteArray(8, '\0') + le32(18) + le32(0) +
                   le16(1) + le32(0);
    b += le16(0x161) + le16(channels) + le32(rate) + le32(bytesPerSec) + le16(4) + le16(16) +
         le16(0);
    return object(kStreamProps, b);
}

QByteArray asfFile(const QList<QByteArray>& objects, int extraData = 100) {
    QByteArray body;
    for (const QByteArray& o : objects)
        body += o;
    QByteArray h = kHeader + le64(uint64_t(30 + body.size())) + le32(uint32_t(objects.size())) +
                   QByteArray("\x01\x02", 2) + body;
    return h + object(kData, QByteArray(extraData, '\x5A'));
}

TWMA readBytes(const QByteArray& b) {
    tags::MemorySource src(b.constData(), b.size());
    TWMA w;
    EXPECT_TRUE(w.read(src));
    return w;
}

} // namespace

TEST(Wma, ReadsTheEncodersFile) {
    const QString src = wmaTagged();
    if (src.isEmpty()) GTEST_SKIP() << "ffmpeg missing";
    TWMA w;
    ASSERT_TRUE(w.readFromFile(src));
    EXPECT_TRUE(w.valid);
    EXPECT_EQ(w.title, "Song");
    EXPECT_EQ(w.artist, "Band");
    EXPECT_EQ(w.album, "Album");
    EXPECT_EQ(w.genre, "Rock");
    EXPECT_EQ(w.comment, "A comment");
    EXPECT_EQ(w.year, "2001");
    EXPECT_EQ(w.channels, 2);
    EXPECT_EQ(w.sampleRate, 44100u);
    EXPECT_EQ(w.bitRate, 128);
    TrackTag t;
    QString info;
    ASSERT_TRUE(ReadTrackTag(src, t, &info));
    EXPECT_TRUE(tagHasMarker(t, "WMA"));
    EXPECT_EQ(tagText(t, TagField::Artist), "Band");
    EXPECT_EQ(info, "Stereo   128kbit   44100Hz");
}

TEST(Wma, WriteKeepsOtherAttributesAndTheTrackNumber) {
    const QString src = wmaTagged();
    if (src.isEmpty()) GTEST_SKIP() << "ffmpeg missing";
    Scratch s;
    const QString f = copyTo(src, s.path("t.wma"));
    TrackTag t;
    ASSERT_TRUE(ReadTrackTag(f, t));
    setTagText(t, TagField::Title, QString::fromUtf8("Заголовок"));
    setTagText(t, TagField::Year, "2024");
    ASSERT_TRUE(WriteTrackTag(f, t, 0).ok);
    EXPECT_EQ(s.entries(), QStringList{"t.wma"});
    TWMA w;
    ASSERT_TRUE(w.readFromFile(f));
    EXPECT_TRUE(w.valid);
    EXPECT_EQ(w.title, QString::fromUtf8("Заголовок"));
    EXPECT_EQ(w.year, "2024");
    EXPECT_EQ(w.artist, "Band");
    EXPECT_EQ(w.album, "Album");
    EXPECT_EQ(w.comment, "A comment");
    EXPECT_TRUE(decodesCleanly(f));
    const auto tags = probeTags(f);
    EXPECT_EQ(tags.value("title"), QString::fromUtf8("Заголовок"));
    EXPECT_EQ(tags.value("composer"), "Composer");
    EXPECT_EQ(tags.value("track"), "7");
    EXPECT_NEAR(probeDuration(f), probeDuration(src), 0.01);
    // The File Properties object carries the new size.
    const QByteArray after = readAll(f);
    const qsizetype fp = after.indexOf(kFileProps);
    ASSERT_GT(fp, 0);
    EXPECT_EQ(after.mid(fp + 40, 8), le64(uint64_t(after.size())));
}

TEST(Wma, FileWithoutExtendedDescriptionGainsOne) {
    const QByteArray f = asfFile(
        {fileProps(128000), streamProps(2, 44100, 16000),
         object(kContent, le16(4) + le16(0) + le16(0) + le16(0) + le16(0) + utf16z("T").left(4))});
    Scratch s;
    writeAll(s.path("a.wma"), f);
    TWMA w = readBytes(f);
    EXPECT_TRUE(w.valid);
    EXPECT_EQ(w.title, "T");
    w.album = "New album";
    w.year = "1999";
    ASSERT_TRUE(w.writeTag(s.path("a.wma")).ok);
    const QByteArray after = readAll(s.path("a.wma"));
    EXPECT_EQ(after.mid(24, 4), le32(4)); // one object more
    EXPECT_TRUE(after.contains(kExtended));
    const TWMA back = readBytes(after);
    EXPECT_EQ(back.album, "New album");
    EXPECT_EQ(back.year, "1999");
    EXPECT_EQ(back.title, "T");
    EXPECT_TRUE(after.endsWith(object(kData, QByteArray(100, '\x5A'))));
}

TEST(Wma, CyrillicTextsKeepThirtyCharactersInTheRecord) {
    const QString title = QString::fromUtf8("Очень длинное название песенки!"); // 31 letters
    const QString artist = QString::fromUtf8("Исполнитель");
    const QByteArray t16 = utf16z(title), a16 = utf16z(artist);
    const QByteArray f = asfFile({fileProps(128000), streamProps(2, 44100, 16000),
                                  object(kContent, le16(int(t16.size())) + le16(int(a16.size())) +
                                                       le16(0) + le16(0) + le16(0) + t16 + a16)});
    Scratch s;
    writeAll(s.path("c.wma"), f);
    TrackTag t;
    ASSERT_TRUE(ReadTrackTag(s.path("c.wma"), t));
    EXPECT_TRUE(tagHasMarker(t, "WMA"));
    EXPECT_EQ(tagText(t, TagField::Title), title.left(30));
    EXPECT_EQ(tagText(t, TagField::Artist), artist);
    setTagText(t, TagField::Album, QString::fromUtf8("Альбом"));
    ASSERT_TRUE(WriteTrackTag(s.path("c.wma"), t, 0).ok);
    const TWMA back = readBytes(readAll(s.path("c.wma")));
    EXPECT_EQ(back.title, title); // the stored title is written back whole
    EXPECT_EQ(back.artist, artist);
    EXPECT_EQ(back.album, QString::fromUtf8("Альбом"));
}

TEST(Wma, AttributeValuesAndLimits) {
    const QByteArray big(40000, 'p');
    const QByteArray ecd =
        le16(6) + attribute("WM/Track", 3, le32(12)) + attribute("WM/Year", 3, le16(7)) +
        attribute(" wm/albumtitle ", 0, utf16z("Alb")) + attribute("WM/Picture", 1, big) +
        attribute("WM/TrackNumber", 3, le32(4)) + attribute("WM/Composer", 0, utf16z("C"));
    const QByteArray f =
        asfFile({fileProps(1), streamProps(1, 8000, 1000), object(kExtended, ecd)});
    TWMA w = readBytes(f);
    EXPECT_TRUE(w.valid);
    EXPECT_EQ(w.track, "12");
    EXPECT_TRUE(w.year.isEmpty()); // a two-byte value of the 32-bit type is not a number
    EXPECT_EQ(w.album, "Alb");
    EXPECT_EQ(w.channelMode(), "Mono");
    EXPECT_EQ(w.bitRate, 8);

    Scratch s;
    writeAll(s.path("v.wma"), f);
    w.genre = "Pop";
    ASSERT_TRUE(w.writeTag(s.path("v.wma")).ok);
    const QByteArray after = readAll(s.path("v.wma"));
    // The 40000-byte value and the track number stay as they were; WM/Year is written anew.
    EXPECT_TRUE(after.contains(attribute("WM/Picture", 1, big)));
    EXPECT_TRUE(after.contains(attribute("WM/TrackNumber", 3, le32(4))));
    EXPECT_TRUE(after.contains(attribute("WM/Composer", 0, utf16z("C"))));
    EXPECT_FALSE(after.contains(attribute("WM/Year", 3, le16(7))));
    const TWMA back = readBytes(after);
    EXPECT_EQ(back.genre, "Pop");
    EXPECT_EQ(back.track, "12");
}

TEST(Wma, DamagedHeadersEndTheWalk) {
    struct Case {
        QByteArray bytes;
        bool valid;
    };
    const Case cases[] = {
        // An object claiming less than its own header: the walk stops there.
        {asfFile({object(kContent, QByteArray(10, '\0'), 10), fileProps(1)}), false},
        {asfFile({fileProps(1), streamProps(2, 44100, 16000), object(kExtended, le16(50))}), true},
        {asfFile({fileProps(1), streamProps(2, 44100, 16000),
                  object(kContent, le16(60000) + le16(0) + le16(0) + le16(0) + le16(0))}),
         true},
        {asfFile({fileProps(1), streamProps(2, 44100, 16000)}).left(60), false},
        {asfFile({fileProps(1), streamProps(3, 44100, 16000)}), false},
        {asfFile({fileProps(0), streamProps(2, 44100, 16000)}), false},
        {asfFile({fileProps(1), streamProps(2, 100000, 16000)}), false},
        {asfFile({fileProps(1), streamProps(2, 44100, 400000)}), false},
        {QByteArray(100, 'x'), false},
        {QByteArray(), false},
    };
    for (const Case& c : cases) {
        const TWMA w = readBytes(c.bytes);
        EXPECT_EQ(w.valid, c.valid);
    }
    // A file that opens but is not ASF reads as a tag with empty fields.
    Scratch s;
    writeAll(s.path("x.wma"), QByteArray(100, 'x'));
    TrackTag t;
    QString info;
    ASSERT_TRUE(ReadTrackTag(s.path("x.wma"), t, &info));
    EXPECT_TRUE(tagHasMarker(t, "WMA"));
    EXPECT_TRUE(tagText(t, TagField::Title).isEmpty());
    EXPECT_EQ(info, "Unknown   0kbit   0Hz");
    clearTag(t);
    setTagMarker(t, "WMA");
    setTagText(t, TagField::Title, "x");
    EXPECT_FALSE(WriteTrackTag(s.path("x.wma"), t, 0).ok);
    EXPECT_EQ(readAll(s.path("x.wma")), QByteArray(100, 'x'));
}
