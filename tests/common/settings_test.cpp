#include "common/settings.h"

#include "common/ini.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <clocale>
#include <gtest/gtest.h>

using namespace wc;

namespace {
void writeText(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}
QByteArray readText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

TEST(PlayerIni, DefaultsAndEveryKeyInTableOrder) {
    QTemporaryDir dir;
    const QString path = dir.filePath("player.ini");
    TPlayerIni rec;
    bool drawn = false;
    ReadPlayerIni(rec, path, &drawn);
    EXPECT_TRUE(drawn);
    EXPECT_GE(rec.UID, 0);
    EXPECT_LE(rec.UID, 99999);
    EXPECT_TRUE(rec.NoCopy);
    EXPECT_TRUE(rec.sServer.endsWith(":8000"));
    rec.UID = 4242;
    rec.sServer = "host:8000";
    ASSERT_TRUE(WritePlayerIni(rec, path));
    EXPECT_EQ(readText(path),
              "[Options]\r\nComment=0\r\nVisUpdateDelay=20\r\nThreshold=50\r\nNoCopy=1\r\n"
              "ShellExt=1\r\nShellExtFiles=mp3|ogg|wav|wma|cda|m3u|\r\n"
              "DeleteScheduleItemsOnPlay=0\r\nCountStartTimeFor=50\r\nVoiceTrackEnabled=0\r\n"
              "VoiceTrackMusicLev=-10\r\nXMLExportFileName=nowplaying.txt\r\nbEnableExport=1\r\n"
              "iExportFormat=1\r\nShowTrackNumberInReport=0\r\nFadeSign=^\r\nCountTop100=1\r\n"
              "UID=4242\r\n[Broadcast]\r\nbEnableBroadcast=0\r\nbPublic=0\r\nsServer=host:8000\r\n"
              "sPassword=quillpot\r\nsStreamTitle=Wavecrest Stream\r\nsStreamUrl=\r\n"
              "sStreamGenre=\r\nsStreamDescription=\r\niFormat=0\r\niBitrate=128\r\n"
              "bAutoReconnect=0\r\nbUseNoSound=0\r\niTitleType=0\r\nsTitleText=\r\n");
}

TEST(PlayerIni, EveryKeyReadsBackAndUnknownKeysSurvive) {
    QTemporaryDir dir;
    const QString path = dir.filePath("player.ini");
    writeText(path, "[Options]\r\nMine=kept\r\nThreshold=50\r\n");
    TPlayerIni rec;
    ReadPlayerIni(rec, path);
    EXPECT_DOUBLE_EQ(rec.Threshold, 0.0051);
    rec.Comment = true;
    rec.VisUpdateDelay = 33;
    rec.Threshold = 120 / 10000.0 + 0.0001;
    rec.NoCopy = false;
    rec.ShellExt = false;
    rec.ShellExtFiles = "mp3|";
    rec.DeleteScheduleItemsOnPlay = true;
    rec.CountStartTimeFor = 7;
    rec.VoiceTrackEnabled = true;
    rec.VoiceTrackMusicLev = -20;
    rec.FadeSign = "~";
    rec.CountTop100 = false;
    rec.bEnableExport = false;
    rec.iExportFormat = 0;
    rec.XMLExportFileName = QString::fromUtf8("сейчас.xml");
    rec.ShowTrackNumberInReport = true;
    rec.bEnableBroadcast = true;
    rec.bPublic = true;
    rec.sServer = "radio:8001/live";
    rec.sPassword = "p";
    rec.sStreamTitle = "T";
    rec.sStreamUrl = "U";
    rec.sStreamGenre = "G";
    rec.sStreamDescription = "D";
    rec.iFormat = 1;
    rec.iBitrate = 320;
    rec.bAutoReconnect = true;
    rec.bUseNoSound = true;
    rec.iTitleType = 1;
    rec.sTitleText = "fixed";
    rec.UID = 99999;
    ASSERT_TRUE(WritePlayerIni(rec, path));
    TPlayerIni back;
    bool drawn = true;
    ReadPlayerIni(back, path, &drawn);
    EXPECT_FALSE(drawn);
    EXPECT_EQ(back.Comment, rec.Comment);
    EXPECT_EQ(back.VisUpdateDelay, 33);
    EXPECT_DOUBLE_EQ(back.Threshold, rec.Threshold);
    EXPECT_EQ(back.NoCopy, false);
    EXPECT_EQ(back.ShellExt, false);
    EXPECT_EQ(back.ShellExtFiles, "mp3|");
    EXPECT_EQ(back.DeleteScheduleItemsOnPlay, true);
    EXPECT_EQ(back.CountStartTimeFor, 7);
    EXPECT_EQ(back.VoiceTrackEnabled, true);
    EXPECT_EQ(back.VoiceTrackMusicLev, -20);
    EXPECT_EQ(back.FadeSign, "~");
    EXPECT_EQ(back.CountTop100, false);
    EXPECT_EQ(back.bEnableExport, false);
    EXPECT_EQ(back.iExportFormat, 0);
    EXPECT_EQ(back.XMLExportFileName, rec.XMLExportFileName);
    EXPECT_EQ(back.ShowTrackNumberInReport, true);
    EXPECT_EQ(back.bEnableBroadcast, true);
    EXPECT_EQ(back.bPublic, true);
    EXPECT_EQ(back.sServer, "radio:8001/live");
    EXPECT_EQ(back.sPassword, "p");
    EXPECT_EQ(back.sStreamTitle, "T");
    EXPECT_EQ(back.sStreamUrl, "U");
    EXPECT_EQ(back.sStreamGenre, "G");
    EXPECT_EQ(back.sStreamDescription, "D");
    EXPECT_EQ(back.iFormat, 1);
    EXPECT_EQ(back.iBitrate, 320);
    EXPECT_EQ(back.bAutoReconnect, true);
    EXPECT_EQ(back.bUseNoSound, true);
    EXPECT_EQ(back.iTitleType, 1);
    EXPECT_EQ(back.sTitleText, "fixed");
    EXPECT_EQ(back.UID, 99999);
    EXPECT_EQ(IniFile(path).readString("Options", "Mine", ""), "kept");
    EXPECT_EQ(IniFile(path).readString("Options", "Threshold", ""), "120");
}

TEST(PlayerIni, DrawnUidIsKeptByTheFirstWrite) {
    QTemporaryDir dir;
    const QString path = dir.filePath("player.ini");
    writeText(path, "[Options]\r\nNoCopy=1\r\n");
    TPlayerIni a, b;
    bool drawn = false;
    ReadPlayerIni(a, path, &drawn);
    ASSERT_TRUE(drawn);
    ASSERT_TRUE(WritePlayerUid(a.UID, path));
    ReadPlayerIni(b, path, &drawn);
    EXPECT_FALSE(drawn);
    EXPECT_EQ(b.UID, a.UID);
    EXPECT_EQ(IniFile(path).readString("Options", "NoCopy", ""), "1");
}

TEST(SystemIni, DefaultsEveryKeyAndReadOnlyKeys) {
    QTemporaryDir dir;
    const QString path = dir.filePath("system.ini");
    writeText(path, "[Options]\r\nDisableVisThread=1\r\nNoMixerChannel=-1\r\nLg=yes\r\n"
                    "FXTempo=2\r\n[Equalizer]\r\nBandwidth=1.5\r\n");
    TSystemIni rec;
    ReadSystemIni(rec, path, dir.filePath("none.ini"));
    EXPECT_TRUE(rec.DisableVisThread);
    EXPECT_TRUE(rec.NoMixerChannel);
    EXPECT_FALSE(rec.Lg); // "yes" is not a number: default
    EXPECT_TRUE(rec.FXTempo);
    EXPECT_FLOAT_EQ(rec.Bandwidth, 1.5f);
    EXPECT_EQ(rec.Priority, 1);
    EXPECT_EQ(rec.BufferLength, 500);
    EXPECT_EQ(rec.MainDev, 1);
    EXPECT_EQ(rec.SecondDev, 2);
    EXPECT_EQ(rec.RecDev, 0);
    EXPECT_EQ(rec.RecSrc, -2);
    EXPECT_EQ(rec.BandsNum, 12);

    rec.DisableVisThread = false; // never written: the hand-set values survive
    rec.NoMixerChannel = false;
    rec.Priority = 2;
    rec.LangDir = "DE";
    rec.Freq = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 12000, 16000, 25000};
    ASSERT_TRUE(WriteSystemIni(rec, path));
    const QByteArray text = readText(path);
    EXPECT_EQ(text, "[Options]\r\nDisableVisThread=1\r\nNoMixerChannel=-1\r\nLg=0\r\nFXTempo=1\r\n"
                    "Priority=2\r\nLangDir=DE\r\nBufferLength=500\r\nUseLineIn=0\r\nNoLineFx=0\r\n"
                    "AllowWinampPlugins=0\r\n[Equalizer]\r\nBandwidth=1.5\r\nBandsNum=12\r\n"
                    "Freq0=31\r\nFreq1=62\r\nFreq2=125\r\nFreq3=250\r\nFreq4=500\r\nFreq5=1000\r\n"
                    "Freq6=2000\r\nFreq7=4000\r\nFreq8=8000\r\nFreq9=12000\r\nFreq10=16000\r\n"
                    "Freq11=25000\r\n[Device]\r\nMainDev=1\r\nSecondDev=2\r\nRecDev=0\r\n"
                    "RecSrc=-2\r\n");
    TSystemIni back;
    ReadSystemIni(back, path, dir.filePath("none.ini"));
    EXPECT_TRUE(back.DisableVisThread);
    EXPECT_EQ(back.Freq, rec.Freq);
    EXPECT_EQ(back.LangDir, "DE");
}

TEST(SystemIni, BandwidthIgnoresTheLocale) {
    QTemporaryDir dir;
    const QString path = dir.filePath("system.ini");
    writeText(path, "[Equalizer]\r\nBandwidth=1.5\r\n");
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German));
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8"); // may be absent; the parser must not care either way
    TSystemIni rec;
    ReadSystemIni(rec, path, dir.filePath("none.ini"));
    EXPECT_FLOAT_EQ(rec.Bandwidth, 1.5f);
    ASSERT_TRUE(WriteSystemIni(rec, path));
    EXPECT_EQ(IniFile(path).readString("Equalizer", "Bandwidth", ""), "1.5");
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(saved);
}

TEST(SystemIni, InstallerLanguageLookup) {
    QTemporaryDir dir;
    const QString path = dir.filePath("system.ini");
    const QString inst = dir.filePath("installer.ini");
    writeText(path, "[Options]\r\nLangDir=/\r\n");
    struct Case {
        const char* installer; // nullptr: no file
        const char* expected;
    };
    const Case cases[] = {
        {"[Installer]\r\nLanguage=1044\r\n", "NO"},
        {"[Installer]\r\nLanguage=1036\r\n", "EN"},
        {"[Installer]\r\nLanguage=1049\r\n", "RU"},
        {"[Installer]\r\nLanguage=2074\r\n", "SR"},
        {"[Installer]\r\nLanguage=\r\n", "EN"},
        {"[Installer]\r\nOther=1\r\n", "/"},
        {nullptr, "/"},
    };
    for (const auto& c : cases) {
        QFile::remove(inst);
        if (c.installer) writeText(inst, c.installer);
        TSystemIni rec;
        ReadSystemIni(rec, path, inst);
        EXPECT_EQ(rec.LangDir, c.expected) << (c.installer ? c.installer : "(no file)");
    }
    EXPECT_EQ(languageDirForInstallerId("1058"), "UA");
    EXPECT_EQ(languageDirForInstallerId("2070"), "PT");
}

TEST(RunIniFile, DefaultsAndWrites) {
    QTemporaryDir dir;
    RunIni run(dir.filePath("run.ini"));
    EXPECT_TRUE(run.lastProfileName().endsWith("Profile/Default.prf"));
    EXPECT_EQ(run.lastFileName(), "-");
    ASSERT_TRUE(run.setLastProfileName("/x/Profile/Night.prf"));
    ASSERT_TRUE(run.setLastFileName("/music/a.mp3"));
    EXPECT_EQ(run.lastProfileName(), "/x/Profile/Night.prf");
    EXPECT_EQ(run.lastFileName(), "/music/a.mp3");
    EXPECT_EQ(readText(run.file), "[LastProfile]\r\nLastProfileName=/x/Profile/Night.prf\r\n"
                                  "[LastFile]\r\nLastFileName=/music/a.mp3\r\n");
}
