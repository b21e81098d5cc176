#include "common/ini.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/simloop.h"
#include "common/trackstore/trackstore.h"
#include "platform/messagebus.h"
#include "platform/prompts.h"
#include "player/core/helpfiles.h"
#include "player/core/mastershellplaylist.h"
#include "player/core/playback/trackstorerecords.h"
#include "player/core/playershell.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

using namespace wc;

// Readable failure messages for texts.
void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

// Records what the shell asks of the program, in order.
class RecordingServices final : public ShellServices {
public:
    std::vector<QString> calls;
    int closeOpt = 1;
    bool saveOk = true;

    void createStep(CreateStep s) override {
        lastCreate = s;
        if (onCreate) onCreate(s);
    }
    // The given result, or what the program's start-up load of a real store gives.
    StoreLoadResult loadTrackStore() override {
        return store ? loadTrackStoreAtStart(*store) : storeResult;
    }
    void centreOnPlaying() override { calls.push_back(QStringLiteral("centre")); }
    bool loadProfile(const QString& p) override {
        calls.push_back("loadProfile " + QFileInfo(p).fileName());
        return QFileInfo::exists(p);
    }
    void loadProfilePlaylist(const QString& p) override {
        calls.push_back("loadProfilePlaylist " + QFileInfo(p).fileName());
    }
    bool saveProfile(const QString& p) override {
        calls.push_back("saveProfile " + QFileInfo(p).fileName());
        return saveOk;
    }
    int closeOption() const override { return closeOpt; }
    void play() override {
        calls.push_back(QStringLiteral("play"));
        if (list) plays.push_back(list->firstSelected());
        if (loop) {
            const auto t = loop->activeTimers();
            mainTimerRanAtPlay |= std::count(t.begin(), t.end(), "maintimer") > 0;
        }
    }
    void recomputeNumbering() override {
        if (shell) numberedWhileShown.push_back(shell->windowShown);
    }
    void setTitle(const QString& caption, const QString& title) override {
        titles.push_back({caption, title});
    }
    void setStatusPanels(const QStringList& p) override { panels = p; }
    void setResumeMode(bool on) override {
        calls.push_back(QStringLiteral("resumeMode %1").arg(on));
    }
    void seekCurrentMs(qint64 ms) override { calls.push_back(QStringLiteral("seek %1").arg(ms)); }
    qint64 positionMs() const override { return 61000; }
    void loadPlaylist(const QString& p) override { calls.push_back("loadPlaylist " + p); }
    qint64 engineEvent(qint64 deck, qint64 code) override {
        calls.push_back(QStringLiteral("engine %1 %2").arg(deck).arg(code));
        return 1;
    }
    void databaseChanged(qint64 code) override {
        calls.push_back(QStringLiteral("database %1").arg(code));
    }
    void restoreAndRaise() override { calls.push_back(QStringLiteral("raise")); }
    void showTrayMenu() override { calls.push_back(QStringLiteral("trayMenu")); }
    void minimise() override { calls.push_back(QStringLiteral("minimise")); }
    void requestClose() override { calls.push_back(QStringLiteral("requestClose")); }
    void stopAudio() override { calls.push_back(QStringLiteral("stopAudio")); }
    void showWatchdogIndicator() override { calls.push_back(QStringLiteral("watchdogIndicator")); }

    QString libraryFile() const override {
        return library.isEmpty() ? ShellServices::libraryFile() : library;
    }
    QString library;

    // What the steps are checked against: the on-air list, the shell and its timers.
    std::function<void(CreateStep)> onCreate;
    std::optional<CreateStep> lastCreate;
    const PlaylistView* list = nullptr;
    const PlayerShell* shell = nullptr;
    const SimLoop* loop = nullptr;
    std::vector<int> plays; // the selected item at each Play
    std::vector<bool> numberedWhileShown;
    bool mainTimerRanAtPlay = false;
    std::vector<std::pair<QString, QString>> titles; // caption, title
    QStringList panels;

    StoreLoadResult storeResult = StoreLoadResult::Loaded;
    MyDatabase* store = nullptr;
    bool has(const QString& c) const {
        return std::find(calls.begin(), calls.end(), c) != calls.end();
    }
    qsizetype indexOf(const QString& c) const {
        auto it = std::find(calls.begin(), calls.end(), c);
        return it == calls.end() ? -1 : it - calls.begin();
    }
};

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid() && runtime.isValid());
        qputenv("WAVECREST_HOME", home.path().toUtf8());
        qputenv("WAVECREST_RUNTIME_DIR", runtime.path().toUtf8());
        setProgramDirFrom(QString());
        setClock(&loop);
        setTimerHost(&loop);
        setPrompts(&prompts);
        services.loop = &loop;
        QDir(home.path()).mkpath("Profile");
        for (const char* f : {"/m/a.mp3", "/m/b.mp3", "/m/c.mp3", "/m/d.mp3", "/m/e.mp3"})
            master.appendFile(f);
    }
    void TearDown() override {
        setPrompts(nullptr);
        qunsetenv("WAVECREST_HOME");
    }
    void writeFile(const QString& rel, const QByteArray& text) {
        QFile f(home.filePath(rel));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    std::unique_ptr<PlayerShell> makeShell(const QStringList& args = {}) {
        auto s = std::make_unique<PlayerShell>(services, master);
        s->commandLine = parsePlayerCommandLine(args);
        return s;
    }

    QTemporaryDir home, runtime;
    SimLoop loop{46365.25};
    RecordingPrompts prompts;
    RecordingServices services;
    PlayerPlaylists lists;
    MasterShellPlaylist master{lists};
    int selected() const { return lists.LVMaster.firstSelected(); }
};

} // namespace

// Creating the window: the settings are read and the per-track store is loaded before the
// decks exist (they record every play in it); run.ini is the profile folder's.
TEST_F(ShellTest, CreationReadsTheSettingsAndLoadsTheStoreBeforeTheDecks) {
    writeFile("system.ini", "[Options]\r\nLg=1\r\n[Device]\r\nMainDev=0\r\nSecondDev=3\r\n");
    QDir(home.path()).mkpath("Database");
    {
        MyDatabase earlier(home.filePath("Database/Files.Dat"));
        earlier.setNotifier([](quint8) {});
        ASSERT_TRUE(earlier.recordPlay("/m/a.mp3", true, 46365.0));
    }
    MyDatabase store(home.filePath("Database/Files.Dat"));
    store.setNotifier([](quint8) {});
    services.store = &store;
    int recordsWhenDecksCome = -1;
    services.onCreate = [&](CreateStep s) {
        if (s == CreateStep::Decks) recordsWhenDecksCome = store.count();
    };
    auto shell = makeShell();
    shell->create();
    EXPECT_TRUE(shell->systemIni.Lg);
    EXPECT_EQ(shell->systemIni.MainDev, 0);
    EXPECT_EQ(shell->systemIni.SecondDev, 3);
    EXPECT_EQ(recordsWhenDecksCome, 1);
    EXPECT_EQ(shell->runIni.file, home.filePath("Profile/run.ini"));
    EXPECT_FALSE(shell->windowShown);
    EXPECT_TRUE(loop.activeTimers().empty()); // nothing runs before the window is shown
    EXPECT_TRUE(prompts.shown.empty());
}

// The first showing as far as the shell owns it: the caption at once, the profile run.ini names
// with its playlist, numbering only once the window counts as shown, then the start-up script,
// the command line and the watchdog markers acting on that list in this order, before any of
// the running timers; at the end the title and panels of the loaded profile and the timers.
TEST_F(ShellTest, FirstShowingLoadsTheLastProfileAndActsOnItsListInOrder) {
    writeFile("Profile/Night.prf", "[Options]\r\n");
    writeFile("Profile/run.ini", "[LastProfile]\r\nLastProfileName=" +
                                     home.filePath("Profile/Night.prf").toUtf8() + "\r\n");
    writeFile("autoexec.ini", "startplaylist\r\n");
    services.list = &lists.LVMaster;
    auto shell = makeShell({"file", "/new/x.mp3", "+?wdog__resume00000000030000001000"});
    services.shell = shell.get();
    shell->create();
    shell->firstShown();

    ASSERT_FALSE(services.titles.empty());
    EXPECT_EQ(services.titles.front().first, shell->captionText());
    EXPECT_TRUE(services.titles.front().second.startsWith("Wavecrest - Default - "));
    EXPECT_EQ(services.titles.back().second, "Wavecrest - Night - noname ");
    EXPECT_TRUE(services.indexOf("loadProfile Night.prf") >= 0);
    EXPECT_EQ(services.indexOf("loadProfilePlaylist Night.prf"),
              services.indexOf("loadProfile Night.prf") + 1);
    EXPECT_EQ(shell->currentProfile, home.filePath("Profile/Night.prf"));
    ASSERT_FALSE(services.numberedWhileShown.empty());
    for (bool shown : services.numberedWhileShown)
        EXPECT_TRUE(shown);
    // "startplaylist" plays item 0, the file verb its appended item 5, the resume marker item
    // 3, 10 s after the position it names; none of it while the main timer runs already.
    EXPECT_EQ(services.plays, (std::vector<int>{0, 5, 3}));
    EXPECT_EQ(master.count(), 6);
    EXPECT_TRUE(services.has("seek 11000"));
    EXPECT_FALSE(services.mainTimerRanAtPlay);
    EXPECT_EQ(services.panels, shell->statusPanels());
    EXPECT_TRUE(shell->windowShown);
    auto active = loop.activeTimers();
    std::sort(active.begin(), active.end());
    EXPECT_EQ(active, (std::vector<QString>{"TimeLabelsUpdate", "Timer2", "maintimer"}));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(ShellTest, Timer2CentresTheListOnceAfterTheWindowIsDrawn) {
    auto shell = makeShell();
    shell->create();
    shell->firstShown();
    EXPECT_FALSE(services.has("centre")); // not while the window is still being shown
    loop.runFor(50);
    EXPECT_FALSE(services.has("centre"));
    loop.runFor(100);
    EXPECT_TRUE(services.has("centre"));
    loop.runFor(3000);
    EXPECT_EQ(std::count(services.calls.begin(), services.calls.end(), "centre"), 1);
    const auto active = loop.activeTimers();
    EXPECT_EQ(std::count(active.begin(), active.end(), "Timer2"), 0);
}

TEST_F(ShellTest, StoreFailureShowsOneBoxAndStartGoesOn) {
    struct Case {
        StoreLoadResult result;
        const char* box; // the one box shown, or none
    };
    const Case cases[] = {
        {StoreLoadResult::Loaded, nullptr},
        // The store has shown its own "I/O Error" box already.
        {StoreLoadResult::FailedAndShown, nullptr},
        {StoreLoadResult::Failed, "Error: Error accessing database (file.dat)!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.result));
        prompts.shown.clear();
        services.calls.clear();
        services.storeResult = c.result;
        auto shell = makeShell();
        shell->create();
        if (c.box) {
            ASSERT_EQ(prompts.shown.size(), 1u);
            EXPECT_EQ(prompts.shown[0].caption, "Error");
            EXPECT_EQ(prompts.shown[0].text, c.box);
        } else {
            EXPECT_TRUE(prompts.shown.empty());
        }
        EXPECT_EQ(services.lastCreate, CreateStep::DeckVolumes); // creation went on to its end
    }
}

TEST_F(ShellTest, UnreadableStoreShowsOnlyItsIOErrorBoxAndRefusesWrites) {
    // A folder where the file should be: opening works, reading fails.
    const QString path = home.filePath("Database/Files.Dat");
    ASSERT_TRUE(QDir().mkpath(path));
    MyDatabase store(path);
    store.setNotifier([](quint8) {});
    services.store = &store;
    auto shell = makeShell();
    shell->create();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, PromptKind::Error);
    EXPECT_TRUE(prompts.shown[0].caption.isEmpty());
    EXPECT_TRUE(prompts.shown[0].text.startsWith("I/O Error "))
        << prompts.shown[0].text.toStdString();
    EXPECT_TRUE(prompts.shown[0].text.endsWith("\r\nFile: " + path))
        << prompts.shown[0].text.toStdString();
    EXPECT_EQ(services.lastCreate, CreateStep::DeckVolumes); // creation went on to its end
    EXPECT_TRUE(store.writesBlocked());
    EXPECT_FALSE(store.recordPlay("/m/a.mp3", true, 46365.0));
    EXPECT_EQ(store.count(), 0);
}

TEST_F(ShellTest, StartFilesListsAndTodaysReport) {
    QDir h(home.path());
    h.mkpath("Presets/Equalizer");
    h.mkpath("Presets/Crossfade");
    h.mkpath("Lang/EN");
    h.mkpath("Lang/RU");
    h.mkpath("Report");
    writeFile("Presets/Equalizer/Rock.eqp", "");
    writeFile("Presets/Equalizer/classic.eqp", "");
    writeFile("Presets/Equalizer/notes.txt", "");
    writeFile("Presets/Crossfade/Smooth.crp", "");
    writeFile("Profile/Night.prf", "");
    writeFile("Profile/Day.prf", "");
    writeFile("Profile/run.ini", "[LastProfile]\r\nLastProfileName=" +
                                     home.filePath("Profile/Night.prf").toUtf8() + "\r\n");
    // The simulated clock stands at 46365.25: 9 December 2026, 06:00.
    writeFile("Report/2026-12-09.txt", "06:00:00   started\r\n06:00:01   second\r\n");
    auto shell = makeShell();
    shell->create();
    shell->firstShown();
    EXPECT_EQ(shell->equalizerPresets, QStringList({"classic", "Rock"}));
    EXPECT_EQ(shell->crossfadePresets, QStringList({"Smooth"}));
    EXPECT_EQ(shell->profileNames, QStringList({"Day", "Night"}));
    EXPECT_EQ(shell->languageFolders, QStringList({"EN", "RU"}));
    EXPECT_EQ(shell->todaysReport, QStringList({"06:00:00   started", "06:00:01   second"}));
    EXPECT_TRUE(services.has("loadProfile Night.prf"));
    EXPECT_TRUE(shell->titleText().startsWith("Wavecrest - Night - "));
    EXPECT_EQ(shell->libraryFile(), programDir() + "Database/Base.dfs");
    const QStringList panels = shell->statusPanels();
    ASSERT_EQ(panels.size(), 3);
    EXPECT_EQ(panels[0], QString::fromUtf8("Приоритет: Normal"));
    EXPECT_EQ(panels[1], QString::fromUtf8("Детектор тишины: Bыкл"));
    EXPECT_EQ(equalizerBandLabel(16000), "16K");
    EXPECT_EQ(equalizerBandLabel(1000), "1K");
    EXPECT_EQ(equalizerBandLabel(999), "999");
}

TEST_F(ShellTest, AutoexecStartAndResumeInFileOrder) {
    writeFile("Profile/run.ini", "[LastFile]\r\nLastFileName=/m/e.mp3\r\n");
    writeFile("autoexec.ini", "ResumePlaylist\r\nstartplaylist\r\n");
    master.selectOnly(2);
    auto shell = makeShell();
    shell->create();
    services.calls.clear();
    shell->runAutoexec();
    EXPECT_TRUE(shell->resumeMode);
    // Resume after the last item starts from the first; then "startplaylist" plays item 0.
    // Resume mode is on before the first start, so that item is already recorded.
    EXPECT_EQ(services.calls, (std::vector<QString>{"resumeMode 1", "play", "play"}));
    EXPECT_EQ(selected(), 0);

    services.calls.clear();
    writeFile("Profile/run.ini", "[LastFile]\r\nLastFileName=/m/b.mp3\r\n");
    writeFile("autoexec.ini", "resumeplaylist\r\n");
    shell->runAutoexec();
    EXPECT_EQ(selected(), 2);
    EXPECT_TRUE(services.has("play"));

    services.calls.clear();
    writeFile("Profile/run.ini", "[LastFile]\r\nLastFileName=\r\n");
    shell->runAutoexec();
    EXPECT_FALSE(services.has("play")); // an empty last file: no further effect
}

TEST_F(ShellTest, LastFileGoesToRunIniAndLeavesTheLastProfileAlone) {
    writeFile("Profile/run.ini", "[LastProfile]\r\nLastProfileName=/p/Night.prf\r\n");
    auto shell = makeShell();
    shell->create();
    shell->writeLastFile("/m/c d.mp3");
    EXPECT_EQ(RunIni().lastFileName(), "/m/c d.mp3");
    EXPECT_EQ(RunIni().lastProfileName(), "/p/Night.prf");
    shell->writeLastFile(QString()); // after Stop
    EXPECT_EQ(RunIni().lastFileName(), "");
    // A run.ini that cannot be written is logged; playout goes on without a box.
    QFile::remove(home.filePath("Profile/run.ini"));
    QDir(home.path()).mkpath("Profile/run.ini");
    shell->writeLastFile("/m/e.mp3");
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(ShellTest, FileVerbAppendsSelectsAndPlays) {
    auto shell = makeShell({"file", "/new/x y.mp3"});
    shell->actOnCommandLine();
    ASSERT_EQ(master.count(), 6);
    EXPECT_EQ(master.fileName(5), "/new/x y.mp3");
    EXPECT_EQ(selected(), 5);
    EXPECT_TRUE(services.has("play"));

    // A profile that exists becomes current; a missing one applies the defaults and the
    // current name stays.
    writeFile("Profile/Night.prf", "[Options]\r\n");
    auto other = makeShell({"profile", "Night"});
    other->actOnCommandLine();
    EXPECT_TRUE(services.has("loadProfile Night.prf"));
    EXPECT_TRUE(other->currentProfile.endsWith("Profile/Night.prf"));
    auto missing = makeShell({"profile", "Nowhere"});
    missing->actOnCommandLine();
    EXPECT_TRUE(services.has("loadProfile Nowhere.prf"));
    EXPECT_TRUE(missing->currentProfile.endsWith("Profile/Default.prf"));
}

TEST_F(ShellTest, ProfilePlaylistComesBackUnlessTheCommandLineNamesAList) {
    for (const QStringList& args :
         {QStringList{}, QStringList{"file", "/m/x.mp3"}, QStringList{"list", "/p/x.m3u"}}) {
        services.calls.clear();
        auto shell = makeShell(args);
        shell->create();
        shell->firstShown();
        const bool listVerb = !args.isEmpty() && args[0] == "list";
        const qsizetype at = services.indexOf("loadProfilePlaylist Default.prf");
        if (listVerb) {
            EXPECT_EQ(at, -1);
            EXPECT_TRUE(services.has("loadPlaylist /p/x.m3u"));
        } else {
            // Right after the profile, before autoexec and the command line act on the list.
            EXPECT_EQ(at, services.indexOf("loadProfile Default.prf") + 1)
                << args.join(' ').toStdString();
        }
    }
}

TEST_F(ShellTest, WatchdogResumeSelectsAndSeeks) {
    struct Case {
        QStringList args;
        int selected;
        QString seek;
    };
    const Case cases[] = {
        {{"+?wdog__resume00000000030000012345"}, 3, "seek 22345"},
        {{"+?wdog__resume", "00000000030000012345"}, 0, "seek 10000"},
        {{"+?wdog__resume00000000990000000000"}, 0, "seek 10000"}, // past the end: first item
    };
    for (const auto& c : cases) {
        services.calls.clear();
        master.selectOnly(-1);
        auto shell = makeShell(c.args);
        shell->actOnWatchdogMarkers();
        EXPECT_TRUE(shell->resumeMode);
        EXPECT_FALSE(shell->watchdogMode);
        EXPECT_EQ(selected(), c.selected) << c.args.join(' ').toStdString();
        EXPECT_EQ(services.calls, (std::vector<QString>{"resumeMode 1", "play", c.seek}));
    }
}

TEST_F(ShellTest, WatchdogRegistrationAndHeartbeat) {
    std::vector<std::array<qint64, 3>> got;
    Endpoint watchdog("Watchdog", "wd", [&](quint32 m, qint64 w, qint64 l) {
        got.push_back({qint64(m), w, l});
        return qint64(0);
    });
    auto shell = makeShell({QStringLiteral("+watchdog%1").arg(watchdog.handle())});
    shell->mainWindow = 777;
    lists.LVMaster.SetPlayingIndex(4);
    shell->create();
    shell->firstShown();
    EXPECT_TRUE(shell->watchdogMode);
    EXPECT_TRUE(shell->resumeMode);
    EXPECT_TRUE(services.has("resumeMode 1"));
    EXPECT_TRUE(services.has("watchdogIndicator"));
    loop.runFor(10000); // 200 ticks of the 50 ms main timer: two heartbeats
    processBusEvents(100);
    const std::vector<std::array<qint64, 3>> expected = {
        {MSG_WATCHDOG_HEARTBEAT, 777, -2},
        {MSG_WATCHDOG_HEARTBEAT, 4, 61000},
        {MSG_WATCHDOG_HEARTBEAT, 4, 61000},
    };
    EXPECT_EQ(got, expected);

    // A malformed handle: watchdog mode without anyone to send to.
    auto bad = makeShell({"+watchdogxyz"});
    bad->actOnWatchdogMarkers();
    EXPECT_TRUE(bad->watchdogMode);
    EXPECT_EQ(bad->watchdogWindow, 0);
}

TEST_F(ShellTest, PrivateMessages) {
    auto shell = makeShell();
    EXPECT_EQ(shell->handleMessage(MSG_PING, 0, 0), 10000);
    EXPECT_EQ(shell->handleMessage(MSG_WATCHDOG_PING, 0, 0), 1);
    EXPECT_EQ(shell->handleMessage(MSG_ENGINE_ENDED, 2, 0), 1);
    EXPECT_EQ(shell->handleMessage(MSG_ENGINE_EVENT, 1, -3), 1);
    shell->handleMessage(MSG_ACTIVATE, 0, 0);
    shell->handleMessage(MSG_TRAY, 0, 516);
    shell->handleMessage(shell->databaseMessage(), 1, 0);
    EXPECT_EQ(shell->databaseMessage(), registerMessage("Wavecrest_Database_Message"));
    EXPECT_EQ(services.calls, (std::vector<QString>{"engine 2 1", "engine 1 -3", "raise",
                                                    "trayMenu", "database 1"}));
}

TEST_F(ShellTest, CloseMinimisesOrRunsEveryStepEvenAfterAFailedWrite) {
    auto shell = makeShell();
    shell->create();
    shell->firstShown();
    services.closeOpt = 0;
    EXPECT_FALSE(shell->closeRequested());
    EXPECT_TRUE(services.has("minimise"));
    EXPECT_FALSE(services.has("stopAudio"));

    // Exit still ends the program; "player.ini" cannot be written (a folder stands in its way).
    QDir(home.path()).mkpath("player.ini");
    services.calls.clear();
    shell->exitCommand();
    EXPECT_EQ(services.calls, std::vector<QString>{"requestClose"});
    EXPECT_TRUE(shell->closeRequested());
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_TRUE(prompts.shown[0].text.contains("player.ini"));
    EXPECT_TRUE(services.has("saveProfile Default.prf"));
    EXPECT_TRUE(services.has("stopAudio"));
    EXPECT_TRUE(QFile::exists(home.filePath("system.ini")));
    EXPECT_EQ(RunIni().lastProfileName(), home.filePath("Profile/Default.prf"));
    EXPECT_TRUE(loop.activeTimers().empty());
}

TEST_F(ShellTest, MissingCompanionProgramsAreErrorBoxes) {
    auto shell = makeShell();
    shell->launchLibrary();
    shell->launchGenerator();
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_TRUE(prompts.shown[0].text.contains("base"));
    EXPECT_TRUE(prompts.shown[1].text.contains("Lumbra"));
    EXPECT_EQ(prompts.shown[1].kind, PromptKind::Error);
}

TEST_F(ShellTest, LibraryFileIsTheProfilesWithLocalSeparators) {
    auto shell = makeShell();
    EXPECT_EQ(shell->libraryFile(), home.filePath("Database/Base.dfs"));
    services.library = "/data/Station Library.dfs";
    EXPECT_EQ(shell->libraryFile(), "/data/Station Library.dfs");
    services.library = "Database\\Night.dfs"; // as a Windows installation stored it
    EXPECT_EQ(shell->libraryFile(), "Database/Night.dfs");
}

TEST_F(ShellTest, GeneratorIsAttachedOnceItsWindowAppears) {
    // A stand-in generator: a script that exists so the launch succeeds, and an endpoint of the
    // generator's class that shows up a little later.
    writeFile("Lumbra", "#!/bin/sh\nexit 0\n");
    QFile::setPermissions(home.filePath("Lumbra"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    auto shell = makeShell();
    shell->mainWindow = 4242;
    shell->launchGenerator();
    loop.runFor(350);
    std::vector<std::pair<qint64, qint64>> attached;
    Endpoint gen("TLumbraWnd", "Lumbra", [&](quint32 m, qint64 w, qint64 l) -> qint64 {
        if (m == MSG_GENERATOR_ATTACH) attached.push_back({w, l});
        return m == MSG_PING ? 1000 : 0;
    });
    loop.runFor(200);
    EXPECT_EQ(shell->generatorWindow, gen.handle());
    EXPECT_EQ(attached, (std::vector<std::pair<qint64, qint64>>{{4242, 23}}));
    // Already running: nothing is started again.
    shell->launchGenerator();
    loop.runFor(200);
    EXPECT_EQ(attached.size(), 1u);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(ShellTest, GeneratorThatNeverAppearsGivesTheMessageAfterABoundedWait) {
    writeFile("Lumbra", "#!/bin/sh\nexit 0\n");
    QFile::setPermissions(home.filePath("Lumbra"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    auto shell = makeShell();
    shell->launchGenerator();
    loop.runFor(20000);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].caption, "XXX");
    EXPECT_EQ(prompts.shown[0].text, QString::fromUtf8("Ошибка: генератор не запущен!"));
    EXPECT_TRUE(loop.activeTimers().empty());
}

TEST_F(ShellTest, TitleNamesTheFileOfTheActivePlaylist) {
    auto shell = makeShell();
    shell->currentProfile = "/p/Day.prf";
    lists.setPlaylistFileName(lists.LVMaster, "/lists/evening.m3u");
    lists.setPlaylistFileName(lists.LVSlave, "/lists/prep.m3u");
    EXPECT_EQ(shell->titleText(), "Wavecrest - Day - evening.m3u ");
    lists.setPage(PlayerPlaylists::Page::Slave);
    EXPECT_EQ(shell->titleText(), "Wavecrest - Day - prep.m3u ");
}

TEST(HelpFilesTest, TheLanguageFolderHoldsTheHelpFile) {
    QTemporaryDir dir;
    const QString home = dir.path() + '/';
    ASSERT_TRUE(QDir().mkpath(home + "Lang/RU"));
    QFile f(home + "Lang/RU/help.chm");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    const HelpTarget ru = helpTargetFor(HelpEntry::GettingStarted, home, "RU");
    EXPECT_EQ(ru.file, home + "Lang/RU/help.chm");
    EXPECT_EQ(ru.topic, "quickstart.htm");
    EXPECT_TRUE(ru.exists);
    const HelpTarget none = helpTargetFor(HelpEntry::Contents, home, "");
    EXPECT_EQ(none.file, home + "Lang/help.chm");
    EXPECT_TRUE(none.topic.isEmpty());
    EXPECT_FALSE(none.exists);
    EXPECT_EQ(missingHelpText(none), "Help: no help file " + home + "Lang/help.chm");
}
