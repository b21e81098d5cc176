#include "generator/core/genplaylist.h"
#include "generator/core/randomtable.h"
#include "genfixture.h"

#include "platform/prompts.h"

using namespace wc;
using namespace gentest;

TEST(GeneratorPlaylist, ParsesLengthsAndPaths) {
    struct Case {
        const char* name;
        QByteArray text;
        std::vector<std::pair<QString, quint32>> want; // path, ms
    };
    const Case cases[] = {
        {"plain",
         "#EXTM3U\r\n#EXTINF:215,A - B\r\n/m/a.mp3\r\n/m/b.mp3\r\n",
         {{"/m/a.mp3", 215000}, {"/m/b.mp3", 0}}},
        {"unknown length", "#EXTINF:-1,Stream\n/m/a.mp3\n", {{"/m/a.mp3", 0}}},
        {"not a number", "#EXTINF:abc,x\n/m/a.mp3\n", {{"/m/a.mp3", 0}}},
        {"no comma", "#EXTINF:12\n/m/a.mp3\n", {{"/m/a.mp3", 12000}}},
        {"information line at the end", "/m/a.mp3\n#EXTINF:30,x", {{"/m/a.mp3", 0}}},
        {"huge length", "#EXTINF:99999999999,x\n/m/a.mp3\n", {{"/m/a.mp3", 4294967000u}}},
        {"relative paths",
         "sub\\a.mp3\n\\b.mp3\nc.mp3\n",
         {{"/lists/sub/a.mp3", 0}, {"/lists/b.mp3", 0}, {"/lists/c.mp3", 0}}},
        {"drive and network paths",
         "D:\\m\\a.mp3\n\\\\srv\\m\\b.mp3\n",
         {{"D:/m/a.mp3", 0}, {"//srv/m/b.mp3", 0}}},
        {"blank lines and header with blanks", "  #EXTM3U  \n\n\n/m/a.mp3\n", {{"/m/a.mp3", 0}}},
        {"empty", "", {}},
    };
    for (const Case& c : cases) {
        const TBaseEntryArr got = parseGeneratorPlaylist(c.text, "/lists");
        ASSERT_EQ(got.size(), c.want.size()) << c.name;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].fileName, c.want[i].first) << c.name;
            EXPECT_EQ(got[i].durationMs, c.want[i].second) << c.name;
        }
    }
}

TEST(GeneratorPlaylist, MissingFileIsReportedAndEmpty) {
    RecordingPrompts rec;
    setPrompts(&rec);
    const TBaseEntryArr got = ReadGeneratorPlaylist("/no/such/list.m3u");
    setPrompts(nullptr);
    EXPECT_TRUE(got.empty());
    ASSERT_EQ(rec.shown.size(), 1u);
    EXPECT_EQ(rec.shown[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(rec.shown[0].text, QStringLiteral("Playlist \"/no/such/list.m3u\" not found!"));
}

TEST(GeneratorPlaylist, ReadsFileRelativeToItsFolder) {
    QTemporaryDir dir;
    writeList(dir.filePath("j/list.m3u"), {{5, "one.mp3"}, {-1, "/abs/two.mp3"}});
    const TBaseEntryArr got = ReadGeneratorPlaylist(dir.filePath("j/list.m3u"));
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].fileName, dir.filePath("j/one.mp3"));
    EXPECT_EQ(got[0].durationMs, 5000u);
    EXPECT_EQ(got[1].durationMs, 0u);
    EXPECT_TRUE(got[0].title.isEmpty()); // no audio file, no tag
}

TEST(RandomTableTest, DrawsBelowTheSizeAndRefillsAfterTheLast) {
    ScriptedRandom script({3, 8, 5});
    RandomTable table(script);
    table.fill(4);
    EXPECT_EQ(script.drawn(), RandomTable::kSize);
    std::vector<int> first;
    for (int i = 0; i < RandomTable::kSize; ++i)
        first.push_back(table.next());
    EXPECT_EQ(first[0], 3);
    EXPECT_EQ(first[1], 0); // 8 below 4
    EXPECT_EQ(first[2], 1);
    for (int v : first)
        EXPECT_TRUE(v >= 0 && v < 4);
    EXPECT_EQ(script.drawn(), RandomTable::kSize);
    table.next(); // past the end: a fresh table of the same size
    EXPECT_EQ(script.drawn(), 2 * RandomTable::kSize);
    EXPECT_EQ(table.position(), 1);
    table.fill(0);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(table.next(), 0);
}
