// The broadcasting settings dialog, offscreen, driven through its controls: OK stores every
// control into player.ini and gives the restart notice only when "Broadcasting enabled"
// changed; values the lists cannot show stay as stored.
#include "common/paths.h"
#include "common/settings.h"
#include "platform/prompts.h"
#include "player/core/messagetable.h"
#include "player/ui/broadcastdialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace wc;

namespace {

class BroadcastDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("WAVECREST_HOME", home.path().toUtf8());
        setProgramDirFrom(QStringLiteral("/nowhere/player"));
        setPrompts(&prompts);
    }
    void TearDown() override { setPrompts(nullptr); }
    template <class W> W* child(BroadcastDialog& d, const char* name) {
        W* w = d.findChild<W*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    TPlayerIni readBack() {
        TPlayerIni r;
        ReadPlayerIni(r);
        return r;
    }
    QTemporaryDir home;
    RecordingPrompts prompts;
    PlayerMessageTable messages;
    TPlayerIni ini;
};

TEST_F(BroadcastDialogTest, OkWritesEveryControlAndTellsOfTheRestartWhenEnabledChanged) {
    BroadcastDialog d(ini, messages);
    child<QCheckBox>(d, "cbEnableBroadcast")->setChecked(true);
    child<QLineEdit>(d, "edServer")->setText("radio.example:8000/live");
    child<QLineEdit>(d, "edPassword")->setText("pw");
    child<QLineEdit>(d, "edStreamTitle")->setText("Name");
    child<QLineEdit>(d, "edStreamUrl")->setText("http://x/");
    child<QLineEdit>(d, "edStreamGenre")->setText("Jazz");
    child<QLineEdit>(d, "edStreamDescription")->setText("Desc");
    child<QCheckBox>(d, "cbPublic")->setChecked(true);
    child<QRadioButton>(d, "rbOGG")->setChecked(true);
    child<QComboBox>(d, "cbBitrate")->setCurrentText("192");
    child<QCheckBox>(d, "cbAutoReconnect")->setChecked(true);
    child<QCheckBox>(d, "cbUseNoSound")->setChecked(true);
    child<QRadioButton>(d, "rbUseText")->setChecked(true);
    child<QLineEdit>(d, "edTitleText")->setText("Fixed");
    d.accept();
    const TPlayerIni r = readBack();
    EXPECT_TRUE(r.bEnableBroadcast);
    EXPECT_EQ(r.sServer, "radio.example:8000/live");
    EXPECT_EQ(r.sPassword, "pw");
    EXPECT_EQ(r.sStreamTitle, "Name");
    EXPECT_EQ(r.sStreamUrl, "http://x/");
    EXPECT_EQ(r.sStreamGenre, "Jazz");
    EXPECT_EQ(r.sStreamDescription, "Desc");
    EXPECT_TRUE(r.bPublic);
    EXPECT_EQ(r.iFormat, 1);
    EXPECT_EQ(r.iBitrate, 192);
    EXPECT_TRUE(r.bAutoReconnect);
    EXPECT_TRUE(r.bUseNoSound);
    EXPECT_EQ(r.iTitleType, 1);
    EXPECT_EQ(r.sTitleText, "Fixed");
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, messages.text(PlayerMessageTable::RestartNeeded));

    // The same again without touching the switch: no notice.
    prompts.shown.clear();
    BroadcastDialog again(ini, messages);
    child<QLineEdit>(again, "edStreamGenre")->setText("Blues");
    again.accept();
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(readBack().sStreamGenre, "Blues");
}

TEST_F(BroadcastDialogTest, ValuesTheListsCannotShowAreKept) {
    ini.iBitrate = 100; // not in the list
    ini.iFormat = 2;    // only from the file
    BroadcastDialog d(ini, messages);
    EXPECT_EQ(child<QComboBox>(d, "cbBitrate")->currentIndex(), -1);
    EXPECT_FALSE(child<QRadioButton>(d, "rbMP3")->isChecked());
    EXPECT_FALSE(child<QRadioButton>(d, "rbOGG")->isChecked());
    d.accept();
    EXPECT_EQ(readBack().iBitrate, 100);
    EXPECT_EQ(readBack().iFormat, 2);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(BroadcastDialogTest, CancelStoresNothing) {
    BroadcastDialog d(ini, messages);
    child<QCheckBox>(d, "cbEnableBroadcast")->setChecked(true);
    d.reject();
    EXPECT_FALSE(ini.bEnableBroadcast);
    EXPECT_FALSE(QFile::exists(playerIniPath()));
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
