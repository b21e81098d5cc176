// The real player broadcasting to a real icecast2 started by the test: offscreen, in a
// throw-away program folder, on device 0 (the real-time "No sound" device paces the stream),
// stopped with SIGTERM. A listener decodes the mount; the server's status shows the stream and
// the title of the item on air. These run in real time, a few seconds each.
#include "common/ini.h"
#include "common/playlistfile/m3u.h"
#include "tests/audio/icecastserver.h"
#include "tests/player/wavtone.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

using namespace wc;
using wc::audio::test::IcecastServer;
using wc::audio::test::probeStream;
using wc::test::writeTone;

namespace {

class BroadcastProgram : public ::testing::Test {
protected:
    void SetUp() override {
        if (!IcecastServer::available()) GTEST_SKIP() << "icecast2 is not installed";
        ASSERT_TRUE(server.start()) << server.log().toStdString();
        QDir(home.path()).mkpath("Profile");
        IniFile sys(home.filePath("system.ini"));
        sys.writeInt("Device", "MainDev", 0);
        sys.writeInt("Device", "SecondDev", 0);
        ASSERT_TRUE(sys.save());
        // A generated playlist of tones, started by the start-up script. The files have no
        // tags: the announcement titles each item after its file name.
        std::vector<M3uEntry> list;
        for (int i = 0; i < 3; ++i) {
            M3uEntry e;
            e.path = home.filePath(QStringLiteral("Tone %1.wav").arg(i));
            writeTone(e.path, 3.0, 440 + 220 * i);
            e.hasInfo = true;
            e.seconds = 3;
            e.text = QStringLiteral("Tone %1").arg(i);
            list.push_back(e);
        }
        ASSERT_TRUE(writeM3uFile(home.filePath("Profile/Default.m3u"), list));
        QFile autoexec(home.filePath("autoexec.ini"));
        ASSERT_TRUE(autoexec.open(QIODevice::WriteOnly));
        autoexec.write("startplaylist\r\n");
    }
    void TearDown() override {
        if (player.state() != QProcess::NotRunning) {
            player.kill();
            player.waitForFinished(5000);
        }
    }
    void configure(int format, const QString& serverText, const QString& password,
                   bool autoReconnect = false) {
        IniFile ini(home.filePath("player.ini"));
        ini.writeInt("Options", "UID", 4242);
        ini.writeInt("Broadcast", "bEnableBroadcast", 1);
        ini.writeString("Broadcast", "sServer", serverText);
        ini.writeString("Broadcast", "sPassword", password);
        ini.writeString("Broadcast", "sStreamTitle", "Program stream");
        ini.writeInt("Broadcast", "iFormat", format);
        ini.writeInt("Broadcast", "iBitrate", 96);
        ini.writeInt("Broadcast", "bAutoReconnect", autoReconnect ? 1 : 0);
        ASSERT_TRUE(ini.save());
    }
    void startPlayer() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("WAVECREST_HOME", home.path());
        env.insert("WAVECREST_RUNTIME_DIR", runtime.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_DATA_HOME", home.filePath("xdg"));
        player.setProcessEnvironment(env);
        player.setProcessChannelMode(QProcess::MergedChannels);
        player.start(QStringLiteral(WC_PLAYER_EXE), {});
        ASSERT_TRUE(player.waitForStarted(10000));
    }
    // Waits until the player's output holds text; false after ms.
    bool waitForOutput(const QByteArray& text, int ms = 20000) {
        const QDeadlineTimer deadline(ms);
        while (!out.contains(text) && !deadline.hasExpired() &&
               player.state() == QProcess::Running) {
            player.waitForReadyRead(100);
            out += player.readAll();
        }
        return out.contains(text);
    }
    // Waits until the server's status shows title on the mount (the player's output is read
    // meanwhile).
    bool waitForTitle(const QString& mount, const QString& title, int ms = 15000) {
        const QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            if (server.sources()[mount].toObject()["title"].toString() == title) return true;
            player.waitForReadyRead(100);
            out += player.readAll();
        }
        return false;
    }
    bool stopWithSigterm() {
        ::kill(pid_t(player.processId()), SIGTERM);
        const bool ok = player.waitForFinished(15000) &&
                        player.exitStatus() == QProcess::NormalExit && player.exitCode() == 0;
        out += player.readAll();
        return ok;
    }

    IcecastServer server;
    QTemporaryDir home, runtime;
    QProcess player;
    QByteArray out;
};

struct FormatCase {
    int format;
    const char* mount;
    const char* codec;
};

class BroadcastFormats : public BroadcastProgram,
                         public ::testing::WithParamInterface<FormatCase> {};

TEST_P(BroadcastFormats, ThePlaylistStreamsDecodesAndEachItemsTitleReachesTheServer) {
    const FormatCase c = GetParam();
    configure(c.format, server.server(c.mount), IcecastServer::kPassword);
    startPlayer();
    ASSERT_TRUE(waitForOutput("{Broadcast}: Connected to server!")) << out.toStdString();
    EXPECT_TRUE(waitForTitle(c.mount, "Tone 0")) << out.toStdString();
    const QJsonObject src = server.sources()[c.mount].toObject();
    EXPECT_EQ(src["server_name"].toString(), QStringLiteral("Program stream"));
    // The next item's title follows it (in the Ogg stream itself as a new chained stream).
    EXPECT_TRUE(waitForTitle(c.mount, "Tone 1")) << out.toStdString();
    const auto probe = probeStream(server.url(c.mount), 1.0);
    EXPECT_EQ(probe.codec, QString::fromLatin1(c.codec));
    EXPECT_GT(probe.seconds, 0.5);
    EXPECT_TRUE(stopWithSigterm());
    EXPECT_FALSE(out.contains(IcecastServer::kPassword)) << "the password is never logged";
}

INSTANTIATE_TEST_SUITE_P(Formats, BroadcastFormats,
                         ::testing::Values(FormatCase{0, "/radio.mp3", "mp3"},
                                           FormatCase{1, "/radio.ogg", "vorbis"},
                                           FormatCase{2, "/radio.aac", "aac"}),
                         [](const auto& info) { return std::string(info.param.codec); });

TEST_F(BroadcastProgram, AServerWithoutMountTakesAnIcySourceAndItsTitles) {
    configure(0, server.server(QString()), IcecastServer::kPassword);
    startPlayer();
    ASSERT_TRUE(waitForOutput("{Broadcast}: Connected to server!")) << out.toStdString();
    EXPECT_TRUE(waitForTitle("/sc", "Tone 0")) << out.toStdString();
    EXPECT_TRUE(waitForTitle("/sc", "Tone 1")) << out.toStdString();
    EXPECT_TRUE(stopWithSigterm());
}

TEST_F(BroadcastProgram, AWrongPasswordIsLoggedAndPlayoutGoesOn) {
    configure(0, server.server("/radio.mp3"), "not-the-password");
    startPlayer();
    EXPECT_TRUE(waitForOutput(
        "{Broadcast}: Cannot start broadcasting. Error code: 2100 (invalid password)"))
        << out.toStdString();
    EXPECT_TRUE(waitForOutput("On air: Tone 1")) << out.toStdString();
    EXPECT_TRUE(stopWithSigterm());
    EXPECT_FALSE(out.contains("not-the-password"));
}

TEST_F(BroadcastProgram, AfterTheServerRestartsTheStreamComesBackWithTheCurrentTitle) {
    configure(0, server.server("/radio.mp3"), IcecastServer::kPassword, true);
    startPlayer();
    ASSERT_TRUE(waitForOutput("{Broadcast}: Connected to server!")) << out.toStdString();
    ASSERT_TRUE(waitForTitle("/radio.mp3", "Tone 0")) << out.toStdString();
    server.stop();
    EXPECT_TRUE(waitForOutput("{Broadcast}: Connection/encoder died. Restarting..."))
        << out.toStdString();
    ASSERT_TRUE(server.start());
    QElapsedTimer back;
    back.start();
    out.clear();
    ASSERT_TRUE(waitForOutput("{Broadcast}: Connected to server!")) << out.toStdString();
    // The title in force goes to the new connection without waiting for the next item.
    const QString onAir = QString::fromUtf8(out.contains("On air: Tone 2")   ? "Tone 2"
                                            : out.contains("On air: Tone 1") ? "Tone 1"
                                                                             : "Tone 0");
    EXPECT_TRUE(waitForTitle("/radio.mp3", onAir, 5000)) << out.toStdString();
    std::printf("stream back %lld ms after the server accepted connections\n",
                static_cast<long long>(back.elapsed()));
    EXPECT_TRUE(stopWithSigterm());
}

} // namespace
