// The loaded library: the modified flag, removal by identity, search and sort, and the
// questions before unsaved changes would be lost.
#include "base/core/building.h"
#include "base/core/librarymodel.h"
#include "basefixture.h"
#include "platform/prompts.h"

#include <QDir>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace wc;
using namespace wc::base;
using basetest::entry;

namespace {

std::vector<QString> shownTitles(const LibraryModel& m) {
    std::vector<QString> out;
    for (int p : m.view())
        out.push_back(m.record(p).title);
    return out;
}

void threeSaved(LibraryModel& m, const QString& file) {
    m.append(entry("A", "one", {}, 1000));
    m.append(entry("B", "two", {}, 2000));
    m.append(entry("C", "three", {}, 3000));
    EXPECT_TRUE(m.save(file));
}

class PromptsScope {
public:
    PromptsScope() { setPrompts(&rec); }
    ~PromptsScope() { setPrompts(nullptr); }
    RecordingPrompts rec;
};

} // namespace

TEST(LibraryModelModified, EveryChangeMarksAndOnlyASuccessfulSaveClears) {
    QTemporaryDir dir;
    const QString file = dir.filePath("lib.dfs");
    struct Case {
        const char* name;
        std::function<void(LibraryModel&)> change;
        bool marks;
    };
    const Case cases[] = {
        {"append", [](LibraryModel& m) { m.append(entry("D", "four")); }, true},
        {"update", [](LibraryModel& m) { m.update(1, entry("B", "deux")); }, true},
        {"update to the same", [](LibraryModel& m) { m.update(1, m.record(1)); }, false},
        {"new length", [](LibraryModel& m) { m.setDuration(0, 1500); }, true},
        {"same length", [](LibraryModel& m) { m.setDuration(0, 1000); }, false},
        {"remove", [](LibraryModel& m) { m.remove({2}); }, true},
        {"remove nothing",
         [](LibraryModel& m) {
             m.remove({7, -1});
         },
         false},
        {"clear", [](LibraryModel& m) { m.clear(); }, true},
        {"search and sort",
         [](LibraryModel& m) {
             SearchQuery q;
             q.fields[FindArtist] = "b";
             m.search(q);
             m.sortBy(ColTitle);
         },
         false},
    };
    for (const Case& c : cases) {
        LibraryModel m;
        threeSaved(m, file);
        ASSERT_FALSE(m.modified()) << c.name;
        c.change(m);
        EXPECT_EQ(m.modified(), c.marks) << c.name;
        if (m.modified()) {
            EXPECT_FALSE(m.save(dir.filePath("no/such/dir/x.dfs"))) << c.name;
            EXPECT_TRUE(m.modified()) << c.name;
            EXPECT_TRUE(m.save(file)) << c.name;
            EXPECT_FALSE(m.modified()) << c.name;
        }
    }
}

TEST(LibraryModelModified, SaveOntoAFullDiskKeepsTheOldFileAndTheFlag) {
    QTemporaryDir dir;
    const QString file = dir.filePath("lib.dfs");
    LibraryModel m;
    threeSaved(m, file);
    const QByteArray before = basetest::readFile(file);
    for (int i = 0; i < 20; ++i)
        m.append(entry("X", QString::number(i)));
    // A file-size limit makes every write past 4 KiB fail as a full disk would.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString why;
    const bool saved = m.save(file, &why);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_FALSE(saved);
    EXPECT_FALSE(why.isEmpty());
    EXPECT_TRUE(m.modified());
    EXPECT_EQ(basetest::readFile(file), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"lib.dfs"});
}

TEST(LibraryModelRemove, GoesByIdentityInOnePassWhateverTheOrder) {
    LibraryModel m;
    for (int i = 0; i < 10; ++i)
        m.append(entry("A", QString::number(i)));
    // Positions given out of order and twice: positions that shift as earlier ones go would
    // remove the wrong records.
    ASSERT_TRUE(m.remove({7, 2, 9, 2, 0}));
    EXPECT_EQ(shownTitles(m), (std::vector<QString>{"1", "3", "4", "5", "6", "8"}));
    EXPECT_EQ(m.count(), 6);
}

TEST(LibraryModelRemove, ASearchIsRunAgainAndASortedViewKeepsItsOrder) {
    LibraryModel m;
    m.append(entry("Abba", "x1"));
    m.append(entry("Beta", "x2"));
    m.append(entry("Abba", "x3"));
    m.append(entry("Abba", "x4"));
    SearchQuery q;
    q.fields[FindArtist] = "abba";
    m.search(q);
    ASSERT_EQ(shownTitles(m), (std::vector<QString>{"x1", "x3", "x4"}));
    m.remove({m.view()[1]});
    EXPECT_EQ(shownTitles(m), (std::vector<QString>{"x1", "x4"}));
    m.sortBy(ColTitle); // descending
    m.remove({0});
    EXPECT_EQ(shownTitles(m), (std::vector<QString>{"x4", "x2"}));
}

TEST(LibraryModelJobs, CommandsThatFreeRecordsAreRefusedWhileAJobRuns) {
    QTemporaryDir dir;
    LibraryModel m;
    threeSaved(m, dir.filePath("lib.dfs"));
    m.setJobActive(true);
    EXPECT_FALSE(m.clear());
    EXPECT_FALSE(m.remove({0}));
    EXPECT_FALSE(m.load(dir.filePath("lib.dfs")));
    EXPECT_TRUE(trashRecords(m, {0}).isEmpty());
    EXPECT_EQ(m.count(), 3);
    m.setJobActive(false);
    EXPECT_TRUE(m.clear());
    EXPECT_EQ(m.count(), 0);
}

TEST(LibrarySearch, MatchesEveryFilledFieldWithUnicodeCaseFolding) {
    LibraryModel m;
    auto add = [&](QString artist, QString title, QString album, quint32 ms) {
        TBaseEntry e = entry(artist, title, {}, ms);
        e.album = album;
        e.year = "1999";
        e.genre = "Rock";
        e.comment = "live";
        m.append(e);
    };
    add("Die Straße", "Ёлка", "Alpha", 61000);    // 01:01
    add("STRASSE", "ёлка зимой", "Beta", 754000); // 12:34
    add("Other", "Song", "Alpha", 0);             // ??:??
    add("Ärzte", "SONG two", "gamma", 3601000);   // 60:01
    struct Case {
        const char* name;
        std::vector<std::pair<SearchField, QString>> fields;
        std::vector<QString> titles;
    };
    const Case cases[] = {
        {"nothing filled shows all", {}, {"Ёлка", "ёлка зимой", "Song", "SONG two"}},
        {"sharp s folds to ss", {{FindArtist, "strasse"}}, {"Ёлка", "ёлка зимой"}},
        {"Cyrillic folds", {{FindTitle, "ЁЛКА"}}, {"Ёлка", "ёлка зимой"}},
        {"umlaut folds", {{FindArtist, "äRZ"}}, {"SONG two"}},
        {"two fields must both match", {{FindTitle, "song"}, {FindAlbum, "ALPHA"}}, {"Song"}},
        {"time text substring", {{FindTime, "1"}}, {"Ёлка", "ёлка зимой", "SONG two"}},
        {"no length is never found by digits", {{FindTime, "0"}}, {"Ёлка", "SONG two"}},
        {"file name", {{FindFileName, "/music/other"}}, {"Song"}},
        {"year genre comment",
         {{FindYear, "99"}, {FindGenre, "rock"}, {FindComment, "LIV"}},
         {"Ёлка", "ёлка зимой", "Song", "SONG two"}},
        {"no match", {{FindTitle, "zzz"}}, {}},
    };
    for (const Case& c : cases) {
        SearchQuery q;
        for (const auto& [f, t] : c.fields)
            q.fields[f] = t;
        m.search(q);
        EXPECT_EQ(shownTitles(m), c.titles) << c.name;
    }
    // Changes after a search reach the next search (the folded texts stay in step).
    m.setDuration(2, 5000);
    m.update(0, entry("Nobody", "Ёлка"));
    SearchQuery q;
    q.fields[FindTime] = "00:05";
    m.search(q);
    EXPECT_EQ(shownTitles(m), (std::vector<QString>{"Song"}));
    q = {};
    q.fields[FindArtist] = "strasse";
    m.search(q);
    EXPECT_EQ(shownTitles(m), (std::vector<QString>{"ёлка зимой"}));
    m.reset();
    EXPECT_FALSE(m.searchShown());
    EXPECT_EQ(m.view().size(), 4u);
}

TEST(LibrarySort, FirstClickDescendsThenEachReversesAndSearchShowsLibraryOrder) {
    LibraryModel m;
    m.append(entry("b", "beta", {}, 300));
    m.append(entry("A", "Alpha", {}, 20000));
    m.append(entry("c", "gamma", {}, 1000));
    ASSERT_TRUE(m.sortBy(ColTitle));
    EXPECT_EQ(shownTitles(m), (std::vector<QString>{"gamma", "beta", "Alpha"}));
    ASSERT_TRUE(m.sortBy(ColArtist)); // direction reverses whatever the column
    EXPECT_EQ(shownTitles(m), (std::vector<QString>{"Alpha", "beta", "gamma"}));
    ASSERT_TRUE(m.sortBy(ColTime)); // numbers, not texts: 300 < 1000 < 20000
    EXPECT_EQ(shownTitles(m), (std::vector<QString>{"Alpha", "gamma", "beta"}));
    ASSERT_TRUE(m.sortBy(ColTime));
    EXPECT_EQ(shownTitles(m), (std::vector<QString>{"beta", "gamma", "Alpha"}));
    EXPECT_FALSE(m.sortBy(ColSize));
    m.search(SearchQuery{});
    EXPECT_EQ(shownTitles(m), (std::vector<QString>{"beta", "Alpha", "gamma"}));
    // Sorting never changes the saved order.
    EXPECT_EQ(m.record(0).title, "beta");
}

TEST(LibraryColumns, TimeAndSizeTexts) {
    TBaseEntry e = entry("a", "b", {}, 0);
    EXPECT_EQ(columnText(e, ColTime), "??:??");
    e.durationMs = 125000;
    EXPECT_EQ(columnText(e, ColTime), "02:05");
    const std::pair<quint32, QString> sizes[] = {{0, ""},
                                                 {1000, ""},
                                                 {1001, "0.98 KB"},
                                                 {1000000, "976.56 KB"},
                                                 {1000001, "0.95 MB"},
                                                 {0xFFFFFFFFu, "4096.00 MB"}};
    for (const auto& [size, text] : sizes)
        EXPECT_EQ(sizeText(size), text) << size;
}

TEST(ConfirmDiscard, AsksYesNoCancelAndGoesOnOnlyWhenSavedOrDeclined) {
    QTemporaryDir dir;
    struct Case {
        const char* name;
        bool modified;
        int answer;
        bool saveWorks;
        bool goesOn;
        bool saveRuns;
    };
    const Case cases[] = {
        {"nothing to lose", false, PromptCancel, true, true, false},
        {"No drops the changes", true, PromptNo, true, true, false},
        {"Cancel stays", true, PromptCancel, true, false, false},
        {"Yes and saved", true, PromptYes, true, true, true},
        {"Yes but the save failed", true, PromptYes, false, false, true},
    };
    for (const Case& c : cases) {
        PromptsScope ps;
        ps.rec.answers = {c.answer};
        LibraryModel m;
        threeSaved(m, dir.filePath("lib.dfs"));
        if (c.modified) m.append(entry("x", "y"));
        bool ran = false;
        const bool goesOn = confirmDiscard(m, [&] {
            ran = true;
            return c.saveWorks ? m.save(dir.filePath("lib.dfs"))
                               : m.save(dir.filePath("none/x.dfs"));
        });
        EXPECT_EQ(goesOn, c.goesOn) << c.name;
        EXPECT_EQ(ran, c.saveRuns) << c.name;
        EXPECT_EQ(ps.rec.shown.size(), c.modified ? 1u : 0u) << c.name;
        if (c.modified && !c.goesOn) {
            EXPECT_TRUE(m.modified()) << c.name;
        }
    }
}
