// The schedule page and the event window on the real main window: the page's commands and
// their enabled states, the event window's boxes and refusals, the scheduler switch with its
// status panel and the profile, countdowns and blinking, and a scheduled event that starts at
// its moment after a start of the program.
#include "windowfixture.h"

#include "common/oledate.h"
#include "common/playlistfile/m3u.h"
#include "common/trackstore/trackstore.h"
#include "player/core/schedule/scheduleprofile.h"
#include "player/ui/schedulepage.h"
#include "player/ui/timeform.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimeEdit>
#include <QUrl>

namespace wc::ui::test {
namespace {

class ScheduleWindow : public WindowTest {
protected:
    SchedulePage& page() { return *form->schedulePage(); }
    Scheduler& sched() { return form->scheduler(); }
    void showPage() {
        form->findChild<QAction*>(QStringLiteral("ShowSchedule"))->trigger();
        ASSERT_TRUE(page().isVisible());
    }
    QPushButton* button(const char* name) { return child<QPushButton>(QLatin1String(name)); }
    Ttimeform* eventWindow() { return form->findChild<Ttimeform*>(); }
    QString cell(int row, int column) {
        return page().model()->index(row, column).data().toString();
    }
    // Fills the open event window's target and presses OK.
    void okWith(const QString& target) {
        Ttimeform* w = eventWindow();
        ASSERT_NE(w, nullptr);
        w->findChild<QComboBox*>(QStringLiteral("_file"))->setEditText(target);
        click(w->findChild<QPushButton*>(QStringLiteral("btOk")));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void selectRow(int row) { clickRow(page().list(), row); }
    QString order() {
        QString s;
        for (const ScheduleEvent& e : sched().events())
            s += QFileInfo(e.Target).completeBaseName();
        return s;
    }
    void writeSchedule(const std::vector<ScheduleEvent>& events) {
        ASSERT_TRUE(QDir(home.path()).mkpath("Presets/Schedule"));
        ASSERT_TRUE(saveScheduleFile(homePath("Presets/Schedule/Default.sdl"), events));
    }
    void writeProfileState(bool on) {
        IniFile prf(homePath("Profile/Default.prf"));
        prf.writeBool("TimeTable", "ScheduleState", on);
        ASSERT_TRUE(prf.save());
    }
};

TEST_F(ScheduleWindow, PageCommandsFollowTheSelection) {
    open();
    showPage();
    for (const char* b : {"btEdit", "btDelete", "btsstart"})
        EXPECT_FALSE(button(b)->isEnabled()) << b;

    // Add without a selection: today's date and the current time; an empty target is refused.
    click(button("btAdd"));
    Ttimeform* w = eventWindow();
    ASSERT_NE(w, nullptr);
    const QDateTime now = fromOleDate(loop.nowOle());
    EXPECT_EQ(w->findChild<QDateEdit*>(QStringLiteral("_date"))->date(), now.date());
    EXPECT_LE(
        std::abs(w->findChild<QTimeEdit*>(QStringLiteral("_time"))->time().secsTo(now.time())), 1);
    okWith(QStringLiteral("   "));
    ASSERT_FALSE(prompts.shown.empty());
    EXPECT_EQ(prompts.shown.back().caption, QStringLiteral("Error"));
    EXPECT_EQ(prompts.shown.back().text,
              QString::fromUtf8("Ошибка: не введено имя файла или команды!"));
    ASSERT_TRUE(eventWindow() && eventWindow()->isVisible());
    okWith(QStringLiteral("/x/b.mp3"));
    EXPECT_EQ(eventWindow(), nullptr);
    ASSERT_EQ(sched().count(), 1);
    EXPECT_EQ(cell(0, 1), QStringLiteral("-"));
    EXPECT_EQ(cell(0, 3), QStringLiteral(" "));
    EXPECT_EQ(cell(0, 6), QStringLiteral("/x/b.mp3"));

    // Add with a selection starts from the selected event.
    selectRow(0);
    for (const char* b : {"btEdit", "btDelete", "btsstart"})
        EXPECT_TRUE(button(b)->isEnabled()) << b;
    click(button("btAdd"));
    EXPECT_EQ(eventWindow()->findChild<QComboBox*>(QStringLiteral("_file"))->currentText(),
              QStringLiteral("/x/b.mp3"));
    eventWindow()->findChild<QCheckBox*>(QStringLiteral("rightnow"))->click();
    okWith(QStringLiteral("/x/a.mp3"));
    ASSERT_EQ(sched().count(), 2);
    EXPECT_EQ(cell(1, 3), QStringLiteral("+"));

    // Edit replaces; a playlist over the programme is refused.
    selectRow(1);
    click(button("btEdit"));
    eventWindow()->findChild<QCheckBox*>(QStringLiteral("cbAbove"))->click();
    okWith(QStringLiteral("/x/Block.M3U"));
    EXPECT_EQ(prompts.shown.back().text,
              QString::fromUtf8("Ошибка: плейлист не может быть запущен поверх эфира!"));
    okWith(QStringLiteral("/x/c.mp3"));
    ASSERT_EQ(sched().count(), 2);
    EXPECT_EQ(cell(1, 4), QStringLiteral("+"));
    EXPECT_EQ(cell(1, 5), QStringLiteral("100"));
    EXPECT_EQ(cell(1, 6), QStringLiteral("/x/c.mp3"));

    // Sorting by a heading, each click the other way round.
    page().list()->horizontalHeader()->sectionClicked(6);
    EXPECT_EQ(order(), QStringLiteral("bc"));
    page().list()->horizontalHeader()->sectionClicked(6);
    EXPECT_EQ(order(), QStringLiteral("cb"));

    // Run Now runs the selected event: an overlay, whose jingle window logs its start (the
    // file is not there, so the window closes on its first tick).
    selectRow(0);
    click(button("btsstart"));
    EXPECT_TRUE(logged(QStringLiteral("[A] Schedule: c (c)")));

    // The context menu's entries follow the selection too; the Delete key and Delete/.
    auto* menu = child<QMenu>(QStringLiteral("ScheduleMenu"));
    EXPECT_EQ(menu->actions().at(0)->text(), QStringLiteral("Add/"));
    QAction* menuDelete = form->findChild<QAction*>(QStringLiteral("mScheduleDelete"));
    EXPECT_TRUE(menuDelete->isEnabled());
    page().list()->setFocus();
    QTest::keyClick(page().list(), Qt::Key_Delete);
    EXPECT_EQ(order(), QStringLiteral("b"));
    EXPECT_FALSE(menuDelete->isEnabled());
    EXPECT_FALSE(button("btDelete")->isEnabled());
    selectRow(0);
    menuDelete->trigger();
    EXPECT_EQ(sched().count(), 0);

    // Clear, without asking.
    sched().add(ScheduleEvent{});
    sched().add(ScheduleEvent{});
    click(button("btClear"));
    EXPECT_EQ(sched().count(), 0);
}

TEST_F(ScheduleWindow, AnEditOfAListReplacedMeanwhileIsAddedNotPutOverAnotherEvent) {
    open();
    showPage();
    ScheduleEvent a, b;
    a.Target = QStringLiteral("/x/a.mp3");
    b.Target = QStringLiteral("/x/b.mp3");
    sched().setEvents({a});
    selectRow(0);
    click(button("btEdit"));
    // While the window is open, something (the "load" command) replaces the list.
    sched().setEvents({b});
    okWith(QStringLiteral("/x/a2.mp3"));
    EXPECT_EQ(order(), QStringLiteral("ba2"));
    EXPECT_TRUE(logged(QStringLiteral("the list changed while an event was edited")));
}

TEST_F(ScheduleWindow, EventWindowBoxesDependOnEachOther) {
    open();
    ScheduleEvent start;
    start.When = 46365.75;
    PlayerMessageTable messages;
    Ttimeform w(start, {}, messages, form.get());
    w.show();
    auto box = [&](const QString& n) { return w.findChild<QCheckBox*>(n); };
    QCheckBox* useDate = box("cbUseDate");
    QCheckBox* all = box("cb_all");
    QCheckBox *now = box("rightnow"), *above = box("cbAbove"), *queue = box("cbQueue"),
              *delPrev = box("cbDelPrev"), *shuffle = box("cbShuffle");
    auto* date = w.findChild<QDateEdit*>(QStringLiteral("_date"));
    auto* gain = w.findChild<QSlider*>(QStringLiteral("tbgain"));

    EXPECT_FALSE(date->isEnabled());
    useDate->click();
    EXPECT_TRUE(date->isEnabled());
    EXPECT_FALSE(all->isEnabled());
    for (int d = 0; d < 7; ++d)
        EXPECT_FALSE(box(QStringLiteral("cb_%1").arg(d))->isEnabled());
    useDate->click();
    all->click(); // ticked: all seven follow
    all->click(); // cleared: all seven follow
    for (int d = 0; d < 7; ++d)
        EXPECT_FALSE(box(QStringLiteral("cb_%1").arg(d))->isChecked());

    EXPECT_FALSE(gain->isEnabled());
    above->click();
    EXPECT_TRUE(gain->isEnabled());
    for (QCheckBox* b : {now, queue, shuffle, delPrev})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    above->click();

    EXPECT_TRUE(delPrev->isChecked()); // on by default
    now->click();
    queue->click(); // clears rightnow and cbDelPrev
    EXPECT_FALSE(now->isChecked());
    EXPECT_FALSE(delPrev->isChecked());
    now->click(); // clears cbQueue
    EXPECT_FALSE(queue->isChecked());
    queue->click();
    delPrev->click(); // clears cbQueue
    EXPECT_FALSE(queue->isChecked());

    // OK builds the event from the controls: the chosen date's days plus the time's fraction.
    box("cb_3")->click();
    useDate->click();
    date->setDate(QDate(2027, 1, 2));
    w.findChild<QTimeEdit*>(QStringLiteral("_time"))->setTime(QTime(22, 30, 15));
    w.findChild<QComboBox*>(QStringLiteral("_file"))->setEditText(QStringLiteral("next"));
    w.accept();
    const ScheduleEvent& e = w.event();
    EXPECT_EQ(fromOleDate(e.When), QDateTime(QDate(2027, 1, 2), QTime(22, 30, 15)));
    EXPECT_TRUE(e.UseDate);
    EXPECT_EQ(QByteArray(e.Days.data(), 7), QByteArray("0001000"));
    EXPECT_EQ(e.Target, QStringLiteral("next"));
    EXPECT_TRUE(e.DeletePrevious);
    EXPECT_FALSE(e.Immediate);
    // The command words are offered in the target list.
    EXPECT_GE(w.findChild<QComboBox*>(QStringLiteral("_file"))
                  ->findText(QStringLiteral("getrandomplaylist ")),
              0);
}

TEST_F(ScheduleWindow, HelpButtonOpensTheLanguagesHelpFile) {
    ASSERT_TRUE(QDir(home.path()).mkpath("Lang"));
    QFile help(homePath("Lang/help.chm"));
    ASSERT_TRUE(help.open(QIODevice::WriteOnly));
    help.close();
    open();
    showPage();
    click(button("btAdd"));
    QList<QUrl> opened;
    eventWindow()->openUrl = [&](const QUrl& u) {
        opened << u;
        return true;
    };
    click(eventWindow()->findChild<QPushButton*>(QStringLiteral("btHelp")));
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0].toLocalFile(), homePath("Lang/help.chm"));
}

TEST_F(ScheduleWindow, TheSwitchFollowsTheProfileAndTheStatusPanel) {
    ScheduleEvent a, b;
    a.Target = QStringLiteral("/x/a.mp3");
    b.Target = QStringLiteral("/x/b.mp3");
    writeSchedule({a, b});
    writeProfileState(true);
    open();
    auto* cb = child<QCheckBox>(QStringLiteral("cbSchedule"));
    auto* panel = child<QLabel>(QStringLiteral("StatusPanel5"));
    EXPECT_TRUE(cb->isChecked());
    EXPECT_TRUE(sched().enabled());
    EXPECT_EQ(sched().count(), 2);
    const QString onText = panel->text();
    EXPECT_TRUE(onText.startsWith(QString::fromUtf8("Планировщик: "))) << onText.toStdString();
    QTest::mouseDClick(panel, Qt::LeftButton);
    EXPECT_FALSE(sched().enabled());
    EXPECT_FALSE(cb->isChecked());
    EXPECT_NE(panel->text(), onText);
    showPage();
    click(cb);
    EXPECT_TRUE(sched().enabled());
    EXPECT_EQ(panel->text(), onText);

    // Save and Load through the page's dialogs.
    const QString other = homePath("Presets/Schedule/Other.sdl");
    page().askScheduleFile = [&](bool) { return other; };
    click(button("btSaveSchedule"));
    sched().clear();
    click(button("btLoadSchedule"));
    EXPECT_EQ(order(), QStringLiteral("ab"));

    // The profile keeps the switch and the list.
    sched().remove(0);
    QTest::mouseDClick(panel, Qt::LeftButton);
    page().list()->setColumnWidth(2, 123);
    exitProgram();
    EXPECT_FALSE(
        IniFile(homePath("Profile/Default.prf")).readBool("TimeTable", "ScheduleState", true));
    std::vector<ScheduleEvent> saved;
    ASSERT_TRUE(loadScheduleFile(homePath("Presets/Schedule/Default.sdl"), &saved));
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].Target, QStringLiteral("/x/b.mp3"));

    // The next start: off, the one event, the column's width.
    form.reset();
    open();
    EXPECT_FALSE(sched().enabled());
    EXPECT_EQ(order(), QStringLiteral("b"));
    EXPECT_EQ(page().list()->columnWidth(2), 123);
}

TEST_F(ScheduleWindow, CountdownsTickAndRowsDueSoonBlink) {
    open();
    ScheduleEvent soon, later;
    soon.UseDate = later.UseDate = true;
    soon.Target = later.Target = QStringLiteral("next");
    soon.When = oleAddMs(loop.nowOle(), 10500);
    later.When = oleAddMs(loop.nowOle(), 14500);
    sched().add(soon);
    sched().add(later);
    child<QCheckBox>(QStringLiteral("cbSchedule"))->click();
    // Hidden page: nothing is counted.
    run(1100);
    EXPECT_TRUE(cell(0, 0).isEmpty());
    showPage();
    run(1000);
    EXPECT_EQ(cell(0, 0), QStringLiteral("00:00:08"));
    EXPECT_EQ(cell(1, 0), QStringLiteral("00:00:12"));
    // The soon row alternates between the two blink colours; the other is never painted.
    QSet<QRgb> colours;
    for (int i = 0; i < 8; ++i) {
        run(100);
        const QVariant bg = page().model()->index(0, 0).data(Qt::BackgroundRole);
        ASSERT_TRUE(bg.canConvert<QColor>());
        colours.insert(bg.value<QColor>().rgb());
        EXPECT_FALSE(page().model()->index(1, 0).data(Qt::BackgroundRole).isValid());
    }
    EXPECT_EQ(colours, (QSet<QRgb>{QColor(255, 0, 0).rgb(), QColor(Qt::white).rgb()}));
}

TEST_F(ScheduleWindow, AnImmediateEventStartsItsFileAtItsMomentAfterAStart) {
    const QString file = tone(QStringLiteral("news.wav"), 3);
    ScheduleEvent e;
    e.Target = file;
    e.UseDate = true;
    e.Immediate = true;
    // One minute after the start of the simulated day (the window starts at 12:00:00).
    e.When = oleAddMs(loop.nowOle(), 60000);
    writeSchedule({e});
    writeProfileState(true);
    open();
    run(59500 - loop.tickMs());
    EXPECT_FALSE(logged(QStringLiteral("On air: news")));
    run(700);
    EXPECT_TRUE(logged(QStringLiteral("On air: news")));
    // The process's store (the program's own run checks the file it writes).
    const MyDatabase& store = trackStore();
    const int i = store.FindTrackRecord(file);
    ASSERT_GE(i, 0);
    EXPECT_EQ(store.recordAt(i).playCount, 1);
    const qint64 late = oleToMs(store.recordAt(i).lastPlay) - oleToMs(e.When);
    EXPECT_GE(late, 0);
    EXPECT_LT(late, Scheduler::kTickMs);
    EXPECT_TRUE(form->windowTitle().contains(QStringLiteral("[/news]")))
        << form->windowTitle().toStdString();
}

// A schedule target that is a command runs through the player's command interpreter and puts
// nothing into the list; "load" of a schedule file from the command language replaces the
// scheduler's list; getrandomplaylist receives the event's Immediate switch.
TEST_F(ScheduleWindow, CommandTargetsRunThroughTheInterpreterWhichLoadsScheduleFiles) {
    const QString a = tone(QStringLiteral("a.wav"), 30);
    open();
    PlaylistView& list = form->playlists().LVMaster;
    for (int i = 0; i < 3; ++i)
        addItem(list, QStringLiteral("t%1").arg(i), a);
    form->recomputeNumbering();
    ScheduleEvent next;
    next.Target = QStringLiteral("\"NEXT\"");
    sched().add(next);
    EXPECT_TRUE(form->commands().interpreter.RunCommand(QStringLiteral("play 1")));
    run(300);
    ASSERT_EQ(list.PlayingIndex(), 0);
    EXPECT_EQ(sched().RunScheduleEvent(0), 0);
    run(300);
    EXPECT_EQ(list.count(), 3);
    EXPECT_EQ(list.PlayingIndex(), 1);

    // getrandomplaylist from an event inserts a reference to a random list after the playing
    // item; only with the event's Immediate does the controller go on to it at once.
    ASSERT_TRUE(QDir(home.path()).mkpath("Shows"));
    std::vector<M3uEntry> entries(2);
    for (M3uEntry& e : entries)
        e.path = a;
    ASSERT_TRUE(writeM3uFile(homePath("Shows/Evening.m3u"), entries));
    ScheduleEvent random;
    random.Target = QStringLiteral("getrandomplaylist ") + homePath("Shows");
    sched().add(random);
    EXPECT_EQ(sched().RunScheduleEvent(1), 0);
    run(300);
    ASSERT_EQ(list.count(), 4);
    EXPECT_EQ(list.at(2).FileName(), homePath("Shows/Evening.m3u"));
    EXPECT_EQ(list.at(2).ImageIndex, 24);
    EXPECT_EQ(list.PlayingIndex(), 1);
    EXPECT_FALSE(logged(QStringLiteral("On air: Evening")));
    random.Immediate = true;
    sched().replace(1, random);
    EXPECT_EQ(sched().RunScheduleEvent(1), 0);
    // (A list reference is not a sound file: the controller reports it and goes on.)
    EXPECT_TRUE(logged(QStringLiteral("On air: Evening")));

    // "load" of a schedule file replaces the list the page shows.
    ScheduleEvent e1, e2;
    e1.Target = QStringLiteral("stop");
    e2.Target = a;
    writeSchedule({e1, e2});
    EXPECT_TRUE(form->commands().interpreter.RunCommand(QStringLiteral("load Default.sdl")));
    ASSERT_EQ(sched().count(), 2);
    EXPECT_EQ(sched().at(0).Target, QStringLiteral("stop"));
    EXPECT_EQ(page().model()->rowCount(), 2);
}

} // namespace
} // namespace wc::ui::test
