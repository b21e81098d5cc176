#include "generator/core/presets.h"
#include "genfixture.h"

#include "common/ini.h"

using namespace wc;
using namespace gentest;

TEST(GeneratorPreset, MissingFileGivesDefaults) {
    QTemporaryDir dir;
    EXPECT_EQ(LoadPreset(dir.filePath("none.prs")), GeneratorTemplate{});
}

TEST(GeneratorPreset, EveryFieldRoundTrips) {
    QTemporaryDir dir;
    GeneratorTemplate t;
    t.type = 2;
    t.trackCount = 0;
    t.minuteCount = 300;
    t.startHour = 22;
    t.isStartTime = true;
    t.chooseType = 2;
    t.dontRepeat = true;
    t.comment = QStringLiteral(" rock, jazz ");
    t.isRotation = true;
    t.rotationType = 2;
    t.rotationEvery = 4;
    t.rotationList = QStringLiteral("/lists/rot.m3u");
    t.isJingles = true;
    t.jingleEvery = 3;
    t.jingleList = QStringLiteral("/lists/jingles.m3u");
    t.isClock = true;
    t.clockList = QStringLiteral("/lists/clock.m3u");
    t.isAds = true;
    t.adLists = QStringList{"/ads/09-00 a.m3u", " padded name ", "/ads/14-30.m3u"};
    const QString path = dir.filePath("p.prs");
    ASSERT_TRUE(SavePreset(path, t));
    EXPECT_EQ(LoadPreset(path), t);
}

TEST(GeneratorPreset, ControlRulesApplyWhileLoading) {
    QTemporaryDir dir;
    struct Case {
        QByteArray text;
        int trackCount, minuteCount;
        bool dontRepeat, noRepeatArtists;
    };
    const Case cases[] = {
        {"[Step1]\nType=2\nCount=90\n", 0, 90, false, false},
        {"[Step1]\nType=1\nCount=25\n", 25, 0, false, false},
        {"[Step2]\nDontRepeat=1\nNoRepeatArtists=1\n", 1, 0, false, true},
        {"[Step2]\nDontRepeat=1\n", 1, 0, true, false},
    };
    for (const Case& c : cases) {
        writeText(dir.filePath("c.prs"), c.text);
        const GeneratorTemplate t = LoadPreset(dir.filePath("c.prs"));
        EXPECT_EQ(t.trackCount, c.trackCount) << c.text.toStdString();
        EXPECT_EQ(t.minuteCount, c.minuteCount) << c.text.toStdString();
        EXPECT_EQ(t.dontRepeat, c.dontRepeat) << c.text.toStdString();
        EXPECT_EQ(t.noRepeatArtists, c.noRepeatArtists) << c.text.toStdString();
    }
}

TEST(GeneratorPreset, CommercialListIsCutIntoPiecesAndJoinedAgain) {
    QTemporaryDir dir;
    const QString path = dir.filePath("ads.prs");
    GeneratorTemplate t;
    for (int i = 0; i < 150; ++i)
        t.adLists
            << QStringLiteral("/ads/block-%1").arg(i, 3, 10, QChar('0')).leftJustified(29, 'x');
    ASSERT_EQ(t.adLists.front().size(), 29); // 30 characters with its "?"
    ASSERT_TRUE(SavePreset(path, t));
    const IniFile ini(path);
    EXPECT_EQ(ini.readString("Step6", "Lists", "").size(), 2000);
    EXPECT_EQ(ini.readString("Step6", "Lists1", "").size(), 2000);
    EXPECT_EQ(ini.readString("Step6", "Lists2", "").size(), 500);
    EXPECT_FALSE(ini.hasKey("Step6", "Lists3"));
    EXPECT_EQ(LoadPreset(path).adLists, t.adLists);
}

TEST(GeneratorPreset, ShorterSaveRemovesOldContinuationKeys) {
    QTemporaryDir dir;
    const QString path = dir.filePath("ads.prs");
    GeneratorTemplate longer;
    for (int i = 0; i < 150; ++i)
        longer.adLists << QString(29, QChar('a' + i % 26));
    ASSERT_TRUE(SavePreset(path, longer));
    struct Case {
        QStringList lists;
    };
    const Case cases[] = {{{"/ads/09-00.m3u", "/ads/10-00.m3u"}}, {{}}};
    for (const Case& c : cases) {
        GeneratorTemplate shorter;
        shorter.adLists = c.lists;
        ASSERT_TRUE(SavePreset(path, shorter));
        const IniFile ini(path);
        EXPECT_FALSE(ini.hasKey("Step6", "Lists1"));
        EXPECT_FALSE(ini.hasKey("Step6", "Lists2"));
        EXPECT_EQ(LoadPreset(path).adLists, c.lists);
        ASSERT_TRUE(SavePreset(path, longer));
    }
}

TEST(GeneratorPreset, PiecesKeepBlanksAtTheirEdges) {
    // A cut that falls next to a blank must not lose it: values are never trimmed.
    QTemporaryDir dir;
    const QString path = dir.filePath("blank.prs");
    GeneratorTemplate t;
    t.adLists << QString(1998, 'a') + QStringLiteral(" ") << QStringLiteral(" b ")
              << QStringLiteral("c");
    ASSERT_TRUE(SavePreset(path, t));
    EXPECT_EQ(LoadPreset(path).adLists, t.adLists);
}

TEST(GeneratorOptionsFile, ClampsToSliderRanges) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Lumbra.ini");
    EXPECT_EQ(ReadGeneratorOptions(path), GeneratorOptions{});
    struct Case {
        QByteArray text;
        GeneratorOptions want;
    };
    const Case cases[] = {
        {"[Options]\nFindTry=5\n", {2, 5, 100, 10, 0}},
        {"[Options]\nMinTime=9\nFindTime=-3\nTryCount=99999\nFindTry=500\nCfadeLen=11\n",
         {5, 0, 50000, 100, 10}},
        {"[Options]\nMinTime=0\nFindTime=10\nTryCount=0\nFindTry=10\nCfadeLen=10\n",
         {0, 10, 0, 10, 10}},
    };
    for (const Case& c : cases) {
        writeText(path, c.text);
        const GeneratorOptions o = ReadGeneratorOptions(path);
        EXPECT_EQ(o, c.want) << c.text.toStdString();
        ASSERT_TRUE(WriteGeneratorOptions(dir.filePath("saved.ini"), o));
        EXPECT_EQ(ReadGeneratorOptions(dir.filePath("saved.ini")), c.want);
    }
    // Saving clamps too.
    ASSERT_TRUE(WriteGeneratorOptions(dir.filePath("saved.ini"), {0, 0, 0, 5, 0}));
    EXPECT_EQ(IniFile(dir.filePath("saved.ini")).readInt("Options", "FindTry", 0), 10);
}

TEST(GeneratorOptionsFile, TryCountText) {
    const std::pair<int, const char*> cases[] = {
        {2500, "2.5K"}, {100, "0.1K"}, {0, "0.0K"}, {50000, "50.0K"}, {1260, "1.3K"}};
    for (const auto& [v, text] : cases)
        EXPECT_EQ(tryCountText(v), QString(text)) << v;
}
