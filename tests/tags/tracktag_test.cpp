#include "common/tags/tracktag.h"
#include "common/text.h"
#include "common/version.h"

#include "fixtures.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <cstddef>

using namespace wc;

TEST(TrackTag, RecordLayoutIsTheFixed158Bytes) {
    EXPECT_EQ(sizeof(TrackTag), 158u);
    EXPECT_EQ(offsetof(TrackTag, title), 3u);
    EXPECT_EQ(offsetof(TrackTag, artist), 33u);
    EXPECT_EQ(offsetof(TrackTag, album), 63u);
    EXPECT_EQ(offsetof(TrackTag, year), 93u);
    EXPECT_EQ(offsetof(TrackTag, comment), 97u);
    EXPECT_EQ(offsetof(TrackTag, genreLength), 127u);
    EXPECT_EQ(offsetof(TrackTag, genre), 128u);
}

TEST(TrackTag, GenreTableKeepsItsHistoricSpellings) {
    const QStringList& g = genreNames();
    ASSERT_EQ(g.size(), kGenreCount);
    const std::pair<int, const char*> cases[] = {
        {0, "Blues"},         {17, "Rock"},     {40, "AlternRock"},      {67, "Psychadelic"},
        {79, "Hard Rock"},    {80, "Folk"},     {92, "Progessive Rock"}, {123, "Acapella"},
        {144, "Trash Metal"}, {147, "Synthpop"}};
    for (const auto& [i, name] : cases)
        EXPECT_EQ(g.at(i), QString::fromLatin1(name)) << i;
    for (const QString& n : g)
        EXPECT_LE(n.toUtf8().size(), 30) << n.toStdString();
}

TEST(TrackTag, TimeTexts) {
    struct Case {
        int64_t ms;
        const char *minSec, *hourMinSec, *tenths;
    };
    const Case cases[] = {
        {0, "??:??", "0:00:00", "00:00.0"},
        {999, "00:00", "0:00:00", "00:00.9"},
        {61000, "01:01", "0:01:01", "01:01.0"},
        {61250, "01:01", "0:01:01", "01:01.2"},
        {125 * 60000, "125:00", "2:05:00", "125:00.0"},
        {3723000, "62:03", "1:02:03", "62:03.0"},
        {-61000, "-01:01", "-0:01:01", "-01:01.0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatMinSec(c.ms), c.minSec) << c.ms;
        EXPECT_EQ(FormatHourMinSec(c.ms), c.hourMinSec) << c.ms;
        EXPECT_EQ(FormatMinSecTenths(c.ms), c.tenths) << c.ms;
    }
}

TEST(TrackTag, FileTitleDropsFolderAndExtension) {
    const std::pair<const char*, const char*> cases[] = {{"/music/a/Song.mp3", "Song"},
                                                         {"C:\\Music\\Two.Dots.wav", "Two.Dots"},
                                                         {"plain", "plain"},
                                                         {"/dir.with.dot/noext", "noext"},
                                                         {".hidden", ""},
                                                         {"/x/y/", ""}};
    for (const auto& [in, out] : cases)
        EXPECT_EQ(FileTitle(in), out) << in;
}

TEST(TrackTag, DisplayTitleJoinsTrimmedArtistAndTitle) {
    struct Case {
        QString artist, title, shown;
    };
    const Case cases[] = {
        {"Band", "Song", QString::fromUtf8("Band – Song")},
        {"~The ", "Band", "TheBand"},
        {"", "X", "X"},
        {"A", "", "A"},
        {"", "", ""},
        {"  Band \t", "\nSong ", QString::fromUtf8("Band – Song")},
        {QString("Band") + QChar(0) + "junk", "Song", QString::fromUtf8("Band – Song")},
        {"~" + QString(40, 'a'), "T", QString(30, 'a') + "T"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DisplayTitle(c.artist, c.title), c.shown) << c.artist.toStdString();
}

TEST(TrackTag, TextsAreStoredByRecordKindAndReadBackInEitherEncoding) {
    const QString cyr = QString::fromUtf8("Привет, мир — песня номер один!"); // 31 characters
    TrackTag id3;
    clearTag(id3);
    setTagMarker(id3, "TAG");
    setTagText(id3, TagField::Title, cyr);
    // Windows-1251: one byte per character, cut to the field.
    EXPECT_EQ(tagBytes(id3, TagField::Title), toCp1251(cyr).left(30));
    EXPECT_EQ(tagText(id3, TagField::Title), cyr.left(30));

    // Ogg and WMA records hold 30 characters too, not 30 bytes of UTF-8.
    for (const char* marker : {"OGG", "WMA"}) {
        SCOPED_TRACE(marker);
        TrackTag t;
        clearTag(t);
        setTagMarker(t, marker);
        setTagText(t, TagField::Title, cyr);
        EXPECT_EQ(tagBytes(t, TagField::Title), toCp1251(cyr).left(30));
        EXPECT_EQ(tagText(t, TagField::Title), cyr.left(30));
        setTagText(t, TagField::Genre, QString::fromUtf8("Рок"));
        EXPECT_EQ(t.genreLength, 3);
        EXPECT_EQ(tagText(t, TagField::Genre), QString::fromUtf8("Рок"));
        setTagText(t, TagField::Year, "2001-05-06");
        EXPECT_EQ(tagText(t, TagField::Year), "2001");
        // "Пё" in 1251 (CF B8) would read back as the UTF-8 of another letter: kept as UTF-8.
        setTagText(t, TagField::Artist, QString::fromUtf8("Пё"));
        EXPECT_EQ(tagBytes(t, TagField::Artist), QByteArray("\xD0\x9F\xD1\x91"));
        EXPECT_EQ(tagText(t, TagField::Artist), QString::fromUtf8("Пё"));
        // Characters without a 1251 form: UTF-8 cut on a character boundary.
        setTagText(t, TagField::Album, QString(11, QChar(0x65E5)));
        EXPECT_EQ(tagText(t, TagField::Album), QString(10, QChar(0x65E5)));
    }

    // Characters without a 1251 form make an ID3v1 field UTF-8.
    setTagText(id3, TagField::Artist, QString::fromUtf8("日本語"));
    EXPECT_EQ(tagText(id3, TagField::Artist), QString::fromUtf8("日本語"));

    TrackTag t;
    clearTag(t);
    t.genreLength = 200; // damaged length byte
    std::memcpy(t.genre, "Rock", 4);
    EXPECT_EQ(tagText(t, TagField::Genre), "Rock");
    t.comment[28] = 0;
    t.comment[29] = 9;
    EXPECT_EQ(tagTrackNumber(t), 9);
}

TEST(TrackTag, FileVersionTextKnowsOnlyOurPrograms) {
    const QString self = QFileInfo("/proc/self/exe").symLinkTarget();
    EXPECT_EQ(FileVersionText(self), WC_VERSION_TEXT);
    tagtest::Scratch s;
    tagtest::writeAll(s.path("player"), "not ours");
    EXPECT_EQ(FileVersionText(s.path("player")), "");
    EXPECT_EQ(FileVersionText(s.path("missing")), "");
}
