// Commands acting on the real playback controller (decks on the manual device, simulated
// time), through the binding the program uses.
#include "../playback/playbackfixture.h"
#include "player/core/commands/commandinterpreter.h"
#include "player/core/commands/playercommands.h"
#include "player/core/edit/playlisteditor.h"
#include "player/core/mastershellplaylist.h"
#include "player/core/playershell.h"
#include "tests/commands/fakes.h"

#include <QFile>
#include <sys/stat.h>

namespace wc::playback::test {
namespace {

using commands::test::FakePower;
using commands::test::FakeSerialPorts;

// The shell's services, with the window's close bound to a test action.
struct ClosingServices final : ShellServices {
    std::function<void()> onClose;
    void requestClose() override {
        if (onClose) onClose();
    }
};

class CommandPlayback : public PlaybackTest {
protected:
    void SetUp() override {
        PlaybackTest::SetUp();
        editor.setWindowShown(true);
        controller =
            std::make_unique<PlaybackController>(lists.LVMaster, profile, ini, DeckSetup{}, random);
        controller->setHooks(&hooks);
        host.volumeSlider = [this](int p) { slider = p; };
        hooks.onCommand = [this](const QString& line) { interp.RunCommand(line); };
    }
    void TearDown() override {
        controller.reset();
        PlaybackTest::TearDown();
    }
    // n items of one tone each (channel 0), all of the given length.
    void fill(int n, double seconds) {
        for (int i = 0; i < n; ++i)
            addTo(lists.LVMaster, QStringLiteral("t%1").arg(i),
                  tone(QStringLiteral("t%1.wav").arg(i), seconds, 0));
    }
    void addTo(PlaylistView& list, const QString& title, const QString& path) {
        TVirtualItem it;
        it.Columns[kColTitle] = title;
        it.Columns[kColFileName] = path;
        list.AppendItem(it);
    }
    QString onAir() const { return controller->DeckA().fileName; }

    PlayerPlaylists lists;
    PlayerMessageTable messages;
    PlaylistEditor editor{lists, messages, QString()};
    ClosingServices services;
    MasterShellPlaylist shellMaster{lists};
    PlayerShell shell{services, shellMaster};
    PlayerCommandHost host{[this] { return controller.get(); }, shell, services};
    FakeSerialPorts serial;
    FakePower power;
    CommandInterpreter interp{
        lists, editor, host, random, serial, power, dir.path() + u'/', dir.filePath("system.ini")};
    int slider = -1;
};

TEST_F(CommandPlayback, QuotedStopStopsWhatPlaysAndStopWithMoreTextDoesNot) {
    fill(2, 5.0);
    lists.LVMaster.selectOnly(0);
    controller->aPlay();
    loop.runFor(500);
    EXPECT_FALSE(interp.RunCommand("stop please"));
    EXPECT_FALSE(interp.RunCommand("'next"));
    loop.runFor(500);
    EXPECT_FALSE(controller->Stopping);
    EXPECT_EQ(lists.LVMaster.PlayingIndex(), 0);
    EXPECT_TRUE(interp.RunCommand("\"STOP\""));
    EXPECT_TRUE(controller->Stopping);
    loop.runFor(3000);
    const std::size_t end = renderedFrames();
    EXPECT_LT(level(0, end - 300), 1e-3f); // silent well before the item's end
}

TEST_F(CommandPlayback, PlayNumberStartsThatItemAndOutOfRangeNumbersTheFirst) {
    fill(10, 20.0);
    const std::pair<const char*, int> cases[] = {
        {"play 5", 4}, {"play 0", 0}, {"play 7", 6}, {"play 999", 0}, {"play 10", 9}};
    for (const auto& [text, index] : cases) {
        EXPECT_TRUE(interp.RunCommand(QString::fromLatin1(text)));
        loop.runFor(200);
        EXPECT_EQ(lists.LVMaster.PlayingIndex(), index) << text;
        EXPECT_EQ(onAir(), lists.LVMaster.at(index).FileName()) << text;
    }
}

TEST_F(CommandPlayback, NextAndPrevMoveAlongTheList) {
    fill(4, 20.0);
    EXPECT_TRUE(interp.RunCommand("play 2"));
    EXPECT_TRUE(interp.RunCommand("NEXT"));
    loop.runFor(200);
    EXPECT_EQ(lists.LVMaster.PlayingIndex(), 2);
    EXPECT_EQ(onAir(), lists.LVMaster.at(2).FileName());
    EXPECT_TRUE(interp.RunCommand("'prev'"));
    loop.runFor(200);
    EXPECT_EQ(lists.LVMaster.PlayingIndex(), 1);
}

TEST_F(CommandPlayback, ModeCommandsSetTheButtonsInPairs) {
    struct Case {
        QStringList commands;
        TransportButtons want;
    };
    auto buttons = [](bool repeat, bool brk, bool shuffle, bool repeatList) {
        TransportButtons b;
        b.repeat = repeat;
        b.breakAfter = brk;
        b.shuffle = shuffle;
        b.repeatList = repeatList;
        return b;
    };
    const Case cases[] = {
        {{"set repeat_list", "set shuffle"}, buttons(false, false, true, false)},
        {{"set shuffle", "set repeat_list"}, buttons(false, false, false, true)},
        {{"set shuffle", "clr shuffle"}, buttons(false, false, false, false)},
        {{"set repeat_list", "clr shuffle"}, buttons(false, false, false, false)},
        {{"set break", "set repeat_track"}, buttons(true, false, false, false)},
        {{"set repeat_track", "set break"}, buttons(false, true, false, false)},
        {{"set repeat_track", "clr break"}, buttons(false, false, false, false)},
        {{"set break", "set shuffle"}, buttons(false, true, true, false)},
    };
    for (const Case& c : cases) {
        for (const char* clear : {"clr shuffle", "clr break"})
            interp.RunCommand(QString::fromLatin1(clear));
        for (const QString& text : c.commands)
            EXPECT_TRUE(interp.RunCommand(text));
        TransportButtons got = controller->buttons();
        got.oneTrack = false;
        got.lockShown = false;
        EXPECT_EQ(got, c.want) << c.commands.join(", ").toStdString();
    }
}

TEST_F(CommandPlayback, PlayfileWithCapitalsInItsPathGoesOnAirAfterThePlayingItem) {
    fill(3, 20.0);
    const QString song = tone("Evening Song.WAV", 20.0, 1);
    EXPECT_TRUE(interp.RunCommand("play 1"));
    loop.runFor(300);
    EXPECT_TRUE(interp.RunCommand("playfile " + song));
    loop.runFor(300);
    ASSERT_EQ(lists.LVMaster.count(), 4);
    EXPECT_EQ(lists.LVMaster.at(1).FileName(), song);
    EXPECT_EQ(lists.LVMaster.PlayingIndex(), 1);
    EXPECT_EQ(onAir(), song);
    EXPECT_GT(level(1, renderedFrames() - 300), 0.1f);
}

TEST_F(CommandPlayback, ACommandFileRunsItsLinesThroughTheInterpreter) {
    fill(1, 1.0);
    const QString path = dir.filePath("Evening Set.command");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("setvol 35\r\nset shuffle\r\n\r\nnot a command\r\n");
    f.close();
    addTo(lists.LVMaster, "commands", path);
    addTo(lists.LVMaster, "after", tone("after.wav", 5.0, 1));
    lists.LVMaster.selectOnly(0);
    controller->aPlay();
    loop.runFor(1500);
    EXPECT_EQ(slider, 350);
    EXPECT_TRUE(controller->buttons().shuffle);
    EXPECT_EQ(hooks.commands, QStringList({"setvol 35", "set shuffle", "not a command"}));
    EXPECT_EQ(lists.LVMaster.PlayingIndex(), 2);
}

TEST_F(CommandPlayback, ADamagedOrHugeCommandFileIsRefusedWithALogLine) {
    fill(1, 1.0);
    QByteArray binary("set shuffle\n\0\x01\x02poweroff\n", 24);
    QByteArray huge;
    while (huge.size() <= 64 * 1024)
        huge += "setvol 10\n";
    QByteArray manyLines;
    for (int i = 0; i < 1001; ++i)
        manyLines += "set break\n";
    const std::pair<const char*, QByteArray> files[] = {
        {"binary.command", binary}, {"huge.command", huge}, {"lines.command", manyLines}};
    for (const auto& [name, bytes] : files) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        addTo(lists.LVMaster, name, dir.filePath(name));
    }
    addTo(lists.LVMaster, "after", tone("after.wav", 5.0, 1));
    lists.LVMaster.selectOnly(0);
    controller->aPlay();
    loop.runFor(1500);
    EXPECT_TRUE(hooks.commands.isEmpty()) << hooks.commands.join('|').toStdString();
    ASSERT_EQ(hooks.log.size(), 3) << hooks.log.join('\n').toStdString();
    EXPECT_TRUE(hooks.log[0].contains("binary.command") && hooks.log[0].contains("not a text"));
    EXPECT_TRUE(hooks.log[1].contains("huge.command") && hooks.log[1].contains("larger than"));
    EXPECT_TRUE(hooks.log[2].contains("lines.command") && hooks.log[2].contains("lines"));
    EXPECT_TRUE(power.asked.isEmpty());
    EXPECT_EQ(lists.LVMaster.PlayingIndex(), 4);
}

TEST_F(CommandPlayback, APipeNamedLikeACommandFileDoesNotHangThePlayer) {
    fill(1, 1.0);
    const QString fifo = dir.filePath("pipe.command");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    addTo(lists.LVMaster, "pipe", fifo);
    addTo(lists.LVMaster, "after", tone("after.wav", 5.0, 1));
    lists.LVMaster.selectOnly(0);
    controller->aPlay();
    loop.runFor(1500);
    EXPECT_EQ(hooks.log.size(), 1);
    EXPECT_TRUE(hooks.log.value(0).contains("not a regular file"));
    EXPECT_EQ(lists.LVMaster.PlayingIndex(), 2);
}

TEST_F(CommandPlayback, LinesAfterAPowerCommandDoNotRunOnAClosedPlayer) {
    fill(1, 1.0);
    const QString path = dir.filePath("off.command");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("setvol 20\npoweroff\nsetvol 90\n");
    f.close();
    addTo(lists.LVMaster, "off", path);
    // Closing the player ends the controller, as the window's close does; the system is
    // asked afterwards.
    services.onClose = [this] { controller.reset(); };
    bool closedWhenAsked = false;
    power.onAsk = [&] { closedWhenAsked = !controller; };
    lists.LVMaster.selectOnly(0);
    controller->aPlay();
    loop.runFor(1500);
    EXPECT_EQ(power.asked, QStringList({"poweroff"}));
    EXPECT_TRUE(closedWhenAsked);
    EXPECT_EQ(slider, 200);
}

} // namespace
} // namespace wc::playback::test
