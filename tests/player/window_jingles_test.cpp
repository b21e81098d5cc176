// Jingles and pre-listening in the real main window, offscreen: the jingle buttons and menu
// with their slots from the profile, the jingle list window, the scheduler's overlay events,
// and every way into the pre-listen window.
#include "windowfixture.h"

#include "audio/audioengine.h"
#include "common/oledate.h"
#include "player/core/announce/reportlog.h"
#include "player/core/jingles/overlayjingles.h"
#include "player/core/jingles/prelisten.h"
#include "player/core/playback/onairchain.h"
#include "player/core/schedule/scheduleevent.h"
#include "player/ui/jinglebank.h"
#include "player/ui/overlaywindows.h"
#include "player/ui/prelistenbinder.h"
#include "player/ui/tfrmjinlist.h"

#include <QAction>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <cmath>

namespace wc::ui::test {
namespace {

class JingleWindows : public WindowTest {
protected:
    void writeProfile(const std::function<void(IniFile&)>& fill) {
        IniFile prf(homePath("Profile/Default.prf"));
        fill(prf);
        ASSERT_TRUE(prf.save());
    }
    // A tone on the right channel only, so that it can be told from the music.
    QString rightTone(const QString& name, double seconds) {
        audio::test::Pcm p = audio::test::sine(seconds, 600.0, 0.5);
        for (std::size_t i = 0; i < p.samples.size(); i += 2)
            p.samples[i] = 0;
        const QString path = homePath(name);
        EXPECT_TRUE(audio::test::writeWav(path, p, true));
        return path;
    }
    void playMusic(double seconds = 60) {
        addItem(form->playlists().LVMaster, "music", tone("music.wav", seconds));
        clickRow(master(), 0);
        click(child<QAbstractButton>(QStringLiteral("btPlay")));
        run(300);
    }
    float peak(int channel, int ms) const {
        const std::size_t frames = out.size() / 2;
        const std::size_t n = std::size_t(ms) * 44100 / 1000;
        float p = 0;
        for (std::size_t f = frames > n ? frames - n : 0; f < frames; ++f)
            p = std::max(p, std::fabs(out[f * 2 + std::size_t(channel)]));
        return p;
    }
    QList<TfrmJinPlay*> jingleWindows() const {
        QList<TfrmJinPlay*> open;
        for (TfrmJinPlay* w : form->findChildren<TfrmJinPlay*>())
            if (w->isVisible()) open << w;
        return open;
    }
    PreListenWindow* preListenWindow() const {
        for (PreListenWindow* w : form->findChildren<PreListenWindow*>())
            if (w->isVisible()) return w;
        return nullptr;
    }
    // Closed windows are deleted later: let that happen.
    void settle() {
        run(60);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    MainTimer& mainTimer() { return form->onAir()->mainTimer(); }
    QAction* action(const QString& name) const { return child<QAction>(name); }
};

TEST_F(JingleWindows, ButtonsAndMenuFollowTheSlotsAndFireJinglesOverTheMusic) {
    const QString one = rightTone("One.wav", 4.0);
    writeProfile([&](IniFile& prf) {
        prf.writeString("Jingles", "Path1", one);
        prf.writeString("Jingles", "Path2", homePath("gone.wav"));
        prf.writeInt("Options", "JVol", 40);
        prf.writeInt("Options", "JinglVolume", 80);
    });
    open();
    auto* tbj1 = child<QToolButton>(QStringLiteral("tbj1"));
    auto* tbj2 = child<QToolButton>(QStringLiteral("tbj2"));
    auto* tbj3 = child<QToolButton>(QStringLiteral("tbj3"));
    EXPECT_TRUE(tbj1->isEnabled());
    EXPECT_FALSE(tbj2->isEnabled()); // its file is missing
    EXPECT_FALSE(tbj3->isEnabled()); // empty
    EXPECT_EQ(tbj1->toolTip(), QString::fromUtf8("Джингл: One (00:04)"));
    EXPECT_EQ(tbj2->toolTip(), QString::fromUtf8("Джингл: gone (?"
                                                 "?:?"
                                                 "?)"));
    EXPECT_TRUE(tbj3->toolTip().isEmpty());
    EXPECT_EQ(action("jin1")->text(), "1 " + one);
    EXPECT_EQ(action("jin1")->toolTip(), QString::fromUtf8("Джингл: One"));
    EXPECT_FALSE(action("jin2")->isEnabled());

    playMusic();
    click(tbj1);
    ASSERT_EQ(jingleWindows().size(), 1);
    TfrmJinPlay* w = jingleWindows()[0];
    EXPECT_EQ(w->windowTitle(), "Jingle");
    EXPECT_TRUE(w->volume()->isVisible());
    EXPECT_EQ(w->volume()->value(), 80);
    EXPECT_TRUE(logged("[A] Jingle (One)"));
    // The start is a line of the day's report.
    form->flushAnnouncementFiles();
    QFile report(form->report().ReportFileName());
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    EXPECT_TRUE(report.readAll().contains("   [A] Jingle (One)\r\n"));
    run(1200);
    EXPECT_EQ(mainTimer().MusicVolume(), 40);
    EXPECT_NEAR(peak(0, 50), 0.5f * 0.4f, 0.01f);        // the music, lowered
    EXPECT_NEAR(peak(1, 50), 0.5f * 0.4f + 0.4f, 0.03f); // the jingle on air over it
    // The menu entry fires the same slot; both windows play at once.
    action("jin1")->trigger();
    EXPECT_EQ(jingleWindows().size(), 2);
    run(4500);
    settle();
    EXPECT_TRUE(jingleWindows().isEmpty());
    EXPECT_EQ(mainTimer().MusicVolume(), 100);
    EXPECT_TRUE(form->jingles().list().players().empty());

    // The progress bar seeks, the slider sets JinglVolume.
    click(tbj1);
    w = jingleWindows().value(0);
    ASSERT_NE(w, nullptr);
    run(100);
    QTest::mouseClick(w->progress(), Qt::LeftButton, {},
                      QPoint(w->progress()->width() / 2, w->progress()->height() / 2));
    run(100);
    EXPECT_NEAR(w->progress()->value(), 525, 30);
    w->volume()->setValue(60);
    EXPECT_EQ(form->jingles().list().players().front()->deck().Volume(), 60);
    exitProgram();
    EXPECT_EQ(IniFile(homePath("Profile/Default.prf")).readInt("Options", "JinglVolume", -1), 60);
}

TEST_F(JingleWindows, CancelClosesTheJingleAndAnOverlayEventPlaysAtItsDuckLevel) {
    open();
    addItem(form->playlists().LVMaster, "second", tone("second.wav", 60));
    playMusic();
    const QString ov = rightTone("ov.wav", 3.0);
    ScheduleEvent e;
    e.Target = ov;
    e.UseDate = true;
    e.OverAir = true;
    e.DuckLevel = 30;
    e.When = oleAddMs(loop.nowOle(), 1000);
    form->scheduler().add(e);
    form->scheduler().setEnabled(true);
    run(2200);
    ASSERT_EQ(jingleWindows().size(), 1);
    TfrmJinPlay* w = jingleWindows()[0];
    EXPECT_EQ(w->windowTitle(), "Schedule: ov");
    EXPECT_FALSE(w->volume()->isVisible());
    EXPECT_TRUE(logged("[A] Schedule: ov (ov)"));
    EXPECT_EQ(mainTimer().MusicVolume(), 30);
    EXPECT_NEAR(peak(0, 50), 0.15f, 0.01f);
    EXPECT_GT(peak(1, 50), 0.6f);
    // A music item started meanwhile starts at the jingle's level.
    form->onAir()->controller().aNextTrack();
    EXPECT_EQ(form->onAir()->controller().DeckA().Volume(), 30);
    click(w->cancel());
    settle();
    EXPECT_TRUE(jingleWindows().isEmpty());
    EXPECT_EQ(mainTimer().MusicVolume(), 100);
    run(100);
    EXPECT_NEAR(peak(0, 50), 0.5f, 0.01f);
    EXPECT_LT(peak(1, 50), 0.51f);
}

TEST_F(JingleWindows, TheJingleListAssignsLoadsSavesAndListens) {
    const QString a = rightTone("a.wav", 1.0), b = rightTone("b.wav", 1.0);
    writeProfile([&](IniFile& prf) { prf.writeString("Jingles", "Path1", a); });
    open();
    QStringList asked;
    QString nextOpen = b, nextSave = homePath("set");
    form->jingles().listDialogs.openFile = [&](QWidget*, const QString& filter, int selected) {
        asked << filter.section('|', 0, 0) + QStringLiteral(" #%1").arg(selected);
        return nextOpen;
    };
    form->jingles().listDialogs.saveFile = [&](QWidget*, const QString& filter) {
        asked << filter;
        return nextSave;
    };
    action("JinAssign")->trigger();
    auto* list = form->findChild<TfrmJinList*>();
    ASSERT_NE(list, nullptr);
    auto button = [&](const char* name) { return list->findChild<QPushButton*>(name); };
    EXPECT_EQ(list->rows()[0], a);
    EXPECT_EQ(list->list()->topLevelItem(0)->text(1), "a.wav");
    // Choose, Delete and Listen need a selected row.
    EXPECT_FALSE(button("btChoose")->isEnabled());
    list->list()->setCurrentItem(list->list()->topLevelItem(2));
    EXPECT_TRUE(button("btChoose")->isEnabled());
    click(button("btChoose"));
    EXPECT_EQ(list->rows()[2], b);
    EXPECT_EQ(list->list()->currentItem(), list->list()->topLevelItem(3)); // the next row
    // Listen plays the selected row's file through slot 0.
    list->list()->setCurrentItem(list->list()->topLevelItem(2));
    click(button("btListen"));
    EXPECT_EQ(form->jingles().jingleSlots().file(0), b);
    EXPECT_EQ(jingleWindows().size(), 1);
    // The level slider sets JVol at once.
    list->findChild<QSlider*>("JVol")->setValue(55);
    // Save and load a list file.
    click(button("btSave"));
    JingleListPaths saved;
    ASSERT_TRUE(readJingleListFile(homePath("set.lst"), &saved));
    EXPECT_EQ(saved[0], a);
    EXPECT_EQ(saved[2], b);
    list->list()->setCurrentItem(list->list()->topLevelItem(0));
    click(button("btDelete"));
    EXPECT_TRUE(list->rows()[0].isEmpty());
    nextOpen = homePath("set.lst");
    click(button("btLoad"));
    EXPECT_EQ(list->rows()[0], a);
    EXPECT_EQ(asked, (QStringList{"Jingles list (*.lst) #1", "Jingles list (*.lst)|*.lst",
                                  "Jingles list (*.lst) #0"}));
    click(button("btOK"));
    EXPECT_EQ(form->jingles().jingleSlots().file(3), b);
    EXPECT_EQ(action("jin3")->text(), "3 " + b);
    EXPECT_TRUE(child<QToolButton>(QStringLiteral("tbj3"))->isEnabled());

    // Cancel keeps the slots.
    settle();
    action("JinAssign")->trigger();
    list = nullptr;
    for (TfrmJinList* l : form->findChildren<TfrmJinList*>())
        if (l->isVisible()) list = l;
    ASSERT_NE(list, nullptr);
    list->list()->setCurrentItem(list->list()->topLevelItem(2));
    click(button("btDelete"));
    click(button("btCancel"));
    EXPECT_EQ(form->jingles().jingleSlots().file(3), b);

    // The slots and the level go with the profile.
    exitProgram();
    IniFile prf(homePath("Profile/Default.prf"));
    EXPECT_EQ(prf.readString("Jingles", "Path3", {}), b);
    EXPECT_EQ(prf.readInt("Options", "JVol", -1), 55);
}

TEST_F(JingleWindows, EveryWayIntoPreListeningOpensOneWindowThatFreesItsDeck) {
    writeProfile([](IniFile& prf) { prf.writeInt("Options", "SecondaryOutput", 1); });
    open();
    PlayerPlaylists& lists = form->playlists();
    addItem(lists.LVMaster, "m", tone("m.wav", 10));
    addItem(lists.LVMaster, "missing", homePath("missing.wav"));
    addItem(lists.LVSlave, "s", tone("s.wav", 10));
    form->repaintList();
    QAction* entry = action("aPreListen");
    PreListenBinder& binder = form->preListen();

    // The playlist menu entry: the first selected item of the active list.
    clickRow(master(), 0);
    entry->trigger();
    PreListenWindow* w = preListenWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "m.wav");
    EXPECT_FALSE(entry->isEnabled());
    EXPECT_TRUE(w->player().split());
    EXPECT_EQ(form->onAir()->controller().DeckA().pan, 100);
    QPointer<PreListenWindow> first = w;
    run(500);
    EXPECT_GT(w->progress()->value(), 0);
    // A click on the progress bar seeks to the clicked fraction of the length.
    QTest::mouseClick(w->progress(), Qt::LeftButton, {},
                      QPoint(w->progress()->width() * 3 / 4, w->progress()->height() / 2));
    run(100);
    EXPECT_NEAR(w->progress()->value(), 760, 30);
    EXPECT_NEAR(w->player().deck()->PositionMs(), 7600, 300);
    // The volume slider is the profile's RearVolume.
    w->volume()->setValue(35);
    EXPECT_EQ(w->player().deck()->Volume(), 35);
    click(w->cancel());
    settle();
    EXPECT_TRUE(first.isNull()); // the window, its player and its deck are gone
    EXPECT_TRUE(entry->isEnabled());
    EXPECT_EQ(form->onAir()->controller().DeckA().pan, 0);

    // A missing file: the error box, and no window.
    clickRow(master(), 1);
    entry->trigger();
    settle();
    ASSERT_FALSE(prompts.shown.empty());
    EXPECT_EQ(prompts.shown.back().caption, "Error");
    EXPECT_EQ(prompts.shown.back().text, "Error playing file (2)");
    EXPECT_EQ(preListenWindow(), nullptr);
    EXPECT_TRUE(entry->isEnabled());

    // Alt+click on an item of either list, while hk13 is on.
    clickRow(master(), 0, Qt::AltModifier);
    ASSERT_NE(preListenWindow(), nullptr);
    EXPECT_EQ(binder.window()->player().fileName(), homePath("m.wav"));
    // A double click on LVSlave replaces the open window.
    click(child<QAbstractButton>(QStringLiteral("btTempPage")));
    clickRow(slave(), 0);
    QTest::mouseDClick(slave()->viewport(), Qt::LeftButton, {},
                       slave()->visualRect(slave()->model()->index(0, 2)).center());
    settle();
    ASSERT_NE(preListenWindow(), nullptr);
    EXPECT_EQ(preListenWindow()->player().fileName(), homePath("s.wav"));
    EXPECT_EQ(form->findChildren<PreListenWindow*>().size(), 1);
    click(preListenWindow()->cancel());
    settle();

    // hk13 off: Alt+click does not pre-listen.
    click(child<QAbstractButton>(QStringLiteral("btMainPage")));
    writeProfile([](IniFile& prf) { prf.writeInt("HotKeys", "hk13", -1); });
    form->loadProfile(homePath("Profile/Default.prf"));
    clickRow(master(), 0, Qt::AltModifier);
    EXPECT_EQ(preListenWindow(), nullptr);
}

} // namespace
} // namespace wc::ui::test
