// The generator window offscreen: its controls follow the template rules, presets load and
// save through the controls, and the sliders clamp and show their values.
#include "common/clock_qt.h"
#include "common/ini.h"
#include "common/paths.h"
#include "common/version.h"
#include "generator/ui/tlumbrawnd.h"
#include "genfixture.h"
#include "platform/prompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

using namespace wc;
using namespace gentest;

namespace {

class Window : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("WAVECREST_HOME", home.path().toUtf8());
        qputenv("WAVECREST_RUNTIME_DIR", runtime.path().toUtf8());
        setProgramDirFrom(QStringLiteral("/nonexistent/Lumbra"));
        setPrompts(&rec);
    }
    void TearDown() override {
        setPrompts(nullptr);
        qunsetenv("WAVECREST_HOME");
        qunsetenv("WAVECREST_RUNTIME_DIR");
    }
    template <class W> W* child(TLumbraWnd& w, const char* name) {
        W* c = w.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    QTemporaryDir home, runtime;
    RecordingPrompts rec;
};

} // namespace

TEST_F(Window, PresetRulesShowInTheControls) {
    struct Case {
        QByteArray text;
        int tracks, minutes;
        bool dontRepeat, noRepeatArtists;
    };
    const Case cases[] = {
        {"[Step1]\nType=2\nCount=90\n", 0, 90, false, false},
        {"[Step1]\nType=1\nCount=40\n[Step2]\nDontRepeat=1\nNoRepeatArtists=1\n", 40, 0, false,
         true},
        {"[Step2]\nDontRepeat=1\n", 1, 0, true, false},
    };
    TLumbraWnd w(QString{});
    w.show();
    for (const Case& c : cases) {
        writeText(home.filePath("Presets/Generator/p.prs"), c.text);
        w.choosePreset("p");
        EXPECT_EQ(child<QSpinBox>(w, "seTracks")->value(), c.tracks) << c.text.toStdString();
        EXPECT_EQ(child<QSpinBox>(w, "seMinutes")->value(), c.minutes) << c.text.toStdString();
        EXPECT_EQ(child<QCheckBox>(w, "cbDontRepeat")->isChecked(), c.dontRepeat);
        EXPECT_EQ(child<QCheckBox>(w, "cbNoRepeatArtists")->isChecked(), c.noRepeatArtists);
        EXPECT_EQ(child<QLabel>(w, "lbResult")->text(), QStringLiteral("нет"));
    }
    // Checking one no-repeat option clears the other.
    child<QCheckBox>(w, "cbDontRepeat")->setChecked(true);
    EXPECT_FALSE(child<QCheckBox>(w, "cbNoRepeatArtists")->isChecked());
    child<QCheckBox>(w, "cbNoRepeatArtists")->setChecked(true);
    EXPECT_FALSE(child<QCheckBox>(w, "cbDontRepeat")->isChecked());
    // Switching the type clears the other count; hour signals need time mode and a start time.
    child<QRadioButton>(w, "rbTime")->setChecked(true);
    EXPECT_EQ(child<QSpinBox>(w, "seTracks")->value(), 0);
    EXPECT_FALSE(child<QCheckBox>(w, "cbClock")->isEnabled());
    child<QCheckBox>(w, "cbStartTime")->setChecked(true);
    EXPECT_TRUE(child<QCheckBox>(w, "cbClock")->isEnabled());
    EXPECT_TRUE(child<QCheckBox>(w, "cbAds")->isEnabled());
    child<QRadioButton>(w, "rbCount")->setChecked(true);
    EXPECT_FALSE(child<QCheckBox>(w, "cbClock")->isEnabled());
    w.close();
}

TEST_F(Window, ControlsCarryEveryTemplateFieldThroughSaveAndLoad) {
    TLumbraWnd w(QString{});
    w.show();
    GeneratorTemplate t;
    t.type = 2;
    t.trackCount = 0;
    t.minuteCount = 240;
    t.startHour = 6;
    t.isStartTime = true;
    t.chooseType = 2;
    t.noRepeatArtists = true;
    t.comment = "rock, jazz";
    t.isRotation = true;
    t.rotationType = 2;
    t.rotationEvery = 5;
    t.rotationList = "/l/rot.m3u";
    t.isJingles = true;
    t.jingleEvery = 3;
    t.jingleList = "/l/j.m3u";
    t.isClock = true;
    t.clockList = "/l/c.m3u";
    t.isAds = true;
    t.adLists = {"/ads/09-00.m3u", "/ads/12-30.m3u"};
    w.setControls(t);
    EXPECT_EQ(w.templateFromControls(), t);
    child<QComboBox>(w, "cbPresets")->setEditText("Morning*");
    w.savePresetCommand();
    EXPECT_TRUE(QFileInfo::exists(home.filePath("Presets/Generator/Morning.prs")));
    EXPECT_EQ(LoadPreset(home.filePath("Presets/Generator/Morning.prs")), t);
    EXPECT_GE(child<QComboBox>(w, "cbPresets")->findText("Morning"), 0);
    w.setControls(GeneratorTemplate{});
    w.choosePreset("Morning");
    EXPECT_EQ(w.templateFromControls(), t);
    child<QComboBox>(w, "cbPresets")->setEditText("Morning");
    w.deletePresetCommand();
    EXPECT_FALSE(QFileInfo::exists(home.filePath("Presets/Generator/Morning.prs")));
    EXPECT_EQ(child<QComboBox>(w, "cbPresets")->currentText(), QString());
    w.close();
}

TEST_F(Window, SlidersClampShowAndSaveTheOptions) {
    writeText(home.filePath("Lumbra.ini"), "[Options]\nFindTry=5\nTryCount=2500\nMinTime=9\n");
    {
        TLumbraWnd w(QString{});
        w.show();
        EXPECT_EQ(child<QSlider>(w, "tbFindTry")->value(), 10);
        EXPECT_EQ(child<QLabel>(w, "lvFindTry")->text(), QStringLiteral("10"));
        EXPECT_EQ(child<QLabel>(w, "lvTryCount")->text(), QStringLiteral("2.5K"));
        EXPECT_EQ(child<QSlider>(w, "tbMinTime")->value(), 5);
        w.close();
    }
    const IniFile ini(home.filePath("Lumbra.ini"));
    EXPECT_EQ(ini.readInt("Options", "FindTry", 0), 10);
    EXPECT_EQ(ini.readInt("Options", "TryCount", 0), 2500);
    EXPECT_EQ(ini.readInt("Options", "MinTime", 0), 5);
}

TEST_F(Window, GenerateShowsResultAndReportCommandWithoutLog) {
    QDir().mkpath(home.filePath("Database"));
    ASSERT_TRUE(writeLibraryFile(home.filePath("Database/Base.dfs"),
                                 makeLibrary({{"A", "a", 200}, {"B", "b", 200}}, home.path())));
    TLumbraWnd w(home.filePath("Database/Base.dfs"));
    w.show();
    EXPECT_EQ(child<QLabel>(w, "lbBase")->text(), QStringLiteral("База: 2 файлов"));
    w.showReportCommand();
    ASSERT_EQ(rec.shown.size(), 1u);
    EXPECT_EQ(rec.shown[0].caption, QStringLiteral("No log..."));
    EXPECT_EQ(rec.shown[0].text, QStringLiteral("Log was not generated"));
    GeneratorTemplate t;
    t.trackCount = 5;
    t.dontRepeat = true; // two records: not enough
    w.setControls(t);
    w.generateCommand();
    EXPECT_EQ(child<QLabel>(w, "lbResult")->text(), QStringLiteral("error"));
    t.dontRepeat = false;
    w.setControls(t);
    w.generateCommand();
    EXPECT_EQ(child<QLabel>(w, "lbResult")->text(), QStringLiteral("OK"));
    EXPECT_EQ(readOutput(w.session().stackPath()).size(), 5u);
    w.close();
}

TEST_F(Window, EnterInThePresetBoxLoadsOnlyAnExistingPresetAndNamesAreTrimmed) {
    TLumbraWnd w(QString{});
    w.show();
    auto* box = child<QComboBox>(w, "cbPresets");
    auto* tracks = child<QSpinBox>(w, "seTracks");
    auto* minutes = child<QSpinBox>(w, "seMinutes");
    GeneratorTemplate morning;
    morning.type = 2;
    morning.trackCount = 0;
    morning.minuteCount = 90;
    QDir().mkpath(home.filePath("Presets/Generator"));
    ASSERT_TRUE(SavePreset(home.filePath("Presets/Generator/Morning.prs"), morning));
    w.refreshPresetList();
    const int listed = box->count();
    GeneratorTemplate edited; // the template being edited, not saved yet
    edited.trackCount = 33;
    w.setControls(edited);
    const auto typeAndEnter = [&](const QString& text) {
        box->lineEdit()->clear();
        QTest::keyClicks(box->lineEdit(), text);
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    };

    // A name typed for saving: nothing loads, no entry appears, the name stays to be saved.
    typeAndEnter(QStringLiteral("Evening"));
    EXPECT_EQ(w.templateFromControls(), edited);
    EXPECT_EQ(box->count(), listed);
    EXPECT_EQ(box->currentText(), QStringLiteral("Evening"));
    EXPECT_FALSE(QFileInfo::exists(home.filePath("Presets/Generator/Evening.prs")));

    // An existing name, with blanks around it, is chosen.
    typeAndEnter(QStringLiteral("  Morning "));
    EXPECT_EQ(minutes->value(), 90);
    EXPECT_EQ(tracks->value(), 0);
    EXPECT_EQ(w.templateFromControls(), morning);
    EXPECT_EQ(box->count(), listed);

    // Saving and deleting go by the same trimmed name.
    w.setControls(edited);
    box->setEditText(QStringLiteral(" Evening  "));
    w.savePresetCommand();
    EXPECT_EQ(LoadPreset(home.filePath("Presets/Generator/Evening.prs")), edited);
    w.choosePreset(QStringLiteral(" Morning "));
    EXPECT_EQ(w.templateFromControls(), morning);
    box->setEditText(QStringLiteral(" Morning "));
    w.deletePresetCommand();
    EXPECT_FALSE(QFileInfo::exists(home.filePath("Presets/Generator/Morning.prs")));
    EXPECT_EQ(box->findText(QStringLiteral("Morning")), -1);
    // A deleted name chooses nothing any more.
    w.setControls(edited);
    w.choosePreset(QStringLiteral("Morning"));
    EXPECT_EQ(w.templateFromControls(), edited);
    w.close();
}

TEST_F(Window, TitleCarriesTheProgramsVersionFromAnyWorkingFolder) {
    QTemporaryDir elsewhere;
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    const QString suffix = QStringLiteral(" (") + QStringLiteral(WC_VERSION_TEXT) + u')';
    {
        TLumbraWnd w(QString{});
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Генератор плейлистов") + suffix);
        w.close();
    }
    // A caption from the language file keeps the version too.
    writeText(home.filePath("system.ini"), "[Options]\r\nLangDir=XX\r\n");
    writeText(home.filePath("Lang/XX/lang_g.ini"), "[Captions]\r\nTLumbraWnd=Generator\r\n");
    {
        TLumbraWnd w(QString{});
        w.show();
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Generator") + suffix);
        w.close();
    }
    QDir::setCurrent(before);
}

TEST_F(Window, FailedWriteOfThePlaylistShowsAnError) {
    QDir().mkpath(home.filePath("Database"));
    ASSERT_TRUE(writeLibraryFile(home.filePath("Database/Base.dfs"),
                                 makeLibrary({{"A", "a", 200}, {"B", "b", 200}}, home.path())));
    TLumbraWnd w(home.filePath("Database/Base.dfs"));
    w.show();
    GeneratorTemplate t;
    t.trackCount = 3;
    w.setControls(t);
    // A folder where the hand-over playlist should go: the file cannot be written.
    ASSERT_TRUE(QDir().mkpath(w.session().stackPath()));
    rec.shown.clear();
    w.generateCommand();
    EXPECT_EQ(child<QLabel>(w, "lbResult")->text(), QStringLiteral("error"));
    ASSERT_EQ(rec.shown.size(), 1u);
    EXPECT_EQ(rec.shown[0].caption, QStringLiteral("Error"));
    EXPECT_TRUE(rec.shown[0].text.contains(QStringLiteral("Stack.m3u")))
        << rec.shown[0].text.toStdString();
    // Once it can be written again, the same command reports OK.
    ASSERT_TRUE(QDir(w.session().stackPath()).removeRecursively());
    w.generateCommand();
    EXPECT_EQ(child<QLabel>(w, "lbResult")->text(), QStringLiteral("OK"));
    EXPECT_EQ(readOutput(w.session().stackPath()).size(), 3u);
    w.close();
}

TEST_F(Window, ControlsClampAHandEditedPresetAsTheUnattendedModeDoes) {
    const QByteArray texts[] = {
        "[Step1]\nType=1\nCount=50000\nStartTime=30\n[Step3]\nNumTrack=0\n[Step4]\nNumTrack=900\n",
        "[Step1]\nType=2\nCount=-5\nStartTime=-2\n[Step2]\nType=7\n[Step3]\nType=0\n",
        "[Step1]\nType=9\nCount=7\n",
    };
    TLumbraWnd w(QString{});
    w.show();
    for (const QByteArray& text : texts) {
        SCOPED_TRACE(text.toStdString());
        const QString file = home.filePath("Presets/Generator/hand.prs");
        writeText(file, text);
        w.choosePreset(QStringLiteral("hand"));
        EXPECT_EQ(clampedTemplate(LoadPreset(file)), w.templateFromControls());
    }
    w.close();
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    wc::QtClock clock; // generation seeds from the program's clock
    wc::setClock(&clock);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
