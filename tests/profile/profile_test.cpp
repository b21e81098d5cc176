// The profile file: defaults, round trip, column-width upgrade, binary blocks and the
// crossfade table with its presets.
#include "common/ini.h"
#include "player/core/profile/profile.h"
#include "player/core/profile/profilefiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace wc;

namespace {

const QString kDir = QStringLiteral("/opt/station/");

TProfile readText(const QString& text, TFXParams* fxOut = nullptr) {
    TProfile p(kDir);
    TFXParams fx;
    ReadProfileText(p, fx, text, kDir);
    if (fxOut) *fxOut = fx;
    return p;
}

QString hexOfInts(std::initializer_list<qint32> values, int count = 16) {
    QByteArray b(count * 4, '\0');
    int i = 0;
    for (qint32 v : values)
        qToLittleEndian(v, b.data() + 4 * i++);
    return toIniHex(b);
}

// A profile with a value other than the default in every field.
TProfile changedProfile() {
    TProfile p(kDir);
    p.ExplorerPath = "/home/op/Music";
    p.Font = {"DejaVu Sans", 11, 255, true, false, true, false};
    p.NotesFont = {"Mono", 9, 65280, false, true, false, true};
    p.EqualizerOn = false;
    for (int i = 0; i < 12; ++i)
        p.EqualizerBands[size_t(i)] = i - 6;
    p.EqualizerLastPreset = "Rock";
    p.EqualizerAuto = true;
    p.CompressorGain = -3;
    p.Crossfade.entries[1] = {2.5f, 3.25f, 0.5f, true, false, true, 0};
    p.Crossfade.entries[12] = {0.1f, 10.f, 0, false, true, false, 7};
    p.CrossfadeLastPreset = "Smooth";
    p.JinglePaths[0] = "/j/one.mp3";
    p.JinglePaths[8] = QString::fromUtf8("/j/девять.mp3");
    p.QuietOn = true;
    p.QuietInterval = 30;
    p.QuietAction = 3;
    p.QuietList = "/lists/emergency.m3u";
    p.ColumnsMaster = {30, 60, 200, 40, 40, 50, 300, 0, 0, 0, 0, 0, 0, 0, 0, 2};
    p.ColumnsSlave = {30, 0, 200, 50, 300};
    p.ColumnsSchedule = {100, 200, 300};
    for (int i = 0; i < 13; ++i)
        p.HotKeys[size_t(i)] = 100 + i;
    p.btRepeat = p.btShuffle = true;
    p.btnBreak = p.ctrVolume = false;
    p.RecDestination = 2;
    p.MicMusicVol = -10;
    p.AutoSavePrf = false;
    p.Volume = 640;
    p.DefBase = "/data/lib.dfs";
    p.MuteLevel = -12;
    p.SecondaryOutput = 1;
    p.FormWidth = -799;
    p.DateFormat = "yyyy-MM-dd";
    p.Clock24h = !p.Clock24h;
    p.EncoderExt = "ogg";
    p.EncoderPresetIndex = 3;
    p.FileTypes[0].Amp = -6;
    p.FileTypes[5] = {"News", "news", 123456, 4};
    p.ScheduleState = true;
    p.ActivePluginName = "?none?";
    return p;
}

} // namespace

TEST(ProfileDefaults, MissingFileGivesEveryDefault) {
    TProfile p(kDir);
    TFXParams fx;
    ReadProfile(p, fx, "/nonexistent/Default.prf", kDir);
    EXPECT_EQ(p.ExplorerPath, "rfdesktop");
    EXPECT_EQ(p.Font.Name, "Tahoma");
    EXPECT_EQ(p.Font.Size, 8);
    EXPECT_TRUE(p.EqualizerOn);
    EXPECT_EQ(p.EqualizerLastPreset, "Default");
    EXPECT_EQ(p.QuietInterval, 120);
    EXPECT_EQ(p.MicMusicVol, -15);
    EXPECT_EQ(p.Color_PLBACK, 16777215);
    EXPECT_EQ(p.SecondaryOutput, 33554432);
    EXPECT_EQ(p.DefBase, kDir + "Database/Base.dfs");
    EXPECT_EQ(p.EncoderOutDir, kDir + "Temp");
    EXPECT_EQ(p.EncoderCommand, "lame.exe -h - ::s");
    EXPECT_EQ(p.ActivePluginName, "-");
    EXPECT_EQ(p.HotKeys,
              (std::array<qint32, 13>{80, 83, 78, 66, 82, 77, 84, 32, 13, 188, 190, 1, 1}));
    EXPECT_EQ(p.FileTypes[0], (TFileType{"Commercial", "Commercial", 8816262, 0}));
    EXPECT_EQ(p.FileTypes[1], (TFileType{"Jingle", "Jingle", 8388608, 0}));
    EXPECT_EQ(p.FileTypes[2].Name, "Type3");
    EXPECT_EQ(p.FileTypes[9].Name, "Type10");
    EXPECT_EQ(p.FileTypes[9].Id, "");
    // No Columns section: all three lists keep their built-in widths.
    EXPECT_EQ(p.ColumnsMaster[0], -1);
    EXPECT_EQ(p.ColumnsSchedule[0], -1);
    EXPECT_EQ(p.ColumnsSlave, ColumnWidths{});
    EXPECT_EQ(fx.Echo.Settings.size(), kEchoBytes);
    EXPECT_EQ(qFromLittleEndian<qint32>(fx.Echo2.Settings.constData() + 16), -1);
    EXPECT_EQ(p.Crossfade, CrossfadeTable{});
}

TEST(ProfileRoundTrip, WrittenAndReadBackGivesTheSameRecord) {
    QTemporaryDir dir;
    const QString file = dir.filePath("Test.prf");
    const TProfile p = changedProfile();
    TFXParams fx;
    fx.Reverb = {true, QByteArray(16, '\x11'), "Hall"};
    fx.Echo = {true, QByteArray(20, '\x22'), "Slap"};
    fx.AutoAmp = {false, QByteArray(16, '\x33'), "Auto"};
    fx.Echo2 = {true, QByteArray(20, '\x44'), "Two"};
    qToLittleEndian<qint32>(-1, fx.Echo2.Settings.data() + 16);
    ASSERT_TRUE(WriteProfile(p, fx, file));
    TProfile back(kDir);
    TFXParams fxBack;
    ReadProfile(back, fxBack, file, kDir);
    EXPECT_TRUE(back == p);
    EXPECT_TRUE(fxBack == fx);
    // Writing the read record again changes nothing in the file.
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray first = f.readAll();
    f.close();
    ASSERT_TRUE(WriteProfile(back, fxBack, file));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), first);

    // Defaults round-trip too (no Columns keys are written for built-in widths).
    const TProfile defaults(kDir);
    ASSERT_TRUE(WriteProfile(defaults, TFXParams(), dir.filePath("d.prf")));
    TProfile d2(kDir);
    TFXParams fx2;
    ReadProfile(d2, fx2, dir.filePath("d.prf"), kDir);
    EXPECT_TRUE(d2 == defaults);
    EXPECT_EQ(d2.ColumnsMaster[0], -1);
}

TEST(ProfileWrite, SectionOrderAndOtherKeysKept) {
    QTemporaryDir dir;
    const QString file = dir.filePath("p.prf");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[NotesWindow]\r\nLeft=12\r\n");
    }
    ASSERT_TRUE(WriteProfile(changedProfile(), TFXParams(), file));
    const IniFile ini(file);
    EXPECT_EQ(ini.readInt("NotesWindow", "Left", 0), 12);
    QStringList sections = ini.sections();
    sections.removeAll("NotesWindow");
    EXPECT_EQ(sections, (QStringList{"Explorer", "Font", "NotesFont", "Equalizer", "Reverb", "Echo",
                                     "AutoAmp", "Compressor", "Echo2", "Crossfade", "Jingles",
                                     "QuietDetection", "Options", "Columns", "HotKeys", "Encoder",
                                     "FileTypes", "TimeTable", "WinampPlugins"}));
    EXPECT_EQ(ini.keys("Equalizer"), (QStringList{"On", "Settings", "LastPreset", "Auto"}));
    EXPECT_EQ(ini.readInt("Options", "FormWidth", 0), -799);
}

TEST(ProfileColumns, OlderLayoutsAreUpgraded) {
    struct Case {
        qint32 version;
        std::array<qint32, 6> expected; // widths 1..6
    };
    const Case cases[] = {
        {0, {10, 70, 30, 47, 47, 70}},
        {1, {10, 20, 30, 47, 47, 70}},
        {2, {10, 20, 30, 40, 50, 60}},
    };
    for (const Case& c : cases) {
        const QString text =
            "[Columns]\nMaster=" +
            hexOfInts({10, 20, 30, 40, 50, 60, 0, 0, 0, 0, 0, 0, 0, 0, 0, c.version}) +
            "\nSlave=" + hexOfInts({5, 6}) + "\n";
        const TProfile p = readText(text);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(p.ColumnsMaster[size_t(i)], c.expected[size_t(i)])
                << "version " << c.version << " width " << i + 1;
        EXPECT_EQ(p.ColumnsSlave[1], 6);
        EXPECT_EQ(p.ColumnsSchedule[0], -1);
    }
    // Slave is ignored without Master.
    const TProfile p =
        readText("[Columns]\nSlave=" + hexOfInts({5, 6}) + "\nSchedule=" + hexOfInts({7}) + "\n");
    EXPECT_EQ(p.ColumnsMaster[0], -1);
    EXPECT_EQ(p.ColumnsSlave[0], 0);
    EXPECT_EQ(p.ColumnsSchedule[0], 7);
}

TEST(ProfileColumns, ListsTakeStoredWidthsAndGiveTheirOwnBack) {
    // Nothing stored: every column keeps its built-in width (main list -1, other lists zero).
    const TProfile fresh;
    EXPECT_EQ(storedColumnWidths(fresh.ColumnsMaster, 7), std::vector<int>(7, 0));
    EXPECT_EQ(storedColumnWidths(fresh.ColumnsSlave, 7), std::vector<int>(7, 0));
    // A list's widths go into the profile file and come back for the same columns; the main
    // list carries the layout version, so an older layout's upgrade does not touch them.
    TProfile p;
    p.ColumnsMaster = columnWidthsRecord({40, 90, 300, 50, 51, 60, 200}, true);
    p.ColumnsSlave = columnWidthsRecord({41, 91, 301, 0, -5, 61, 201}, false);
    EXPECT_EQ(p.ColumnsMaster[15], 2);
    EXPECT_EQ(p.ColumnsSlave[15], 0);
    TFXParams fx;
    const TProfile back = readText(profileText(p, fx));
    EXPECT_EQ(storedColumnWidths(back.ColumnsMaster, 7),
              (std::vector<int>{40, 90, 300, 50, 51, 60, 200}));
    // A hidden (0) or damaged (negative) width keeps the built-in one.
    EXPECT_EQ(storedColumnWidths(back.ColumnsSlave, 7),
              (std::vector<int>{41, 91, 301, 0, 0, 61, 201}));
    // More columns than the profile holds: the ones past 15 keep their built-in widths.
    EXPECT_EQ(storedColumnWidths(back.ColumnsMaster, 17)[15], 0);
}

TEST(ProfileRead, HandEditedFilesFallBackToDefaults) {
    TFXParams fx;
    const TProfile p = readText("[Options]\nVolume=loud\nMuteLevel=\nFormWidth=0x10\n"
                                "AllowSort=yes\n"
                                "[Equalizer]\nSettings=0A000000FF\n"
                                "[Echo2]\nSettings=01020304050607080909090909\n"
                                "[Reverb]\nSettings=ZZ\n"
                                "[Crossfade]\nSettings=0000\n"
                                "[Font]\nStyle=6\n"
                                "[NotesFont]\nStyle=24\n",
                                &fx);
    EXPECT_EQ(p.Volume, 1000);
    EXPECT_EQ(p.MuteLevel, -30);
    EXPECT_EQ(p.FormWidth, 16);
    EXPECT_FALSE(p.AllowSort);
    EXPECT_EQ(p.EqualizerBands[0], 10);
    EXPECT_EQ(p.EqualizerBands[1], 0xFF); // the short block: what is there, then zeros
    EXPECT_EQ(p.EqualizerBands[11], 0);
    ASSERT_EQ(fx.Echo2.Settings.size(), kEcho2Bytes);
    EXPECT_EQ(fx.Echo2.Settings[12], '\x09');
    EXPECT_EQ(qFromLittleEndian<qint32>(fx.Echo2.Settings.constData() + 16), -1);
    EXPECT_EQ(fx.Reverb.Settings, QByteArray(kReverbBytes, '\0'));
    EXPECT_EQ(p.Crossfade, CrossfadeTable{});
    EXPECT_TRUE(p.Font.Bold);
    EXPECT_TRUE(p.Font.Italic);
    EXPECT_FALSE(p.Font.Underline);
    EXPECT_TRUE(p.NotesFont.Underline);
    EXPECT_TRUE(p.NotesFont.StrikeOut);
    EXPECT_FALSE(p.NotesFont.Bold);
    TFontSettings bi;
    bi.Bold = bi.Italic = true;
    EXPECT_EQ(fontStyleBits(bi), 6);
    EXPECT_EQ(p.fileTypeIds().first(), "Commercial");
}

TEST(ProfileWrite, FontSystemColoursAreWrittenAsPlainColours) {
    struct Case {
        qint32 stored;
        qint32 written;
    };
    const Case cases[] = {
        {qint32(0x80000008), 0},
        {qint32(0xFF000005), 0xFFFFFF},
        {qint32(0x8000000F), 0xF0F0F0},
        {0x123456, 0x123456},
        {0, 0},
    };
    for (const Case& c : cases) {
        TProfile p(kDir);
        p.Font.Color = c.stored;
        p.NotesFont.Color = c.stored;
        IniFile ini;
        ini.parse(profileText(p, TFXParams()));
        EXPECT_EQ(ini.readInt("Font", "Color", -5), c.written) << c.stored;
        EXPECT_EQ(ini.readInt("NotesFont", "Color", -5), c.written) << c.stored;
    }
}

TEST(CrossfadeTableBytes, LayoutAndRoundTrip) {
    CrossfadeTable t;
    t.entries[1] = {1.5f, 2.0f, 0.25f, true, false, true, 0};
    const QByteArray b = t.toBytes();
    ASSERT_EQ(b.size(), 208);
    const QByteArray entry1 = b.mid(16, 16);
    EXPECT_EQ(entry1.toHex(), QByteArray("0000c03f000000400000803e01000100"));
    EXPECT_EQ(CrossfadeTable::fromBytes(b), t);
    EXPECT_EQ(CrossfadeTable::fromBytes(b.left(20)).entries[1].mix, 1.5f);
    EXPECT_EQ(CrossfadeTable::fromBytes(b.left(20)).entries[1].fade, 0.0f);
}

TEST(CrossfadePresetFiles, ListLoadSaveDelete) {
    QTemporaryDir dir;
    const QString folder = dir.filePath("Presets/Crossfade");
    CrossfadePresets presets(folder);
    EXPECT_TRUE(presets.list().isEmpty());
    CrossfadeTable t;
    t.entries[1] = {3.0f, 4.0f, 1.0f, true, true, true, 0};
    EXPECT_EQ(presets.save("Fast?/Mix*", t), "FastMix");
    EXPECT_EQ(presets.save("<|>", t), "");
    EXPECT_EQ(presets.save("Slow", CrossfadeTable{}), "Slow");
    EXPECT_EQ(presets.list(), (QStringList{"FastMix", "Slow"}));
    CrossfadeTable loaded;
    ASSERT_TRUE(presets.load("FastMix", loaded));
    EXPECT_EQ(loaded, t);
    const IniFile ini(presets.filePath("FastMix"));
    EXPECT_EQ(ini.readBinary("Crossfade", "Settings"), t.toBytes());
    CrossfadeTable untouched = t;
    EXPECT_FALSE(presets.load("Missing", untouched));
    EXPECT_EQ(untouched, t);
    EXPECT_TRUE(presets.remove("FastMix"));
    EXPECT_EQ(presets.list(), QStringList{"Slow"});
}

TEST(ProfileFiles, SaveWritesTheThreeFilesAndLoadReadsSettingsAndRecent) {
    QTemporaryDir dir;
    const QString prf = dir.filePath("Profile/Evening.prf");
    QDir().mkpath(dir.filePath("Profile"));
    PlayerPlaylists lists;
    TVirtualItem a;
    a.Columns[kColTitle] = "A - B";
    a.Columns[kColFileName] = "/m/a.mp3";
    a.Columns[kColDurationText] = "02:00";
    lists.LVMaster.AppendItem(a);
    lists.recent.add("/lists/x.m3u");
    TProfile p = changedProfile();
    ASSERT_TRUE(SaveProfileFiles(prf, p, TFXParams(), lists));
    EXPECT_TRUE(QFile::exists(dir.filePath("Profile/Evening.m3u")));
    EXPECT_TRUE(QFile::exists(dir.filePath("Profile/Evening.hst")));

    PlayerPlaylists other;
    TProfile back(kDir);
    TFXParams fx;
    EXPECT_TRUE(LoadProfileFiles(prf, kDir, back, fx, other));
    EXPECT_TRUE(back == p);
    EXPECT_EQ(other.recent.paths(), QStringList{"/lists/x.m3u"});
    EXPECT_EQ(other.LVMaster.count(), 0); // the saved playlist is not loaded back
    EXPECT_EQ(other.loadProfilePlaylist(prf), 1);
    EXPECT_EQ(other.LVMaster.at(0).Title(), "A - B");

    TProfile missing(kDir);
    missing.Volume = 5;
    EXPECT_FALSE(LoadProfileFiles(dir.filePath("none.prf"), kDir, missing, fx, other));
    EXPECT_EQ(missing.Volume, 1000);

    QString error;
    EXPECT_FALSE(SaveProfileFiles(dir.filePath("no/such/dir/x.prf"), p, fx, lists, &error));
    EXPECT_TRUE(error.contains("x.prf"));

    // A recent list that cannot be written leaves the rest of the save done.
    const QString hst = dir.filePath("Profile/Late.hst");
    ASSERT_TRUE(QDir().mkpath(hst)); // a folder where the file should be
    QString recentError;
    error.clear();
    EXPECT_TRUE(
        SaveProfileFiles(dir.filePath("Profile/Late.prf"), p, fx, lists, &error, &recentError));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_TRUE(QFile::exists(dir.filePath("Profile/Late.prf")));
    EXPECT_TRUE(QFile::exists(dir.filePath("Profile/Late.m3u")));
    EXPECT_TRUE(
        recentError.startsWith("Error: -1, \r\nFile: " + hst + "\r\nFunc: History.SaveToFile ("))
        << recentError.toStdString();
    EXPECT_TRUE(recentError.endsWith(')'));
    EXPECT_GT(recentError.size(), RecentPlaylists::saveErrorText(hst, "").size());
    EXPECT_EQ(RecentPlaylists::saveErrorText("/p/D.hst", "No space"),
              "Error: -1, \r\nFile: /p/D.hst\r\nFunc: History.SaveToFile (No space)");
    EXPECT_EQ(RecentPlaylists::saveErrorCaption(), "Player: Error");
}
