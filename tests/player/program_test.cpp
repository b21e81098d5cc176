// Runs the real player program: offscreen, in throw-away program folders, on device 0,
// stopped with SIGTERM.
#include "common/ini.h"
#include "common/messages.h"
#include "common/oledate.h"
#include "common/playlistfile/m3u.h"
#include "common/trackstore/trackstore.h"
#include "common/version.h"
#include "platform/instancelock.h"
#include "platform/messagebus.h"
#include "player/core/guard.h"
#include "player/core/profile/profile.h"
#include "player/core/schedule/scheduleevent.h"
#include "tests/player/wavtone.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QXmlStreamReader>
#include <array>
#include <cmath>
#include <csignal>
#include <gtest/gtest.h>
#include <optional>

using namespace wc;
using wc::test::writeTone;

// Readable failure messages for texts.
void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

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

// After a restart the station's list is back and "startplaylist" puts it on air through the
// real decks on the silent device; every started item is counted in the track store.
TEST_F(ProgramTest, StartPlaylistPlaysTheSavedListAndCountsThePlays) {
    Station st(runtime.path(), 778);
    std::vector<M3uEntry> list;
    for (int i = 0; i < 3; ++i) {
        M3uEntry e;
        e.path = st.home.filePath(QStringLiteral("Tone %1.wav").arg(i));
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

namespace {

// A list of tones in the station's folder, saved as the profile's playlist: "Tone <i>", each
// of the given length in seconds.
std::vector<M3uEntry> writeToneList(Station& st, const std::vector<double>& seconds) {
    std::vector<M3uEntry> list;
    for (size_t i = 0; i < seconds.size(); ++i) {
        M3uEntry e;
        e.path = st.home.filePath(QStringLiteral("Tone %1.wav").arg(i));
        writeTone(e.path, seconds[i], 440 + 110 * double(i));
        e.hasInfo = true;
        e.seconds = qint64(seconds[i]);
        e.text = QStringLiteral("Tone %1").arg(i);
        list.push_back(e);
    }
    EXPECT_TRUE(writeM3uFile(st.home.filePath("Profile/Default.m3u"), list));
    return list;
}

void writeAutoexec(Station& st, const QByteArray& text) {
    QFile f(st.home.filePath("autoexec.ini"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

// Reads the program's output into out until it holds needle; false after ms (or when the
// program ended first).
bool waitForOutput(QProcess& p, QByteArray& out, const QByteArray& needle, int ms = 30000) {
    QElapsedTimer t;
    t.start();
    while (!out.contains(needle) && t.elapsed() < ms && p.state() == QProcess::Running) {
        p.waitForReadyRead(200);
        out += p.readAll();
    }
    out += p.readAll();
    return out.contains(needle);
}

// The "On air: ..." lines of an output, in order.
QStringList onAirLines(const QByteArray& out) {
    QStringList lines;
    for (const QString& line : QString::fromUtf8(out).split(u'\n'))
        if (line.contains(QLatin1String("On air: ")))
            lines << line.mid(line.indexOf(QLatin1String("On air: ")));
    return lines;
}

QString lastFileName(const Station& st) {
    return IniFile(st.home.filePath("Profile/run.ini")).readString("LastFile", "LastFileName", "-");
}

// The item's announcement comes first, its record in run.ini right after it.
bool waitForLastFileName(const Station& st, const QString& expected) {
    QElapsedTimer t;
    t.start();
    while (lastFileName(st) != expected && t.elapsed() < 10000)
        QThread::msleep(20);
    return lastFileName(st) == expected;
}

} // namespace

// "resumeplaylist": a player killed while the third item is on air comes back after the kill
// and goes on with the item after it, as run.ini recorded; an orderly close keeps the record.
TEST_F(ProgramTest, ResumePlaylistAfterAKillGoesOnAfterTheItemThatWasOnAir) {
    Station st(runtime.path(), 780);
    const std::vector<M3uEntry> list = writeToneList(st, {1, 1, 60, 60, 1});
    writeAutoexec(st, "resumeplaylist\r\n");

    QProcess& first = st.start();
    QByteArray out;
    ASSERT_TRUE(waitForOutput(first, out, "On air: Tone 2")) << out.toStdString();
    EXPECT_TRUE(waitForLastFileName(st, list[2].path));
    EXPECT_EQ(onAirLines(out), QStringList({"On air: Tone 0", "On air: Tone 1", "On air: Tone 2"}))
        << out.toStdString();
    EXPECT_EQ(lastFileName(st), list[2].path);
    first.kill(); // a crash: nothing of the orderly close runs
    ASSERT_TRUE(first.waitForFinished(10000));
    EXPECT_EQ(first.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(lastFileName(st), list[2].path);

    QProcess& second = st.start();
    QByteArray again;
    ASSERT_TRUE(waitForOutput(second, again, "On air: ")) << again.toStdString();
    // Let the start settle, then look at everything that went on air.
    ASSERT_NE(st.waitForWindow(second), 0);
    again += second.readAll();
    EXPECT_EQ(onAirLines(again), QStringList({"On air: Tone 3"})) << again.toStdString();
    EXPECT_TRUE(waitForLastFileName(st, list[3].path));
    ASSERT_TRUE(stopWithSigterm(second));
    EXPECT_EQ(lastFileName(st), list[3].path);
}

// The watchdog's way back: the heartbeats name the playing item and its position; a player
// restarted with the resume marker after a kill plays that item again, 10 s further on.
TEST_F(ProgramTest, WatchdogResumeAfterAKillPlaysTheReportedItemFurtherOn) {
    Station st(runtime.path(), 781);
    writeToneList(st, {1, 1, 90, 1});
    writeAutoexec(st, "startplaylist\r\n");
    std::vector<std::array<qint64, 2>> beats;
    Endpoint watchdog("Watchdog", "watchdog", [&](quint32 msg, qint64 w, qint64 l) -> qint64 {
        if (msg == MSG_WATCHDOG_HEARTBEAT) beats.push_back({w, l});
        return 0;
    });
    const QString marker = QStringLiteral("+watchdog%1").arg(watchdog.handle());
    // The first heartbeat of item 2 from the instance that registers (lParam -2) after the
    // call begins; beats of an earlier instance still queued are passed over.
    auto nextBeat = [&](QProcess& p, QByteArray& out) -> std::optional<std::array<qint64, 2>> {
        QElapsedTimer t;
        t.start();
        bool registered = false;
        while (t.elapsed() < 30000 && p.state() == QProcess::Running) {
            processBusEvents(200);
            out += p.readAll();
            for (; !beats.empty(); beats.erase(beats.begin())) {
                const auto b = beats.front();
                if (b[1] == -2) registered = true;
                if (registered && b[1] >= 0 && b[0] == 2) return b;
            }
        }
        return std::nullopt;
    };

    QProcess& first = st.start({marker});
    QByteArray out;
    const auto beat = nextBeat(first, out);
    ASSERT_TRUE(beat) << out.toStdString();
    first.kill();
    ASSERT_TRUE(first.waitForFinished(10000));

    QFile::remove(st.home.filePath("autoexec.ini"));
    const QString resume = QStringLiteral("+?wdog__resume%1%2")
                               .arg((*beat)[0], 10, 10, QLatin1Char('0'))
                               .arg((*beat)[1], 10, 10, QLatin1Char('0'));
    QProcess& second = st.start({marker, resume});
    QByteArray again;
    const auto after = nextBeat(second, again);
    ASSERT_TRUE(after) << again.toStdString();
    EXPECT_GE((*after)[1], (*beat)[1] + 10000);
    ASSERT_TRUE(stopWithSigterm(second));
    again += second.readAll();
    EXPECT_EQ(onAirLines(again), QStringList({"On air: Tone 2"})) << again.toStdString();
}

// A file given with the file verb shows the title of its tag (ID3v1 for MP3 and WAV, the
// Vorbis comment, the ASF attributes, through TagLib the Vorbis comments of FLAC and Opus, the
// MP4 atoms and the ID3v2 tag of an MP3 without ID3v1) and its measured length, in files made
// by the usual encoders.
TEST_F(ProgramTest, FileVerbShowsTheTagTitleAndTheMeasuredLength) {
    struct Format {
        const char* ext;
        QString program;
        QStringList args; // %in and %out are replaced
    };
    auto ffmpeg = [](const QStringList& codec) {
        QStringList a{"-nostdin", "-loglevel", "error", "-y", "-i", "%in"};
        a << codec << QStringList{"-metadata", "title=Song", "-metadata", "artist=Band", "%out"};
        return a;
    };
    const Format formats[] = {
        {"mp3", "lame", {"--quiet", "--tt", "Song", "--ta", "Band", "--add-id3v2", "%in", "%out"}},
        {"ogg", "oggenc", {"--quiet", "-t", "Song", "-a", "Band", "-o", "%out", "%in"}},
        {"wma", "ffmpeg", ffmpeg({"-c:a", "wmav2"})},
        {"wav",
         "ffmpeg",
         {"-nostdin", "-loglevel", "error", "-y", "-i", "%in", "-c:a", "pcm_s16le", "%out"}},
        {"flac", "ffmpeg", ffmpeg({"-c:a", "flac"})},
        {"opus", "ffmpeg", ffmpeg({"-c:a", "libopus"})},
        {"m4a", "ffmpeg", ffmpeg({"-c:a", "aac"})},
        {"mp3", "lame", {"--quiet", "--tt", "Song", "--ta", "Band", "--id3v2-only", "%in", "%out"}},
    };
    for (const Format& f : formats) {
        SCOPED_TRACE(f.ext + (" " + f.args.join(' ')).toStdString());
        Station st(runtime.path(), 780);
        const QString in = st.home.filePath("tone.wav");
        // 4.5 s: the list shows whole seconds, so an encoder's few milliseconds either way
        // still read 4.
        writeTone(in, 4.5, 440.0);
        const QString out = st.home.filePath(QString("music/song.") + f.ext);
        QDir().mkpath(st.home.filePath("music"));
        QStringList args = f.args;
        args.replaceInStrings("%in", in).replaceInStrings("%out", out);
        QProcess enc;
        enc.start(f.program, args);
        ASSERT_TRUE(enc.waitForFinished(60000) && enc.exitCode() == 0) << f.ext;
        if (QString(f.ext) == "wav") {
            // ffmpeg writes no ID3v1 block: the block is appended as other tools do.
            QFile w(out);
            ASSERT_TRUE(w.open(QIODevice::Append));
            QByteArray tag("TAG");
            tag += QByteArray("Song").leftJustified(30, '\0');
            tag += QByteArray("Band").leftJustified(30, '\0');
            tag += QByteArray(30 + 4 + 30, '\0');
            tag += char(0);
            w.write(tag);
        }
        QProcess& p = st.start({"file", out});
        ASSERT_NE(st.waitForWindow(p), 0) << p.readAll().toStdString();
        ASSERT_TRUE(stopWithSigterm(p));
        const std::vector<M3uEntry> saved = readM3uFile(st.home.filePath("Profile/Default.m3u"));
        ASSERT_EQ(saved.size(), 1u);
        EXPECT_EQ(saved[0].path, out);
        EXPECT_EQ(saved[0].text, QString::fromUtf8("Band – Song"));
        EXPECT_EQ(saved[0].seconds, 4);
    }
}

TEST_F(ProgramTest, AScheduledEventStartsItsFileAfterAStartAndTheStoreCountsIt) {
    Station st(runtime.path(), 779);
    const QString file = st.home.filePath("news.wav");
    writeTone(file, 1.0, 660.0);
    IniFile prf(st.home.filePath("Profile/Default.prf"));
    prf.writeBool("TimeTable", "ScheduleState", true);
    ASSERT_TRUE(prf.save());
    // An immediate event a few seconds after the program is started (the real clock: this is
    // the program as it runs on a station).
    ScheduleEvent e;
    e.Target = file;
    e.UseDate = true;
    e.Immediate = true;
    e.When = toOleDate(QDateTime::currentDateTime().addSecs(10));
    ASSERT_TRUE(QDir(st.home.path()).mkpath("Presets/Schedule"));
    ASSERT_TRUE(saveScheduleFile(st.home.filePath("Presets/Schedule/Default.sdl"), {e}));

    QProcess& p = st.start();
    MyDatabase store(st.home.filePath("Database/Files.Dat"));
    auto played = [&]() -> std::optional<TTrackRecord> {
        store.LoadTrackStore();
        const int i = store.FindTrackRecord(file);
        if (i < 0) return std::nullopt;
        return store.recordAt(i);
    };
    QElapsedTimer t;
    t.start();
    QByteArray out;
    while (t.elapsed() < 30000 && !played() && p.state() == QProcess::Running) {
        p.waitForReadyRead(200);
        out += p.readAll();
    }
    const std::optional<TTrackRecord> rec = played();
    ASSERT_TRUE(rec.has_value()) << out.toStdString();
    EXPECT_EQ(rec->playCount, 1);
    // Never before its moment.
    const qint64 lateMs = oleToMs(rec->lastPlay) - oleToMs(e.When);
    EXPECT_GE(lateMs, 0);
    std::printf("[ scheduled start ] %lld ms after its moment\n", static_cast<long long>(lateMs));
    EXPECT_TRUE(stopWithSigterm(p));
    out += p.readAll();
    EXPECT_TRUE(out.contains("On air: news")) << out.toStdString();
}

namespace {

struct CommandRun {
    int exitCode = -1;
    QByteArray out, err;
};

// `player --command text` from the station's program folder.
CommandRun runCommand(const Station& st, const QString& text) {
    QProcess c;
    c.setProcessEnvironment(st.env);
    c.start(QStringLiteral(WC_PLAYER_EXE), {"--command", text});
    CommandRun r;
    if (!c.waitForFinished(30000)) return r;
    r.exitCode = c.exitStatus() == QProcess::NormalExit ? c.exitCode() : -1;
    r.out = c.readAllStandardOutput();
    r.err = c.readAllStandardError();
    return r;
}

} // namespace

// Commands from outside reach the player that runs from the same program folder; the exit
// status tells a command from other text and a folder without a running player.
TEST_F(ProgramTest, CommandFromOutsideSkipsToTheNextItemOfTheRunningPlayer) {
    Station st(runtime.path(), 779);
    std::vector<M3uEntry> list;
    for (int i = 0; i < 3; ++i) {
        M3uEntry e;
        e.path = st.home.filePath(QStringLiteral("Tone %1.wav").arg(i));
        writeTone(e.path, 60.0, 440 + 110 * i);
        e.hasInfo = true;
        e.seconds = 60;
        e.text = QStringLiteral("Tone %1").arg(i);
        list.push_back(e);
    }
    const QString m3u = st.home.filePath("Evening.m3u");
    ASSERT_TRUE(writeM3uFile(m3u, list));
    IniFile sys(st.home.filePath("system.ini"));
    sys.writeString("Serial", "COM9", st.home.filePath("no-such-tty"));
    ASSERT_TRUE(sys.save());
    // No player runs from this folder yet.
    CommandRun r = runCommand(st, "next");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("No player is running")) << r.err.toStdString();

    QProcess& p = st.start({"list", m3u});
    ASSERT_NE(st.waitForWindow(p), 0) << p.readAll().toStdString();
    QByteArray out;
    r = runCommand(st, "play 1");
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(waitForOutput(p, out, "On air: Tone 0")) << out.toStdString();
    r = runCommand(st, "next");
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("Done: next")) << r.out.toStdString();
    EXPECT_TRUE(waitForOutput(p, out, "On air: Tone 1")) << out.toStdString();

    r = runCommand(st, "nxet");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.contains("Not a command: nxet")) << r.out.toStdString();
    // A command's log lines come back to the sender: a port that cannot be opened.
    r = runCommand(st, "set com9 dtr");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("Cannot open port \"com9\". Error: ")) << r.out.toStdString();

    // Another program folder has no player of its own.
    Station other(runtime.path(), 780);
    r = runCommand(other, "next");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(p.state(), QProcess::Running);
    EXPECT_TRUE(stopWithSigterm(p));
}

// A list of short items played by the real program: in each form of the now-playing file,
// every content the file had while the list played is whole and well-formed (xmllint, a JSON
// parser) and names the item then on air, each item in turn; the day's report holds one line
// per item, in order.
TEST_F(ProgramTest, EveryPlayedItemIsInTheNowPlayingFileAndTheReport) {
    const QStringList names = {"Tone 0", "Rock & Roll", "Say \"Hi\" <now>", "Tone 3"};
    struct Form {
        int format;
        QString name; // "@" stands for the program folder, for an absolute name
        QString file; // where it lands, in the program folder
    };
    const Form forms[] = {{1, "nowplaying.txt", "nowplaying.txt"},
                          {0, "web\\nowplaying.xml", "web/nowplaying.xml"},
                          {2, "@/np.json", "np.json"}};
    int uid = 790;
    for (const Form& form : forms) {
        SCOPED_TRACE(form.format);
        Station st(runtime.path(), uid++);
        std::vector<M3uEntry> list;
        for (const QString& name : names) {
            M3uEntry e;
            e.path = st.home.filePath(name + ".wav");
            writeTone(e.path, 0.7, 440);
            e.hasInfo = true;
            e.seconds = 1;
            e.text = QStringLiteral("row ") + name;
            list.push_back(e);
        }
        ASSERT_TRUE(writeM3uFile(st.home.filePath("Profile/Default.m3u"), list));
        writeAutoexec(st, "startplaylist\r\n");
        ASSERT_TRUE(QDir(st.home.path()).mkpath("web"));
        IniFile ini(st.home.filePath("player.ini"));
        ini.writeInt("Options", "iExportFormat", form.format);
        QString name = form.name;
        ini.writeString("Options", "XMLExportFileName", name.replace("@", st.home.path()));
        ASSERT_TRUE(ini.save());

        // Every content the file shows, as the list plays, in order.
        const QString npPath = st.home.filePath(form.file);
        QByteArrayList seen;
        QProcess& p = st.start();
        QByteArray out;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 30000 && p.state() == QProcess::Running) {
            p.waitForReadyRead(5);
            out += p.readAll();
            QFile f(npPath);
            if (f.open(QIODevice::ReadOnly)) {
                const QByteArray now = f.readAll();
                if (seen.isEmpty() || seen.last() != now) seen << now;
            }
            // Done when the file names the last item (it is written just after the line).
            if (out.contains(("On air: " + names.last()).toUtf8()) && !seen.isEmpty() &&
                seen.last().contains(names.last().toUtf8()))
                break;
        }
        ASSERT_TRUE(stopWithSigterm(p)) << out.toStdString();

        // What each content names: the text line, or the file name of the XML and JSON forms.
        QStringList named;
        for (const QByteArray& content : seen) {
            if (form.format == 1) {
                EXPECT_TRUE(content.endsWith("\r\n"));
                named << QString::fromUtf8(content).trimmed();
            } else if (form.format == 0) {
                QTemporaryDir tmp;
                QFile copy(tmp.filePath("np.xml"));
                ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
                copy.write(content);
                copy.close();
                QProcess lint;
                lint.start("xmllint", {"--noout", copy.fileName()});
                ASSERT_TRUE(lint.waitForFinished(10000));
                EXPECT_EQ(lint.exitCode(), 0)
                    << content.toStdString() << lint.readAll().toStdString();
                QXmlStreamReader x(content);
                while (!x.atEnd())
                    if (x.readNext() == QXmlStreamReader::StartElement && x.name() == u"TRACK")
                        named << QFileInfo(x.attributes().value("FILENAME").toString())
                                     .completeBaseName();
            } else {
                QJsonParseError err;
                const QJsonDocument doc = QJsonDocument::fromJson(content, &err);
                EXPECT_EQ(err.error, QJsonParseError::NoError) << content.toStdString();
                named << QFileInfo(doc.object().value("fileName").toString()).completeBaseName();
            }
        }
        EXPECT_EQ(named, names) << out.toStdString();

        // The report, over however many days the run took.
        QStringList reported;
        const QDir reports(st.home.filePath("Report"));
        for (const QString& day : reports.entryList({"*.txt"}, QDir::Files, QDir::Name)) {
            QFile f(reports.filePath(day));
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            for (const QString& line : QString::fromUtf8(f.readAll()).split("\r\n"))
                if (!line.isEmpty()) reported << line.mid(11);
        }
        EXPECT_EQ(reported, names) << out.toStdString();
    }
}
