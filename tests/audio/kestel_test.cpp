// The device lister: its lines, and the program's --list output.
#include "audio/audiosystem.h"
#include "devices/devicelist.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

TEST(DeviceList, OneNumberedLinePerDeviceInLibraryOrder) {
    EXPECT_EQ(wc::deviceListText({"No sound", "Speakers", "HDMI out"}, "\r\n"),
              "0:  No sound\r\n1:  Speakers\r\n2:  HDMI out\r\n");
    EXPECT_EQ(wc::deviceListText({}, "\r\n"), "");
}

TEST(DeviceList, LibraryListsNoSoundFirst) {
    const QStringList devices = wc::audio::AudioSystem::outputDevices();
    ASSERT_FALSE(devices.isEmpty());
    EXPECT_EQ(devices.first(), "No sound");
}

TEST(Kestel, ListPrintsTheDeviceLinesAndExits) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(KESTEL_PATH, {"--list"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(out.startsWith("0:  No sound\n")) << out.toStdString();
    // The same lines as the library gives in this process, numbered from 0 without gaps.
    EXPECT_EQ(out, wc::deviceListText(wc::audio::AudioSystem::outputDevices(), "\n"));
    const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
    for (int i = 0; i < lines.size(); ++i)
        EXPECT_TRUE(lines[i].startsWith(QString::number(i) + ":  ")) << lines[i].toStdString();
}

// Runs Kestel --list offscreen in a throw-away program folder with the given environment.
QString kestelList(const QProcessEnvironment& base, const QString& home) {
    QProcess p;
    QProcessEnvironment env = base;
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("WAVECREST_HOME", home);
    p.setProcessEnvironment(env);
    p.start(KESTEL_PATH, {"--list"});
    if (!p.waitForFinished(30000)) return QStringLiteral("<timed out>");
    return QString::fromUtf8(p.readAllStandardOutput());
}

// A PulseAudio server with only a null sink (no sound card at all): the sound devices it
// offers are listed after "No sound", numbered on; without the server only "No sound" is
// left. Skipped where the pulseaudio program is not installed.
TEST(Kestel, ListShowsTheDevicesOfAPulseAudioNullSink) {
    const QString pulseaudio = QStandardPaths::findExecutable("pulseaudio");
    const QString pactl = QStandardPaths::findExecutable("pactl");
    if (pulseaudio.isEmpty() || pactl.isEmpty()) GTEST_SKIP() << "pulseaudio is not installed";
    QTemporaryDir runtime, state, home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    env.insert("PULSE_RUNTIME_PATH", runtime.filePath("pulse"));
    env.insert("PULSE_STATE_PATH", state.path());
    env.insert("HOME", state.path());
    env.remove("PULSE_SERVER");

    QProcess server;
    server.setProcessEnvironment(env);
    server.start(pulseaudio,
                 {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "-L",
                  "module-null-sink sink_name=wc_null", "-L", "module-native-protocol-unix"});
    ASSERT_TRUE(server.waitForStarted(10000));
    // Ready once the sink is there.
    bool ready = false;
    QElapsedTimer waited;
    waited.start();
    while (!ready && waited.elapsed() < 20000) {
        QProcess q;
        q.setProcessEnvironment(env);
        q.start(pactl, {"list", "short", "sinks"});
        ready = q.waitForFinished(5000) && q.readAllStandardOutput().contains("wc_null");
        if (!ready) QThread::msleep(100);
    }
    ASSERT_TRUE(ready) << "the null sink did not come up";

    const QString with = kestelList(env, home.path());
    server.terminate(); // SIGTERM
    server.waitForFinished(10000);
    if (server.state() != QProcess::NotRunning) server.kill();

    const QStringList lines = with.split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 2) << with.toStdString();
    EXPECT_EQ(lines[0], "0:  No sound");
    for (int i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(lines[i].startsWith(QString::number(i) + ":  ")) << lines[i].toStdString();
        EXPECT_GT(lines[i].size(), QString::number(i).size() + 3) << "a device without a name";
    }
    // The server gone, its devices are gone: "No sound" stays first, and fewer lines remain
    // (only "No sound" on a machine without a sound card).
    const QString without = kestelList(env, home.path());
    EXPECT_TRUE(without.startsWith("0:  No sound\n")) << without.toStdString();
    EXPECT_LT(without.split('\n', Qt::SkipEmptyParts).size(), lines.size())
        << without.toStdString();
}

} // namespace
