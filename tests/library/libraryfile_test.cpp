#include "common/library/libraryfile.h"
#include "common/text.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>

using namespace wc;

namespace {

TBaseEntry sample(int i) {
    TBaseEntry e;
    e.title = QStringLiteral("Title %1").arg(i);
    e.artist = QStringLiteral("Артист %1").arg(i);
    e.album = QStringLiteral("Album");
    e.year = QStringLiteral("1999");
    e.comment = QStringLiteral("rock");
    e.genre = QStringLiteral("Rock");
    e.fileName = QStringLiteral("/music/%1.mp3").arg(i);
    e.durationMs = 180000u + quint32(i);
    e.fileSize = 0xA1B2C3D4u;
    return e;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeRaw(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(BaseEntryCodec, LaysOutFieldsLittleEndianAtTheirOffsets) {
    TBaseEntry e = sample(7);
    e.durationMs = 0x01020304u;
    unsigned char rec[kBaseEntrySize];
    std::memset(rec, 0xEE, sizeof rec);
    encodeBaseEntry(e, rec);
    struct Case {
        int offset;
        QString text;
    };
    const Case cases[] = {{1, e.title},     {52, e.artist}, {103, e.album},   {154, e.year},
                          {159, e.comment}, {190, e.genre}, {221, e.fileName}};
    for (const Case& c : cases) {
        const QByteArray want = c.text.toUtf8();
        EXPECT_EQ(rec[c.offset], want.size()) << c.offset;
        EXPECT_EQ(QByteArray(reinterpret_cast<char*>(rec + c.offset + 1), want.size()), want)
            << c.offset;
    }
    EXPECT_EQ(rec[480], 0x04);
    EXPECT_EQ(rec[481], 0x03);
    EXPECT_EQ(rec[482], 0x02);
    EXPECT_EQ(rec[483], 0x01);
    EXPECT_EQ(rec[484], 0xD4);
    EXPECT_EQ(rec[487], 0xA1);
    for (int i : {0, 477, 478, 479, 488, 489, 490, 491})
        EXPECT_EQ(rec[i], 0) << i;
    // Bytes after a string's length are cleared.
    EXPECT_EQ(rec[1 + 1 + e.title.toUtf8().size()], 0);
    EXPECT_EQ(decodeBaseEntry(rec), e);
}

TEST(BaseEntryCodec, CutsLongTextsOnACharacterBoundary) {
    struct Case {
        QString text;
        int capacity;
        QString TBaseEntry::*field;
    };
    const QString cyr = QString(40, QChar(0x0416)); // 2 bytes each in UTF-8
    const Case cases[] = {
        {QString(80, 'a'), kTitleCapacity, &TBaseEntry::title},
        {cyr, kArtistCapacity, &TBaseEntry::artist},
        {QStringLiteral("19999"), kYearCapacity, &TBaseEntry::year},
        {QString(31, 'c'), kCommentCapacity, &TBaseEntry::comment},
        {QStringLiteral("a") + QString(20, QChar(0x0416)), kGenreCapacity, &TBaseEntry::genre},
        {QString(300, 'f'), kFileNameCapacity, &TBaseEntry::fileName},
    };
    for (const Case& c : cases) {
        TBaseEntry e;
        e.*c.field = c.text;
        unsigned char rec[kBaseEntrySize];
        encodeBaseEntry(e, rec);
        const QString back = decodeBaseEntry(rec).*c.field;
        EXPECT_LE(back.toUtf8().size(), c.capacity);
        EXPECT_TRUE(c.text.startsWith(back));
        EXPECT_EQ(back, QString::fromUtf8(utf8Truncated(c.text, c.capacity)));
        EXPECT_GE(back.toUtf8().size(), c.capacity - 1);
    }
}

TEST(BaseEntryCodec, ClampsOversizedLengthBytesAndReadsLegacyCodePage) {
    unsigned char rec[kBaseEntrySize];
    std::memset(rec, 'x', sizeof rec);
    rec[154] = 200; // year: capacity 4
    rec[159] = 255; // comment: capacity 30
    // Title in Windows-1251: "Мир"
    rec[1] = 3;
    rec[2] = 0xCC;
    rec[3] = 0xE8;
    rec[4] = 0xF0;
    const TBaseEntry e = decodeBaseEntry(rec);
    EXPECT_EQ(e.year, QStringLiteral("xxxx"));
    EXPECT_EQ(e.comment, QString(30, 'x'));
    EXPECT_EQ(e.title, QStringLiteral("Мир"));
}

TEST(LibraryFile, RecordCountIsSizeDividedByRecordLength) {
    const TBaseEntryArr two = {sample(1), sample(2)};
    const QByteArray whole = encodeLibrary(two);
    ASSERT_EQ(whole.size(), 2 * kBaseEntrySize);
    struct Case {
        qsizetype size;
        size_t records;
    };
    const Case cases[] = {{0, 0}, {1, 0}, {491, 0}, {492, 1}, {493, 1}, {983, 1}, {984, 2}};
    for (const Case& c : cases) {
        const QByteArray bytes = c.size <= whole.size()
                                     ? whole.left(c.size)
                                     : whole + QByteArray(c.size - whole.size(), 7);
        const TBaseEntryArr got = decodeLibrary(bytes);
        ASSERT_EQ(got.size(), c.records) << c.size;
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_EQ(got[i], two[i]);
    }
}

TEST(LibraryFile, WrittenReadAndWrittenAgainIsByteIdentical) {
    QTemporaryDir dir;
    TBaseEntryArr entries;
    for (int i = 0; i < 300; ++i)
        entries.push_back(sample(i));
    entries[5].title = QString(60, QChar(0x0436)); // cut on a boundary
    entries[6] = TBaseEntry{};                     // all empty
    entries[7].durationMs = 0xFFFFFFFFu;
    const QString a = dir.filePath("a.dfs"), b = dir.filePath("b.dfs");
    ASSERT_TRUE(writeLibraryFile(a, entries));
    LibraryReadStatus st{};
    const TBaseEntryArr back = readLibraryFile(a, &st);
    EXPECT_EQ(st, LibraryReadStatus::Ok);
    ASSERT_EQ(back.size(), entries.size());
    ASSERT_TRUE(writeLibraryFile(b, back));
    const QByteArray bytesA = readAll(a);
    EXPECT_EQ(bytesA.size(), 300 * kBaseEntrySize);
    EXPECT_EQ(bytesA, readAll(b));
    // The library program's load and save keep the bytes too.
    LibraryStore store;
    ASSERT_TRUE(store.LoadLibrary(b));
    ASSERT_TRUE(store.SaveLibrary(dir.filePath("c.dfs")));
    EXPECT_EQ(bytesA, readAll(dir.filePath("c.dfs")));
}

TEST(LibraryFile, WrittenInPiecesIsTheWholeEncoding) {
    // More records than one piece holds, the last piece partial; fields that turn out not to
    // be ASCII half-way (written again as UTF-8) beside ASCII ones of full length.
    QTemporaryDir dir;
    TBaseEntryArr entries;
    for (int i = 0; i < 5000; ++i) {
        TBaseEntry e = sample(i);
        if (i % 3 == 0) e.artist = QStringLiteral("abcdefghij") + QChar(0x00E9) + "klm";
        if (i % 7 == 0) e.title = QString(50, QLatin1Char('t'));
        if (i % 11 == 0) e.genre = QString(30, QChar(0x0416)); // cut to 15 characters
        entries.push_back(e);
    }
    const QString f = dir.filePath("pieces.dfs");
    ASSERT_TRUE(writeLibraryFile(f, entries));
    EXPECT_EQ(readAll(f), encodeLibrary(entries));
    const TBaseEntryArr back = readLibraryFile(f);
    ASSERT_EQ(back.size(), entries.size());
    EXPECT_EQ(back[3].artist, entries[3].artist);
    EXPECT_EQ(back[4999].fileName, entries[4999].fileName);
    ASSERT_TRUE(writeLibraryFile(f, {}));
    EXPECT_EQ(readAll(f).size(), 0);
}

TEST(LibraryFile, ReaderStatuses) {
    QTemporaryDir dir;
    LibraryReadStatus st = LibraryReadStatus::Ok;
    EXPECT_TRUE(readLibraryFile(dir.filePath("none.dfs"), &st).empty());
    EXPECT_EQ(st, LibraryReadStatus::Missing);
    writeRaw(dir.filePath("empty.dfs"), {});
    EXPECT_TRUE(readLibraryFile(dir.filePath("empty.dfs"), &st).empty());
    EXPECT_EQ(st, LibraryReadStatus::Ok);
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.dfs"));
    QString why;
    EXPECT_TRUE(readLibraryFile(dir.filePath("folder.dfs"), &st, &why).empty());
    EXPECT_EQ(st, LibraryReadStatus::Unreadable);
    EXPECT_FALSE(why.isEmpty());
}

TEST(LibraryStore, MissingFileGivesEmptyLibraryUnderThatName) {
    QTemporaryDir dir;
    LibraryStore store;
    store.LibraryList().push_back(sample(1));
    store.setModified();
    EXPECT_TRUE(store.LoadLibrary(dir.filePath("new.dfs")));
    EXPECT_TRUE(store.LibraryList().empty());
    EXPECT_EQ(store.LibraryName(), dir.filePath("new.dfs"));
    EXPECT_FALSE(store.LibraryModified());
}

TEST(LibraryStore, UnreadableFileIsReportedAndItsNameNotAdopted) {
    QTemporaryDir dir;
    const QString good = dir.filePath("good.dfs");
    ASSERT_TRUE(writeLibraryFile(good, {sample(1), sample(2)}));
    LibraryStore store;
    ASSERT_TRUE(store.LoadLibrary(good));
    store.setModified();
    const QString bad = dir.filePath("bad.dfs");
    ASSERT_TRUE(QDir(dir.path()).mkdir("bad.dfs"));
    QString why;
    EXPECT_FALSE(store.LoadLibrary(bad, &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_EQ(store.LibraryName(), good);
    EXPECT_EQ(store.LibraryList().size(), 2u);
    EXPECT_TRUE(store.LibraryModified());
}

TEST(LibraryStore, FailedSaveIsReportedKeepsTargetAndStaysModified) {
    QTemporaryDir dir;
    const QString existing = dir.filePath("lib.dfs");
    ASSERT_TRUE(writeLibraryFile(existing, {sample(9)}));
    const QByteArray before = readAll(existing);
    LibraryStore store;
    ASSERT_TRUE(store.LoadLibrary(existing));
    store.LibraryList().push_back(sample(10));
    store.setModified();
    const QString targets[] = {dir.filePath("no/such/folder/x.dfs"), dir.path()};
    for (const QString& t : targets) {
        QString why;
        EXPECT_FALSE(store.SaveLibrary(t, &why)) << t.toStdString();
        EXPECT_FALSE(why.isEmpty());
        EXPECT_TRUE(store.LibraryModified());
        EXPECT_EQ(store.LibraryName(), existing);
    }
    EXPECT_EQ(readAll(existing), before);
    // A save that works writes every record and clears the flag.
    ASSERT_TRUE(store.SaveLibrary(existing));
    EXPECT_FALSE(store.LibraryModified());
    EXPECT_EQ(readLibraryFile(existing).size(), 2u);
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"lib.dfs"});
}

TEST(BaseEntryCodec, LegacyAndOddTextsSettleAfterOneWrite) {
    // Texts read from older files (Windows-1251, a leading byte-order mark, stray bytes)
    // become UTF-8 cut to the field when written; from then on the bytes stay the same.
    const QByteArray fields[] = {
        QByteArray(50, char(0xC0)), // 50 Cyrillic letters in 1251: 100 bytes in UTF-8
        QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF"
                   "abc"),
        QByteArray("a\0b", 3),
        QByteArray("\x98\x81\xFF"),
    };
    for (const QByteArray& f : fields) {
        unsigned char rec[kBaseEntrySize] = {};
        rec[1] = static_cast<unsigned char>(f.size());
        std::memcpy(rec + 2, f.constData(), size_t(f.size()));
        unsigned char once[kBaseEntrySize], twice[kBaseEntrySize];
        encodeBaseEntry(decodeBaseEntry(rec), once);
        encodeBaseEntry(decodeBaseEntry(once), twice);
        EXPECT_EQ(0, std::memcmp(once, twice, kBaseEntrySize)) << f.toHex().toStdString();
        EXPECT_LE(once[1], kTitleCapacity);
    }
}
