#include "../tags/fixtures.h"
#include "common/tags/id3.h"
#include "player/core/playlist/playerplaylists.h"
#include "player/core/tagpage/tagpage.h"

#include <gtest/gtest.h>

namespace wc {
namespace {

using namespace tagtest;

const FrameSpec kFrame{3, 3, 9, 128, 0, 44100, 0};

// An MP3 of a few frames with an ID3v1 block (genre 17, "Rock").
QString mp3(Scratch& dir, const QString& name) {
    const QString path = dir.path(name);
    writeAll(path, mpegFrames(kFrame, 20) + id3v1Block("Song", "Band", "Album", "1999", "c", 17));
    return path;
}

TagPageFields fieldsOf(const QString& path) {
    return readTagPageFields(path);
}

TEST(TagPage, GenreByteComesFromTheText) {
    struct Case {
        const char* text;
        int byte;
    } cases[] = {
        {"Rock", 17},
        {"rOCK", 17},
        {"  Pop ", 13},
        {"Blues", 0},
        {"<none>", 255},
        {"", 255},
        {"Chillwave", kGenreByteKeep}, // typed by hand: kept
    };
    for (const Case& c : cases)
        EXPECT_EQ(genreByteForText(QString::fromUtf8(c.text)), c.byte) << c.text;
}

TEST(TagPage, SaveWritesTheFieldsAndTheGenreByte) {
    Scratch dir;
    const QString path = mp3(dir, "a.mp3");
    const qint64 size = readAll(path).size();
    struct Case {
        const char* genre;
        int byte; // the file's genre byte afterwards
    } cases[] = {{"Chillwave", 17}, {"pop", 13}, {"<none>", 255}};
    for (const Case& c : cases) {
        TagPageFields f = fieldsOf(path);
        f.genre = QString::fromUtf8(c.genre);
        f.album.clear();
        ASSERT_TRUE(saveTagPage(path, f).ok);
        const QByteArray bytes = readAll(path);
        EXPECT_EQ(bytes.size(), size);
        EXPECT_EQ(uint8_t(bytes.back()), c.byte) << c.genre;
        // A cleared field is stored as one blank, replacing the old value.
        EXPECT_EQ(bytes.mid(size - 128 + 63, 2), QByteArray(" \0", 2));
        EXPECT_EQ(fieldsOf(path).album, QString());
    }
}

// A file whose tag is not ID3v1 keeps its own kind of record, so its texts come back as typed:
// an ID3v1 record would store "Рё" as the 8-bit bytes D0 B8, which read back as UTF-8 "и".
TEST(TagPage, SavingAFlacFileKeepsTextsTheLegacyCodePageCannotHold) {
    if (flacTagged().isEmpty()) GTEST_SKIP() << "ffmpeg is not installed";
    Scratch dir;
    const QString path = copyTo(flacTagged(), dir.path("a.flac"));
    TagPageFields f = fieldsOf(path);
    f.title = QString::fromUtf8("Рё");
    f.artist = QString::fromUtf8("Zoë");
    ASSERT_TRUE(saveTagPage(path, f).ok);
    const TagPageFields back = fieldsOf(path);
    EXPECT_EQ(back.title, f.title);
    EXPECT_EQ(back.artist, f.artist);
    EXPECT_EQ(back.year, QStringLiteral("2001"));
}

TEST(TagPage, UncheckingTagRemovesTheBlockAndM3uIsNeverWritten) {
    Scratch dir;
    const QString path = mp3(dir, "a.mp3");
    const qint64 size = readAll(path).size();
    TagPageFields f = fieldsOf(path);
    EXPECT_EQ(f.artist, "Band");
    EXPECT_EQ(f.genre, "Rock");
    f.tag = false;
    ASSERT_TRUE(saveTagPage(path, f).ok);
    EXPECT_EQ(readAll(path).size(), size - 128);

    const QString list = dir.path("x.m3u");
    writeAll(list, "#EXTM3U\r\n");
    EXPECT_TRUE(saveTagPage(list, fieldsOf(path)).ok);
    EXPECT_EQ(readAll(list), QByteArray("#EXTM3U\r\n"));
}

TEST(TagPage, EveryRowOfTheSavedFileInBothListsIsRetitledAndKeepsItsLength) {
    Scratch dir;
    const QString saved = mp3(dir, "a.mp3");
    const QString other = mp3(dir, "b.mp3");
    PlayerPlaylists lists;
    auto row = [](const QString& file) {
        TVirtualItem it;
        it.Columns[kColTitle] = QStringLiteral("old");
        it.Columns[kColDurationText] = QStringLiteral("03:21");
        it.Columns[kColFileName] = file;
        return it;
    };
    lists.LVMaster.AppendItem(row(saved));
    lists.LVMaster.AppendItem(row(other));
    lists.LVSlave.AppendItem(row(other));
    lists.LVSlave.AppendItem(row(saved));
    lists.setPage(PlayerPlaylists::Page::Slave);
    lists.LVSlave.selectOnly(0); // the selection is on another file

    TagPageFields f = fieldsOf(saved);
    f.artist = QStringLiteral("New");
    ASSERT_TRUE(saveTagPage(saved, f).ok);
    EXPECT_EQ(refreshRowsOfFile(lists, saved), 2);
    const QString title = DisplayTitle("New", "Song");
    EXPECT_EQ(lists.LVMaster.at(0).Title(), title);
    EXPECT_EQ(lists.LVSlave.at(1).Title(), title);
    EXPECT_EQ(lists.LVMaster.at(1).Title(), "old");
    EXPECT_EQ(lists.LVSlave.at(0).Title(), "old");
    EXPECT_EQ(lists.LVMaster.at(0).DurationText(), "03:21");

    // Without artist and title the row shows the file's name.
    f.artist.clear();
    f.title.clear();
    ASSERT_TRUE(saveTagPage(saved, f).ok);
    refreshRowsOfFile(lists, saved);
    EXPECT_EQ(lists.LVMaster.at(0).Title(), "a");
}

} // namespace
} // namespace wc
