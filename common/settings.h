#pragma once
// The settings records of "player.ini" and "system.ini", and "Profile/run.ini".
// Every key has its default; a missing file or key, or a value of the wrong form, gives the
// default. The key tables in settings.cpp are the single place that names sections, keys and
// defaults, and reading and writing both walk them in table order.
#include <QString>
#include <array>

namespace wc {

struct TPlayerIni {
    bool Comment = false;
    qint32 VisUpdateDelay = 20;
    double Threshold = 50 / 10000.0 + 0.0001; // held as the fraction of full scale
    bool NoCopy = true;
    bool ShellExt = true;
    QString ShellExtFiles = QStringLiteral("mp3|ogg|wav|wma|cda|m3u|");
    bool DeleteScheduleItemsOnPlay = false;
    qint32 CountStartTimeFor = 50;
    bool VoiceTrackEnabled = false;
    qint32 VoiceTrackMusicLev = -10;
    QString FadeSign = QStringLiteral("^");
    bool CountTop100 = true;
    bool bEnableExport = true;
    qint32 iExportFormat = 1;
    QString XMLExportFileName = QStringLiteral("nowplaying.txt");
    bool ShowTrackNumberInReport = false;
    bool bEnableBroadcast = false;
    bool bPublic = false;
    QString sServer; // default: this machine's host name, ":8000"
    QString sPassword = QStringLiteral("quillpot");
    QString sStreamTitle = QStringLiteral("Wavecrest Stream");
    QString sStreamUrl;
    QString sStreamGenre;
    QString sStreamDescription;
    qint32 iFormat = 0;
    qint32 iBitrate = 128;
    bool bAutoReconnect = false;
    bool bUseNoSound = false;
    qint32 iTitleType = 0;
    QString sTitleText;
    qint32 UID = 0; // drawn at random (0..99999) when the file has none

    TPlayerIni();
};

struct TSystemIni {
    qint32 Priority = 1;
    bool Lg = false;
    QString LangDir;
    qint32 BufferLength = 500;
    bool FXTempo = false;
    bool UseLineIn = false;
    bool NoLineFx = false;
    bool AllowWinampPlugins = false;
    qint32 BandsNum = 12;
    std::array<qint32, 12> Freq{};
    float Bandwidth = 2.5f;
    qint32 MainDev = 1;
    qint32 SecondDev = 2;
    qint32 RecDev = 0;
    qint32 RecSrc = -2;
    bool DisableVisThread = false; // only read: set by editing the file
    bool NoMixerChannel = false;   // only read: set by editing the file
};

// Default file names in the program folder.
QString playerIniPath();
QString systemIniPath();
QString runIniPath();
// The file that records the language the installer ran in (no registry on this system).
QString installerIniPath();

// Fills rec from the file. When the file holds no UID, a fresh one is drawn and
// *uidDrawn is set, so that the caller can keep it at once.
void ReadPlayerIni(TPlayerIni& rec, const QString& file = playerIniPath(),
                   bool* uidDrawn = nullptr);
// Writes every key (keeping the file's other lines). Returns false and sets *error on failure.
bool WritePlayerIni(const TPlayerIni& rec, const QString& file = playerIniPath(),
                    QString* error = nullptr);
// Writes only the UID key, so that a freshly drawn installation number is kept at once.
bool WritePlayerUid(qint32 uid, const QString& file = playerIniPath(), QString* error = nullptr);

// Fills rec from the file, including the installer-language lookup for LangDir "/".
void ReadSystemIni(TSystemIni& rec, const QString& file = systemIniPath(),
                   const QString& installerFile = installerIniPath());
// Writes every key but DisableVisThread and NoMixerChannel.
bool WriteSystemIni(const TSystemIni& rec, const QString& file = systemIniPath(),
                    QString* error = nullptr);

// Maps an installer language identifier (decimal text) to a language folder name; anything
// unknown or empty gives "EN".
QString languageDirForInstallerId(const QString& id);

// "Profile/run.ini": the last profile and, in resume mode, the last file started.
struct RunIni {
    explicit RunIni(QString file = runIniPath()) : file(std::move(file)) {}
    QString lastProfileName() const; // default programDir() + "Profile/Default.prf"
    QString lastFileName() const;    // default "-"
    bool setLastProfileName(const QString& name, QString* error = nullptr) const;
    bool setLastFileName(const QString& name, QString* error = nullptr) const;
    QString file;
};

} // namespace wc
