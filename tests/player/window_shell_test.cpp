// The main window's own controls: its size in the profile, the help entries, and the error
// box of a failed save of the recent-playlist list.
#include "windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "common/playlistfile/m3u.h"
#include "player/ui/helpmenu.h"
#include "tests/commands/fakes.h"

namespace wc::ui::test {
namespace {

class WindowShell : public WindowTest {
protected:
    void writeProfile(const std::function<void(IniFile&)>& fill) {
        IniFile prf(homePath("Profile/Default.prf"));
        fill(prf);
        ASSERT_TRUE(prf.save());
    }
    IniFile savedProfile() const { return IniFile(homePath("Profile/Default.prf")); }
};

TEST_F(WindowShell, StoredWindowSizeIsAppliedAtStart) {
    struct Case {
        const char* name;
        int width, height;
        bool maximised;
    };
    const Case cases[] = {
        {"maximised", -799, 573, true},
        {"sized", 820, 520, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        writeProfile([&](IniFile& p) {
            p.writeInt("Options", "FormWidth", k.width);
            p.writeInt("Options", "FormHeight", k.height);
        });
        open();
        EXPECT_EQ(form->isMaximized(), k.maximised);
        if (!k.maximised) {
            EXPECT_EQ(form->size(), QSize(k.width, k.height));
        }
        form.reset();
    }
}

TEST_F(WindowShell, WindowSizeIsSavedWithTheProfileAndMaximisedAsMinus799) {
    struct Case {
        const char* name;
        bool maximise;
        int width, height;
    };
    const Case cases[] = {
        {"maximised", true, -799, 573},
        {"sized", false, 700, 500},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        open();
        form->resize(700, 500);
        if (k.maximise) form->showMaximized();
        QTest::qWait(0);
        ASSERT_EQ(form->isMaximized(), k.maximise);
        exitProgram();
        EXPECT_EQ(savedProfile().readInt("Options", "FormWidth", 0), k.width);
        EXPECT_EQ(savedProfile().readInt("Options", "FormHeight", 0), k.height);
        form.reset();
    }
}

TEST_F(WindowShell, HelpEntriesOpenTheLanguageFoldersHelpFileOrLogItsAbsence) {
    IniFile system(homePath("system.ini"));
    system.writeString("Options", "LangDir", "EN");
    ASSERT_TRUE(system.save());
    const QString helpFile = homePath("Lang/EN/help.chm");
    struct Case {
        const char* name;
        bool fileThere;
        bool byF1;
    };
    const Case cases[] = {
        {"f1_without_file", false, true},
        {"getting_started_without_file", false, false},
        {"f1_with_file", true, true},
        {"getting_started_with_file", true, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        if (k.fileThere) {
            ASSERT_TRUE(QDir().mkpath(homePath("Lang/EN")));
            QFile f(helpFile);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        open();
        std::vector<QUrl> opened;
        form->findChild<HelpMenu*>(QStringLiteral("HelpMenu"))->setOpener([&](const QUrl& u) {
            opened.push_back(u);
            return true;
        });
        logLines.clear();
        if (k.byF1)
            key(Qt::Key_F1);
        else
            child<QAction>(QStringLiteral("HelpGettingStarted"))->trigger();
        if (k.fileThere) {
            ASSERT_EQ(opened.size(), 1u);
            EXPECT_EQ(opened[0], QUrl::fromLocalFile(helpFile));
            EXPECT_FALSE(logged("no help file"));
        } else {
            EXPECT_TRUE(opened.empty());
            EXPECT_TRUE(logged("Help: no help file " + helpFile))
                << logLines.join('\n').toStdString();
        }
        form.reset();
    }
}

TEST_F(WindowShell, FailedSaveOfTheRecentListShowsItsBoxAndTheProfileIsStillSaved) {
    const QString hst = homePath("Profile/Default.hst");
    ASSERT_TRUE(QDir().mkpath(hst)); // a folder where the list should be written
    open();
    form->playlists().recent.add("/lists/evening.m3u");
    exitProgram();
    ASSERT_EQ(prompts.shown.size(), 1u);
    const RecordingPrompts::Shown& box = prompts.shown[0];
    EXPECT_EQ(box.kind, PromptKind::Error);
    EXPECT_FALSE(box.asked);
    EXPECT_EQ(box.caption, "Player: Error");
    EXPECT_TRUE(
        box.text.startsWith("Error: -1, \r\nFile: " + hst + "\r\nFunc: History.SaveToFile ("))
        << box.text.toStdString();
    EXPECT_TRUE(box.text.endsWith(')'));
    // Nothing else happens: the profile, its playlist and the last profile are written.
    EXPECT_TRUE(QFile::exists(homePath("Profile/Default.prf")));
    EXPECT_TRUE(QFile::exists(homePath("Profile/Default.m3u")));
    EXPECT_EQ(IniFile(homePath("Profile/run.ini")).readString("LastProfile", "LastProfileName", ""),
              homePath("Profile/Default.prf"));
}

// Commands move the window's own controls and lists.
TEST_F(WindowShell, CommandsMoveTheWindowsControlsAndLists) {
    open();
    const QString a = tone("a.wav", 30.0);
    PlaylistView& list = form->playlists().LVMaster;
    for (int i = 0; i < 100; ++i)
        addItem(list, QStringLiteral("t%1").arg(i), a);
    form->recomputeNumbering();
    run(50);
    CommandInterpreter& commands = form->commands().interpreter;
    EXPECT_TRUE(commands.RunCommand("setvol 35"));
    EXPECT_EQ(child<QSlider>(QStringLiteral("tbVol"))->value(), 350);
    EXPECT_TRUE(commands.RunCommand("SET SHUFFLE"));
    EXPECT_TRUE(child<QAbstractButton>(QStringLiteral("btShuffle"))->isChecked());
    EXPECT_TRUE(commands.RunCommand("clr shuffle"));
    EXPECT_FALSE(child<QAbstractButton>(QStringLiteral("btShuffle"))->isChecked());
    EXPECT_TRUE(commands.RunCommand("play 3"));
    run(300);
    EXPECT_EQ(list.PlayingIndex(), 2);
    const QString late = tone("Late Song.WAV", 30.0);
    EXPECT_TRUE(commands.RunCommand("playfile " + late));
    run(300);
    ASSERT_EQ(list.count(), 101);
    EXPECT_EQ(list.at(3).FileName(), late);
    EXPECT_EQ(list.PlayingIndex(), 3);
    EXPECT_EQ(form->onAir()->controller().DeckA().fileName, late);
    // Loading a playlist replaces the active list; a relative path is the program folder's.
    std::vector<M3uEntry> entries(120);
    for (M3uEntry& e : entries)
        e.path = a;
    QDir().mkpath(homePath("Lists"));
    ASSERT_TRUE(writeM3uFile(homePath("Lists/Big Show.m3u"), entries));
    EXPECT_TRUE(commands.RunCommand("load Lists/Big Show.m3u"));
    EXPECT_EQ(list.count(), 120);
    EXPECT_TRUE(form->windowTitle().contains("Big Show.m3u")) << form->windowTitle().toStdString();
}

// "poweroff" closes the player in order, as a stop request does, before the system is asked:
// the settings, the profile (auto-save is on by default) and run.ini are on disk by then.
TEST_F(WindowShell, PoweroffSavesEverythingBeforeTheSystemIsAsked) {
    commands::test::FakePower power;
    setPowerControl(&power);
    open();
    form->playlists().appendFileToMaster("/music/Evening Song.mp3");
    // Both settings files are written again at the close.
    QFile::remove(homePath("player.ini"));
    QFile::remove(homePath("system.ini"));
    QStringList onDisk;
    power.onAsk = [&] {
        onDisk
            << (QFile::exists(homePath("player.ini")) && QFile::exists(homePath("system.ini"))
                    ? "ini"
                    : "")
            << IniFile(homePath("Profile/run.ini")).readString("LastProfile", "LastProfileName", "")
            << (QFile::exists(homePath("Profile/Default.prf")) ? "prf" : "")
            << (QFile(homePath("Profile/Default.m3u")).open(QIODevice::ReadOnly) ? "m3u" : "");
        onDisk << (form->onAir() ? "decks" : "no decks");
    };
    EXPECT_TRUE(form->commands().interpreter.RunCommand("PowerOffNow"));
    setPowerControl(nullptr);
    EXPECT_EQ(power.asked, QStringList({"poweroff"}));
    ASSERT_EQ(onDisk.size(), 5);
    EXPECT_EQ(onDisk[0], "ini");
    EXPECT_EQ(onDisk[1], homePath("Profile/Default.prf"));
    EXPECT_EQ(onDisk[2], "prf");
    EXPECT_EQ(onDisk[3], "m3u");
    EXPECT_EQ(onDisk[4], "no decks");
    EXPECT_FALSE(form->isVisible());
    QFile m3u(homePath("Profile/Default.m3u"));
    ASSERT_TRUE(m3u.open(QIODevice::ReadOnly));
    EXPECT_TRUE(m3u.readAll().contains("/music/Evening Song.mp3"));
}

// The broadcasting settings are reachable from the Tools menu; OK writes player.ini.
TEST_F(WindowShell, BroadcastingSettingsOpenFromTheToolsMenuAndOkWritesPlayerIni) {
    TForm1& f = open();
    QAction* action = child<QAction>("BroadcastSettings");
    ASSERT_NE(action, nullptr);
    action->trigger();
    // The dialog is open without holding the window's event loop.
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->objectName(), QStringLiteral("BroadcastDialog"));
    dialog->findChild<QLineEdit*>("edStreamGenre")->setText("From the menu");
    dialog->accept();
    EXPECT_EQ(f.shell().playerIni.sStreamGenre, QStringLiteral("From the menu"));
    EXPECT_EQ(IniFile(homePath("player.ini")).readString("Broadcast", "sStreamGenre", ""),
              QStringLiteral("From the menu"));
}

} // namespace
} // namespace wc::ui::test
