// M3U reading and writing, the extension table, playlist totals, recent playlists and the
// load-queue message.
#include "common/playlistfile/m3u.h"
#include "common/playlistfile/shellassoc.h"
#include "common/text.h"
#include "player/core/playlist/playlistfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace wc;

namespace {

void writeBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class FixedDurations : public FileDurationMs {
public:
    qint32 durationMs(const QString& f) override {
        ++calls;
        return f.endsWith("long.mp3") ? 2999 : 0;
    }
    int calls = 0;
};

} // namespace

TEST(PlayableExtensions, TableLookupIgnoresCase) {
    // The 16 historic entries keep their order; the formats added since follow them.
    EXPECT_EQ(playableExtensions(),
              (QStringList{".wav", ".mp3", ".ogg",  ".wma",  ".cda", ".spx", ".aac",
                           ".mp4", ".ac3", ".alac", ".mpc",  ".ofr", ".tta", ".wv",
                           ".wmv", ".cmd", ".flac", ".opus", ".oga", ".m4a"}));
    for (const char* e :
         {".mp3", ".MP3", "wav", ".Alac", ".cmd", ".wv", ".flac", ".FLAC", "opus", ".oga", ".M4a"})
        EXPECT_TRUE(IsPlayableExtension(e)) << e;
    for (const char* e : {".m3u", ".in", "", ".mp", ".fla", ".m4", ".aiff"})
        EXPECT_FALSE(IsPlayableExtension(e)) << e;
}

TEST(M3uPaths, ResolvedAgainstThePlaylistFolder) {
    struct Case {
        const char* line;
        const char* expected;
    };
    const Case cases[] = {
        {"\\Music\\a.mp3", "/lists/Music/a.mp3"},
        {"Music\\a.mp3", "/lists/Music/a.mp3"},
        {"a.mp3", "/lists/a.mp3"},
        {"/srv/music/a.mp3", "/srv/music/a.mp3"},
        {"D:\\Music\\a.mp3", "D:/Music/a.mp3"},
        {"\\\\server\\share\\a.mp3", "//server/share/a.mp3"},
        {"x", "x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(resolvePlaylistPath(c.line, "/lists"), c.expected) << c.line;
}

TEST(M3uRead, LinesOfEveryKind) {
    const QByteArray text = "#EXTM3U\r\n"
                            "\r\n"
                            "# a comment\r\n"
                            "#EXTINF:-1,Minus one\r\n"
                            "/m/a.mp3\r\n"
                            "#EXTINF:abc,Not a number\r\n"
                            "/m/b.mp3\r\n"
                            "#EXTINF:42\r\n"
                            "/m/c.mp3\r\n"
                            "/m/plain.mp3\r\n"
                            "#EXTINF:5, Spaced , title \r\n"
                            "  D:\\m\\d.mp3  \r\n"
                            "#EXTINF:7,Dangling";
    const auto e = parseM3u(text, "/lists", true);
    ASSERT_EQ(e.size(), 5u);
    const M3uEntry expected[] = {
        {"/m/a.mp3", true, -1, "Minus one"},
        {"/m/b.mp3", true, 0, "Not a number"},
        {"/m/c.mp3", true, 0, ""},
        {"/m/plain.mp3", false, 0, ""},
        {"D:/m/d.mp3", true, 5, "Spaced , title"},
    };
    for (size_t i = 0; i < e.size(); ++i)
        EXPECT_EQ(e[i], expected[i]) << i;
}

TEST(M3uRead, BlanksInPathLinesBelongToTheName) {
    struct Case {
        const char* line; // without its line end
        const char* expected;
    };
    const Case cases[] = {
        {"/m/ lead.mp3", "/m/ lead.mp3"},
        {"/m/trail.mp3 ", "/m/trail.mp3 "},
        {"/m/ both .mp3\t", "/m/ both .mp3\t"},
        {"  /m/indented.mp3", "/m/indented.mp3"},
        {" rel.mp3 ", "/lists/ rel.mp3 "},
        // Lists made on Windows were always read trimmed.
        {" D:\\m\\x.mp3 ", "D:/m/x.mp3"},
        {"\t\\\\srv\\m\\x.mp3 ", "//srv/m/x.mp3"},
        {" sub\\x.mp3 ", "/lists/sub/x.mp3"},
    };
    for (const Case& c : cases) {
        for (const char* end : {"\r\n", "\n", ""}) {
            const QByteArray text = QByteArray("#EXTM3U\r\n#EXTINF:1,x\r\n") + c.line + end;
            const auto e = parseM3u(text, "/lists", true);
            ASSERT_EQ(e.size(), 1u) << c.line;
            EXPECT_EQ(e[0].path, QString::fromUtf8(c.expected)) << c.line << " end " << end;
        }
    }
    // What the suite writes it reads back unchanged.
    const std::vector<M3uEntry> written{{"/m/ lead and trail .mp3 ", true, 3, "a - b"}};
    EXPECT_EQ(parseM3u(formatM3u(written), "/lists", true), written);
}

TEST(M3uRead, HeaderRequiredOnlyWhenAsked) {
    const QByteArray text = "/m/a.mp3\n#EXTINF:3,x\n/m/b.mp3\n";
    EXPECT_TRUE(parseM3u(text, "", true).empty());
    EXPECT_EQ(parseM3u(text, "", false).size(), 2u);
}

TEST(M3uRead, EncodingsAndLineEnds) {
    const QString title = QString::fromUtf8("Кино - Группа крови");
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"utf8 crlf", "#EXTM3U\r\n#EXTINF:1," + title.toUtf8() + "\r\n/m/a.mp3\r\n"},
        {"utf8 lf", "#EXTM3U\n#EXTINF:1," + title.toUtf8() + "\n/m/a.mp3\n"},
        {"cp1251 crlf", "#EXTM3U\r\n#EXTINF:1," + toCp1251(title) + "\r\n/m/a.mp3\r\n"},
        {"bom", "\xEF\xBB\xBF#EXTM3U\n#EXTINF:1," + title.toUtf8() + "\n/m/a.mp3"},
    };
    for (const Case& c : cases) {
        const auto e = parseM3u(c.bytes, "", true);
        ASSERT_EQ(e.size(), 1u) << c.name;
        EXPECT_EQ(e[0].text, title) << c.name;
        EXPECT_EQ(e[0].path, "/m/a.mp3") << c.name;
    }
}

TEST(M3uWrite, SecondsRoundHalfToEven) {
    const std::pair<qint64, qint64> cases[] = {{2500, 2}, {3500, 4}, {2499, 2},  {2501, 3},
                                               {0, 0},    {999, 1},  {-1500, -2}};
    for (auto [ms, s] : cases)
        EXPECT_EQ(roundMsToSeconds(ms), s) << ms;
}

TEST(M3uFiles, DurationTotalsAndMissingFiles) {
    QTemporaryDir dir;
    const QString good = dir.filePath("good.m3u");
    writeBytes(good, "#EXTM3U\r\n#EXTINF:3000000000,big\r\n/a\r\n#EXTINF:-1,x\r\n/b\r\n"
                     "#EXTINF:10\r\n/c\r\n/plain\r\n");
    bool found = false;
    EXPECT_EQ(PlaylistDurationSeconds(good, &found), 2999999999LL);
    EXPECT_TRUE(found);
    const QString headerless = dir.filePath("nohead.m3u");
    writeBytes(headerless, "#EXTINF:10,x\r\n/a\r\n");
    EXPECT_EQ(PlaylistDurationSeconds(headerless, &found), 0);
    EXPECT_EQ(PlaylistDurationSeconds(dir.filePath("missing.m3u"), &found), 0);
    EXPECT_FALSE(found);

    const TVirtualItem ref = playlistReferenceItem(dir.filePath("missing.m3u"), &found);
    EXPECT_FALSE(found);
    EXPECT_EQ(ref.Title(), "PLAYLIST  missing.m3u");
    EXPECT_EQ(ref.DurationText(), "??:??");
    const QString small = dir.filePath("small.m3u");
    writeBytes(small, "#EXTM3U\n#EXTINF:61,x\n/a\n#EXTINF:4,y\n/b\n");
    EXPECT_EQ(playlistReferenceItem(small).DurationText(), "01:05");
}

TEST(M3uFiles, PlayerPlaylistRoundTripIsByteIdentical) {
    QTemporaryDir dir;
    PlaylistView v;
    const char* titles[] = {"Artist - Title", "Кино - Звезда", "  padded  ", ""};
    const char* durations[] = {"03:25", "??:??", "125:01", "00:59"};
    for (int i = 0; i < 4; ++i) {
        TVirtualItem it;
        it.Columns[kColTitle] = QString::fromUtf8(titles[i]);
        it.Columns[kColDurationText] = durations[i];
        it.Columns[kColFileName] = dir.filePath(QStringLiteral("Папка/f%1.mp3").arg(i));
        v.AppendItem(it);
    }
    const QString first = dir.filePath("first.m3u");
    const QString second = dir.filePath("second.m3u");
    ASSERT_TRUE(SavePlaylistTo(v, first));
    PlaylistView back;
    FixedDurations probe;
    EXPECT_EQ(LoadPlaylistInto(back, first, 0, false, kImagePlain, &probe), 4);
    ASSERT_TRUE(SavePlaylistTo(back, second));
    EXPECT_EQ(readBytes(first), readBytes(second));
    EXPECT_TRUE(readBytes(first).startsWith("#EXTM3U\r\n#EXTINF:205,Artist - Title\r\n"));
    EXPECT_EQ(back.at(1).Title(), QString::fromUtf8("Кино - Звезда"));
    EXPECT_EQ(back.at(3).Title(), "f3"); // no display text: the file name
    EXPECT_EQ(back.at(1).DurationText(), "??:??");
    EXPECT_EQ(probe.calls, 1); // only the item without a length was measured
}

TEST(M3uFiles, LoadInsertsAtIndexWithImageAndKeepsMarkers) {
    QTemporaryDir dir;
    const QString list = dir.filePath("l.m3u");
    writeBytes(list, "#EXTM3U\n#EXTINF:1,a\nsub\\a.mp3\n#EXTINF:0,b\n/x/long.mp3\n");
    PlaylistView v;
    v.AppendItem(TVirtualItem{});
    v.AppendItem(TVirtualItem{});
    v.SetPlayingIndex(1);
    FixedDurations probe;
    EXPECT_EQ(LoadPlaylistInto(v, list, 1, false, kImageInserted, &probe), 2);
    EXPECT_EQ(v.PlayingIndex(), 3);
    EXPECT_EQ(v.at(1).FileName(), dir.path() + "/sub/a.mp3");
    EXPECT_EQ(v.at(1).ImageIndex, kImageInserted);
    EXPECT_EQ(v.at(2).DurationText(), "00:02"); // measured 2999 ms
    EXPECT_EQ(LoadPlaylistInto(v, dir.filePath("none.m3u"), 0), 0);

    std::mt19937 rnd(7);
    PlaylistView s;
    EXPECT_EQ(LoadPlaylistInto(s, list, 0, true, 0, nullptr, &rnd), 2);
    QStringList names{s.at(0).Title(), s.at(1).Title()};
    names.sort();
    EXPECT_EQ(names, (QStringList{"a", "b"}));
}

TEST(RecentPlaylistsFile, NineEntriesAtMostAndRoundTrip) {
    QTemporaryDir dir;
    const QString hst = dir.filePath("Default.hst");
    QByteArray twelve;
    for (int i = 1; i <= 12; ++i)
        twelve += "/lists/" + QByteArray::number(i) + ".m3u\r\n";
    writeBytes(hst, twelve);
    RecentPlaylists r;
    ASSERT_TRUE(r.load(hst));
    EXPECT_EQ(r.count(), 9);
    EXPECT_EQ(r.caption(0), "1. /lists/1.m3u");
    r.add("/lists/5.m3u");
    EXPECT_EQ(r.paths().first(), "/lists/5.m3u");
    EXPECT_EQ(r.count(), 9);
    ASSERT_TRUE(r.save(hst));
    RecentPlaylists again;
    ASSERT_TRUE(again.load(hst));
    EXPECT_EQ(again.paths(), r.paths());
    EXPECT_FALSE(again.load(dir.filePath("missing.hst")));
    EXPECT_EQ(again.count(), 9);
}

TEST(LoadQueue, HandOverFilesGoWhereTheMessageSays) {
    QTemporaryDir dir;
    // Written the way the library and the generator write them.
    ASSERT_TRUE(writeHandOverFile(dir.path(), HandOver::Stack,
                                  {{"/s1", true, 1, "s1"}, {"/s2", true, 1, "s2"}}));
    ASSERT_TRUE(writeHandOverFile(dir.path(), HandOver::DbTemp,
                                  {{"/d1", true, 1, "d1"}, {"/d2", true, 1, "d2"}}));
    EXPECT_EQ(handOverPath(dir.path(), HandOver::Stack), dir.filePath("Temp/Stack.m3u"));
    EXPECT_EQ(QDir(dir.filePath("Temp")).entryList(QDir::Files),
              (QStringList{"DBTemp.m3u", "Stack.m3u"})); // no temporary files left
    auto make = [](PlaylistView& v) {
        v.ClearItems();
        for (const char* t : {"m0", "m1", "m2"}) {
            TVirtualItem it;
            it.Columns[kColTitle] = t;
            v.AppendItem(it);
        }
    };
    struct Case {
        qint64 wParam;
        int target, position;
        bool selectFirst; // select item 0 of the receiving list
        const char* list; // "master" or "slave" (the active list is master)
        QStringList expected;
        int selectedAfter;
    };
    const Case cases[] = {
        {0, 0, 0, false, "master", {"s1", "s2"}, -1},
        {1, 0, 0, false, "master", {"m0", "m1", "m2", "d1", "d2"}, -1},
        {1, 1, 1, false, "master", {"m0", "m1", "m2", "d1", "d2"}, -1},
        {1, 1, 2, false, "master", {"m0", "d1", "d2", "m1", "m2"}, -1},
        {1, 2, 2, false, "slave", {"m0", "m1", "m2", "d1", "d2"}, -1},
        {1, 1, 3, true, "master", {"m0", "d1", "d2", "m1", "m2"}, 2},
        {1, 2, 3, false, "slave", {"m0", "m1", "m2", "d1", "d2"}, -1},
        {1, 7, 9, false, "master", {"m0", "m1", "m2", "d1", "d2"}, -1},
        {5, 1, 1, false, "master", {"m0", "m1", "m2"}, -1},
    };
    for (const Case& c : cases) {
        PlaylistView master, slave;
        make(master);
        make(slave);
        master.SetPlayingIndex(0);
        PlaylistView& receiving = QString(c.list) == "slave" ? slave : master;
        if (c.selectFirst) receiving.selectOnly(0);
        handleLoadQueue(c.wParam, (qint64(c.position) << 16) | c.target, {&master, &master, &slave},
                        dir.path());
        QStringList got;
        for (int i = 0; i < receiving.count(); ++i)
            got << receiving.at(i).Title();
        EXPECT_EQ(got, c.expected) << c.wParam << " " << c.target << " " << c.position;
        EXPECT_EQ(receiving.firstSelected(), c.selectedAfter) << c.target << c.position;
    }
    QTemporaryDir empty;
    PlaylistView m;
    make(m);
    const auto r = handleLoadQueue(1, 0, {&m, &m, nullptr}, empty.path());
    EXPECT_EQ(r.inserted, 0);
    EXPECT_EQ(m.count(), 3);
}

TEST(PresetNames, UnsafeCharactersRemovedAndListing) {
    EXPECT_EQ(stripUnsafePresetChars("a\"b*c/d<e>f?g\\h|i j"), "abcdefghi j");
    QTemporaryDir dir;
    for (const char* f : {"b.crp", "A.crp", "c.txt"})
        writeBytes(dir.filePath(f), "x");
    EXPECT_EQ(ListPresetNames(dir.path(), "crp"), (QStringList{"A", "b"}));
}

TEST(ShellAssociation, DesktopEntriesAndDefaultApplications) {
    EXPECT_EQ(shellExtensions(" MP3|ogg||m3u|wav"), (QStringList{"mp3", "ogg", "m3u", "wav"}));
    QTemporaryDir dir;
    const QString apps = dir.filePath("applications");
    writeBytes(apps + "/mimeapps.list", "[Added Associations]\naudio/mpeg=other.desktop;\n"
                                        "[Default Applications]\naudio/mpeg=other.desktop;\n"
                                        "text/plain=editor.desktop;\n");
    ASSERT_TRUE(RegisterShellTypes("mp3|ogg|m3u|", "/opt/wc/player", dir.path()));
    const QString file = QString::fromUtf8(readBytes(apps + "/" + kFileDesktopId));
    const QString list = QString::fromUtf8(readBytes(apps + "/" + kListDesktopId));
    EXPECT_TRUE(file.contains("Exec=\"/opt/wc/player\" file %f\n"));
    EXPECT_TRUE(file.contains("audio/mpeg;audio/ogg;"));
    EXPECT_FALSE(file.contains("mpegurl"));
    EXPECT_TRUE(list.contains("Exec=\"/opt/wc/player\" list %f\n"));
    EXPECT_TRUE(list.contains("MimeType=audio/x-mpegurl;"));
    const QString mimeapps = QString::fromUtf8(readBytes(apps + "/mimeapps.list"));
    EXPECT_TRUE(mimeapps.contains("[Added Associations]\naudio/mpeg=other.desktop;\n"));
    EXPECT_TRUE(
        mimeapps.contains("[Default Applications]\naudio/mpeg=" + QString(kFileDesktopId) + ";\n"));
    EXPECT_TRUE(mimeapps.contains("text/plain=editor.desktop;"));
    EXPECT_TRUE(mimeapps.contains("audio/x-mpegurl=" + QString(kListDesktopId) + ";"));
    EXPECT_FALSE(mimeapps.contains("audio/x-wav"));
}

TEST(ShellAssociation, LibraryFilesOpenWithTheLibraryProgram) {
    QTemporaryDir dir;
    const QString apps = dir.filePath("applications");
    writeBytes(apps + "/mimeapps.list", "[Default Applications]\naudio/mpeg=player.desktop;\n");
    ASSERT_TRUE(RegisterLibraryType("/opt/wc/my base", dir.path(), false));
    const QString mime =
        QString::fromUtf8(readBytes(dir.filePath("mime/packages/wavecrest-library.xml")));
    EXPECT_TRUE(mime.contains("<mime-type type=\"application/x-wavecrest-library\">"));
    EXPECT_TRUE(mime.contains("<glob pattern=\"*.dfs\"/>"));
    const QString entry = QString::fromUtf8(readBytes(apps + "/" + kLibraryDesktopId));
    EXPECT_TRUE(entry.contains("Exec=\"/opt/wc/my base\" %f\n"));
    EXPECT_TRUE(entry.contains("MimeType=application/x-wavecrest-library;\n"));
    const QString mimeapps = QString::fromUtf8(readBytes(apps + "/mimeapps.list"));
    EXPECT_TRUE(mimeapps.contains("audio/mpeg=player.desktop;"));
    EXPECT_TRUE(
        mimeapps.contains("application/x-wavecrest-library=" + QString(kLibraryDesktopId) + ";"));
    // Registering again changes nothing.
    ASSERT_TRUE(RegisterLibraryType("/opt/wc/my base", dir.path(), false));
    EXPECT_EQ(QString::fromUtf8(readBytes(apps + "/mimeapps.list")), mimeapps);
}
