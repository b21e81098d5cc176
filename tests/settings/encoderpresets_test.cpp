// The encoder preset file and the Encoder page of the Preferences window without widgets:
// the record layout, damaged files, and what OK and Cancel leave behind.
#include "common/log.h"
#include "common/text.h"
#include "platform/prompts.h"
#include "player/core/settings/encoderpage.h"
#include "player/core/settings/encoderpresets.h"
#include "player/core/settings/preferencespages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace wc;

namespace {

void writeAll(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(EncoderPresetFile, RecordLayout) {
    const QByteArray bytes =
        encodeEncoderPresets({{"MP3", "lame.exe -h - ::s", "mp3"}, {"", "", ""}});
    ASSERT_EQ(bytes.size(), 2 * kEncoderPresetSize);
    EXPECT_EQ(bytes.mid(0, 4), QByteArray("\x03MP3", 4));
    EXPECT_EQ(quint8(bytes[101]), 17);
    EXPECT_EQ(bytes.mid(102, 17), "lame.exe -h - ::s");
    EXPECT_EQ(bytes.mid(357, 4), QByteArray("\x03mp3", 4));
    // Unused bytes and the empty record are zero.
    EXPECT_EQ(bytes.mid(4, 97), QByteArray(97, '\0'));
    EXPECT_EQ(bytes.mid(kEncoderPresetSize), QByteArray(kEncoderPresetSize, '\0'));
}

TEST(EncoderPresetFile, TextsComeBackOrAreCutOnACharacterBoundary) {
    const QString cyr = QString::fromUtf8("Ogg, качество 5");
    const QString longName = QString(99, 'a') + QString::fromUtf8("ж"); // 101 bytes in UTF-8
    const QString longCommand = QString(300, 'c');
    const TEncoderPresets in{{cyr, "oggenc -q5 - -o ::s", "ogg"},
                             {longName, longCommand, "toolongext"}};
    const TEncoderPresets out = decodeEncoderPresets(encodeEncoderPresets(in));
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0], in[0]);
    EXPECT_EQ(out[1].name, QString(99, 'a')); // the two-byte letter does not fit whole
    EXPECT_EQ(out[1].command, QString(255, 'c'));
    EXPECT_EQ(out[1].ext, "toolonge");
}

TEST(EncoderPresetFile, DamagedBytes) {
    QByteArray rec(kEncoderPresetSize, 'x');
    rec[0] = char(255);   // name length beyond its 100 bytes
    rec[101] = char(3);   // command "xxx"
    rec[357] = char(200); // extension length beyond its 8 bytes
    QByteArray cp1251 = encodeEncoderPresets({{"", "", ""}});
    cp1251[0] = char(4);
    cp1251.replace(1, 4, QByteArray("\xcb\xe0\xec\xe5")); // "Ламе" in Windows-1251
    qsizetype trailing = -1;
    const TEncoderPresets out =
        decodeEncoderPresets(rec + cp1251 + QByteArray(100, 'y'), &trailing);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].name, QString(100, 'x'));
    EXPECT_EQ(out[0].command, "xxx");
    EXPECT_EQ(out[0].ext, QString(8, 'x'));
    EXPECT_EQ(out[1].name, QString::fromUtf8("Ламе"));
    EXPECT_EQ(trailing, 100);
}

class EncoderPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        setPrompts(&prompts);
        sink = addLogSink([this](const QString& l) { log << l; });
        profile.EncoderOutDir = "/out";
        profile.EncoderPresetIndex = 1;
        profile.EncoderPresetName = "Mine";
        profile.EncoderCommand = "lame.exe -b 192 - ::s";
        profile.EncoderExt = "mp3";
        profile.EncoderShowParam = true;
    }
    void TearDown() override {
        removeLogSink(sink);
        setPrompts(nullptr);
    }
    QString file() const { return dir.filePath("Presets/Encoder.prs"); }

    QTemporaryDir dir;
    RecordingPrompts prompts;
    QStringList log;
    int sink = 0;
    TProfile profile;
    const TEncoderPresets two{{"MP3 128", "lame.exe -h - ::s", "mp3"},
                              {"Ogg q5", "oggenc2.exe -q5 - -o ::s", "ogg"}};
};

TEST_F(EncoderPageTest, FillsFromTheProfileAndTheFileAndOkAppliesBoth) {
    ASSERT_TRUE(writeEncoderPresetFile(file(), two));
    EncoderPage page(file());
    page.fill(profile);
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(page.presets(), two);
    EXPECT_EQ(page.chosen(), 1);
    // The fields show the profile's values, not the chosen preset's.
    EXPECT_EQ(page.name, "Mine");
    EXPECT_EQ(page.command, "lame.exe -b 192 - ::s");
    page.choose(0);
    EXPECT_EQ(page.name, "MP3 128");
    EXPECT_EQ(page.command, "lame.exe -h - ::s");
    page.command = "lame.exe -V2 - ::s";
    ASSERT_TRUE(page.save());
    page.name = "Opus";
    page.command = "opusenc - ::s";
    page.ext = "opus";
    ASSERT_TRUE(page.add());
    EXPECT_EQ(page.chosen(), 2);
    page.choose(1);
    ASSERT_TRUE(page.remove());
    EXPECT_EQ(page.chosen(), -1);
    EXPECT_FALSE(page.save());
    page.choose(1);
    page.outDir = "/elsewhere";
    page.showParam = false;
    // Nothing reaches the profile or the file before OK.
    EXPECT_EQ(readEncoderPresetFile(file()), two);
    EXPECT_EQ(profile.EncoderCommand, "lame.exe -b 192 - ::s");
    page.apply(profile);
    ASSERT_TRUE(page.savePresets());
    const TEncoderPresets expected{{"MP3 128", "lame.exe -V2 - ::s", "mp3"},
                                   {"Opus", "opusenc - ::s", "opus"}};
    EXPECT_EQ(readEncoderPresetFile(file()), expected);
    EXPECT_EQ(profile.EncoderOutDir, "/elsewhere");
    EXPECT_EQ(profile.EncoderPresetIndex, 1);
    EXPECT_EQ(profile.EncoderPresetName, "Opus");
    EXPECT_EQ(profile.EncoderCommand, "opusenc - ::s");
    EXPECT_EQ(profile.EncoderExt, "opus");
    EXPECT_FALSE(profile.EncoderShowParam);
    // No temporary file stays beside the presets.
    EXPECT_EQ(QDir(dir.filePath("Presets")).entryList(QDir::Files), QStringList{"Encoder.prs"});
}

TEST_F(EncoderPageTest, AMissingFileIsAnEmptyListCreatedOnOk) {
    EncoderPage page(file());
    page.fill(profile);
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_TRUE(page.presetsLoaded());
    EXPECT_TRUE(page.presets().empty());
    EXPECT_EQ(page.chosen(), -1); // the stored index names no preset
    page.name = "  ";
    EXPECT_FALSE(page.add()); // a preset needs a name to be listed by
    page.name = "\"Mine\" <192/44>?";
    ASSERT_TRUE(page.add());
    EXPECT_EQ(page.name, "Mine 19244");
    ASSERT_TRUE(page.savePresets());
    EXPECT_EQ(readEncoderPresetFile(file()),
              (TEncoderPresets{{"Mine 19244", "lame.exe -b 192 - ::s", "mp3"}}));
}

TEST_F(EncoderPageTest, ATruncatedFileKeepsItsWholeRecordsAndLogsTheRest) {
    writeAll(file(), encodeEncoderPresets(two) + QByteArray(50, 'z'));
    EncoderPage page(file());
    page.fill(profile);
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(page.presets(), two);
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].contains("50 bytes")) << log[0].toStdString();
}

TEST_F(EncoderPageTest, AnUnreadableFileIsReportedAndNeverOverwritten) {
    // A folder where the file should be cannot be read as presets.
    QDir().mkpath(file());
    EncoderPage page(file());
    page.fill(profile);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].caption, "Error: Settings.Show");
    EXPECT_EQ(prompts.shown[0].text, "ERROR: Cannot load encoder presets!");
    EXPECT_FALSE(page.presetsLoaded());
    EXPECT_FALSE(page.add());
    // OK still applies the fields, but leaves the presets alone.
    page.ext = "ogg";
    page.apply(profile);
    EXPECT_TRUE(page.savePresets());
    EXPECT_TRUE(QFileInfo(file()).isDir());
    EXPECT_EQ(profile.EncoderExt, "ogg");
    EXPECT_EQ(profile.EncoderPresetIndex, -1);
}

TEST(PreferencesPages, CaptionsAndTheStartPage) {
    EXPECT_EQ(preferencesPageCaption(PreferencesPage::General), "General");
    EXPECT_EQ(preferencesPageCaption(PreferencesPage::SilenceDetector), "Silence Detector");
    EXPECT_EQ(preferencesPageCaption(PreferencesPage::Broadcast), "Broadcast");
    EXPECT_EQ(preferencesStartPage(PreferencesPage::Encoder), PreferencesPage::Encoder);
    EXPECT_EQ(preferencesStartPage(PreferencesPage::General), PreferencesPage::General);
    // A page that is not built yet opens the first one there is.
    EXPECT_EQ(preferencesStartPage(PreferencesPage::FX), builtPreferencesPages().front());
}

} // namespace
