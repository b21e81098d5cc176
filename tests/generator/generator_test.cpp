#include "generator/core/generator.h"
#include "genfixture.h"

#include "common/log.h"
#include "platform/prompts.h"

#include <QElapsedTimer>
#include <cstdio>

using namespace wc;
using namespace gentest;

namespace {

class Generation : public ::testing::Test {
protected:
    void SetUp() override {
        setPrompts(&prompts);
        QDir().mkpath(dir.filePath("Log"));
        ASSERT_TRUE(artistLog.open(dir.filePath("Log/Playlist Generator Log (artist).log")));
        gen.setMainLog(mainLog());
        GeneratorOptions o;
        gen.setOptions(o);
    }
    void TearDown() override { setPrompts(nullptr); }

    QString mainLog() const { return dir.filePath("Log/Playlist Generator Log.txt"); }
    QString out() const { return dir.filePath("Temp/Stack.m3u"); }

    void library(const std::vector<Track>& tracks) {
        const QString path = dir.filePath("Base.dfs");
        ASSERT_TRUE(writeLibraryFile(path, makeLibrary(tracks, dir.path())));
        gen.setLibraryFile(path);
    }
    QString musicPath(int i) const { return dir.path() + QStringLiteral("/music/%1.mp3").arg(i); }
    std::vector<QString> outPaths() {
        std::vector<QString> p;
        for (const M3uEntry& e : readOutput(out()))
            p.push_back(e.path);
        return p;
    }
    qint64 outSeconds() {
        qint64 s = 0;
        for (const M3uEntry& e : readOutput(out()))
            s += e.seconds;
        return s;
    }

    QTemporaryDir dir;
    RecordingPrompts prompts;
    ScriptedRandom pick{{}}, jingles{{}}, rotation{{}};
    ArtistLog artistLog;
    PlaylistGenerator gen{{&pick, &jingles, &rotation}, artistLog};
};

std::vector<Track> distinctArtists(int n, int seconds) {
    std::vector<Track> t;
    for (int i = 0; i < n; ++i)
        t.push_back(
            {QStringLiteral("Artist %1").arg(i), QStringLiteral("Song %1").arg(i), seconds});
    return t;
}

} // namespace

TEST(GeneratorText, DeviationKeepsItsSign) {
    const std::pair<double, const char*> cases[] = {
        {-1.5, "-01:30"}, {-0.5, "-00:30"}, {-0.999, "-00:59"}, {0.0, "00:00"},
        {0.25, "00:15"},  {2.5, "02:30"},   {-12.0, "-12:00"},  {125.75, "125:45"}};
    for (const auto& [d, text] : cases)
        EXPECT_EQ(formatDeviation(d), QString(text)) << d;
}

TEST(GeneratorText, FileNameNumbers) {
    struct Case {
        const char* name;
        int hour, minute;
    };
    const Case cases[] = {
        {"/ads/14-30 evening.m3u", 14, 30}, {"09-00.m3u", 9, 0},  {"ab-cd.m3u", 0, 0},
        {"C:\\ads\\25-75.m3u", 25, 75},     {"-1-00.m3u", -1, 0}, {"7", 7, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(fileNameNumber(c.name, 0), c.hour) << c.name;
        EXPECT_EQ(fileNameNumber(c.name, 3), c.minute) << c.name;
    }
}

TEST(GeneratorText, ArtistLogNameReplacesTheExtension) {
    EXPECT_EQ(artistLogNameFor("/p/Log/Playlist Generator Log.txt"),
              QStringLiteral("/p/Log/Playlist Generator Log (artist).log"));
}

TEST_F(Generation, CountModeTakesTheScriptedDrawsInOrder) {
    library({{"Alpha", "One", 200}, {"Beta", "Two", 201}, {" ", " ", 202}, {"Delta", "Four", 203}});
    pick = ScriptedRandom({2, 0, 3});
    GeneratorTemplate t;
    t.trackCount = 3;
    gen.setTemplate(t);
    const GenerationOutcome r = gen.Generate(out());
    EXPECT_FALSE(r.error);
    const auto entries = readOutput(out());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].path, musicPath(2));
    EXPECT_EQ(entries[0].text, QStringLiteral("2")); // empty artist and title: the file's name
    EXPECT_EQ(entries[0].seconds, 202);
    EXPECT_EQ(entries[1].text, QStringLiteral("Alpha - One"));
    EXPECT_EQ(entries[2].text, QStringLiteral("Delta - Four"));
    EXPECT_TRUE(fileBytes(out()).startsWith("#EXTM3U\r\n#EXTINF:202,2\r\n"));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(Generation, CountModeMixesJinglesAndRotationByCounts) {
    library(distinctArtists(5, 200));
    writeList(dir.filePath("jingles.m3u"), {{5, "/j/j0.mp3"}, {6, "/j/j1.mp3"}});
    writeList(dir.filePath("rot.m3u"),
              {{100, "/r/r0.mp3"}, {100, "/r/r1.mp3"}, {100, "/r/r2.mp3"}});
    struct Case {
        int rotationType;
        std::vector<int> rotationScript;
    };
    const Case cases[] = {{2, {}}, {1, {2, 0, 1}}, {1, {1, 1, 1}}};
    for (const Case& c : cases) {
        pick = ScriptedRandom({0, 1, 2, 3, 4});
        jingles = ScriptedRandom({1});
        rotation = ScriptedRandom(c.rotationScript);
        GeneratorTemplate t;
        t.trackCount = 4;
        t.isJingles = true;
        t.jingleEvery = 2;
        t.jingleList = dir.filePath("jingles.m3u");
        t.isRotation = true;
        t.rotationType = c.rotationType;
        t.rotationEvery = 2;
        t.rotationList = dir.filePath("rot.m3u");
        gen.setTemplate(t);
        EXPECT_FALSE(gen.Generate(out()).error);
        // The rotation item: the first of the list in list order, else the first entry of a
        // shuffled order drawn from the same script.
        int first = 0;
        if (c.rotationType == 1) {
            ScriptedRandom same(c.rotationScript);
            ShuffleSequence order(same);
            order.build(3);
            first = order.next();
        }
        // Round 2 places a jingle (not counted) and a rotation item (counted); round 3 is the
        // fourth counted item.
        const std::vector<QString> want = {musicPath(0), musicPath(1), "/j/j1.mp3",
                                           QStringLiteral("/r/r%1.mp3").arg(first), musicPath(2)};
        EXPECT_EQ(outPaths(), want) << c.rotationType;
    }
}

TEST_F(Generation, CountModeWithEmptyRotationAndJingleListsAppendsNothingExtra) {
    library(distinctArtists(3, 200));
    writeText(dir.filePath("empty.m3u"), "#EXTM3U\r\n");
    GeneratorTemplate t;
    t.trackCount = 3;
    t.isJingles = t.isRotation = true;
    t.jingleList = t.rotationList = dir.filePath("empty.m3u");
    gen.setTemplate(t);
    pick = ScriptedRandom({0, 1, 2});
    EXPECT_FALSE(gen.Generate(out()).error);
    EXPECT_EQ(outPaths(), (std::vector<QString>{musicPath(0), musicPath(1), musicPath(2)}));
}

TEST_F(Generation, CountModeOneArtistAppendsTheLastDrawAnyway) {
    library({{"Same", "A", 100}, {"same ", "B", 100}, {"SAME", "C", 100}});
    pick = ScriptedRandom({0, 1, 2});
    GeneratorTemplate t;
    t.trackCount = 3;
    t.noRepeatArtists = true;
    gen.setTemplate(t);
    EXPECT_FALSE(gen.Generate(out()).error);
    EXPECT_EQ(readOutput(out()).size(), 3u);
    const QString log = QString::fromUtf8(fileBytes(artistLog.fileName()));
    EXPECT_EQ(log.count(QStringLiteral("** Accepted: ")), 1);
    EXPECT_TRUE(log.startsWith(QStringLiteral("Same\r\n** Accepted: Same\r\n")));
}

TEST_F(Generation, CountModeReportsTooFewTracks) {
    struct Case {
        const char* name;
        int poolSize;
        bool dontRepeat;
        size_t written;
    };
    const Case cases[] = {{"no repeats, small pool", 2, true, 2}, {"empty pool", 0, false, 0}};
    for (const Case& c : cases) {
        prompts.shown.clear();
        library(distinctArtists(c.poolSize, 100));
        GeneratorTemplate t;
        t.trackCount = 5;
        t.dontRepeat = c.dontRepeat;
        gen.setTemplate(t);
        pick = ScriptedRandom({0, 1});
        EXPECT_TRUE(gen.Generate(out()).error) << c.name;
        EXPECT_EQ(readOutput(out()).size(), c.written) << c.name;
        ASSERT_EQ(prompts.shown.size(), 1u) << c.name;
        EXPECT_EQ(prompts.shown[0].caption, QStringLiteral("Ошибка"));
        EXPECT_EQ(prompts.shown[0].text, GeneratorTexts{}.notEnoughTracks);
    }
    EXPECT_EQ(fileBytes(out()), QByteArray("#EXTM3U\r\n"));
}

TEST_F(Generation, CommentFilterKeepsMatchingRecordsForOneGenerationOnly) {
    library({{"A", "rock", 100, "Classic ROCK"},
             {"B", "none", 100, ""},
             {"C", "jazz", 100, "late jazz"},
             {"D", "pop", 100, "pop"}});
    GeneratorTemplate t;
    t.trackCount = 2;
    t.chooseType = 2;
    t.comment = QStringLiteral(" rock,, jazz ,");
    t.dontRepeat = true;
    gen.setTemplate(t);
    pick = ScriptedRandom({0, 1});
    EXPECT_FALSE(gen.Generate(out()).error);
    EXPECT_EQ(outPaths(), (std::vector<QString>{musicPath(0), musicPath(2)}));
    t.chooseType = 1;
    t.trackCount = 1;
    gen.setTemplate(t);
    pick = ScriptedRandom({3});
    EXPECT_FALSE(gen.Generate(out()).error);
    EXPECT_EQ(outPaths(), (std::vector<QString>{musicPath(3)}));
}

TEST_F(Generation, TimeModeAcrossMidnightRunsTwoPassesIntoOneFile) {
    library(distinctArtists(40, 300)); // 5-minute tracks
    std::vector<int> script;
    for (int i = 0; i < 400; ++i)
        script.push_back(i * 7 + 1);
    pick = ScriptedRandom(script);
    GeneratorTemplate t;
    t.type = 2;
    t.startHour = 22;
    t.minuteCount = 180;
    t.isStartTime = true;
    gen.setTemplate(t);
    const GenerationOutcome r = gen.Generate(out());
    EXPECT_FALSE(r.error);
    const QByteArray bytes = fileBytes(out());
    EXPECT_EQ(bytes.count("#EXTM3U"), 1);
    EXPECT_EQ(readOutput(out()).size(), 36u); // 120 + 60 minutes of 5-minute tracks
    const QString log = QString::fromUtf8(fileBytes(mainLog()));
    EXPECT_EQ(log.count(QStringLiteral("End : ")), 2);
}

TEST_F(Generation, HourSignalComesBeforeTheBlockOfTheSameMinute) {
    library(distinctArtists(30, 240)); // 4-minute tracks
    writeList(dir.filePath("clock.m3u"), {{10, "/sig/08 signal.mp3"}, {10, "/sig/09 signal.mp3"}});
    writeList(dir.filePath("ads/09-00 morning.m3u"), {{60, "/ads/a1.mp3"}});
    writeList(dir.filePath("ads/09-30 noon.m3u"), {{60, "/ads/a2.mp3"}});
    std::vector<int> script;
    for (int i = 0; i < 200; ++i)
        script.push_back(i);
    pick = ScriptedRandom(script);
    GeneratorTemplate t;
    t.type = 2;
    t.startHour = 9;
    t.minuteCount = 60;
    t.isStartTime = true;
    t.isClock = true;
    t.clockList = dir.filePath("clock.m3u");
    t.isAds = true;
    t.adLists = {dir.filePath("ads/09-00 morning.m3u"), dir.filePath("ads/09-30 noon.m3u"),
                 dir.filePath("ads/missing 10-00.m3u")};
    gen.setTemplate(t);
    EXPECT_FALSE(gen.Generate(out()).error);
    const std::vector<QString> paths = outPaths();
    ASSERT_GE(paths.size(), 4u);
    EXPECT_EQ(paths[0], QStringLiteral("/sig/09 signal.mp3"));
    EXPECT_EQ(paths[1], QStringLiteral("/ads/a1.mp3"));
    // Music up to 9:30, then the second block, then music to 10:00.
    const auto second = std::find(paths.begin(), paths.end(), QStringLiteral("/ads/a2.mp3"));
    ASSERT_NE(second, paths.end());
    qint64 before = 0;
    const auto entries = readOutput(out());
    for (size_t i = 0; i < size_t(second - paths.begin()); ++i)
        before += entries[i].seconds;
    EXPECT_NEAR(double(before) / 60.0, 30.0, 4.0);
    EXPECT_NEAR(double(outSeconds()) / 60.0, 60.0, 4.0);
    const QString log = QString::fromUtf8(fileBytes(mainLog()));
    EXPECT_TRUE(log.contains(QStringLiteral("Commercial (9:30) : "))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("Hour signal (9:00)"))); // the first event
    EXPECT_TRUE(log.contains(QStringLiteral("End : ")));
}

TEST_F(Generation, TimeModeFillsGapsWithTracksThatTakeTimeOrReportsTooFew) {
    // A round that takes no track does not end the gap: records without a length are never
    // drawn, a later round may still find a track that fits, and a gap that no record can
    // fill is the not-enough-tracks error. Only a remainder within MinTime counts as filled.
    struct Case {
        const char* name;
        std::vector<Track> tracks;
        int minTime, findTime, findTry, minutes;
        std::vector<int> picks;
        bool error;
        size_t items;
        int onlyTrack; // the one library record written, or -1
    };
    std::vector<Track> withZero = {{"Z", "no length", 0}};
    for (const Track& t : distinctArtists(20, 300))
        withZero.push_back(t);
    std::vector<int> ascending;
    for (int i = 0; i < 100; ++i)
        ascending.push_back(i);
    const std::vector<int> laterRound = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    const std::vector<int> zero = {0}, one = {1}, zeroOne = {0, 1};
    const std::vector<Track> noLength = distinctArtists(3, 0), tenMinutes = distinctArtists(3, 600);
    const std::vector<Track> longAndShort = {{"Long", "a", 1200}, {"Short", "b", 180}};
    const Case cases[] = {
        {"one record without a length", withZero, 2, 5, 50, 60, ascending, false, 12, -1},
        {"only records without a length", noLength, 2, 5, 50, 10, zeroOne, true, 0, -1},
        {"tracks too long, MinTime 0", tenMinutes, 0, 5, 50, 3, zero, true, 0, -1},
        {"within MinTime, no stop chance", tenMinutes, 5, 5, 50, 3, one, false, 0, -1},
        // 4 minutes: the first search sees only the 20-minute track and takes nothing; the
        // next round draws the 3-minute one.
        {"a later round fits", longAndShort, 2, 5, 10, 4, laterRound, false, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        library(c.tracks);
        GeneratorOptions o;
        o.minTime = c.minTime;
        o.findTime = c.findTime;
        o.findTry = c.findTry;
        gen.setOptions(o);
        GeneratorTemplate t;
        t.type = 2;
        t.startHour = 10;
        t.minuteCount = c.minutes;
        gen.setTemplate(t);
        pick = ScriptedRandom(c.picks);
        prompts.shown.clear();
        QFile::remove(out());
        const GenerationOutcome r = gen.Generate(out());
        EXPECT_EQ(r.error, c.error);
        EXPECT_EQ(prompts.shown.size(), c.error ? 1u : 0u);
        const auto entries = readOutput(out());
        EXPECT_EQ(entries.size(), c.items);
        for (const M3uEntry& e : entries)
            EXPECT_GT(e.seconds, 0) << e.path.toStdString();
        if (c.onlyTrack >= 0 && entries.size() == 1) {
            EXPECT_EQ(entries[0].path, musicPath(c.onlyTrack));
        }
    }
}

TEST_F(Generation, TimeModeIgnoresImpossibleSlotNames) {
    library(distinctArtists(20, 180));
    writeList(dir.filePath("clock.m3u"), {{5, "/sig/99 bad.mp3"}, {5, "/sig/-1 bad.mp3"}});
    QStringList ads;
    for (const char* name : {"25-00 bad.m3u", "09-75 bad.m3u", "-1-00 bad.m3u", "09-10 good.m3u",
                             "09-10 same minute.m3u"}) {
        writeList(dir.filePath(QStringLiteral("ads/") + name),
                  {{30, QStringLiteral("/ads/") + name + QStringLiteral(".mp3")}});
        ads << dir.filePath(QStringLiteral("ads/") + name);
    }
    GeneratorTemplate t;
    t.type = 2;
    t.startHour = 9;
    t.minuteCount = 30;
    t.isClock = t.isAds = true;
    t.clockList = dir.filePath("clock.m3u");
    t.adLists = ads;
    gen.setTemplate(t);
    std::vector<int> script;
    for (int i = 0; i < 100; ++i)
        script.push_back(i);
    pick = ScriptedRandom(script);
    EXPECT_FALSE(gen.Generate(out()).error);
    int adItems = 0;
    for (const QString& p : outPaths())
        if (p.startsWith(QStringLiteral("/ads/"))) {
            ++adItems;
            EXPECT_EQ(p, QStringLiteral("/ads/09-10 good.m3u.mp3"));
        }
    EXPECT_EQ(adItems, 1);
    const QString log = QString::fromUtf8(fileBytes(mainLog()));
    EXPECT_EQ(log.count(QStringLiteral("ignored")), 6) << log.toStdString();
}

TEST_F(Generation, TimeModeIgnoresBlocksBeyondTheLimit) {
    library(distinctArtists(20, 120));
    QStringList ads;
    for (int k = 0; k < 130; ++k) {
        const QString name = QStringLiteral("ads/%1-%2 b.m3u")
                                 .arg(k / 60, 2, 10, QChar('0'))
                                 .arg(k % 60, 2, 10, QChar('0'));
        writeList(dir.filePath(name), {{10, QStringLiteral("/ads/%1.mp3").arg(k)}});
        ads << dir.filePath(name);
    }
    GeneratorTemplate t;
    t.type = 2;
    t.startHour = 2;
    t.minuteCount = 15;
    t.isAds = true;
    t.adLists = ads;
    gen.setTemplate(t);
    EXPECT_FALSE(gen.Generate(out()).error);
    int adItems = 0;
    for (const QString& p : outPaths())
        adItems += p.startsWith(QStringLiteral("/ads/"));
    EXPECT_EQ(adItems, 7); // blocks 121..127 start at 2:00..2:06; 128..130 are dropped
    EXPECT_EQ(QString::fromUtf8(fileBytes(mainLog())).count(QStringLiteral("more than 127")), 3);
}

TEST_F(Generation, TimeModeRotationWithEmptyOrMissingListIsSkipped) {
    library(distinctArtists(10, 180));
    writeText(dir.filePath("empty.m3u"), "#EXTM3U\r\n");
    for (const QString& list : {dir.filePath("empty.m3u"), dir.filePath("missing.m3u")}) {
        GeneratorTemplate t;
        t.type = 2;
        t.startHour = 5;
        t.minuteCount = 30;
        t.isRotation = true;
        t.rotationEvery = 1;
        t.rotationList = list;
        gen.setTemplate(t);
        pick = ScriptedRandom({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
        QFile::remove(out());
        EXPECT_FALSE(gen.Generate(out()).error) << list.toStdString();
        EXPECT_GE(readOutput(out()).size(), 9u);
    }
}

TEST_F(Generation, TimeModeOneArtistEndsWithTheErrorAndWritesNoItems) {
    library({{"Same", "A", 200}, {"Same", "B", 200}, {"Same", "C", 200}});
    GeneratorTemplate t;
    t.type = 2;
    t.startHour = 12;
    t.minuteCount = 30;
    t.noRepeatArtists = true;
    gen.setTemplate(t);
    pick = ScriptedRandom({0, 1, 2});
    const GenerationOutcome r = gen.Generate(out());
    EXPECT_TRUE(r.error);
    EXPECT_EQ(fileBytes(out()), QByteArray("#EXTM3U\r\n"));
    // The label shows what was still to fill: 30 minutes less one 200-second track.
    EXPECT_EQ(r.deviationText, formatDeviation(30.0 - 200.0 / 60.0));
    EXPECT_EQ(prompts.shown.size(), 1u);
}

TEST_F(Generation, TimeModeWithEmptyPoolReportsWithoutReadingIt) {
    library({});
    GeneratorTemplate t;
    t.type = 2;
    t.startHour = 0;
    t.minuteCount = 60;
    gen.setTemplate(t);
    EXPECT_TRUE(gen.Generate(out()).error);
    EXPECT_EQ(pick.drawn(), 0);
}

TEST_F(Generation, JinglesWithoutLengthsDoNotShortenTheTimeToFill) {
    library(distinctArtists(10, 300));
    writeText(dir.filePath("jingles.m3u"), "/j/a.mp3\r\n/j/b.mp3\r\n");
    GeneratorTemplate t;
    t.type = 2;
    t.startHour = 7;
    t.minuteCount = 20;
    t.isJingles = true;
    t.jingleEvery = 1;
    t.jingleList = dir.filePath("jingles.m3u");
    gen.setTemplate(t);
    pick = ScriptedRandom({0, 1, 2, 3, 4, 5, 6, 7, 1});
    EXPECT_FALSE(gen.Generate(out()).error);
    int tracks = 0, jingleItems = 0;
    for (const M3uEntry& e : readOutput(out())) {
        if (e.path.startsWith(QStringLiteral("/j/"))) {
            ++jingleItems;
            EXPECT_EQ(e.seconds, 0);
        } else {
            ++tracks;
        }
    }
    EXPECT_EQ(tracks, 4); // 20 minutes of 5-minute tracks
    EXPECT_GE(jingleItems, 3);
}

TEST_F(Generation, CarriedDeviationOfTheFirstPassStartsTheSecond) {
    library(distinctArtists(30, 420)); // 7-minute tracks never fit a gap exactly
    // Without the special fitting search the last track of a gap is taken even when it runs
    // over (with it, the 4 minutes left after eight tracks could not be filled at all).
    GeneratorOptions o;
    o.findTime = 0;
    gen.setOptions(o);
    std::vector<int> script;
    for (int i = 0; i < 300; ++i)
        script.push_back(i * 3 + 1);
    pick = ScriptedRandom(script);
    GeneratorTemplate t;
    t.type = 2;
    t.startHour = 23;
    t.minuteCount = 100;
    gen.setTemplate(t);
    EXPECT_FALSE(gen.Generate(out()).error);
    EXPECT_NE(gen.carriedDeviation(), 0.0);
    EXPECT_EQ(fileBytes(out()).count("#EXTM3U"), 1);
}

// Awkward libraries with clock-seeded style sources: every generation must come to an end.
TEST(GenerationRobustness, ThousandSeedsOnAwkwardLibrariesFinish) {
    QTemporaryDir dir;
    LogPrompts quiet;
    setPrompts(&quiet);
    setLogToStderr(false);
    const std::vector<std::vector<Track>> libraries = {
        {{"One", "a", 200}, {"one", "b", 180}, {"ONE ", "c", 240}},
        {{"A", "a", 3600}, {"B", "b", 5400}, {"C", "c", 7200}},
        {},
        {{"A", "a", 0}, {"B", "b", 0}},
        {{"A", "a", 1}, {"B", "b", 2}, {"C", "c", 3}},
    };
    std::vector<QString> libPaths;
    for (size_t i = 0; i < libraries.size(); ++i) {
        libPaths.push_back(dir.filePath(QStringLiteral("lib%1.dfs").arg(i)));
        ASSERT_TRUE(writeLibraryFile(libPaths.back(), makeLibrary(libraries[i], dir.path())));
    }
    writeText(dir.filePath("empty.m3u"), "#EXTM3U\r\n");
    writeList(dir.filePath("clock.m3u"), {{5, "/s/00.mp3"}, {5, "/s/12.mp3"}});
    writeList(dir.filePath("ads/12-30.m3u"), {{60, "/a/x.mp3"}});
    ArtistLog artistLog;
    ASSERT_TRUE(artistLog.open(dir.filePath("artist.log")));
    qint64 slowestMs = 0;
    int slowestSeed = 0;
    for (int seed = 0; seed < 1000; ++seed) {
        SeededRandom random(std::uint64_t(seed) * 7919u + 1);
        PlaylistGenerator gen({&random, &random, &random}, artistLog);
        gen.setLibraryFile(libPaths[size_t(seed) % libPaths.size()]);
        gen.setMainLog(dir.filePath("main.log"));
        GeneratorOptions o;
        o.minTime = seed % 6;
        o.findTime = seed % 11;
        o.cfadeLen = seed % 3;
        gen.setOptions(o);
        GeneratorTemplate t;
        t.type = seed % 2 ? 2 : 1;
        t.trackCount = 1 + seed % 50;
        t.minuteCount = 1 + (seed * 37) % 1440;
        t.startHour = seed % 24;
        t.noRepeatArtists = seed % 3 == 0;
        t.dontRepeat = seed % 3 == 1;
        t.isJingles = t.isRotation = true;
        t.jingleList = t.rotationList = dir.filePath("empty.m3u");
        t.isClock = t.isAds = seed % 4 < 2;
        t.clockList = dir.filePath("clock.m3u");
        t.adLists = {dir.filePath("ads/12-30.m3u")};
        gen.setTemplate(t);
        QElapsedTimer timer;
        timer.start();
        gen.Generate(dir.filePath("out.m3u"));
        if (timer.elapsed() > slowestMs) {
            slowestMs = timer.elapsed();
            slowestSeed = seed;
        }
        EXPECT_TRUE(QFileInfo::exists(dir.filePath("out.m3u"))) << seed;
        QFile::remove(dir.filePath("out.m3u"));
        QFile::remove(dir.filePath("main.log"));
    }
    std::printf("slowest of 1000 generations: %lld ms (seed %d)\n",
                static_cast<long long>(slowestMs), slowestSeed);
    setLogToStderr(true);
    setPrompts(nullptr);
}

TEST_F(Generation, FittingSearchChoiceIsTakenWhenArtistsMustNotRepeat) {
    // 4 minutes to fill, FindTime 5: the drawn 20-minute track starts the special search,
    // which finds the 3-minute one. Its artist must not count as already used just because
    // the search looked at it.
    library({{"Long", "a", 1200}, {"Short", "b", 180}});
    GeneratorOptions o;
    o.minTime = 2;
    o.findTime = 5;
    o.findTry = 10;
    gen.setOptions(o);
    GeneratorTemplate t;
    t.type = 2;
    t.startHour = 8;
    t.minuteCount = 4;
    t.noRepeatArtists = true;
    gen.setTemplate(t);
    pick = ScriptedRandom({0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    const GenerationOutcome r = gen.Generate(out());
    EXPECT_FALSE(r.error);
    EXPECT_EQ(outPaths(), (std::vector<QString>{musicPath(1)}));
    const QString log = QString::fromUtf8(fileBytes(artistLog.fileName()));
    EXPECT_EQ(log.count(QStringLiteral("** Accepted: ")), 1);
    EXPECT_TRUE(log.contains(QStringLiteral("** Accepted: Short")));
}
