// Runs the real player program: offscreen, in throw-away program folders, on device 0,
// stopped with SIGTERM.
#include "common/ini.h"
#include "common/messages.h"
#include "common/playlistfile/m3u.h"
#include "common/trackstore/trackstore.h"
#include "common/version.h"
#include "platform/instancelock.h"
#include "platform/messagebus.h"
#include "player/core/guard.h"
#include "player/core/profile/profile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <csignal>
#include <gtest/gtest.h>

using namespace wc;

namespace {

class Station {
public:
    explicit Station(const QString& runtime, std::optional<int> uid) {
        EXPECT_TRUE(home.isValid());
        QDir(home.path()).mkpath("Profile");
        IniFile sys(home.filePath("system.ini"));
        sys.writeInt("Device", "MainDev", 0);
        sys.writeInt("Device", "SecondDev", 0);
        EXPECT_TRUE(sys.save());
        if (uid) {
            IniFile ini(home.filePath("player.ini"));
            ini.writeInt("Options", "UID", *uid);
            EXPECT_TRUE(ini.save());
        }
        env = QProcessEnvironment::systemEnvironment();
        env.insert("WAVECREST_HOME", home.path());
        env.insert("WAVECREST_RUNTIME_DIR", runtime);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        // The shell association writes desktop entries: into the throw-away folder.
        env.insert("XDG_DATA_HOME", home.filePath("xdg"));
    }
    ~Station() {
        for (auto& p : procs)
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
    }
    QProcess& start(const QStringList& args = {}) {
        procs.push_back(std::make_unique<QProcess>());
        QProcess& p = *procs.back();
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral(WC_PLAYER_EXE), args);
        EXPECT_TRUE(p.waitForStarted(10000));
        return p;
    }
    qint32 uid() const {
        return IniFile(home.filePath("player.ini")).readInt("Options", "UID", -1);
    }
    // The main window of the running instance, once it has recorded itself.
    WindowHandle waitForWindow(QProcess& p) const {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 20000 && p.state() == QProcess::Running) {
            const qint32 id = uid();
            if (id >= 0)
                if (WindowHandle h = InstanceLock::ownerWindow(instanceLockName(id))) return h;
            QThread::msleep(50);
        }
        return 0;
    }
    QTemporaryDir home;
    QProcessEnvironment env;
    std::vector<std::unique_ptr<QProcess>> procs;
};

bool stopWithSigterm(QProcess& p) {
    ::kill(pid_t(p.processId()), SIGTERM);
    return p.waitForFinished(15000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override { qputenv("WAVECREST_RUNTIME_DIR", runtime.path().toUtf8()); }
    QTemporaryDir runtime;
};

} // namespace

TEST_F(ProgramTest, VersionOption) {
    QProcess p;
    p.start(QStringLiteral(WC_PLAYER_EXE), {"--version"});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(p.readAllStandardOutput().startsWith("player " WC_VERSION_TEXT));
}

TEST_F(ProgramTest, SecondStartActivatesTheFirstAndOtherInstallationsRunBesideIt) {
    Station one(runtime.path(), std::nullopt); // fresh install: the number is drawn at start
    QProcess& first = one.start();
    const WindowHandle w = one.waitForWindow(first);
    ASSERT_NE(w, 0) << first.readAll().toStdString();
    EXPECT_EQ(sendMessage(w, MSG_PING, 0, 0, 5000), std::optional<qint64>(10000));
    EXPECT_EQ(sendMessage(w, MSG_WATCHDOG_PING, 0, 0, 5000), std::optional<qint64>(1));

    QProcess& second = one.start({"file", "/nowhere/x.mp3"});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitCode(), 0);
    QElapsedTimer t;
    t.start();
    QByteArray out;
    while (t.elapsed() < 10000 && !out.contains("restored and raised")) {
        first.waitForReadyRead(200);
        out += first.readAll();
    }
    EXPECT_TRUE(out.contains("restored and raised")) << out.toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);

    Station two(runtime.path(), one.uid() == 12345 ? 54321 : 12345);
    QProcess& other = two.start();
    const WindowHandle w2 = two.waitForWindow(other);
    ASSERT_NE(w2, 0) << other.readAll().toStdString();
    EXPECT_NE(w2, w);
    EXPECT_EQ(sendMessage(w2, MSG_PING, 0, 0, 5000), std::optional<qint64>(10000));

    EXPECT_TRUE(stopWithSigterm(first));
    EXPECT_TRUE(stopWithSigterm(other));
    // The orderly close wrote the settings and the last profile.
    EXPECT_TRUE(QFile::exists(one.home.filePath("player.ini")));
    EXPECT_TRUE(QFile::exists(one.home.filePath("system.ini")));
    EXPECT_EQ(IniFile(one.home.filePath("Profile/run.ini"))
                  .readString("LastProfile", "LastProfileName", ""),
              one.home.filePath("Profile/Default.prf"));
    EXPECT_EQ(IniFile(one.home.filePath("system.ini")).readInt("Device", "MainDev", -1), 0);
}

namespace {

std::vector<M3uEntry> entries(std::initializer_list<const char*> paths) {
    std::vector<M3uEntry> out;
    int n = 0;
    for (const char* p : paths) {
        M3uEntry e;
        e.path = QString::fromUtf8(p);
        e.hasInfo = true;
        e.seconds = 60 + n++;
        e.text = QFileInfo(e.path).completeBaseName();
        out.push_back(e);
    }
    return out;
}

QStringList pathsOf(const std::vector<M3uEntry>& list) {
    QStringList out;
    for (const M3uEntry& e : list)
        out << e.path;
    return out;
}

} // namespace

// The list verb, the load-queue hand-over and the file verb on the real program; the on-air
// list is saved with the profile at exit and comes back at the next start.
TEST_F(ProgramTest, PlaylistsLoadHandOverAndSurviveARestart) {
    Station st(runtime.path(), 777);
    const QString list = st.home.filePath("evening.m3u");
    ASSERT_TRUE(writeM3uFile(list, entries({"/music/a.mp3", "/music/b b.mp3", "/music/c.ogg"})));

    QProcess& first = st.start({"list", list});
    const WindowHandle w = st.waitForWindow(first);
    ASSERT_NE(w, 0) << first.readAll().toStdString();
    ASSERT_TRUE(
        writeHandOverFile(st.home.path() + '/', HandOver::DbTemp, entries({"/music/d.flac"})));
    // Target main list (low word 1), at its end (high word 1).
    EXPECT_EQ(sendMessage(w, MSG_LOAD_QUEUE, 1, (1 << 16) | 1, 5000), std::optional<qint64>(1));
    ASSERT_TRUE(stopWithSigterm(first));
    const QString saved = st.home.filePath("Profile/Default.m3u");
    EXPECT_EQ(pathsOf(readM3uFile(saved)),
              QStringList({"/music/a.mp3", "/music/b b.mp3", "/music/c.ogg", "/music/d.flac"}));
    // Titles and lengths went through the list unchanged.
    EXPECT_EQ(readM3uFile(saved)[1].text, "b b");
    EXPECT_EQ(readM3uFile(saved)[1].seconds, 61);
    // The profile keeps the lists' column widths (the built-in ones so far, with the layout
    // version); widths put into it come back on the lists and are saved again.
    const QString prf = st.home.filePath("Profile/Default.prf");
    TProfile profile;
    TFXParams fx;
    ReadProfile(profile, fx, prf, st.home.path() + '/');
    EXPECT_EQ(storedColumnWidths(profile.ColumnsMaster, 3), (std::vector<int>{40, 90, 320}));
    EXPECT_EQ(profile.ColumnsMaster[15], kColumnsLayoutVersion);
    profile.ColumnsMaster = columnWidthsRecord({55, 95, 333}, true);
    profile.ColumnsSlave = columnWidthsRecord({44, 0, 222}, false);
    ASSERT_TRUE(WriteProfile(profile, fx, prf));

    QProcess& second = st.start({"file", "/music/new.wav"});
    ASSERT_NE(st.waitForWindow(second), 0) << second.readAll().toStdString();
    ASSERT_TRUE(stopWithSigterm(second));
    // Started with the association on (the default): the playlist entry opens with "list".
    QFile desktop(st.home.filePath("xdg/applications/wavecrest-player-list.desktop"));
    ASSERT_TRUE(desktop.open(QIODevice::ReadOnly));
    EXPECT_TRUE(desktop.readAll().contains(" list %f"));
    EXPECT_EQ(pathsOf(readM3uFile(saved)),
              QStringList({"/music/a.mp3", "/music/b b.mp3", "/music/c.ogg", "/music/d.flac",
                           "/music/new.wav"}));
    ReadProfile(profile, fx, prf, st.home.path() + '/');
    EXPECT_EQ(storedColumnWidths(profile.ColumnsMaster, 3), (std::vector<int>{55, 95, 333}));
    EXPECT_EQ(storedColumnWidths(profile.ColumnsSlave, 3), (std::vector<int>{44, 90, 222}));
}

namespace {

// A stereo 16-bit WAV of a sine tone.
void writeTone(const QString& path, double seconds, double hz) {
    const int rate = 44100;
    const qint32 frames = qint32(seconds * rate);
    QByteArray data;
    data.reserve(frames * 4);
    for (qint32 i = 0; i < frames; ++i) {
        const auto v = qint16(8000 * std::sin(2 * M_PI * hz * i / rate));
        for (int c = 0; c < 2; ++c) {
            data.append(char(v & 0xFF));
            data.append(char((v >> 8) & 0xFF));
        }
    }
    auto le = [](quint32 v, int bytes) {
        QByteArray b;
        for (int i = 0; i < bytes; ++i)
            b.append(char((v >> (8 * i)) & 0xFF));
        return b;
    };
    auto le32 = [&](quint32 v) { return le(v, 4); };
    auto le16 = [&](quint16 v) { return le(v, 2); };
    QByteArray wav = "RIFF" + le32(36 + quint32(data.size())) + "WAVEfmt " + le32(16) + le16(1) +
                     le16(2) + le32(rate) + le32(rate * 4) + le16(4) + le16(16) + "data" +
                     le32(quint32(data.size())) + data;
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(wav);
}

} // namespace

// After a restart the station's list is back and "startplaylist" puts it on air through the
// real decks on the silent device; every started item is counted in the track store.
TEST_F(ProgramTest, StartPlaylistPlaysTheSavedListAndCountsThePlays) {
    Station st(runtime.path(), 778);
    std::vector<M3uEntry> list;
    for (int i = 0; i < 3; ++i) {
        M3uEntry e;
        e.path = st.home.filePath(QStringLiteral("tone%1.wav").arg(i));
        writeTone(e.path, 1.0, 440 + 110 * i);
        e.hasInfo = true;
        e.seconds = 1;
        e.text = QStringLiteral("Tone %1").arg(i);
        list.push_back(e);
    }
    ASSERT_TRUE(writeM3uFile(st.home.filePath("Profile/Default.m3u"), list));
    QFile autoexec(st.home.filePath("autoexec.ini"));
    ASSERT_TRUE(autoexec.open(QIODevice::WriteOnly));
    autoexec.write("startplaylist\r\n");
    autoexec.close();

    QProcess& p = st.start();
    MyDatabase store(st.home.filePath("Database/Files.Dat"));
    auto playCounts = [&] {
        std::vector<qint32> counts;
        store.LoadTrackStore();
        for (const M3uEntry& e : list) {
            const int i = store.FindTrackRecord(e.path);
            counts.push_back(i < 0 ? 0 : store.recordAt(i).playCount);
        }
        return counts;
    };
    QElapsedTimer t;
    t.start();
    QByteArray out;
    while (t.elapsed() < 20000 && playCounts() != std::vector<qint32>{1, 1, 1}) {
        p.waitForReadyRead(200);
        out += p.readAll();
    }
    EXPECT_EQ(playCounts(), (std::vector<qint32>{1, 1, 1})) << out.toStdString();
    EXPECT_EQ(store.count(), 3);
    EXPECT_TRUE(stopWithSigterm(p));
    out += p.readAll();
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(out.contains(QStringLiteral("On air: Tone %1").arg(i).toUtf8()))
            << out.toStdString();
}

// An unreadable per-track store: one error box (the store's own, naming the file), logged by
// the program since nobody is there to read it, and the player starts all the same.
TEST_F(ProgramTest, UnreadableTrackStoreGivesOneErrorBoxAndTheWindowStillComes) {
    Station st(runtime.path(), 779);
    ASSERT_TRUE(QDir(st.home.path()).mkpath("Database/Files.Dat"));
    QProcess& p = st.start();
    const WindowHandle w = st.waitForWindow(p);
    ASSERT_NE(w, 0) << p.readAll().toStdString();
    EXPECT_EQ(sendMessage(w, MSG_PING, 0, 0, 5000), std::optional<qint64>(10000));
    ASSERT_TRUE(stopWithSigterm(p));
    const QString out = QString::fromUtf8(p.readAll());
    EXPECT_EQ(out.count(QStringLiteral("I/O Error ")), 1) << out.toStdString();
    EXPECT_TRUE(out.contains(st.home.filePath("Database/Files.Dat"))) << out.toStdString();
    EXPECT_FALSE(out.contains(QStringLiteral("Error accessing database"))) << out.toStdString();
}
