// The crossfade controls of the main window with their ".crp" presets.
#include "windowfixture.h"

#include "player/core/profile/crossfade.h"
#include "player/core/profile/profile.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

namespace wc::ui::test {
namespace {

class CrossfadeControlsWindow : public WindowTest {
protected:
    QString presetFolder() const { return homePath("Presets/Crossfade"); }
    QDoubleSpinBox* spin(const char* n) const { return child<QDoubleSpinBox>(QLatin1String(n)); }
    QCheckBox* box(const char* n) const { return child<QCheckBox>(QLatin1String(n)); }
    QComboBox* presets() const { return child<QComboBox>(QStringLiteral("cr_preset")); }
    // Opens the window and shows the panel through its menu entry.
    void openWithPanel() {
        open();
        QAction* show = child<QAction>(QStringLiteral("ShowCrossfade"));
        ASSERT_TRUE(show && !show->isChecked());
        show->trigger();
        ASSERT_TRUE(child<QWidget>(QStringLiteral("CrossfadePanel"))->isVisible());
    }
    // Types the name into cr_preset and confirms it with Enter, as the user chooses a preset.
    void typePreset(const QString& name) {
        QLineEdit* edit = presets()->lineEdit();
        edit->selectAll();
        QTest::keyClicks(edit, name);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    TProfile savedProfile() {
        exitProgram();
        TProfile p(home.path() + '/');
        TFXParams fx;
        ReadProfile(p, fx, homePath("Profile/Default.prf"), home.path() + '/');
        return p;
    }
    // The music controls and the chosen type's controls, as shown.
    struct Shown {
        double mix, fade, in, jinMix, jinFade;
        bool mixOn, fadeOn, inOn, jinMixOn, jinFadeOn;
    };
    Shown shown() const {
        return {spin("musmix")->value(),       spin("musfade")->value(),
                spin("musin")->value(),        spin("jinmix")->value(),
                spin("jinfade")->value(),      box("cbmusmix")->isChecked(),
                box("cbmusfade")->isChecked(), box("cbmusfadein")->isChecked(),
                box("cbjinmix")->isChecked(),  box("cbjinfade")->isChecked()};
    }
};

TEST_F(CrossfadeControlsWindow, ChosenPresetSetsTheControlsAndTheProfileTable) {
    ASSERT_TRUE(QDir().mkpath(presetFolder()));
    CrossfadeTable smooth;
    smooth.entries[1] = CrossfadeEntry{3.0f, 2.0f, 1.0f, true, true, true};
    smooth.entries[2] = CrossfadeEntry{0.5f, 0.7f, 0, true, false, false}; // Commercial
    smooth.entries[3] = CrossfadeEntry{1.5f, 1.2f, 0, false, true, false}; // Jingle
    smooth.entries[12] = CrossfadeEntry{9.0f, 9.0f, 9.0f, true, true, true};
    ASSERT_EQ(CrossfadePresets(presetFolder()).save("Smooth", smooth), "Smooth");
    CrossfadeTable tight;
    tight.entries[1] = CrossfadeEntry{0.4f, 0.3f, 0, true, true, false};
    ASSERT_EQ(CrossfadePresets(presetFolder()).save("Tight", tight), "Tight");
    openWithPanel();
    ASSERT_GE(presets()->findText("Smooth"), 0);
    ASSERT_GE(presets()->findText("Tight"), 0);
    auto* types = child<QComboBox>(QStringLiteral("cbFileType"));
    EXPECT_EQ(types->count(), 10);
    EXPECT_EQ(types->itemText(0), "Commercial");
    EXPECT_EQ(types->itemText(1), "Jingle");

    // A name with no file changes nothing.
    typePreset("Absent");
    EXPECT_EQ(shown().mix, 0.0);
    EXPECT_FALSE(shown().mixOn);

    typePreset("Smooth");
    struct Case {
        int typePos;
        Shown want;
    };
    const Case cases[] = {
        {0, {3.0, 2.0, 1.0, 0.5, 0.7, true, true, true, true, false}},
        {1, {3.0, 2.0, 1.0, 1.5, 1.2, true, true, true, false, true}},
        {0, {3.0, 2.0, 1.0, 0.5, 0.7, true, true, true, true, false}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.typePos);
        types->setCurrentIndex(k.typePos);
        const Shown s = shown();
        EXPECT_DOUBLE_EQ(s.mix, k.want.mix);
        EXPECT_DOUBLE_EQ(s.fade, k.want.fade);
        EXPECT_DOUBLE_EQ(s.in, k.want.in);
        EXPECT_DOUBLE_EQ(s.jinMix, k.want.jinMix);
        EXPECT_DOUBLE_EQ(s.jinFade, k.want.jinFade);
        EXPECT_EQ(s.mixOn, k.want.mixOn);
        EXPECT_EQ(s.fadeOn, k.want.fadeOn);
        EXPECT_EQ(s.inOn, k.want.inOn);
        EXPECT_EQ(s.jinMixOn, k.want.jinMixOn);
        EXPECT_EQ(s.jinFadeOn, k.want.jinFadeOn);
    }
    // The other preset, whichever entry the box showed before.
    typePreset("Tight");
    EXPECT_DOUBLE_EQ(shown().mix, 0.4);
    EXPECT_DOUBLE_EQ(shown().fade, 0.3);
    EXPECT_FALSE(shown().inOn);
    EXPECT_DOUBLE_EQ(shown().jinMix, 0.0);
    typePreset("Smooth");
    EXPECT_DOUBLE_EQ(shown().mix, 3.0);
    // The whole record went into the profile with the preset's name.
    const TProfile saved = savedProfile();
    EXPECT_EQ(saved.Crossfade, smooth);
    EXPECT_EQ(saved.CrossfadeLastPreset, "Smooth");
}

TEST_F(CrossfadeControlsWindow, ControlChangesGoIntoTheTableAndPresetsAreSavedAndDeleted) {
    openWithPanel();
    // The music mix point and the Jingle type's fade point, by the user's hand.
    box("cbmusmix")->click();
    spin("musmix")->setFocus();
    spin("musmix")->selectAll();
    QTest::keyClicks(spin("musmix"), "4.2");
    QTest::keyClick(spin("musmix"), Qt::Key_Return);
    child<QComboBox>(QStringLiteral("cbFileType"))->setCurrentIndex(1);
    box("cbjinfade")->click();
    spin("jinfade")->stepUp();
    spin("jinfade")->stepUp();

    presets()->setEditText("Late/Night*");
    child<QToolButton>(QStringLiteral("SpeedButton16"))->click();
    const QString file = presetFolder() + "/LateNight.crp";
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_EQ(presets()->currentText(), "LateNight");
    EXPECT_GE(presets()->findText("LateNight"), 0);
    CrossfadeTable stored;
    ASSERT_TRUE(CrossfadePresets(presetFolder()).load("LateNight", stored));
    EXPECT_EQ(stored.entries[1], (CrossfadeEntry{4.2f, 0, 0, true, false, false}));
    EXPECT_EQ(stored.entries[3].fade, 0.2f);
    EXPECT_TRUE(stored.entries[3].fadeOn);
    EXPECT_EQ(stored.entries[2], CrossfadeEntry{});

    child<QToolButton>(QStringLiteral("SpeedButton17"))->click();
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(presets()->findText("LateNight"), -1);
    EXPECT_EQ(presets()->currentText(), "");
    // The profile keeps the edited table.
    const TProfile saved = savedProfile();
    EXPECT_EQ(saved.Crossfade.entries[1], stored.entries[1]);
    EXPECT_EQ(saved.Crossfade.entries[3], stored.entries[3]);
}

} // namespace
} // namespace wc::ui::test
