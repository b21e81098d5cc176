#include "common/tags/ogg.h"
#include "common/tags/trackinfo.h"

#include "fixtures.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

using namespace wc;
using namespace tagtest;

namespace {

uint32_t le32(const QByteArray& b, qsizetype at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 |
           uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
}

QByteArray le32Bytes(uint32_t v) {
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char(v >> (8 * i));
    return b;
}

struct PageCheck {
    int pages = 0;
    bool crcOk = true;
    bool sequenceOk = true;
    bool coversFile = false;
};

// Walks the whole file page by page, checking every checksum and the sequence numbers.
PageCheck checkPages(const QByteArray& f) {
    PageCheck c;
    qsizetype pos = 0;
    uint32_t expect = 0;
    while (pos + 27 <= f.size() && f.mid(pos, 4) == "OggS") {
        const int segs = uint8_t(f[pos + 26]);
        qsizetype body = 0;
        for (int i = 0; i < segs; ++i)
            body += uint8_t(f[pos + 27 + i]);
        const qsizetype len = 27 + segs + body;
        if (pos + len > f.size()) break;
        QByteArray page = f.mid(pos, len);
        const uint32_t stored = le32(page, 22);
        page.replace(22, 4, QByteArray(4, '\0'));
        if (oggCrc(reinterpret_cast<const uint8_t*>(page.constData()), size_t(page.size())) !=
            stored)
            c.crcOk = false;
        if (le32(page, 18) != expect) c.sequenceOk = false;
        ++expect;
        ++c.pages;
        pos += len;
    }
    c.coversFile = pos == f.size();
    return c;
}

// One Ogg page around the given segments' data.
QByteArray page(const QByteArray& body, const QByteArray& lacing, uint32_t seq, uint8_t flags,
                int64_t granule) {
    QByteArray h("OggS\0", 5);
    h.append(char(flags));
    for (int i = 0; i < 8; ++i)
        h.append(char(uint64_t(granule) >> (8 * i)));
    h += le32Bytes(0x1234) + le32Bytes(seq) + le32Bytes(0);
    h.append(char(lacing.size()));
    h += lacing;
    QByteArray p = h + body;
    const uint32_t crc = oggCrc(reinterpret_cast<const uint8_t*>(p.constData()), size_t(p.size()));
    p.replace(22, 4, le32Bytes(crc));
    return p;
}

QByteArray lacingFor(qsizetype len) {
    QByteArray l(len / 255, char(255));
    l.append(char(len % 255));
    return l;
}

QByteArray idPacket(int channels, uint32_t rate, int32_t nominal) {
    QByteArray p("\x01vorbis", 7);
    p += le32Bytes(0);
    p.append(char(channels));
    p += le32Bytes(rate) + le32Bytes(0) + le32Bytes(uint32_t(nominal)) + le32Bytes(0);
    p.append(char(0xB8));
    p.append(char(1));
    return p;
}

QByteArray commentPacket(const QList<QByteArray>& comments, const QByteArray& vendor = "test",
                         int claimedCount = -1) {
    QByteArray p("\x03vorbis", 7);
    p += le32Bytes(uint32_t(vendor.size())) + vendor;
    p += le32Bytes(uint32_t(claimedCount >= 0 ? claimedCount : comments.size()));
    for (const QByteArray& c : comments)
        p += le32Bytes(uint32_t(c.size())) + c;
    p.append(char(1));
    return p;
}

// A hand-made stream: identification page, comment + setup page, audio pages whose last
// granule is samples.
QByteArray oggFile(const QByteArray& id, const QByteArray& comment, int64_t samples,
                   int audioPages = 3) {
    const QByteArray setup = QByteArray("\x05vorbis", 7) + QByteArray(40, '\x07');
    QByteArray f = page(id, lacingFor(id.size()), 0, 2, 0);
    f += page(comment + setup, lacingFor(comment.size()) + lacingFor(setup.size()), 1, 0, 0);
    for (int i = 0; i < audioPages; ++i)
        f += page(QByteArray(600, char(i)), lacingFor(600), uint32_t(2 + i),
                  i + 1 == audioPages ? 4 : 0, samples * (i + 1) / audioPages);
    return f;
}

} // namespace

TEST(Ogg, ChecksumAgreesWithTheEncoder) {
    const QString src = oggTagged();
    if (src.isEmpty()) GTEST_SKIP() << "oggenc or sox missing";
    // Every page the encoder wrote carries the checksum our function computes.
    const PageCheck pc = checkPages(readAll(src));
    EXPECT_GT(pc.pages, 3);
    EXPECT_TRUE(pc.crcOk);
    EXPECT_TRUE(pc.sequenceOk);
    EXPECT_TRUE(pc.coversFile);
    // Any split of the data gives the same result as one call.
    const QByteArray data = readAll(src).left(5000);
    const auto* p = reinterpret_cast<const uint8_t*>(data.constData());
    const uint32_t whole = oggCrc(p, size_t(data.size()));
    for (const size_t cut : {size_t(0), size_t(1), size_t(7), size_t(8), size_t(4095)})
        EXPECT_EQ(oggCrc(p + cut, size_t(data.size()) - cut, oggCrc(p, cut)), whole) << cut;
}

TEST(Ogg, ReadsTheEncodersFile) {
    const QString src = oggTagged();
    if (src.isEmpty()) GTEST_SKIP() << "oggenc or sox missing";
    TOggVorbis o;
    ASSERT_TRUE(o.readFromFile(src));
    EXPECT_TRUE(o.valid());
    EXPECT_EQ(o.title, "Song");
    EXPECT_EQ(o.artist, "Band");
    EXPECT_EQ(o.album, "Album");
    EXPECT_EQ(o.date, "2001");
    EXPECT_EQ(o.genre, "Rock");
    EXPECT_EQ(o.comment, "A comment");
    EXPECT_EQ(o.track, 7);
    EXPECT_TRUE(o.vendor.startsWith("Xiph.Org"));
    EXPECT_EQ(o.channels, 2);
    EXPECT_EQ(o.sampleRate, 44100u);
    EXPECT_EQ(o.samples, 3 * 44100);
    EXPECT_NEAR(o.duration(), probeDuration(src), 0.01);

    TrackTag t;
    QString info;
    ASSERT_TRUE(ReadTrackTag(src, t, &info));
    EXPECT_TRUE(tagHasMarker(t, "OGG"));
    EXPECT_EQ(tagText(t, TagField::Title), "Song");
    EXPECT_EQ(tagText(t, TagField::Year), "2001");
    EXPECT_EQ(tagText(t, TagField::Genre), "Rock");
    EXPECT_EQ(info, QString("Stereo   %1kbit   44100Hz").arg(o.bitRate()));
    const int expected = qRound(QFileInfo(src).size() / o.duration() / 125);
    EXPECT_EQ(o.bitRate(), expected);
}

TEST(Ogg, FieldRulesOnHandMadeStreams) {
    struct Case {
        QList<QByteArray> comments;
        const char *title, *artist, *comment;
        int track;
    };
    const Case cases[] = {
        {{"title=lower", "ARTIST=A"}, "lower", "A", "", 0},
        {{"ARTIST=", "PERFORMER=X", "DESCRIPTION=D"}, "", "X", "D", 0},
        {{"ARTIST=Y", "PERFORMER=X", "COMMENT=C", "DESCRIPTION=D"}, "", "Y", "C", 0},
        {{"TRACKNUMBER=3/12", "TITLE=  padded  "}, "padded", "", "", 3},
        {{"TRACKNUMBER=x"}, "", "", "", 0},
        {{"NOEQUALS", "Title=\xD0\x9F\xD0\xB5\xD1\x81\xD0\xBD\xD1\x8F"}, "Песня", "", "", 0},
        {{"TITLE=\xCF\xE5\xF1\xED\xFF"}, "Песня", "", "", 0}, // Windows-1251
    };
    for (const Case& c : cases) {
        const QByteArray f = oggFile(idPacket(2, 44100, 128000), commentPacket(c.comments), 441000);
        tags::MemorySource src(f.constData(), f.size());
        TOggVorbis o;
        ASSERT_TRUE(o.read(src));
        EXPECT_EQ(o.title, QString::fromUtf8(c.title));
        EXPECT_EQ(o.artist, QString::fromUtf8(c.artist));
        EXPECT_EQ(o.comment, QString::fromUtf8(c.comment));
        EXPECT_EQ(o.track, c.track);
        EXPECT_TRUE(o.valid());
        EXPECT_EQ(o.duration(), 10.0);
    }
}

TEST(Ogg, ValidityAndDurationRules) {
    struct Case {
        QByteArray file;
        bool valid;
        double duration;
    };
    const QByteArray c = commentPacket({"TITLE=x"});
    const Case cases[] = {
        {oggFile(idPacket(2, 96000, 128000), c, 960000), true, 10.0},
        {oggFile(idPacket(1, 8000, 0), c, 80000), true, 10.0},
        {oggFile(idPacket(6, 44100, 128000), c, 441000), false, 10.0},
        // No sample rate: no division by zero; length from the nominal bit rate instead.
        {oggFile(idPacket(2, 0, 128000), c, 441000), false, -1},
        {oggFile(idPacket(2, 44100, 128000), c, 441), false, 0.01},
        {oggFile(idPacket(2, 44100, 0), c, 0), false, 0},
    };
    for (const Case& k : cases) {
        tags::MemorySource src(k.file.constData(), k.file.size());
        TOggVorbis o;
        ASSERT_TRUE(o.read(src));
        EXPECT_EQ(o.valid(), k.valid);
        if (k.duration >= 0)
            EXPECT_DOUBLE_EQ(o.duration(), k.duration);
        else
            EXPECT_DOUBLE_EQ(o.duration(), double(k.file.size()) / 128 / 2 / 125 * 2);
    }
    // The 96 kHz file's info line.
    Scratch s;
    writeAll(s.path("hi.ogg"), cases[0].file);
    TrackTag t;
    QString info;
    ASSERT_TRUE(ReadTrackTag(s.path("hi.ogg"), t, &info));
    EXPECT_TRUE(info.endsWith("   96000Hz"));

    // Not Ogg Vorbis: false and an all-zero record.
    writeAll(s.path("bad.ogg"), QByteArray(5000, 'x'));
    std::memset(&t, 0x33, sizeof t);
    EXPECT_FALSE(ReadTrackTag(s.path("bad.ogg"), t));
    TrackTag zero;
    clearTag(zero);
    EXPECT_EQ(std::memcmp(&t, &zero, sizeof t), 0);
}

TEST(Ogg, DamagedLengthsAndCountsEndTheList) {
    const QByteArray id = idPacket(2, 44100, 128000);
    struct Case {
        QByteArray comment;
        const char* title;
    };
    QByteArray hugeVendor("\x03vorbis", 7);
    hugeVendor += le32Bytes(0xFFFFFFF0u) + QByteArray("abc");
    QByteArray hugeItem("\x03vorbis", 7);
    hugeItem +=
        le32Bytes(1) + "v" + le32Bytes(2) + le32Bytes(7) + "TITLE=a" + le32Bytes(0x7FFFFFFF);
    const Case cases[] = {
        {hugeVendor, ""},
        {commentPacket({"TITLE=a"}, "v", -2 /* 0xFFFFFFFE */), "a"},
        {hugeItem, "a"},
        {QByteArray("\x03vorbis", 7), ""},
        {QByteArray("\x03vorb", 5), ""},
    };
    for (const Case& c : cases) {
        const QByteArray f = oggFile(id, c.comment, 441000);
        tags::MemorySource src(f.constData(), f.size());
        TOggVorbis o;
        EXPECT_TRUE(o.read(src));
        EXPECT_EQ(o.title, c.title);
    }
}

TEST(Ogg, SmallAndCutFilesFindNoLastPageBelowZero) {
    const QByteArray f = oggFile(idPacket(2, 44100, 128000), commentPacket({"TITLE=t"}), 441000, 1);
    for (qsizetype n = 0; n <= f.size(); ++n) {
        const QByteArray cut = f.left(n);
        tags::MemorySource src(cut.constData(), cut.size());
        TOggVorbis o;
        o.read(src);
        EXPECT_GE(o.samples, 0);
    }
}

TEST(OggSave, RoundTripKeepsAudioAndOtherComments) {
    const QString src = oggTagged();
    if (src.isEmpty()) GTEST_SKIP() << "oggenc or sox missing";
    Scratch s;
    const QString f = copyTo(src, s.path("t.ogg"));
    TrackTag t;
    ASSERT_TRUE(ReadTrackTag(f, t));
    setTagText(t, TagField::Title, QString::fromUtf8("Новое название"));
    setTagText(t, TagField::Artist, "");
    setTagText(t, TagField::Genre, "Jazz");
    ASSERT_TRUE(WriteTrackTag(f, t, 0).ok);
    EXPECT_EQ(s.entries(), QStringList{"t.ogg"});

    TOggVorbis o;
    ASSERT_TRUE(o.readFromFile(f));
    EXPECT_EQ(o.title, QString::fromUtf8("Новое название"));
    EXPECT_TRUE(o.artist.isEmpty()); // an emptied field is dropped
    EXPECT_EQ(o.genre, "Jazz");
    EXPECT_EQ(o.album, "Album");
    EXPECT_EQ(o.date, "2001");
    EXPECT_EQ(o.track, 7);
    EXPECT_EQ(o.comment, "A comment");
    EXPECT_EQ(o.otherComments, QByteArrayList{"ENCODED_BY=me"});
    EXPECT_TRUE(decodesCleanly(f));
    const auto tags = probeTags(f);
    EXPECT_EQ(tags.value("title"), QString::fromUtf8("Новое название"));
    EXPECT_EQ(tags.value("encoded_by"), "me");
    const PageCheck pc = checkPages(readAll(f));
    EXPECT_TRUE(pc.crcOk);
    EXPECT_TRUE(pc.sequenceOk);
    EXPECT_TRUE(pc.coversFile);
    EXPECT_NEAR(probeDuration(f), probeDuration(src), 0.01);
}

TEST(OggSave, LongValuesSurviveAnUnchangedRecord) {
    const QByteArray longTitle = "A title that is much longer than thirty bytes";
    QByteArray f = oggFile(idPacket(2, 44100, 128000),
                           commentPacket({"TITLE=" + longTitle, "DATE=2001-05-06", "PERFORMER=P",
                                          "DESCRIPTION=D", "ARTIST=A"}),
                           441000);
    Scratch s;
    writeAll(s.path("l.ogg"), f);
    TrackTag t;
    ASSERT_TRUE(ReadTrackTag(s.path("l.ogg"), t));
    setTagText(t, TagField::Album, "New album");
    ASSERT_TRUE(WriteTrackTag(s.path("l.ogg"), t, 0).ok);
    TOggVorbis o;
    ASSERT_TRUE(o.readFromFile(s.path("l.ogg")));
    EXPECT_EQ(o.title, longTitle);
    EXPECT_EQ(o.date, "2001-05-06");
    EXPECT_EQ(o.album, "New album");
    EXPECT_EQ(o.comment, "D");          // DESCRIPTION became the comment ...
    EXPECT_TRUE(o.performer.isEmpty()); // ... and PERFORMER and DESCRIPTION are gone
    EXPECT_TRUE(o.description.isEmpty());
    EXPECT_TRUE(checkPages(readAll(s.path("l.ogg"))).crcOk);
}

TEST(OggSave, CyrillicTextsKeepThirtyCharactersInTheRecord) {
    // 31 letters: the record keeps 30 of them (not the 15 that fit in 30 bytes of UTF-8), and
    // an edit of another field writes the stored title back whole.
    const QString title = QString::fromUtf8("Очень длинное название песенки!");
    const QString artist = QString::fromUtf8("Исполнитель с длинным именем!!");
    ASSERT_EQ(title.size(), 31);
    QByteArray f =
        oggFile(idPacket(2, 44100, 128000),
                commentPacket({"TITLE=" + title.toUtf8(), "ARTIST=" + artist.toUtf8()}), 441000);
    Scratch s;
    writeAll(s.path("c.ogg"), f);
    TrackTag t;
    ASSERT_TRUE(ReadTrackTag(s.path("c.ogg"), t));
    EXPECT_EQ(tagText(t, TagField::Title), title.left(30));
    EXPECT_EQ(tagText(t, TagField::Artist), artist);
    setTagText(t, TagField::Album, QString::fromUtf8("Альбом"));
    ASSERT_TRUE(WriteTrackTag(s.path("c.ogg"), t, 0).ok);
    TOggVorbis o;
    ASSERT_TRUE(o.readFromFile(s.path("c.ogg")));
    EXPECT_EQ(o.title, title);
    EXPECT_EQ(o.artist, artist);
    EXPECT_EQ(o.album, QString::fromUtf8("Альбом"));
    // On disk the comments stay UTF-8.
    EXPECT_TRUE(readAll(s.path("c.ogg")).contains("ALBUM=" + QString::fromUtf8("Альбом").toUtf8()));
}

TEST(OggSave, CommentHeaderGrowingAcrossPagesIsRepaginated) {
    const QString src = oggTagged();
    if (src.isEmpty()) GTEST_SKIP() << "oggenc or sox missing";
    Scratch s;
    // 100 KB spans two pages and needs more than 255 lacing values; 3 KB stays on one.
    for (const int bytes : {3000, 100000, 300000}) {
        const QString f = copyTo(src, s.path("big.ogg"));
        TOggVorbis o;
        ASSERT_TRUE(o.readFromFile(f));
        o.otherComments.append("COVER=" + QByteArray(bytes, 'c'));
        ASSERT_TRUE(o.saveTag(f).ok);
        const QByteArray after = readAll(f);
        const PageCheck pc = checkPages(after);
        EXPECT_TRUE(pc.crcOk) << bytes;
        EXPECT_TRUE(pc.sequenceOk) << bytes;
        EXPECT_TRUE(pc.coversFile) << bytes;
        EXPECT_TRUE(decodesCleanly(f)) << bytes;
        TOggVorbis back;
        ASSERT_TRUE(back.readFromFile(f));
        ASSERT_EQ(back.otherComments.size(), 2);
        EXPECT_EQ(back.otherComments.last().size(), bytes + 6);
        EXPECT_EQ(back.title, "Song");

        // And shrinking back to one page renumbers again.
        back.otherComments.removeLast();
        ASSERT_TRUE(back.saveTag(f).ok);
        const PageCheck pc2 = checkPages(readAll(f));
        EXPECT_TRUE(pc2.crcOk && pc2.sequenceOk && pc2.coversFile) << bytes;
        EXPECT_TRUE(decodesCleanly(f));
    }
}

TEST(OggSave, RefusesWhatItCannotRewriteAndLeavesTheFile) {
    Scratch s;
    // Audio data on the page where the setup header ends.
    const QByteArray id = idPacket(2, 44100, 128000);
    const QByteArray c = commentPacket({"TITLE=t"});
    const QByteArray setup = QByteArray("\x05vorbis", 7) + QByteArray(40, '\x07');
    QByteArray f = page(id, lacingFor(id.size()), 0, 2, 0);
    f += page(c + setup + QByteArray(100, 'a'),
              lacingFor(c.size()) + lacingFor(setup.size()) + lacingFor(100), 1, 0, 0);
    f += page(QByteArray(600, 'b'), lacingFor(600), 2, 4, 441000);
    writeAll(s.path("odd.ogg"), f);
    TOggVorbis o;
    ASSERT_TRUE(o.readFromFile(s.path("odd.ogg")));
    o.title = "new";
    EXPECT_FALSE(o.saveTag(s.path("odd.ogg")).ok);
    EXPECT_EQ(readAll(s.path("odd.ogg")), f);
    EXPECT_EQ(s.entries(), QStringList{"odd.ogg"});

    writeAll(s.path("junk.ogg"), QByteArray(3000, 'j'));
    TrackTag t;
    clearTag(t);
    setTagMarker(t, "OGG");
    setTagText(t, TagField::Title, "x");
    EXPECT_FALSE(WriteTrackTag(s.path("junk.ogg"), t, 0).ok);
    EXPECT_EQ(readAll(s.path("junk.ogg")), QByteArray(3000, 'j'));
}

TEST(OggSave, PagesOfAnotherStreamBetweenTheHeaders) {
    const QByteArray id = idPacket(2, 44100, 128000);
    const QByteArray c = commentPacket({"TITLE=t"});
    const QByteArray setup = QByteArray("\x05vorbis", 7) + QByteArray(40, '\x07');
    QByteArray other = page(QByteArray(30, 'o'), lacingFor(30), 0, 2, 0);
    other.replace(14, 4, le32Bytes(0x9999)); // another serial number
    const uint32_t crc =
        oggCrc(reinterpret_cast<const uint8_t*>(
                   QByteArray(other).replace(22, 4, QByteArray(4, '\0')).constData()),
               size_t(other.size()));
    other.replace(22, 4, le32Bytes(crc));
    QByteArray f = page(id, lacingFor(id.size()), 0, 2, 0) + other;
    f += page(c + setup, lacingFor(c.size()) + lacingFor(setup.size()), 1, 0, 0);
    f += page(QByteArray(600, 'b'), lacingFor(600), 2, 4, 441000);
    Scratch s;
    writeAll(s.path("mux.ogg"), f);
    TOggVorbis o;
    ASSERT_TRUE(o.readFromFile(s.path("mux.ogg")));
    EXPECT_EQ(o.title, "t"); // the other stream's page is stepped over
    o.title = "new";
    EXPECT_FALSE(o.saveTag(s.path("mux.ogg")).ok);
    EXPECT_EQ(readAll(s.path("mux.ogg")), f);
}

TEST(OggSave, SymbolicLinkStaysALink) {
    const QString src = oggTagged();
    if (src.isEmpty()) GTEST_SKIP() << "oggenc or sox missing";
    Scratch s;
    copyTo(src, s.path("real.ogg"));
    ASSERT_TRUE(QFile::link(s.path("real.ogg"), s.path("link.ogg")));
    TrackTag t;
    ASSERT_TRUE(ReadTrackTag(s.path("link.ogg"), t));
    setTagText(t, TagField::Title, "Through the link");
    ASSERT_TRUE(WriteTrackTag(s.path("link.ogg"), t, 0).ok);
    EXPECT_TRUE(QFileInfo(s.path("link.ogg")).isSymLink());
    TOggVorbis o;
    ASSERT_TRUE(o.readFromFile(s.path("real.ogg")));
    EXPECT_EQ(o.title, "Through the link");
}
