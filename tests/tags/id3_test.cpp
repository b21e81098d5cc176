#include "common/tags/id3.h"
#include "common/tags/trackinfo.h"
#include "common/text.h"

#include "fixtures.h"

#include <gtest/gtest.h>

#include <QFile>
#include <sys/stat.h>

using namespace wc;
using namespace tagtest;

namespace {

QByteArray audioBytes(int n) {
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i)
        b[i] = char(i * 7 + 3);
    return b;
}

TrackTag recordWith(const char* marker) {
    TrackTag t;
    clearTag(t);
    if (marker) setTagMarker(t, marker);
    return t;
}

} // namespace

TEST(Id3v1, ReadsRawFieldsAndGenreName) {
    Scratch s;
    const QByteArray comment("Nice\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x05", 30);
    writeAll(s.path("a.mp3"),
             audioBytes(500) + id3v1Block("Song", "Band", "Album", "1999", comment, 17));
    TrackTag t;
    ASSERT_TRUE(ReadTrackTag(s.path("a.mp3"), t));
    EXPECT_TRUE(tagHasMarker(t, "TAG"));
    EXPECT_EQ(tagText(t, TagField::Title), "Song");
    EXPECT_EQ(tagText(t, TagField::Artist), "Band");
    EXPECT_EQ(tagText(t, TagField::Album), "Album");
    EXPECT_EQ(tagText(t, TagField::Year), "1999");
    EXPECT_EQ(tagText(t, TagField::Comment), "Nice");
    EXPECT_EQ(QByteArray(t.comment, 30), comment);
    EXPECT_EQ(tagTrackNumber(t), 5);
    EXPECT_EQ(tagText(t, TagField::Genre), "Rock");

    TID3v1 v1;
    ASSERT_TRUE(v1.readFromFile(s.path("a.mp3")));
    EXPECT_TRUE(v1.exists);
    EXPECT_EQ(v1.version, 2);
    EXPECT_EQ(v1.track, 5);
    EXPECT_EQ(v1.genre, 17);
    EXPECT_EQ(v1.comment, "Nice");
}

TEST(Id3v1, TrackNumberOnlyAfterAZeroInByte28) {
    // Byte 28 zero and byte 29 not: ID3v1.1, the comment is its first 28 bytes and byte 29 the
    // track. Anything else is ID3v1.0 with a 30-byte comment. A space in byte 28 is taken as
    // text, not as the ID3v1.1 marker the rules also accept there: a 30-character comment
    // ending in " 2" would otherwise lose its last character and read as track 50.
    struct Case {
        QByteArray comment; // 30 bytes
        int version, track;
        const char* text;
    };
    const QByteArray text28("Recorded live at the studio ", 28);
    const Case cases[] = {
        {text28 + QByteArray("\0\x05", 2), 2, 5, "Recorded live at the studio"},
        {text28 + QByteArray(" 2", 2), 1, 0, "Recorded live at the studio  2"},
        {text28 + QByteArray(" \x07", 2), 1, 0, "Recorded live at the studio  \x07"},
        {text28 + QByteArray("  ", 2), 1, 0, "Recorded live at the studio"},
        {text28 + QByteArray("\0\0", 2), 1, 0, "Recorded live at the studio"},
        {text28 + QByteArray("x\x05", 2), 1, 0, "Recorded live at the studio x\x05"},
    };
    Scratch s;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.comment.right(2).toHex().toStdString());
        ASSERT_EQ(c.comment.size(), 30);
        writeAll(s.path("t.mp3"), audioBytes(300) + id3v1Block("T", "A", "", "", c.comment, 0));
        TID3v1 v1;
        ASSERT_TRUE(v1.readFromFile(s.path("t.mp3")));
        EXPECT_EQ(v1.version, c.version);
        EXPECT_EQ(v1.track, c.track);
        EXPECT_EQ(v1.comment, QString::fromLatin1(c.text));
        TrackTag t;
        ASSERT_TRUE(ReadTrackTag(s.path("t.mp3"), t));
        EXPECT_EQ(QByteArray(t.comment, 30), c.comment); // the record keeps the raw bytes
        EXPECT_EQ(tagTrackNumber(t), c.track);
    }
}

TEST(Id3v1, GenreBytesOutsideTheTableGiveNoGenre) {
    Scratch s;
    for (const int g : {147, 148, 200, 255}) {
        writeAll(s.path("g.mp3"), audioBytes(10) + id3v1Block("T", "A", "", "", "", uint8_t(g)));
        TrackTag t;
        ASSERT_TRUE(ReadTrackTag(s.path("g.mp3"), t));
        EXPECT_EQ(tagText(t, TagField::Genre), g == 147 ? "Synthpop" : "") << g;
    }
}

TEST(Id3v1, CyrillicInWindows1251AndUtf8) {
    Scratch s;
    const QString title = QString::fromUtf8("Звезда");
    const QString artist = QString::fromUtf8("Кино");
    writeAll(s.path("c.mp3"),
             audioBytes(200) + id3v1Block(toCp1251(title), artist.toUtf8(), "", "", "", 255));
    TrackTag t;
    ASSERT_TRUE(ReadTrackTag(s.path("c.mp3"), t));
    EXPECT_EQ(tagText(t, TagField::Title), title);
    EXPECT_EQ(tagText(t, TagField::Artist), artist);
    EXPECT_EQ(DisplayTitle(tagText(t, TagField::Artist), tagText(t, TagField::Title)),
              artist + QString::fromUtf8(" – ") + title);
}

TEST(Id3v1, WhatTheReaderReturnsForEachKindOfFile) {
    Scratch s;
    struct Case {
        const char* name;
        QByteArray bytes;
        bool result;
        bool marker;
    };
    const Case cases[] = {
        {"short.mp3", audioBytes(127), false, false},
        {"exact.mp3", id3v1Block("T", "A", "", "", "", 1), true, true},
        {"untagged.mp3", audioBytes(1000), true, false},
        {"UPPER.MP3", audioBytes(10) + id3v1Block("T", "A", "", "", "", 1), true, true},
        {"line.in", audioBytes(10) + id3v1Block("T", "A", "", "", "", 1), true, true},
        {"untagged.wav", wavFile(2, 44100, 16, 400), true, true},
        {"other.flac", audioBytes(10) + id3v1Block("T", "A", "", "", "", 1), false, false},
        {"empty.mp3", QByteArray(), false, false},
    };
    for (const Case& c : cases) {
        writeAll(s.path(c.name), c.bytes);
        TrackTag t;
        std::memset(&t, 0x55, sizeof t);
        EXPECT_EQ(ReadTrackTag(s.path(c.name), t), c.result) << c.name;
        EXPECT_EQ(tagHasMarker(t, "TAG"), c.marker) << c.name;
        if (!c.marker) {
            TrackTag zero;
            clearTag(zero);
            EXPECT_EQ(std::memcmp(&t, &zero, sizeof t), 0) << c.name;
        }
    }
    // A missing file leaves the record as it was.
    TrackTag t;
    std::memset(&t, 0x55, sizeof t);
    EXPECT_FALSE(ReadTrackTag(s.path("missing.mp3"), t));
    EXPECT_EQ(uint8_t(t.title[0]), 0x55);
}

TEST(Id3v1, Id3v2IsOnlySkippedAndId3v1Wins) {
    Scratch s;
    QByteArray v2 = id3v2Tag(100);
    v2.replace(10, 20, "TIT2 other title....");
    writeAll(s.path("both.mp3"),
             v2 + audioBytes(300) + id3v1Block("Song", "Band", "", "", "", 255));
    TrackTag t;
    ASSERT_TRUE(ReadTrackTag(s.path("both.mp3"), t));
    EXPECT_EQ(DisplayTitle(tagText(t, TagField::Artist), tagText(t, TagField::Title)),
              QString::fromUtf8("Band – Song"));

    writeAll(s.path("v2only.mp3"), v2 + audioBytes(300));
    ASSERT_TRUE(ReadTrackTag(s.path("v2only.mp3"), t));
    EXPECT_FALSE(tagHasMarker(t, "TAG"));
    EXPECT_TRUE(tagText(t, TagField::Title).isEmpty());

    writeAll(s.path("blank.mp3"), audioBytes(300) + id3v1Block("   ", "", "", "", "", 255));
    ASSERT_TRUE(ReadTrackTag(s.path("blank.mp3"), t));
    EXPECT_TRUE(DisplayTitle(tagText(t, TagField::Artist), tagText(t, TagField::Title)).isEmpty());
}

TEST(Id3v2, SizeProbe) {
    struct Case {
        QByteArray bytes;
        bool exists;
        int size;
    };
    const Case cases[] = {
        {id3v2Tag(4086) + audioBytes(100), true, 4096},
        {id3v2Tag(100, true) + audioBytes(10), true, 120},
        {id3v2Tag(5000, false, false) + audioBytes(100), true, 0}, // claims more than the file
        {audioBytes(100), false, 0},
        {QByteArray("ID3\x03"), false, 0},
    };
    for (const Case& c : cases) {
        tags::MemorySource src(c.bytes.constData(), c.bytes.size());
        TID3v2 v2;
        EXPECT_EQ(v2.read(src), c.bytes.size() >= 10);
        EXPECT_EQ(v2.exists, c.exists);
        EXPECT_EQ(v2.size, c.size);
    }
}

TEST(Id3v1Write, UpdateKeepsFieldsWhoseFirstByteIsZero) {
    Scratch s;
    const QByteArray audio = audioBytes(1000);
    writeAll(s.path("u.mp3"), audio + id3v1Block("Old", "OldBand", "OldAlbum", "1990", "c", 5));
    TrackTag t = recordWith("TAG");
    setTagText(t, TagField::Title, "New title");
    setTagText(t, TagField::Year, "2024");
    ASSERT_TRUE(WriteTrackTag(s.path("u.mp3"), t, 17).ok);
    const QByteArray after = readAll(s.path("u.mp3"));
    ASSERT_EQ(after.size(), 1128);
    EXPECT_EQ(after.left(1000), audio);
    EXPECT_EQ(after.mid(1000), id3v1Block("New title", "OldBand", "OldAlbum", "2024", "c", 17));
    EXPECT_TRUE(s.entries() == QStringList{"u.mp3"}) << s.entries().join(',').toStdString();
}

TEST(Id3v1Write, GenreByteRules) {
    Scratch s;
    const std::pair<int, int> cases[] = {{0, 0},   {17, 17}, {147, 147},
                                         {148, 9}, {254, 9}, {255, 255}};
    for (const auto& [written, stored] : cases) {
        writeAll(s.path("g.mp3"), audioBytes(50) + id3v1Block("T", "", "", "", "", 9));
        TrackTag t = recordWith("TAG");
        setTagText(t, TagField::Title, "X");
        ASSERT_TRUE(WriteTrackTag(s.path("g.mp3"), t, uint8_t(written)).ok);
        EXPECT_EQ(uint8_t(readAll(s.path("g.mp3")).back()), stored) << written;
    }
}

TEST(Id3v1Write, CreateAppendsAndRemoveTruncates) {
    Scratch s;
    const QByteArray audio = audioBytes(1000);
    writeAll(s.path("n.mp3"), audio);
    TrackTag t = recordWith("TAG");
    setTagText(t, TagField::Title, "Song");
    setTagText(t, TagField::Artist, "Band");
    ASSERT_TRUE(WriteTrackTag(s.path("n.mp3"), t, 17).ok);
    QByteArray after = readAll(s.path("n.mp3"));
    ASSERT_EQ(after.size(), 1128);
    EXPECT_EQ(after.left(1000), audio);
    EXPECT_EQ(after.mid(1000), id3v1Block("Song", "Band", "", "", "", 17));

    ASSERT_TRUE(WriteTrackTag(s.path("n.mp3"), recordWith(nullptr), 0).ok);
    EXPECT_EQ(readAll(s.path("n.mp3")), audio);
    // Nothing to remove and nothing to write: unchanged.
    ASSERT_TRUE(WriteTrackTag(s.path("n.mp3"), recordWith(nullptr), 0).ok);
    EXPECT_EQ(readAll(s.path("n.mp3")), audio);

    // WAV files carry the same block after their RIFF data.
    const QByteArray wav = wavFile(1, 8000, 8, 300);
    writeAll(s.path("w.wav"), wav);
    ASSERT_TRUE(WriteTrackTag(s.path("w.wav"), t, 255).ok);
    TrackTag back;
    ASSERT_TRUE(ReadTrackTag(s.path("w.wav"), back));
    EXPECT_EQ(tagText(back, TagField::Artist), "Band");
    EXPECT_EQ(readAll(s.path("w.wav")).left(wav.size()), wav);
}

TEST(Id3v1Write, ReadOnlyFileIsMadeWritableAndMissingFileIsReported) {
    Scratch s;
    writeAll(s.path("ro.mp3"), audioBytes(300) + id3v1Block("Old", "", "", "", "", 1));
    ASSERT_EQ(::chmod(QFile::encodeName(s.path("ro.mp3")).constData(), 0444), 0);
    TrackTag t = recordWith("TAG");
    setTagText(t, TagField::Title, "New");
    ASSERT_TRUE(WriteTrackTag(s.path("ro.mp3"), t, 1).ok);
    TrackTag back;
    ASSERT_TRUE(ReadTrackTag(s.path("ro.mp3"), back));
    EXPECT_EQ(tagText(back, TagField::Title), "New");
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(s.path("ro.mp3")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);

    const TagWriteResult r = WriteTrackTag(s.path("none.mp3"), t, 1);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, QString("Error: file %1 not found!").arg(s.path("none.mp3")));
    EXPECT_FALSE(QFile::exists(s.path("none.mp3")));
}

TEST(Id3v1Write, ModeIsKeptWhenTheFileIsReplaced) {
    Scratch s;
    writeAll(s.path("m.mp3"), audioBytes(300) + id3v1Block("Old", "", "", "", "", 1));
    ASSERT_EQ(::chmod(QFile::encodeName(s.path("m.mp3")).constData(), 0640), 0);
    TrackTag t = recordWith("TAG");
    setTagText(t, TagField::Title, "New");
    ASSERT_TRUE(WriteTrackTag(s.path("m.mp3"), t, 1).ok);
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(s.path("m.mp3")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}
