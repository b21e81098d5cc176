// The command interpreter: every row of the command table through RunCommand, with recording
// fakes behind the player, the serial ports and the power control.
#include "common/ini.h"
#include "common/log.h"
#include "common/random.h"
#include "player/core/commands/commandinterpreter.h"
#include "player/core/edit/playlisteditor.h"
#include "player/core/messagetable.h"
#include "player/core/playlist/playerplaylists.h"
#include "tests/commands/fakes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

using namespace wc;
using namespace wc::commands::test;

void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

// Records what the commands ask of the player, in order.
struct RecordingHost final : CommandHost {
    QStringList calls, events;
    bool report = true;
    void stop() override { calls << "stop"; }
    void next() override { calls << "next"; }
    void prev() override { calls << "prev"; }
    void play() override { calls << "play"; }
    void setShuffle(bool d) override { calls << QStringLiteral("shuffle %1").arg(d); }
    void setRepeatList(bool d) override { calls << QStringLiteral("repeatlist %1").arg(d); }
    void setRepeat(bool d) override { calls << QStringLiteral("repeat %1").arg(d); }
    void setBreak(bool d) override { calls << QStringLiteral("break %1").arg(d); }
    void setVolumeSlider(int p) override { calls << QStringLiteral("volume %1").arg(p); }
    void loadProfile(const QString& p) override { calls << "profile " + p; }
    void loadPlaylist(const QString& p) override { calls << "playlist " + p; }
    void loadSchedule(const QString& p) override { calls << "schedule " + p; }
    void setInsertCleanupDone(bool d) override { calls << QStringLiteral("cleanup %1").arg(d); }
    bool reportOn() const override { return report; }
    void logEvent(const QString& line) override { events << line; }
    void closeForShutdown() override { calls << "close"; }
};

// A list view that scrolls back to its top whenever a list is redrawn, as a view may; the
// interpreter must put the first visible row back.
struct RowHost final : EditorHost {
    int top = 0;
    const PlaylistView* scrolledList = nullptr;
    int firstVisibleRow(const PlaylistView&) override { return top; }
    void scrollToRow(const PlaylistView& list, int row) override {
        scrolledList = &list;
        top = row;
    }
    void repaint() override { top = 0; }
    void masterRenumbered() override { top = 0; }
};

class Commands : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        editor.setHost(&rows);
        editor.setWindowShown(true);
        editor.settings.readTrackInfoType = 1; // items get their titles when they start
        make();
    }
    void make() {
        interp = std::make_unique<CommandInterpreter>(lists, editor, host, random, serial, power,
                                                      programDir(), home.filePath("system.ini"));
    }
    QString programDir() const { return home.path() + u'/'; }
    void fill(int n) {
        for (int i = 0; i < n; ++i) {
            TVirtualItem it;
            it.Columns[kColFileName] = QStringLiteral("/m/%1.wav").arg(i);
            lists.LVMaster.AppendItem(it);
        }
    }
    bool run(const QString& text, const CommandEvent* event = nullptr) {
        host.calls.clear();
        return interp->RunCommand(text, event);
    }
    QString calls() const { return host.calls.join(u','); }

    QTemporaryDir home;
    PlayerPlaylists lists;
    PlayerMessageTable messages;
    PlaylistEditor editor{lists, messages, QString()};
    RowHost rows;
    RecordingHost host;
    ScriptedRandom random{{}};
    FakeSerialPorts serial;
    FakePower power;
    std::unique_ptr<CommandInterpreter> interp;
};

TEST(StripQuotes, RemovesOnePairOfTheSameQuote) {
    const std::pair<const char*, const char*> cases[] = {
        {"\"STOP\"", "STOP"},   {"'next'", "next"},   {"'next", "'next"}, {"next'", "next'"},
        {"\"next'", "\"next'"}, {"''", ""},           {"'", "'"},         {"", ""},
        {"\"'a'\"", "'a'"},     {"a\"b\"", "a\"b\""},
    };
    for (const auto& [in, want] : cases)
        EXPECT_EQ(StripQuotes(QString::fromUtf8(in)), QString::fromUtf8(want)) << in;
}

TEST_F(Commands, WordsMatchWithoutRegardToCaseAfterTheQuotesAreStripped) {
    struct Case {
        const char* text;
        bool isCommand;
        const char* calls;
    };
    const Case cases[] = {
        {"\"STOP\"", true, "stop"},
        {"'next'", true, "next"},
        {"Prev", true, "prev"},
        {"'next", false, ""},    // a leading quote only stays part of the text
        {"stop now", false, ""}, // exact words take nothing after them
        {"stop ", false, ""},
        {" stop", false, ""},
        {"", false, ""},
        {"\"\"", false, ""},
        {"\xC5\xBFtop", false, ""}, // long s: no Unicode case folding into a command word
        {"setvol abc", true, "volume 1000"},
        {"setvol 35", true, "volume 350"},
        {"SETVOL  35 ", true, "volume 350"},
        {"setvol 200", true, "volume 1000"},
        {"setvol -3", true, "volume 0"},
        {"setvol 99999999999", true, "volume 1000"}, // not a number the slider can take
        {"setvol", false, ""},
        {"set shuffle", true, "repeatlist 0,shuffle 1"},
        {"clr shuffle", true, "repeatlist 0,shuffle 0"},
        {"SET REPEAT_LIST", true, "shuffle 0,repeatlist 1"},
        {"clr repeat_list", true, "shuffle 0,repeatlist 0"},
        {"set repeat_track", true, "break 0,repeat 1"},
        {"clr repeat_track", true, "break 0,repeat 0"},
        {"set break", true, "repeat 0,break 1"},
        {"clr break", true, "repeat 0,break 0"},
        {"set nothing", true, ""},
        {"clear", false, ""},
        {"clearplaylist now", false, ""},
        {"getrandomplaylist", false, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(QString::fromUtf8(c.text)), c.isCommand) << c.text;
        EXPECT_EQ(calls(), QString::fromUtf8(c.calls)) << c.text;
    }
}

// The words the schedule window offers are the ones the interpreter takes (prefix words with
// an argument after their blank).
TEST_F(Commands, EveryOfferedWordIsACommand) {
    ASSERT_EQ(CommandWords().size(), 14);
    for (const QString& word : CommandWords()) {
        const QString text = word.endsWith(u' ') ? word + "/x/y" : word;
        EXPECT_TRUE(run(text)) << text.toStdString();
        EXPECT_TRUE(run(text.toUpper())) << text.toStdString();
    }
}

TEST_F(Commands, ProfileAndLoadKeepTheCaseOfTheirPaths) {
    const QString dir = programDir();
    const std::pair<QString, QString> cases[] = {
        {"profile Evening", "profile " + dir + "Profile/Evening.prf"},
        {"PROFILE Late Night.PRF", "profile " + dir + "Profile/Late Night.PRF"},
        {"load Evening.prf", "profile " + dir + "Profile/Evening.prf"},
        {"load /Stations/Evening.Prf", "profile /Stations/Evening.Prf"},
        {"LOAD /Lists/Morning Show.M3U", "playlist /Lists/Morning Show.M3U"},
        {"load Week.SDL", "schedule " + dir + "Presets/Schedule/Week.SDL"},
        {"load /Plans/Week.sdl", "schedule /Plans/Week.sdl"},
        {"load Lists\\Night.m3u", "playlist " + dir + "Lists/Night.m3u"},
        {"load Notes.txt", ""},
        {"load ", ""},
    };
    for (const auto& [text, want] : cases) {
        EXPECT_TRUE(run(text)) << text.toStdString();
        EXPECT_EQ(calls(), want) << text.toStdString();
    }
}

TEST_F(Commands, PlayTakesTheItemByNumberOrTheFirst) {
    EXPECT_TRUE(run("play 1"));
    EXPECT_EQ(calls(), ""); // an empty list: nothing happens
    fill(10);
    const std::pair<const char*, int> cases[] = {{"play 0", 0},  {"play 999", 0}, {"play 3", 2},
                                                 {"play 10", 9}, {"play 11", 0},  {"play x", 0},
                                                 {"play -5", 0}, {"PLAY  4 ", 3}};
    for (const auto& [text, index] : cases) {
        lists.LVMaster.selectRange(5, 7);
        EXPECT_TRUE(run(text));
        EXPECT_EQ(calls(), "play") << text;
        EXPECT_EQ(lists.LVMaster.selectedIndexes(), std::vector<int>{index}) << text;
    }
}

TEST_F(Commands, PlayfileInsertsAfterThePlayingItemAndPlaysIt) {
    fill(3);
    lists.LVMaster.SetPlayingIndex(1);
    EXPECT_TRUE(run("PlayFile /Music/Song One.MP3"));
    ASSERT_EQ(lists.LVMaster.count(), 4);
    EXPECT_EQ(lists.LVMaster.at(2).FileName(), "/Music/Song One.MP3");
    EXPECT_EQ(lists.LVMaster.selectedIndexes(), std::vector<int>{2});
    EXPECT_EQ(calls(), "play");
    EXPECT_EQ(editor.InsertCursor, -1); // later adds append again

    lists.LVMaster.SetPlayingIndex(-1);
    EXPECT_TRUE(run("playfile /Music/B.ogg"));
    EXPECT_EQ(lists.LVMaster.at(0).FileName(), "/Music/B.ogg");
    EXPECT_EQ(lists.LVMaster.selectedIndexes(), std::vector<int>{0});
    EXPECT_EQ(calls(), "play");

    // A relative path is the program folder's.
    EXPECT_TRUE(run("playfile Jingles/Top.WAV"));
    EXPECT_EQ(lists.LVMaster.at(0).FileName(), programDir() + "Jingles/Top.WAV");
}

TEST_F(Commands, ClearplaylistEmptiesTheOnAirListWithUndoWhicheverListIsShown) {
    fill(3);
    TVirtualItem it;
    it.Columns[kColFileName] = "/s.wav";
    lists.LVSlave.AppendItem(it);
    lists.setPage(PlayerPlaylists::Page::Slave);
    EXPECT_TRUE(run("clearplaylist"));
    EXPECT_EQ(lists.LVMaster.count(), 0);
    EXPECT_EQ(lists.LVSlave.count(), 1);
    lists.LVMaster.Undo();
    EXPECT_EQ(lists.LVMaster.count(), 3);
}

TEST_F(Commands, GetrandomplaylistInsertsOnePlaylistOfTheFolderAfterThePlayingItem) {
    QDir(home.path()).mkpath("Lists/Sub.m3u");
    for (const char* name : {"c.m3u", "A.m3u", "b.M3U", "notes.txt"}) {
        QFile f(home.filePath(QStringLiteral("Lists/") + name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    fill(3);
    lists.LVMaster.SetPlayingIndex(0);
    random = ScriptedRandom({1});
    EXPECT_TRUE(run("GetRandomPlaylist " + home.filePath("Lists")));
    ASSERT_EQ(lists.LVMaster.count(), 4);
    // Of A.m3u, b.M3U and c.m3u (in name order) the second, by its own spelling.
    EXPECT_EQ(lists.LVMaster.at(1).FileName(), home.filePath("Lists/b.M3U"));
    EXPECT_EQ(lists.LVMaster.at(1).ImageIndex, kImageInserted);
    EXPECT_EQ(random.drawn(), 1);
    EXPECT_EQ(calls(), "cleanup 0"); // not immediate: nothing starts

    // An immediate event skips to it while something plays; with nothing playing the first
    // item starts.
    const CommandEvent immediate{true};
    EXPECT_TRUE(run("getrandomplaylist " + home.filePath("Lists/"), &immediate));
    EXPECT_EQ(lists.LVMaster.at(1).FileName(), home.filePath("Lists/b.M3U"));
    EXPECT_EQ(calls(), "cleanup 0,next");
    lists.LVMaster.SetPlayingIndex(-1);
    EXPECT_TRUE(run("getrandomplaylist " + home.filePath("Lists"), &immediate));
    EXPECT_EQ(lists.LVMaster.count(), 6);
    EXPECT_EQ(lists.LVMaster.selectedIndexes(), std::vector<int>{0});
    EXPECT_EQ(calls(), "cleanup 0,play");
}

TEST_F(Commands, GetrandomplaylistOfAFolderWithoutPlaylistsInsertsNothing) {
    QDir(home.path()).mkpath("Empty");
    fill(2);
    lists.LVMaster.SetPlayingIndex(0);
    const CommandEvent immediate{true};
    for (const QString& folder : {home.filePath("Empty"), home.filePath("Missing")}) {
        EXPECT_TRUE(run("getrandomplaylist " + folder, &immediate));
        EXPECT_EQ(lists.LVMaster.count(), 2);
        EXPECT_EQ(calls(), ""); // and the item on air is not skipped for nothing
    }
}

TEST_F(Commands, TheFirstSerialPortOpenedStaysInUse) {
    EXPECT_TRUE(run("set com1 dtr"));
    EXPECT_TRUE(run("clr com2 dtr"));
    EXPECT_TRUE(run("SET COM1 TXD"));
    EXPECT_TRUE(run("clr com1 txd"));
    EXPECT_EQ(serial.opened, QStringList({"/dev/ttyS0"}));
    EXPECT_EQ(serial.actions, QStringList({"/dev/ttyS0 dtr on", "/dev/ttyS0 dtr off",
                                           "/dev/ttyS0 break on", "/dev/ttyS0 break off"}));
    EXPECT_TRUE(host.events.isEmpty());
    EXPECT_TRUE(run("set com1 rts"));
    EXPECT_EQ(host.events, QStringList({"Cannot write to port \"com1\". Error: Invalid argument"}));
}

TEST_F(Commands, SerialPortsMapToDevicesUnlessSystemIniNamesOne) {
    IniFile sys(home.filePath("system.ini"));
    sys.writeString("Serial", "COM1", "/dev/ttyUSB0");
    ASSERT_TRUE(sys.save());
    EXPECT_EQ(serialDeviceFor("com1", home.filePath("system.ini")), "/dev/ttyUSB0");
    EXPECT_EQ(serialDeviceFor("com2", home.filePath("system.ini")), "/dev/ttyS1");
    EXPECT_EQ(serialDeviceFor("com9", home.filePath("system.ini")), "/dev/ttyS8");
    for (const char* bad : {"com0", "comx", "com", "com10", "lpt1"})
        EXPECT_EQ(serialDeviceFor(bad, home.filePath("system.ini")), "") << bad;
    EXPECT_TRUE(run("set com1 dtr"));
    EXPECT_EQ(serial.opened, QStringList({"/dev/ttyUSB0"}));
}

TEST_F(Commands, SerialFailuresAreLoggedWhenReportIsOnAndTheOpenIsTriedAgain) {
    serial.failOpen = "Permission denied";
    EXPECT_TRUE(run("set com1 dtr"));
    EXPECT_EQ(host.events, QStringList({"Cannot open port \"com1\". Error: Permission denied"}));
    EXPECT_FALSE(interp->serialOpen());
    host.report = false;
    EXPECT_TRUE(run("set com1 dtr"));
    EXPECT_EQ(host.events.size(), 1); // Report off: nothing logged
    EXPECT_EQ(serial.opened.size(), 2);

    host.report = true;
    EXPECT_TRUE(run("set comx dtr"));
    EXPECT_EQ(host.events.last(), "Cannot open port \"comx\". Error: No such file or directory");
    EXPECT_EQ(serial.opened.size(), 2); // no device to try

    serial.failOpen.clear();
    serial.failLines = "Input/output error";
    EXPECT_TRUE(run("set com3 dtr"));
    EXPECT_EQ(host.events.last(), "Cannot write to port \"com3\". Error: Input/output error");
    EXPECT_EQ(serial.opened.last(), "/dev/ttyS2");
}

// The real serial ports on a pseudo-terminal named as COM1 in system.ini: the port opens, the
// break state is set and cleared, and DTR (which a pseudo-terminal lacks) is refused with the
// system's text in the event log.
TEST_F(Commands, RealSerialPortOnAPseudoTerminal) {
    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    IniFile sys(home.filePath("system.ini"));
    sys.writeString("Serial", "COM1", QString::fromLatin1(name));
    ASSERT_TRUE(sys.save());
    CommandInterpreter real(lists, editor, host, random, systemSerialPorts(), power, programDir(),
                            home.filePath("system.ini"));
    EXPECT_TRUE(real.RunCommand("set com1 txd"));
    EXPECT_TRUE(real.RunCommand("clr com1 txd"));
    EXPECT_TRUE(real.serialOpen());
    EXPECT_TRUE(host.events.isEmpty()) << host.events.join('\n').toStdString();
    EXPECT_TRUE(real.RunCommand("set com1 dtr"));
    EXPECT_EQ(host.events, QStringList({"Cannot write to port \"com1\". Error: " +
                                        QString::fromLocal8Bit(std::strerror(ENOTTY))}));
    ::close(master);
    ::close(slave);
}

TEST_F(Commands, PowerCommandsCloseThePlayerBeforeAskingTheSystem) {
    QStringList doneWhenAsked;
    power.onAsk = [&] { doneWhenAsked = host.calls; };
    const std::pair<const char*, const char*> cases[] = {
        {"poweroff", "poweroff"}, {"poweroffnow", "poweroff"}, {"\"PowerOff\"", "poweroff"},
        {"reboot", "reboot"},     {"Reboot later", "reboot"},
    };
    for (const auto& [text, asked] : cases) {
        power.asked.clear();
        doneWhenAsked.clear();
        EXPECT_TRUE(run(text)) << text;
        EXPECT_EQ(power.asked, QStringList({asked})) << text;
        EXPECT_EQ(doneWhenAsked, QStringList({"close"})) << text;
    }
    EXPECT_FALSE(run("power off"));
    power.refuse = "not allowed";
    QStringList logged;
    const int sink = addLogSink([&](const QString& l) { logged << l; });
    EXPECT_TRUE(run("poweroff"));
    removeLogSink(sink);
    EXPECT_TRUE(logged.contains("Power off refused: not allowed"))
        << logged.join('\n').toStdString();
}

TEST_F(Commands, TheFirstVisibleRowIsKeptAcrossEveryCommand) {
    QDir(home.path()).mkpath("Lists");
    QFile(home.filePath("Lists/a.m3u")).open(QIODevice::WriteOnly);
    const QString texts[] = {"stop",
                             "next",
                             "prev",
                             "profile X",
                             "setvol 5",
                             "play 2",
                             "set shuffle",
                             "load a.m3u",
                             "poweroff",
                             "reboot",
                             "playfile /x.wav",
                             "clearplaylist",
                             "getrandomplaylist " + home.filePath("Lists"),
                             "not a command"};
    for (const QString& text : texts) {
        fill(20);
        for (auto page : {PlayerPlaylists::Page::Master, PlayerPlaylists::Page::Slave}) {
            lists.setPage(page);
            rows.top = 7;
            rows.scrolledList = nullptr;
            run(text);
            EXPECT_EQ(rows.top, 7) << text.toStdString();
            EXPECT_EQ(rows.scrolledList, &lists.ActivePlaylist()) << text.toStdString();
        }
    }
}

} // namespace
