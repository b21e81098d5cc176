// The crossfade controls and presets over the profile's table.
#include "player/core/playback/crossfadecontrols.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace wc::playback::test {
namespace {

TEST(CrossfadeControlsTest, ChangesStoreMusicAndTheChosenTypeOnly) {
    CrossfadeTable table;
    table.entries[5] = CrossfadeEntry{1.5f, 2.5f, 0, true, false, false}; // type list pos 3
    const CrossfadeTable before = table;
    QTemporaryDir dir;
    CrossfadeControls c(table, dir.path());

    // Choosing a type only loads its values.
    const CrossfadeControlValues shown = c.typeChosen(3);
    EXPECT_FLOAT_EQ(shown.jinMix, 1.5f);
    EXPECT_FLOAT_EQ(shown.jinFade, 2.5f);
    EXPECT_TRUE(shown.jinMixOn);
    EXPECT_EQ(table, before);

    CrossfadeControlValues v = shown;
    v.musMix = 3.04f;
    v.musMixOn = true;
    v.musFade = 12.0f; // beyond the control's range
    v.musFadeOn = true;
    v.musIn = -1.0f;
    v.jinFade = 0.75f;
    c.controlsChanged(v);
    const CrossfadeEntry& m = table.entries[1];
    EXPECT_FLOAT_EQ(m.mix, 3.0f);
    EXPECT_FLOAT_EQ(m.fade, 10.0f);
    EXPECT_FLOAT_EQ(m.fadeIn, 0.0f);
    EXPECT_TRUE(m.mixOn && m.fadeOn && !m.fadeInOn);
    EXPECT_FLOAT_EQ(table.entries[5].fade, 0.8f);
    for (int e : {0, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12})
        EXPECT_EQ(table.entries[e], before.entries[e]) << e;
}

TEST(CrossfadeControlsTest, PresetsSaveLoadAndDelete) {
    QTemporaryDir dir;
    CrossfadeTable table;
    table.entries[1] = CrossfadeEntry{4, 3, 2, true, true, true};
    CrossfadeControls c(table, dir.path());
    EXPECT_EQ(c.savePreset("Night/Mix?"), "NightMix");
    EXPECT_TRUE(c.presets().contains("NightMix"));

    CrossfadeTable other;
    CrossfadeControls d(other, dir.path());
    EXPECT_FALSE(d.choosePreset("absent"));
    EXPECT_EQ(other, CrossfadeTable{});
    ASSERT_TRUE(d.choosePreset("NightMix"));
    EXPECT_EQ(other, table);
    EXPECT_FLOAT_EQ(d.values().musMix, 4.0f);
    EXPECT_TRUE(d.values().musInOn);
    EXPECT_EQ(d.presetName(), "NightMix");
    EXPECT_TRUE(d.deletePreset("NightMix"));
    EXPECT_TRUE(d.presetName().isEmpty());
    EXPECT_FALSE(d.presets().contains("NightMix"));
}

TEST(CrossfadeControlsTest, ReplacedTableShowsAgainWithItsPresetName) {
    QTemporaryDir dir;
    CrossfadeTable table;
    CrossfadeControls c(table, dir.path());
    c.typeChosen(2); // entry 4
    CrossfadeTable loaded;
    loaded.entries[1] = CrossfadeEntry{2.5f, 1.5f, 0.5f, true, false, true};
    loaded.entries[4] = CrossfadeEntry{0.3f, 0.4f, 0, false, true, false};
    table = loaded;
    c.tableReplaced("Evening");
    EXPECT_FLOAT_EQ(c.values().musMix, 2.5f);
    EXPECT_FALSE(c.values().musFadeOn);
    EXPECT_TRUE(c.values().musInOn);
    EXPECT_EQ(c.values().typePos, 2);
    EXPECT_FLOAT_EQ(c.values().jinFade, 0.4f);
    EXPECT_TRUE(c.values().jinFadeOn);
    EXPECT_EQ(c.presetName(), "Evening");
    EXPECT_EQ(table, loaded); // showing changes nothing
}

} // namespace
} // namespace wc::playback::test
