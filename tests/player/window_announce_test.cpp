// The announcement in the real window: items played from the on-air list are named on the
// on-air label, in the now-playing file, in the day's report and in the log list; and the
// Preferences window's General page edits the report and now-playing settings.
#include "windowfixture.h"

#include "common/oledate.h"
#include "player/ui/tfrmsettings.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace wc::ui::test {
namespace {

class AnnounceWindow : public WindowTest {
protected:
    QByteArray readFile(const QString& rel) const {
        QFile f(homePath(rel));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString reportRel() const {
        return "Report/" + fromOleDate(loop.nowOle()).date().toString("yyyy-MM-dd") + ".txt";
    }
    // Lines of today's report without their times.
    QStringList reportTexts() const {
        QStringList out;
        for (const QString& l : QString::fromUtf8(readFile(reportRel())).split("\r\n"))
            if (!l.isEmpty()) out << l.mid(11);
        return out;
    }
    void playList() {
        clickRow(master(), 0);
        click(child<QAbstractButton>(QStringLiteral("btPlay")));
    }
    TfrmSettings* openPreferences() {
        form->findChild<QAction*>("aPreferences")->trigger();
        return form->findChild<TfrmSettings*>();
    }
    static QPushButton* button(QWidget* w, const QString& text) {
        for (QPushButton* b : w->findChildren<QPushButton*>())
            if (b->text() == text) return b;
        return nullptr;
    }
};

TEST_F(AnnounceWindow, PlayedItemsAreNamedOnTheLabelTheFileTheReportAndTheList) {
    open();
    PlaylistView& m = form->playlists().LVMaster;
    addItem(m, "row a", tone("first.wav", 0.6));
    addItem(m, "row b", tone("second.wav", 0.6));
    playList();
    run(300);
    form->flushAnnouncementFiles();
    EXPECT_EQ(child<QLabel>("OnAirLabel")->text(), "first");
    EXPECT_EQ(readFile("nowplaying.txt"), "first\r\n");
    ASSERT_TRUE(loop.runUntil([&] { return m.PlayingIndex() == 1; }, 3000));
    form->flushAnnouncementFiles();
    EXPECT_EQ(child<QLabel>("OnAirLabel")->text(), "second");
    EXPECT_EQ(readFile("nowplaying.txt"), "second\r\n");
    // The rows took the titles and lengths of their files.
    EXPECT_EQ(titles(m), (QStringList{"first", "second"}));
    EXPECT_EQ(m.at(1).DurationText(), "00:00");
    EXPECT_EQ(reportTexts(), (QStringList{"first", "second"}));
    // The log list shows the report's lines, the last one current.
    const QListWidget* log = child<QListWidget>("LogList");
    const QStringList report = QString::fromUtf8(readFile(reportRel())).split("\r\n");
    QStringList listed;
    for (int i = 0; i < log->count(); ++i)
        if (report.contains(log->item(i)->text())) listed << log->item(i)->text();
    EXPECT_EQ(listed.size(), 2);
    EXPECT_EQ(log->currentRow(), log->count() - 1);
    // Other parts of the player log through the window's LogEvent into the same report.
    form->LogEvent("{Broadcast}: connected");
    form->flushAnnouncementFiles();
    EXPECT_EQ(reportTexts().last(), "{Broadcast}: connected");
    EXPECT_EQ(log->currentItem()->text().mid(11), "{Broadcast}: connected");
}

TEST_F(AnnounceWindow, TodaysEarlierLinesComeFirstAndEachLineOnceWhenAStartPlaysAtOnce) {
    // An item goes on air from the autoexec file, before the window reads today's report.
    QDir(homePath({})).mkpath("Report");
    QDir(homePath({})).mkpath("Profile");
    {
        QFile r(homePath(reportRel()));
        ASSERT_TRUE(r.open(QIODevice::WriteOnly));
        r.write("05:00:00   earlier\r\n");
        QFile m3u(homePath("Profile/Default.m3u"));
        ASSERT_TRUE(m3u.open(QIODevice::WriteOnly));
        m3u.write(("#EXTM3U\r\n" + tone("onair.wav", 5.0) + "\r\n").toUtf8());
        QFile autoexec(homePath("autoexec.ini"));
        ASSERT_TRUE(autoexec.open(QIODevice::WriteOnly));
        autoexec.write("startplaylist\r\n");
    }
    open();
    form->flushAnnouncementFiles();
    ASSERT_EQ(reportTexts(), (QStringList{"earlier", "onair"}));
    const QListWidget* log = child<QListWidget>("LogList");
    QStringList listed;
    for (int i = 0; i < log->count(); ++i)
        if (log->item(i)->text().mid(8, 3) == "   ") listed << log->item(i)->text().mid(11);
    EXPECT_EQ(listed, (QStringList{"earlier", "onair"}));
}

TEST_F(AnnounceWindow, GeneralPageEditsTheReportAndNowPlayingSettings) {
    open();
    TfrmSettings* w = openPreferences();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->currentPage(), PreferencesPage::General);
    auto* report = w->findChild<QCheckBox*>("cbReport");
    auto* number = w->findChild<QCheckBox*>("cbTrackNumberInReport");
    auto* exportBox = w->findChild<QCheckBox*>("cbEnableExport");
    auto* fileName = w->findChild<QLineEdit*>("edExportFileName");
    ASSERT_TRUE(report && number && exportBox && fileName);
    EXPECT_EQ(report->text(), QString::fromUtf8("Создавать файл отчета"));
    EXPECT_EQ(exportBox->text(), "Save playing track title to file");
    EXPECT_TRUE(report->isChecked());
    EXPECT_TRUE(number->isEnabled());
    EXPECT_FALSE(number->isChecked());
    EXPECT_TRUE(exportBox->isChecked());
    EXPECT_EQ(fileName->text(), "nowplaying.txt");
    EXPECT_TRUE(w->findChild<QRadioButton*>("rbExportTXT")->isChecked());
    for (const char* f : {"XML", "TXT", "JSON"})
        EXPECT_EQ(w->findChild<QRadioButton*>(QStringLiteral("rbExport") + f)->text(), f);

    // The track number is offered only while the report is made.
    report->setChecked(false);
    EXPECT_FALSE(number->isEnabled());
    report->setChecked(true);
    number->setChecked(true);
    fileName->setText("np.json");
    w->findChild<QRadioButton*>("rbExportJSON")->setChecked(true);
    click(button(w, QString::fromUtf8("ОК")));
    EXPECT_TRUE(form->shell().playerIni.ShowTrackNumberInReport);
    EXPECT_EQ(form->shell().playerIni.iExportFormat, 2);
    EXPECT_EQ(form->shell().playerIni.XMLExportFileName, "np.json");
    const IniFile ini(homePath("player.ini"));
    EXPECT_EQ(ini.readInt("Options", "iExportFormat", -1), 2);
    EXPECT_EQ(ini.readString("Options", "XMLExportFileName", ""), "np.json");

    // The next item follows the new settings.
    PlaylistView& m = form->playlists().LVMaster;
    addItem(m, "row", tone("tone.wav", 5.0));
    playList();
    run(300);
    form->flushAnnouncementFiles();
    EXPECT_EQ(reportTexts(), QStringList{"[1]  tone"});
    const QJsonObject o = QJsonDocument::fromJson(readFile("np.json")).object();
    EXPECT_EQ(o.value("fileName").toString(), homePath("tone.wav"));
    EXPECT_GT(o.value("lengthMs").toInt(), 4900);

    // Cancel keeps what there was; switching the export off stops the file.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    w = openPreferences();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->findChild<QRadioButton*>("rbExportJSON")->isChecked());
    w->findChild<QCheckBox*>("cbEnableExport")->setChecked(false);
    w->findChild<QCheckBox*>("cbReport")->setChecked(false);
    click(button(w, QString::fromUtf8("Отмена")));
    EXPECT_TRUE(form->shell().playerIni.bEnableExport);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    w = openPreferences();
    w->findChild<QCheckBox*>("cbEnableExport")->setChecked(false);
    w->findChild<QCheckBox*>("cbReport")->setChecked(false);
    click(button(w, QString::fromUtf8("ОК")));
    EXPECT_FALSE(form->shell().playerIni.bEnableExport);
    QFile::remove(homePath("np.json"));
    addItem(m, "row 2", tone("tone2.wav", 5.0));
    click(child<QAbstractButton>(QStringLiteral("btNext")));
    run(300);
    form->flushAnnouncementFiles();
    EXPECT_EQ(child<QLabel>("OnAirLabel")->text(), "tone2");
    EXPECT_FALSE(QFile::exists(homePath("np.json")));
    EXPECT_EQ(reportTexts(), QStringList{"[1]  tone"});
}

} // namespace
} // namespace wc::ui::test
