// The player's real main window, offscreen, in a throw-away program folder on device 0: what
// its start-up steps leave in the window, and how its lists follow the per-track store when
// another process changes it.
#include "common/clock_qt.h"
#include "common/ini.h"
#include "common/oledate.h"
#include "common/paths.h"
#include "common/playlistfile/m3u.h"
#include "common/trackstore/trackstore.h"
#include "platform/prompts.h"
#include "player/ui/tform1.h"
#include "tests/player/wavtone.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace wc;

void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

// Lets the window's event loop run until pred holds or ms have passed.
bool runUntil(const std::function<bool()>& pred, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!pred() && t.elapsed() < ms) {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return pred();
}

class Window : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid() && runtime.isValid());
        qputenv("WAVECREST_HOME", home.path().toUtf8());
        qputenv("WAVECREST_RUNTIME_DIR", runtime.path().toUtf8());
        setProgramDirFrom(QString());
        setPrompts(&prompts);
        QDir h(home.path());
        h.mkpath("Profile");
        h.mkpath("Database");
        IniFile sys(home.filePath("system.ini"));
        sys.writeInt("Device", "MainDev", 0);
        sys.writeInt("Device", "SecondDev", 0);
        ASSERT_TRUE(sys.save());
        ini.ShellExt = false; // no desktop entries from a test
        setTrackStore(&store);
    }
    void TearDown() override {
        form.reset();
        setTrackStore(nullptr);
        setPrompts(nullptr);
        qunsetenv("WAVECREST_HOME");
        qunsetenv("WAVECREST_RUNTIME_DIR");
    }
    // The profile's playlist: the given files, titled after their names.
    void writeProfilePlaylist(const QStringList& files) {
        std::vector<M3uEntry> list;
        for (const QString& f : files) {
            M3uEntry e;
            e.path = f;
            e.hasInfo = true;
            e.seconds = 60;
            e.text = QFileInfo(f).completeBaseName();
            list.push_back(e);
        }
        ASSERT_TRUE(writeM3uFile(home.filePath("Profile/Default.m3u"), list));
    }
    void writeText(const QString& rel, const QByteArray& text) {
        QDir(home.path()).mkpath(QFileInfo(home.filePath(rel)).path());
        QFile f(home.filePath(rel));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
    // The first entry of the window's menus with that text, triggered.
    bool trigger(const QString& text) {
        for (QAction* a : form->findChildren<QAction*>())
            if (a->text() == text) return a->trigger(), true;
        return false;
    }
    template <class W> W* child(const char* name) const {
        W* w = form->findChild<W*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // What the library program's tag editor does from its own process.
    void editInAnotherProcess(const QString& name, int introMs, int outroMs, int code) {
        QProcess writer;
        writer.setProcessChannelMode(QProcess::ForwardedChannels);
        writer.start(QStringLiteral(WC_TRACKSTORE_WRITER_EXE),
                     {store.path(), "edit", name, QString::number(introMs),
                      QString::number(outroMs), QString::number(code)});
        ASSERT_TRUE(writer.waitForFinished(20000));
        ASSERT_EQ(writer.exitCode(), 0);
    }
    TForm1& start(const QStringList& args = {}) {
        form = std::make_unique<TForm1>(ini, args, nullptr);
        form->show();
        runUntil([] { return false; }, 200); // the first showing and Timer2
        return *form;
    }
    QAbstractItemModel* master() const {
        return form->findChild<QTableView*>(QStringLiteral("LVMaster"))->model();
    }
    // "intro/outro" of row r of LVMaster as the window shows them.
    QString shownTexts(int r) const {
        const QAbstractItemModel* m = master();
        return m->index(r, 1 + kColIntroText).data().toString() + '/' +
               m->index(r, 1 + kColOutroText).data().toString();
    }

    QTemporaryDir home, runtime;
    RecordingPrompts prompts;
    TPlayerIni ini;
    MyDatabase store{home.filePath("Database/Files.Dat")};
    std::unique_ptr<TForm1> form;
};

} // namespace

TEST_F(Window, IntroAndOutroColumnsComeFromTheStoreAndFollowItsChanges) {
    {
        MyDatabase before(store.path()); // what the library program stored earlier
        before.setNotifier([](quint8) {});
        ASSERT_TRUE(before.updateTrackRecord(
            "/music/a.mp3",
            [](TTrackRecord& r) {
                r.introMs = 12000;
                r.outroMs = 7500;
            },
            kNotifyEdited));
    }
    writeProfilePlaylist({"/music/a.mp3", "/music/b.mp3"});
    start();
    ASSERT_EQ(master()->rowCount(), 2);
    EXPECT_EQ(shownTexts(0), "00:12/00:07");
    EXPECT_EQ(shownTexts(1), "00:00/00:00");

    // A recorded play (code 1) reloads the store but leaves the texts as they are, even when
    // the record's intro changed with it.
    editInAnotherProcess("/music/a.mp3", 30000, 7500, kNotifyPlayRecorded);
    ASSERT_TRUE(runUntil([&] { return store.GetTrackRecord("/music/a.mp3").introMs == 30000; }));
    EXPECT_EQ(shownTexts(0), "00:12/00:07");

    // An edit (code 0): every item of the on-air list takes its texts again.
    editInAnotherProcess("/music/b.mp3", 65000, 4000, kNotifyEdited);
    EXPECT_TRUE(runUntil([&] { return shownTexts(1) == "01:05/00:04"; }))
        << shownTexts(1).toStdString();
    EXPECT_EQ(shownTexts(0), "00:30/00:07");
}

namespace {

// A stand-in for a companion program: it writes its arguments, one a line, next to itself.
void writeRecordingProgram(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args.tmp\" && mv \"$0.args.tmp\" \"$0.args\"\n");
    f.close();
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QStringList recordedArguments(const QString& program) {
    QFile f(program + ".args");
    if (!f.open(QIODevice::ReadOnly)) return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

} // namespace

// The menu entries start base and Lumbra from the program folder with the library file of the
// profile in use (Options/DefBase), or the program's own library when the profile names none.
TEST_F(Window, CompanionProgramsGetTheProfilesLibraryFile) {
    struct Case {
        QByteArray profile;
        QString library;
    };
    const Case cases[] = {
        {"[Options]\r\nDefBase=/data/Station Library.dfs\r\n", "/data/Station Library.dfs"},
        {"[Options]\r\nClose=1\r\n", home.filePath("Database/Base.dfs")},
    };
    const QString base = home.filePath("base"), lumbra = home.filePath("Lumbra");
    writeRecordingProgram(base);
    writeRecordingProgram(lumbra);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.profile.toStdString());
        QFile::remove(base + ".args");
        QFile::remove(lumbra + ".args");
        {
            QFile prf(home.filePath("Profile/Default.prf"));
            ASSERT_TRUE(prf.open(QIODevice::WriteOnly | QIODevice::Truncate));
            prf.write(c.profile);
        }
        TForm1& w = start();
        ASSERT_TRUE(trigger(QString::fromUtf8("База")));
        ASSERT_TRUE(trigger(QString::fromUtf8("Генератор")));
        EXPECT_TRUE(runUntil([&] { return QFile::exists(base + ".args"); }));
        EXPECT_TRUE(runUntil([&] { return QFile::exists(lumbra + ".args"); }));
        EXPECT_EQ(recordedArguments(base),
                  QStringList({"fromplayer", QString::number(w.shell().mainWindow), c.library}));
        EXPECT_EQ(recordedArguments(lumbra), QStringList({c.library}));
        form.reset();
    }
}

// What the window's own start-up steps leave in it: caption, title and profile label, the
// status panels, the Count TOP-100 entry and whether the controller counts plays by it, the
// watchdog indicator, and today's report in the log list.
TEST_F(Window, StartUpStepsShowInTheWindow) {
    struct Case {
        bool countTop100;
        QStringList args;
        int playCount; // of the first item once it has started
        bool watchdogShown;
    };
    const Case cases[] = {
        {true, {}, 1, false},
        {false, {"+watchdogxyz"}, 0, true}, // the entry stays unchecked: no change to send
    };
    const QString report = QStringLiteral("Report/") +
                           fromOleDate(wc::clock().nowOle()).date().toString("yyyy-MM-dd") + ".txt";
    writeText(report, "06:00:00   started\r\n06:00:01   second\r\n");
    writeText("autoexec.ini", "startplaylist\r\n");
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.countTop100);
        const QString tone = home.filePath(QStringLiteral("tone%1.wav").arg(n++));
        test::writeTone(tone, 0.3, 440);
        writeProfilePlaylist({tone});
        ini.CountTop100 = c.countTop100;
        TForm1& w = start(c.args);
        EXPECT_TRUE(runUntil([&] { return store.GetTrackRecord(tone).lastPlay != 0; }));
        EXPECT_EQ(store.GetTrackRecord(tone).playCount, c.playCount);
        QAction* count = w.findChild<QAction*>("CountTOP100On");
        ASSERT_NE(count, nullptr);
        EXPECT_EQ(count->isChecked(), c.countTop100);

        EXPECT_EQ(child<QLabel>("CaptionLabel")->text(), w.shell().captionText());
        EXPECT_EQ(child<QLabel>("ProfileLabel")->text(), "Default");
        EXPECT_EQ(w.windowTitle(), "Wavecrest - Default - noname ");
        const QStringList panels = w.shell().statusPanels();
        for (int i = 0; i < panels.size(); ++i)
            EXPECT_EQ(child<QLabel>(QStringLiteral("StatusPanel%1").arg(i + 3).toLatin1())->text(),
                      panels[i]);
        EXPECT_EQ(!child<QLabel>("WatchdogLabel")->isHidden(), c.watchdogShown);
        const QListWidget* log = child<QListWidget>("LogList");
        EXPECT_FALSE(log->findItems("06:00:01   second", Qt::MatchExactly).isEmpty());
        EXPECT_FALSE(child<QLabel>("timelabel")->text().isEmpty()); // the clock runs
        form.reset();
    }
}

// "Выход" of the notification-area menu closes the window in order: settings, the profile with
// its playlist, and run.ini's last profile are written.
TEST_F(Window, ExitFromTheTrayMenuClosesInOrder) {
    writeProfilePlaylist({"/music/a.mp3"});
    TForm1& w = start();
    ASSERT_TRUE(trigger(QString::fromUtf8("Выход")));
    EXPECT_TRUE(runUntil([&] { return w.isHidden(); }));
    EXPECT_TRUE(QFile::exists(home.filePath("player.ini")));
    EXPECT_TRUE(QFile::exists(home.filePath("system.ini")));
    EXPECT_TRUE(QFile::exists(home.filePath("Profile/Default.prf")));
    const std::vector<M3uEntry> saved = readM3uFile(home.filePath("Profile/Default.m3u"));
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].path, "/music/a.mp3");
    EXPECT_EQ(RunIni().lastProfileName(), home.filePath("Profile/Default.prf"));
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QtClock clock;
    QtTimerHost timers;
    setClock(&clock);
    setTimerHost(&timers);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
