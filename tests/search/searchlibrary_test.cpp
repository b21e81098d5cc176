#include "common/simloop.h"
#include "player/core/search/searchlibrary.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace wc {
namespace {

TBaseEntry entry(const QString& artist, const QString& title, const QString& genre = {},
                 quint32 ms = 0, const QString& file = {}) {
    TBaseEntry e;
    e.artist = artist;
    e.title = title;
    e.genre = genre;
    e.durationMs = ms;
    e.fileName = file.isEmpty() ? QStringLiteral("/music/%1 - %2.mp3").arg(artist, title) : file;
    return e;
}

class SearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        setClock(&loop);
        setTimerHost(&loop);
    }
    void TearDown() override {
        setTimerHost(nullptr);
        setClock(nullptr);
    }
    std::vector<int> find(LibrarySearch& s, const QString& text, int field) {
        s.search(text, field);
        loop.drainPosted();
        EXPECT_FALSE(s.running());
        return s.results();
    }
    SimLoop loop{46365.5, 1};
};

TEST_F(SearchTest, FieldsMatchFoldedSubstringsInLibraryOrder) {
    LibrarySearch s(2); // small slices: the scan spans several events
    s.setSnapshot(makeLibrarySnapshot(
        {entry("A", "One", "Rock", 200000), entry("B", "Two", "Hard Rock", 6000000),
         entry("Straße", "Three", "rock'n'roll", 61000), entry("D", "", "Pop", 0)}));
    struct Case {
        QString text;
        int field;
        std::vector<int> rows;
    } cases[] = {
        {"", SearchTitle, {0, 1, 2, 3}},  // an empty text lists everything
        {"ROCK", SearchGenre, {0, 1, 2}}, // case does not matter
        {"o", SearchTitle, {0, 1}},       // an empty title never matches
        {"STRASSE", SearchArtist, {2}},   // sharp s folds to "ss"
        {"100:00", SearchTime, {1}},      // the length as its "mm:ss" text
        {"??", SearchTime, {3}},          // no length yet
        {"/music/B", SearchFileName, {1}}, {"x", kLibrarySearchFieldCount, {}}, // no such field
    };
    for (const Case& c : cases)
        EXPECT_EQ(find(s, c.text, c.field), c.rows) << c.text.toStdString() << " " << c.field;
}

// The folded texts of a whole field are built in one go; each record must read as if it had
// been folded alone, with and without characters that fold into two.
TEST(FoldedTexts, EachRecordReadsAsFoldedAlone) {
    const TBaseEntryArr plain{entry("ΣΟΦΊΑ", "Ǆemal", "Rock", 59999), entry("", "", "", 0),
                              entry("ÀÉÎ", "x", "", 6000000), entry("A", "B", "C", 600000)};
    TBaseEntryArr expanding = plain;
    expanding.push_back(entry("Straße", "ﬁne", "", 1000));
    const TBaseEntryArr* sets[] = {&plain, &expanding};
    for (const TBaseEntryArr* recs : sets)
        for (int f = 0; f < kLibrarySearchFieldCount; ++f) {
            const FoldedTexts texts(*recs, f);
            ASSERT_EQ(texts.count(), int(recs->size()));
            for (int i = 0; i < texts.count(); ++i)
                EXPECT_EQ(texts.at(i).toString(), foldedFieldText((*recs)[size_t(i)], f))
                    << f << " " << i;
        }
}

TEST_F(SearchTest, ANewTextReplacesARunningSearchAndOnlyItsResultsArrive) {
    TBaseEntryArr recs;
    for (int i = 0; i < 100; ++i)
        recs.push_back(entry(i % 2 ? "odd" : "even", QString::number(i)));
    LibrarySearch s(10);
    s.setSnapshot(makeLibrarySnapshot(recs));
    int finished = 0;
    s.onFinished = [&] { ++finished; };
    s.search("e", SearchArtist);
    EXPECT_TRUE(s.running()); // only the first slice ran
    s.search("ev", SearchArtist);
    s.search("odd", SearchArtist);
    loop.drainPosted();
    EXPECT_EQ(finished, 1);
    ASSERT_EQ(s.results().size(), 50u);
    EXPECT_EQ(s.results().front(), 1);
}

TEST_F(SearchTest, ANewLibraryRunsTheCurrentSearchAgain) {
    LibrarySearch s;
    s.setSnapshot(makeLibrarySnapshot({entry("A", "x")}));
    EXPECT_TRUE(find(s, "b", SearchArtist).empty());
    s.setSnapshot(makeLibrarySnapshot({entry("A", "x"), entry("B", "y")}));
    loop.drainPosted();
    EXPECT_EQ(s.results(), std::vector<int>{1});
}

TEST_F(SearchTest, LengthSortsByMillisecondsAndTextsIgnoreCase) {
    const auto lib = makeLibrarySnapshot({entry("b", "t1", {}, 6000000), // 100:00
                                          entry("C", "t2", {}, 1200000), // 20:00
                                          entry("a", "t3", {}, 0)});
    std::vector<int> rows{0, 1, 2};
    sortSearchResults(*lib, rows, 2, true);
    EXPECT_EQ(rows, (std::vector<int>{2, 1, 0}));
    sortSearchResults(*lib, rows, 2, false);
    EXPECT_EQ(rows, (std::vector<int>{0, 1, 2}));
    sortSearchResults(*lib, rows, 0, true);
    EXPECT_EQ(rows, (std::vector<int>{2, 0, 1}));
}

class CacheTest : public SearchTest {
protected:
    // Reads run at once on the calling thread; their result arrives as a posted event, as it
    // does from the worker.
    SearchLibraryCache cache{[](std::function<void()> work) { work(); }};
    QTemporaryDir dir;
    QString path() const { return dir.filePath("Base.dfs"); }
    int loads = 0;
    void SetUp() override {
        SearchTest::SetUp();
        cache.onLoaded = [this] { ++loads; };
        cache.setPath(path());
    }
    void settle() { loop.drainPosted(); }
};

TEST_F(CacheTest, ReadsWhenTheFileChangesAndOnlyThen) {
    EXPECT_FALSE(cache.refresh()); // no file yet: nothing to read, the cache stays empty
    EXPECT_EQ(cache.snapshot(), nullptr);
    ASSERT_TRUE(writeLibraryFile(path(), {entry("A", "1")}));
    EXPECT_TRUE(cache.refresh());
    EXPECT_FALSE(cache.refresh()); // one read at a time
    settle();
    ASSERT_NE(cache.snapshot(), nullptr);
    EXPECT_EQ(cache.snapshot()->records.size(), 1u);
    EXPECT_EQ(cache.current(), fileIdentity(path()));
    EXPECT_FALSE(cache.refresh()); // unchanged
    // The library program saves through a temporary file renamed over the old one.
    ASSERT_TRUE(writeLibraryFile(path(), {entry("A", "1"), entry("B", "2")}));
    EXPECT_TRUE(cache.refresh());
    settle();
    EXPECT_EQ(cache.snapshot()->records.size(), 2u);
    EXPECT_EQ(loads, 2);
    // A vanished file leaves the last library in place.
    QFile::remove(path());
    EXPECT_FALSE(cache.refresh());
    EXPECT_EQ(cache.snapshot()->records.size(), 2u);
}

TEST_F(CacheTest, ALibraryOfManyPiecesReadsEveryWholeRecordInOrder) {
    // More records than one piece of the read holds, and a trailing partial record.
    TBaseEntryArr recs;
    for (int i = 0; i < 5000; ++i)
        recs.push_back(entry(QStringLiteral("T%1").arg(i), "a"));
    ASSERT_TRUE(writeLibraryFile(path(), recs));
    {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write(QByteArray(100, 'x'));
    }
    EXPECT_TRUE(cache.refresh());
    settle();
    ASSERT_NE(cache.snapshot(), nullptr);
    EXPECT_EQ(cache.snapshot()->records, recs);
    EXPECT_EQ(cache.current(), fileIdentity(path()));
}

TEST_F(CacheTest, AFailedReadIsNotTakenAsCurrentAndIsTriedAgain) {
    ASSERT_TRUE(QDir().mkpath(path())); // exists, but cannot be read as a file
    EXPECT_TRUE(cache.refresh());
    settle();
    EXPECT_EQ(cache.snapshot(), nullptr);
    EXPECT_FALSE(cache.current().exists);
    EXPECT_TRUE(cache.refresh()); // still not current: read again
    settle();
    ASSERT_TRUE(QDir().rmdir(path()));
    ASSERT_TRUE(writeLibraryFile(path(), {entry("A", "1")}));
    EXPECT_TRUE(cache.refresh());
    settle();
    ASSERT_NE(cache.snapshot(), nullptr);
    EXPECT_EQ(loads, 1);
}

TEST_F(CacheTest, AReadOfAnEarlierPathIsDropped) {
    ASSERT_TRUE(writeLibraryFile(path(), {entry("A", "1")}));
    std::function<void()> later;
    SearchLibraryCache deferred{[&later](std::function<void()> work) { later = std::move(work); }};
    deferred.setPath(path());
    EXPECT_TRUE(deferred.refresh());
    deferred.setPath(dir.filePath("other.dfs"));
    later();
    settle();
    EXPECT_EQ(deferred.snapshot(), nullptr);
}

} // namespace
} // namespace wc
