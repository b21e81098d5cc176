// The formats whose tags go through TagLib (FLAC, Opus, FLAC in Ogg, MP4 atoms, an MP3's
// ID3v2 tag when it has no ID3v1 block): what ReadTrackTag shows of files made by the usual
// encoders, how texts fit the record's fields, and tag edits read back by the suite and by a
// second reader (TagLib on its own, and ffprobe).
#include "common/tags/taglibtags.h"
#include "common/tags/trackinfo.h"

#include "fixtures.h"

#include <gtest/gtest.h>

#include <QFile>

#include <fileref.h>
#include <flacfile.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <tag.h>

#include <functional>

using namespace wc;
using namespace tagtest;

namespace {

QString text(const TrackTag& t, TagField f) {
    return tagText(t, f);
}

// What TagLib itself reads, all tags of the file merged as its generic interface does.
struct Seen {
    QString title, artist, album, comment, genre;
    unsigned year = 0;
};
Seen tagLibSees(const QString& path) {
    Seen s;
    TagLib::FileRef ref(QFile::encodeName(path).constData());
    if (ref.isNull() || !ref.tag()) return s;
    auto q = [](const TagLib::String& v) { return QString::fromUtf8(v.toCString(true)); };
    s.title = q(ref.tag()->title());
    s.artist = q(ref.tag()->artist());
    s.album = q(ref.tag()->album());
    s.comment = q(ref.tag()->comment());
    s.genre = q(ref.tag()->genre());
    s.year = ref.tag()->year();
    return s;
}

// The ID3v2 tag alone, as TagLib reads it.
QString id3v2Title(const QString& path) {
    TagLib::MPEG::File f(QFile::encodeName(path).constData(), false);
    if (!f.hasID3v2Tag()) return QStringLiteral("<no ID3v2>");
    return QString::fromUtf8(f.ID3v2Tag()->title().toCString(true));
}

int id3v2Version(const QString& path) {
    const QByteArray head = readAll(path).left(4);
    return head.startsWith("ID3") ? int(uint8_t(head[3])) : 0;
}

bool endsWithId3v1(const QString& path) {
    const QByteArray b = readAll(path);
    return b.size() >= 128 && b.mid(b.size() - 128, 3) == "TAG";
}

// A copy of a generated file under a new name in the scratch folder.
QString copyAs(const Scratch& s, const QString& from, const QString& name) {
    return copyTo(from, s.path(name));
}

struct Source {
    const char* name; // the name the file gets (its extension chooses the reader)
    std::function<QByteArray()> bytes;
};

QByteArray fileBytes(const QString& path) {
    return path.isEmpty() ? QByteArray() : readAll(path);
}

} // namespace

TEST(TagLibFormats, ReadTrackTagShowsTheTagOfFilesFromTheUsualEncoders) {
    struct Case {
        Source source;
        const char* marker;
        const char* year;
        const char* infoEnd; // the sample rate the info line ends with ("" when not composed)
    };
    const Case cases[] = {
        {{"a.flac", [] { return fileBytes(flacTagged()); }}, "FLC", "2001", "44100Hz"},
        {{"UPPER.FLAC", [] { return fileBytes(flacTagged()); }}, "FLC", "2001", "44100Hz"},
        {{"a.opus", [] { return fileBytes(opusTagged()); }}, "OPU", "2001", "48000Hz"},
        // Opus in a file named ".oga" is told by its first packet.
        {{"opus.oga", [] { return fileBytes(opusTagged()); }}, "OPU", "2001", "48000Hz"},
        {{"a.m4a", [] { return fileBytes(m4aTagged()); }}, "MP4", "2001", "44100Hz"},
        {{"flac.oga", [] { return fileBytes(oggFlacTagged()); }}, "FLC", "2001", "44100Hz"},
        // Ogg Vorbis named ".oga" stays with the suite's own Ogg reader.
        {{"vorbis.oga", [] { return fileBytes(oggTagged()); }}, "OGG", "2001", "44100Hz"},
        {{"lame.mp3", [] { return fileBytes(mp3Id3v2Only()); }}, "ID3", "2001", "44100Hz"},
        {{"v23.mp3", [] { return fileBytes(mp3Id3v2(3)); }}, "ID3", "2001", "44100Hz"},
        {{"v24.mp3", [] { return fileBytes(mp3Id3v2(4)); }}, "ID3", "2001", "44100Hz"},
        {{"v22.mp3",
          [] {
              const QByteArray audio = fileBytes(lameCbr128());
              if (audio.isEmpty()) return QByteArray();
              return id3v22Tag("Song", "Band", "Album", "2001", "A comment", "(17)") + audio;
          }},
         "ID3",
         "2001",
         "44100Hz"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source.name);
        const QByteArray bytes = c.source.bytes();
        if (bytes.isEmpty()) GTEST_SKIP() << "encoder missing for " << c.source.name;
        Scratch s;
        const QString path = s.path(c.source.name);
        writeAll(path, bytes);
        TrackTag t;
        QString info;
        ASSERT_TRUE(ReadTrackTag(path, t, &info));
        EXPECT_TRUE(tagHasMarker(t, c.marker));
        EXPECT_EQ(text(t, TagField::Title), "Song");
        EXPECT_EQ(text(t, TagField::Artist), "Band");
        EXPECT_EQ(text(t, TagField::Album), "Album");
        EXPECT_EQ(text(t, TagField::Year), c.year);
        EXPECT_EQ(text(t, TagField::Comment), "A comment");
        EXPECT_EQ(text(t, TagField::Genre), "Rock");
        EXPECT_EQ(DisplayTitle(text(t, TagField::Artist), text(t, TagField::Title)),
                  QString::fromUtf8("Band – Song"));
        EXPECT_TRUE(info.contains("Stereo   ")) << info.toStdString();
        EXPECT_TRUE(info.endsWith(c.infoEnd)) << info.toStdString();
        // The same without the info line.
        TrackTag again;
        ASSERT_TRUE(ReadTrackTag(path, again));
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(&again), sizeof again),
                  QByteArray(reinterpret_cast<const char*>(&t), sizeof t));
    }
}

TEST(TagLibFormats, AnId3v1BlockStillWinsOverAnId3v2Tag) {
    const QByteArray v2 = fileBytes(mp3Id3v2(3));
    if (v2.isEmpty()) GTEST_SKIP() << "ffmpeg missing";
    Scratch s;
    // The ID3v2 tag says Band - Song; the ID3v1 block says something else.
    writeAll(s.path("both.mp3"), v2 + id3v1Block("Other", "Group", "", "", "", 255));
    TrackTag t;
    ASSERT_TRUE(ReadTrackTag(s.path("both.mp3"), t));
    EXPECT_TRUE(tagHasMarker(t, "TAG"));
    EXPECT_EQ(DisplayTitle(text(t, TagField::Artist), text(t, TagField::Title)),
              QString::fromUtf8("Group – Other"));
    EXPECT_TRUE(text(t, TagField::Album).isEmpty());
}

TEST(TagLibFormats, DamagedOrForeignFilesGiveNoTag) {
    const QByteArray flac = fileBytes(flacTagged());
    const QByteArray m4a = fileBytes(m4aTagged());
    const QByteArray vorbis = fileBytes(oggTagged());
    if (flac.isEmpty() || m4a.isEmpty() || vorbis.isEmpty()) GTEST_SKIP() << "encoder missing";
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    QByteArray speex = vorbis;
    speex.replace(speex.indexOf("\x01vorbis"), 7, QByteArray("Speex  ", 7));
    const Case cases[] = {
        {"text.flac", QByteArray("not a FLAC file at all, just words").repeated(20)},
        {"cut.flac", flac.left(20)},
        {"mp3.m4a", fileBytes(lameCbr128())},
        {"cut.m4a", m4a.left(30)},
        {"empty.opus", QByteArray()},
        {"speex.oga", speex},
        {"flac.opus", flac}, // a native FLAC file is not Ogg
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scratch s;
        writeAll(s.path(c.name), c.bytes);
        TrackTag t;
        std::memset(&t, 0x55, sizeof t);
        EXPECT_FALSE(ReadTrackTag(s.path(c.name), t));
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(&t), sizeof t),
                  QByteArray(sizeof t, '\0'));
    }
}

// Texts longer than a field are cut; they keep as many characters as fit, by the rule of the
// Ogg and WMA records: one byte per character when the text has a Windows-1251 form (so 30
// Cyrillic letters fit), UTF-8 cut on a character boundary otherwise.
TEST(TagLibFormats, TextsAreCutToTheRecordsFields) {
    const QString longLatin =
        QString("Forty characters of a rather long title").leftJustified(40, 'x');
    const QString cyrillic(40, QChar(0x0416));                                 // "Ж"
    const QString cjk = QString::fromUtf8("日本語のとても長い題名です日本語"); // 16 chars, 48 bytes
    const QString flac = ffmpegTagged("long.flac", {"-c:a", "flac"},
                                      {{"title", longLatin},
                                       {"artist", cyrillic},
                                       {"album", cjk},
                                       {"date", "1999-12-31"},
                                       {"comment", longLatin},
                                       {"genre", cyrillic}});
    if (flac.isEmpty()) GTEST_SKIP() << "ffmpeg missing";
    TrackTag t;
    ASSERT_TRUE(ReadTrackTag(flac, t));
    EXPECT_EQ(text(t, TagField::Title), longLatin.left(30));
    EXPECT_EQ(text(t, TagField::Artist), cyrillic.left(30));
    EXPECT_EQ(QByteArray(t.artist, 30), QByteArray(30, '\xC6')); // "Ж" in Windows-1251
    EXPECT_EQ(text(t, TagField::Album), cjk.left(10));           // 10 characters of 3 bytes
    EXPECT_EQ(text(t, TagField::Year), "1999");
    EXPECT_EQ(text(t, TagField::Comment), longLatin.left(30));
    EXPECT_EQ(text(t, TagField::Genre), cyrillic.left(30));
    EXPECT_EQ(t.genreLength, 30);
}

// Edits are written into the file's own tag and read back the same by the suite, by TagLib on
// its own and by ffprobe; the audio still decodes, fields that were not edited keep their
// whole stored values, and no temporary file is left behind.
TEST(TagLibFormats, EditsRoundTripAndOtherReadersSeeThem) {
    const QString longAlbum = "An album title of more than thirty characters";
    const QList<QPair<QString, QString>> tags = {{"title", "Song"},        {"artist", "Band"},
                                                 {"album", longAlbum},     {"date", "2001-05-03"},
                                                 {"comment", "A comment"}, {"genre", "Rock"}};
    struct Case {
        const char* name;
        QString seed;
    };
    const Case cases[] = {
        {"a.flac", ffmpegTagged("edit.flac", {"-c:a", "flac"}, tags)},
        {"a.opus", ffmpegTagged("edit.opus", {"-c:a", "libopus", "-b:a", "64k"}, tags)},
        {"a.m4a", ffmpegTagged("edit.m4a", {"-c:a", "aac", "-b:a", "96k"}, tags)},
        {"a.oga", ffmpegTagged("edit.oga", {"-c:a", "flac", "-f", "ogg"}, tags)},
        // Ogg Vorbis named ".oga" is written by the suite's own Ogg writer.
        {"vorbis.oga", ffmpegTagged("edit_vorbis.oga", {"-c:a", "libvorbis", "-f", "ogg"}, tags)},
        {"a.mp3",
         ffmpegTagged("edit.mp3",
                      {"-c:a", "libmp3lame", "-id3v2_version", "3", "-write_id3v1", "0"}, tags)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.seed.isEmpty()) GTEST_SKIP() << "ffmpeg missing";
        Scratch s;
        const QString path = copyAs(s, c.seed, c.name);
        TrackTag t;
        ASSERT_TRUE(ReadTrackTag(path, t));
        EXPECT_EQ(text(t, TagField::Album), longAlbum.left(30));
        setTagText(t, TagField::Title, QString::fromUtf8("Новая песня"));
        setTagText(t, TagField::Artist, "New Band");
        setTagText(t, TagField::Year, "2024");
        setTagText(t, TagField::Comment, "");
        setTagText(t, TagField::Genre, "Jazz");
        const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        ASSERT_TRUE(QFile::setPermissions(path, mode));
        const TagWriteResult w = WriteTrackTag(path, t, 8);
        ASSERT_TRUE(w.ok) << w.error.toStdString();
        EXPECT_EQ(s.entries(), QStringList{c.name});
        EXPECT_EQ(QFile::permissions(path) & 0x7077, mode); // the new file keeps the old mode

        TrackTag back;
        ASSERT_TRUE(ReadTrackTag(path, back));
        EXPECT_EQ(text(back, TagField::Title), QString::fromUtf8("Новая песня"));
        EXPECT_EQ(text(back, TagField::Artist), "New Band");
        EXPECT_EQ(text(back, TagField::Album), longAlbum.left(30));
        EXPECT_EQ(text(back, TagField::Year), "2024");
        EXPECT_EQ(text(back, TagField::Comment), "");
        EXPECT_EQ(text(back, TagField::Genre), "Jazz");

        const Seen seen = tagLibSees(path);
        EXPECT_EQ(seen.title, QString::fromUtf8("Новая песня"));
        EXPECT_EQ(seen.artist, "New Band");
        EXPECT_EQ(seen.album, longAlbum); // not edited: kept whole
        EXPECT_EQ(seen.year, 2024u);
        EXPECT_EQ(seen.comment, "");
        EXPECT_EQ(seen.genre, "Jazz");

        const QMap<QString, QString> probed = probeTags(path);
        EXPECT_EQ(probed.value("title"), QString::fromUtf8("Новая песня"));
        EXPECT_EQ(probed.value("artist"), "New Band");
        EXPECT_EQ(probed.value("album"), longAlbum);
        EXPECT_FALSE(probed.contains("comment"));
        EXPECT_TRUE(decodesCleanly(path));
        if (QString(c.name).endsWith(".mp3")) {
            // An ID3v2-only file stays one; the tag keeps its version.
            EXPECT_FALSE(endsWithId3v1(path));
            EXPECT_EQ(id3v2Version(path), 3);
        }
    }
}

// An MP3 with both tags: the ID3v1 block is written as before, and the ID3v2 tag gets the same
// edit, so that players reading either show it. Fields left empty in the record keep their
// stored values in both tags, as ID3v1 writing has always done.
TEST(TagLibFormats, AnMp3WithBothTagsGetsTheEditInBoth) {
    const QString seed = mp3Id3v2(4);
    if (seed.isEmpty()) GTEST_SKIP() << "ffmpeg missing";
    Scratch s;
    const QString path = s.path("both.mp3");
    writeAll(path, readAll(seed) + id3v1Block("Song", "Band", "Album", "2001", "", 17));
    TrackTag t;
    ASSERT_TRUE(ReadTrackTag(path, t));
    ASSERT_TRUE(tagHasMarker(t, "TAG"));
    setTagText(t, TagField::Title, "Edited");
    setTagText(t, TagField::Album, ""); // empty: the stored album stays
    ASSERT_TRUE(WriteTrackTag(path, t, 17).ok);
    EXPECT_EQ(s.entries(), QStringList{"both.mp3"});

    TrackTag back;
    ASSERT_TRUE(ReadTrackTag(path, back));
    EXPECT_TRUE(tagHasMarker(back, "TAG"));
    EXPECT_EQ(text(back, TagField::Title), "Edited");
    EXPECT_EQ(text(back, TagField::Album), "Album");
    EXPECT_EQ(id3v2Title(path), "Edited");
    EXPECT_EQ(id3v2Version(path), 4);
    const Seen v2 = tagLibSees(path); // TagLib prefers the ID3v2 tag
    EXPECT_EQ(v2.title, "Edited");
    EXPECT_EQ(v2.artist, "Band");
    EXPECT_EQ(v2.album, "Album");
    EXPECT_TRUE(decodesCleanly(path));

    // An ID3v2-only file written with an ID3v1 record (as the library's tag editor does) gains
    // the block and keeps the ID3v2 tag in step.
    const QString only = copyAs(s, mp3Id3v2Only(), "only.mp3");
    ASSERT_TRUE(ReadTrackTag(only, t));
    ASSERT_TRUE(tagHasMarker(t, "ID3"));
    setTagMarker(t, "TAG");
    setTagText(t, TagField::Artist, "Other Band");
    ASSERT_TRUE(WriteTrackTag(only, t, 17).ok);
    EXPECT_TRUE(endsWithId3v1(only));
    ASSERT_TRUE(ReadTrackTag(only, back));
    EXPECT_TRUE(tagHasMarker(back, "TAG"));
    EXPECT_EQ(text(back, TagField::Artist), "Other Band");
    EXPECT_EQ(text(back, TagField::Title), "Song");
    EXPECT_EQ(tagLibSees(only).artist, "Other Band");
    EXPECT_EQ(id3v2Title(only), "Song");
}

TEST(TagLibFormats, WritingNeedsTheFileAndItsFormat) {
    Scratch s;
    TrackTag t;
    clearTag(t);
    setTagMarker(t, "FLC");
    setTagText(t, TagField::Title, "X");
    const TagWriteResult missing = WriteTrackTag(s.path("none.flac"), t, 0);
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error, "Error: file " + s.path("none.flac") + " not found!");
    const QByteArray junk = QByteArray("junk").repeated(100);
    writeAll(s.path("junk.m4a"), junk);
    EXPECT_FALSE(WriteTrackTag(s.path("junk.m4a"), t, 0).ok);
    EXPECT_EQ(readAll(s.path("junk.m4a")), junk);
    EXPECT_EQ(s.entries(), QStringList{"junk.m4a"});
}
