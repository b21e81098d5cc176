#include "player/core/autoexec.h"
#include "player/core/cmdline.h"

#include <gtest/gtest.h>

using namespace wc;

TEST(PlayerCommandLine, VerbsAndWatchdogMarkers) {
    struct Case {
        QStringList args;
        QString verb, operand;
        std::optional<qint64> watchdog;
        std::optional<std::pair<qint64, qint64>> resume;
    };
    const Case cases[] = {
        {{}, "", "", {}, {}},
        {{"FILE", "/music/a b.mp3"}, "file", "/music/a b.mp3", {}, {}},
        {{"profile", "Night"}, "profile", "Night", {}, {}},
        {{"+watchdog4711"}, "+watchdog4711", "", 4711, {}},
        {{"file", "/x.mp3", "+watchdog12", "more"}, "file", "/x.mp3", 12, {}},
        // Malformed handles read as 0; a blank after the marker leaves nothing to read.
        {{"+watchdog12ab"}, "+watchdog12ab", "", 0, {}},
        {{"+watchdog", "12"}, "+watchdog", "12", 0, {}},
        {{"+?wdog__resume00000000030000012345"},
         "+?wdog__resume00000000030000012345",
         "",
         {},
         std::pair<qint64, qint64>{3, 12345}},
        {{"+?wdog__resume", "00000000030000012345"},
         "+?wdog__resume",
         "00000000030000012345",
         {},
         std::pair<qint64, qint64>{0, 0}},
        {{"+?wdog__resume0000000007"},
         "+?wdog__resume0000000007",
         "",
         {},
         std::pair<qint64, qint64>{7, 0}},
        {{"+?wdog__resumeabcdefghij0000000100"},
         "+?wdog__resumeabcdefghij0000000100",
         "",
         {},
         std::pair<qint64, qint64>{0, 100}},
        {{"x", "+watchdog9", "+?wdog__resume00000000010000000002"},
         "x",
         "+watchdog9",
         9,
         std::pair<qint64, qint64>{1, 2}},
    };
    for (const auto& c : cases) {
        const PlayerCommandLine cl = parsePlayerCommandLine(c.args);
        const QString where = c.args.join(' ');
        EXPECT_EQ(cl.verb, c.verb) << where.toStdString();
        EXPECT_EQ(cl.operand, c.operand) << where.toStdString();
        EXPECT_EQ(cl.watchdogWindow, c.watchdog) << where.toStdString();
        ASSERT_EQ(cl.resume.has_value(), c.resume.has_value()) << where.toStdString();
        if (c.resume) {
            EXPECT_EQ(cl.resume->index, c.resume->first) << where.toStdString();
            EXPECT_EQ(cl.resume->positionMs, c.resume->second) << where.toStdString();
        }
    }
}

TEST(PlayerCommandLine, ProfileVerbAddsExtensionOnce) {
    EXPECT_TRUE(profilePathForVerb("Night").endsWith("Profile/Night.prf"));
    EXPECT_TRUE(profilePathForVerb("Night.PRF").endsWith("Profile/Night.PRF"));
    EXPECT_TRUE(profilePathForVerb("a.prf.bak").endsWith("Profile/a.prf.bak.prf"));
}

TEST(Autoexec, KeywordsInFileOrderAnyCase) {
    using K = AutoexecKeyword;
    EXPECT_EQ(parseAutoexec("ResumePlaylist\r\n"), std::vector<K>{K::ResumePlaylist});
    EXPECT_EQ(parseAutoexec("startplaylist\r\nnoise\r\n  RESUMEPLAYLIST \r\nstartplaylist x\r\n"),
              (std::vector<K>{K::StartPlaylist, K::ResumePlaylist}));
    EXPECT_TRUE(parseAutoexec("").empty());
}

TEST(Autoexec, ResumeSelection) {
    const QStringList files = {"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"};
    EXPECT_EQ(resumeSelection(files, "/m/a.mp3"), 1);
    EXPECT_EQ(resumeSelection(files, "/m/c.mp3"), 0); // the last one: start again from the top
    EXPECT_EQ(resumeSelection(files, "/m/zzz.mp3"), 0);
    EXPECT_EQ(resumeSelection(files, "/M/A.MP3"), 0); // exact comparison
    EXPECT_EQ(resumeSelection(files, "-"), 0);
    EXPECT_EQ(resumeSelection(files, ""), std::nullopt);
    EXPECT_EQ(resumeSelection({}, "/m/a.mp3"), -1);
}
