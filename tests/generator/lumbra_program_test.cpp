// The real Lumbra program: the unattended mode on a generated library, whose playlist the
// player's loader reads, and the window's messages; plus the hand-over to a player.
#include "common/messages.h"
#include "common/paths.h"
#include "generator/core/session.h"
#include "genfixture.h"
#include "platform/messagebus.h"
#include "platform/prompts.h"
#include "player/core/playlist/playlistfiles.h"
#include "player/core/playlist/playlistview.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <csignal>

using namespace wc;
using namespace gentest;

namespace {

class Home {
public:
    Home() {
        env = QProcessEnvironment::systemEnvironment();
        env.insert("WAVECREST_HOME", home.path());
        env.insert("WAVECREST_RUNTIME_DIR", runtime.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        std::vector<Track> tracks;
        for (int i = 0; i < 200; ++i)
            tracks.push_back({QStringLiteral("Artist %1").arg(i), QStringLiteral("Song %1").arg(i),
                              150 + (i * 37) % 200});
        QDir().mkpath(home.filePath("Database"));
        EXPECT_TRUE(writeLibraryFile(library(), makeLibrary(tracks, home.path())));
    }
    QString library() const { return home.filePath("Database/Base.dfs"); }
    void preset(const QString& name, const QByteArray& text) {
        writeText(home.filePath("Presets/Generator/" + name + ".prs"), text);
    }
    struct Result {
        int exitCode;
        QString output;
    };
    Result run(const QStringList& args) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(WC_LUMBRA_EXE), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput())};
    }
    // Starts the generator's window on the library and returns its bus address once it is
    // registered (0 when it never appears).
    WindowHandle startWindow(QProcess& p) {
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral(WC_LUMBRA_EXE), {library()});
        EXPECT_TRUE(p.waitForStarted(10000));
        WindowHandle wnd = 0;
        QElapsedTimer t;
        t.start();
        while (!wnd && t.elapsed() < 20000 && p.state() == QProcess::Running) {
            wnd = findWindow(QString::fromLatin1(kGeneratorWindowClass), QString());
            if (!wnd) QThread::msleep(50);
        }
        return wnd;
    }
    QTemporaryDir home, runtime;
    QProcessEnvironment env;
};

int loadWithPlayer(const QString& file) {
    PlaylistView view;
    return LoadPlaylistInto(view, file, 0);
}

} // namespace

TEST(LumbraUnattended, WritesPlaylistsThatThePlayerLoads) {
    Home h;
    h.preset("Count", "[Step1]\r\nType=1\r\nCount=25\r\n[Step2]\r\nNoRepeatArtists=1\r\n");
    h.preset("Evening", "[Step1]\r\nType=2\r\nCount=120\r\nStartTime=23\r\nIsStartTime=1\r\n");
    struct Case {
        const char* preset;
        int minItems, maxItems;
        double minMinutes, maxMinutes;
    };
    // 200 tracks of 2.5 to 5.8 minutes.
    const Case cases[] = {{"Count", 25, 25, 0, 1e9}, {"Evening", 20, 50, 112, 128}};
    for (const Case& c : cases) {
        const QString out = h.home.filePath(QStringLiteral("out/%1.m3u").arg(c.preset));
        QDir().mkpath(h.home.filePath("out"));
        const Home::Result r = h.run({h.library(), "--preset", c.preset, "--output", out});
        EXPECT_EQ(r.exitCode, 0) << c.preset;
        EXPECT_EQ(r.output.trimmed(), QStringLiteral("ok")) << c.preset;
        const int n = loadWithPlayer(out);
        EXPECT_GE(n, c.minItems) << c.preset;
        EXPECT_LE(n, c.maxItems) << c.preset;
        qint64 seconds = 0;
        for (const M3uEntry& e : readOutput(out))
            seconds += e.seconds;
        EXPECT_GE(seconds / 60.0, c.minMinutes) << c.preset;
        EXPECT_LE(seconds / 60.0, c.maxMinutes) << c.preset;
        EXPECT_TRUE(QFileInfo::exists(h.home.filePath("Log/Playlist Generator Log (artist).log")));
    }
    EXPECT_TRUE(QFileInfo::exists(h.home.filePath("Log/Playlist Generator Log.txt")));
}

TEST(LumbraUnattended, HandEditedCountAndStartHourAreClampedAsInTheWindow) {
    Home h;
    writeList(h.home.filePath("clock.m3u"), {{5, "/sig/23 signal.mp3"}, {5, "/sig/00 signal.mp3"}});
    h.preset("Huge", "[Step1]\r\nType=1\r\nCount=50000\r\n");
    h.preset("Late", "[Step1]\r\nType=2\r\nCount=60\r\nStartTime=30\r\nIsStartTime=1\r\n"
                     "[Step5]\r\nIsClock=1\r\nPlayList=" +
                         h.home.filePath("clock.m3u").toUtf8() + "\r\n");
    struct Case {
        const char* preset;
        size_t items;      // 0: not checked
        const char* first; // the first item's path, or nullptr
    };
    const Case cases[] = {
        {"Huge", 10000, nullptr},          // the track count field ends at 10000
        {"Late", 0, "/sig/23 signal.mp3"}, // the start hour field ends at 23
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.preset);
        const QString out = h.home.filePath(QStringLiteral("%1.m3u").arg(c.preset));
        const Home::Result r = h.run({h.library(), "--preset", c.preset, "--output", out});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.output.trimmed(), QStringLiteral("ok"));
        const auto entries = readOutput(out);
        if (c.items) {
            EXPECT_EQ(entries.size(), c.items);
        }
        if (c.first) {
            ASSERT_FALSE(entries.empty());
            EXPECT_EQ(entries.front().path, QString::fromLatin1(c.first));
        }
    }
}

TEST(LumbraUnattended, ErrorsExitWithOneAndKeepThePreviousPlaylist) {
    Home h;
    h.preset("TooMany", "[Step1]\r\nType=1\r\nCount=500\r\n[Step2]\r\nDontRepeat=1\r\n");
    const QString out = h.home.filePath("out.m3u");
    writeText(out, "#EXTM3U\r\n#EXTINF:1,x\r\n/keep.mp3\r\n");
    struct Case {
        QStringList args;
        const char* contains;
    };
    const Case cases[] = {
        {{h.library(), "--preset", "TooMany", "--output", out}, "недостаточно треков"},
        {{h.library(), "--preset", "Nowhere", "--output", out}, "not found"},
        {{"--preset", "TooMany"}, "usage"},
    };
    for (const Case& c : cases) {
        const Home::Result r = h.run(c.args);
        EXPECT_EQ(r.exitCode, 1) << c.contains;
        EXPECT_TRUE(r.output.contains(QString::fromUtf8(c.contains))) << r.output.toStdString();
        EXPECT_EQ(fileBytes(out), QByteArray("#EXTM3U\r\n#EXTINF:1,x\r\n/keep.mp3\r\n"));
    }
    EXPECT_FALSE(QFileInfo::exists(out + ".generating"));
}

TEST(LumbraWindow, AnswersPingAttachAndStopsOnSigterm) {
    Home h;
    qputenv("WAVECREST_RUNTIME_DIR", h.runtime.path().toUtf8());
    QProcess p;
    const WindowHandle wnd = h.startWindow(p);
    ASSERT_NE(wnd, 0) << p.readAll().toStdString();
    EXPECT_EQ(sendMessage(wnd, MSG_PING, 0, 0), std::optional<qint64>(kGeneratorPingAnswer));
    EXPECT_EQ(sendMessage(wnd, MSG_GENERATOR_ATTACH, 4242, kGeneratorAttachKey),
              std::optional<qint64>(1));
    EXPECT_EQ(p.state(), QProcess::Running);
    ::kill(pid_t(p.processId()), SIGTERM);
    EXPECT_TRUE(p.waitForFinished(15000));
    EXPECT_EQ(p.exitCode(), 0);
    // Closing wrote the options file.
    EXPECT_TRUE(QFileInfo::exists(h.home.filePath("Lumbra.ini")));
    qunsetenv("WAVECREST_RUNTIME_DIR");
}

TEST(LumbraWindow, AttachWithoutTheKeyClosesIt) {
    Home h;
    qputenv("WAVECREST_RUNTIME_DIR", h.runtime.path().toUtf8());
    QProcess p;
    const WindowHandle wnd = h.startWindow(p);
    ASSERT_NE(wnd, 0);
    sendMessage(wnd, MSG_GENERATOR_ATTACH, 4242, 7);
    EXPECT_TRUE(p.waitForFinished(15000));
    qunsetenv("WAVECREST_RUNTIME_DIR");
}

TEST(GeneratorHandOver, StackIsCompleteWhenThePlayerIsAskedToLoadIt) {
    QTemporaryDir home, runtime;
    qputenv("WAVECREST_HOME", home.path().toUtf8());
    qputenv("WAVECREST_RUNTIME_DIR", runtime.path().toUtf8());
    setProgramDirFrom(QStringLiteral("/nonexistent/Lumbra"));
    ASSERT_EQ(programDir(), home.path() + u'/');
    RecordingPrompts rec;
    setPrompts(&rec);
    std::vector<Track> tracks;
    for (int i = 0; i < 20; ++i)
        tracks.push_back({QStringLiteral("A%1").arg(i), QStringLiteral("T%1").arg(i), 200});
    ASSERT_TRUE(writeLibraryFile(home.filePath("Base.dfs"), makeLibrary(tracks, home.path())));

    GeneratorSession session(home.filePath("Base.dfs"));
    session.start();
    EXPECT_EQ(session.handleMessage(MSG_PING, 0, 0), kGeneratorPingAnswer);
    EXPECT_FALSE(session.sendToPlayer()); // no player recorded yet

    std::vector<std::pair<qint64, int>> loads; // wParam, items loaded
    Endpoint player("TForm1", "player", [&](quint32 msg, qint64 w, qint64) -> qint64 {
        if (msg == MSG_LOAD_QUEUE) loads.push_back({w, loadWithPlayer(session.stackPath())});
        return 1;
    });
    ASSERT_NE(player.handle(), 0);
    bool closed = false;
    session.onClose = [&] { closed = true; };
    session.handleMessage(MSG_GENERATOR_ATTACH, player.handle(), kGeneratorAttachKey);
    EXPECT_FALSE(closed);
    EXPECT_EQ(session.playerWindow(), player.handle());

    GeneratorTemplate t;
    t.trackCount = 12;
    ScriptedRandom script({3, 1, 4, 1, 5, 9, 2, 6, 5, 3, 5, 8});
    EXPECT_FALSE(session.generate(t, GeneratorOptions{}, &script).error);
    EXPECT_TRUE(session.sendToPlayer());
    ASSERT_EQ(loads.size(), 1u);
    EXPECT_EQ(loads[0].first, 0);
    EXPECT_EQ(loads[0].second, 12);

    // Save to file copies the hand-over playlist.
    ASSERT_TRUE(session.saveTo(home.filePath("copy.m3u")));
    EXPECT_EQ(fileBytes(home.filePath("copy.m3u")), fileBytes(session.stackPath()));

    session.handleMessage(MSG_GENERATOR_CLOSE, 0, 0);
    EXPECT_TRUE(closed);
    setPrompts(nullptr);
    qunsetenv("WAVECREST_HOME");
    qunsetenv("WAVECREST_RUNTIME_DIR");
}
