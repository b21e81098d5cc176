#pragma once
// The profile file: the player's per-user working state in one INI file (".prf"). TProfile
// holds everything but the four effect blocks, which live in TFXParams. Reading gives the
// default of every key that is missing or unreadable; writing updates the file in place
// (other keys, such as window positions kept in the same file, stay) through a temporary
// file that is renamed over it.
#include "player/core/profile/crossfade.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <vector>

namespace wc {

struct TFontSettings {
    QString Name = QStringLiteral("Tahoma");
    qint32 Size = 8;
    qint32 Color = 0;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    bool operator==(const TFontSettings&) const = default;
};

// Style bits as stored: 2 bold, 4 italic, 8 underline, 16 strike-out.
void setFontStyleBits(TFontSettings& font, qint32 bits);
qint32 fontStyleBits(const TFontSettings& font);

// A colour as stored (0x00BBGGRR). Colours saved as the desktop's system-colour constants
// (0x80000000 or 0xFF000000 plus the colour's number) become the plain colour of the
// classic desktop scheme; unknown ones black.
qint32 resolveSystemColor(qint32 color);

// One playlist item type (types 2..11).
struct TFileType {
    QString Name;
    QString Id;
    qint32 Color = 0;
    qint32 Amp = 0; // dB, -20..20
    bool operator==(const TFileType&) const = default;
};
using TFileTypesArray = std::array<TFileType, 10>; // [0] is type 2

inline constexpr int kColumnValues = 16;
inline constexpr qint32 kColumnsLayoutVersion = 2;
using ColumnWidths = std::array<qint32, kColumnValues>;

// The widths a list of `columns` columns takes from the profile: 0 for a column that keeps its
// built-in width. Every column keeps it when the profile has none stored (first value -1, as
// the main list's default, or no positive value, as a list never saved).
std::vector<int> storedColumnWidths(const ColumnWidths& stored, int columns);
// A list's current widths as the profile keeps them; the main list's 16th value is the layout
// version (2), the other lists leave it 0. Columns beyond 15 are not kept.
ColumnWidths columnWidthsRecord(const std::vector<int>& widths, bool mainList);

struct TProfile {
    // Defaults that name files are made from the program folder (with a trailing "/").
    explicit TProfile(const QString& programDir = QString());

    QString ExplorerPath = QStringLiteral("rfdesktop");
    TFontSettings Font;
    TFontSettings NotesFont;
    bool EqualizerOn = true;
    std::array<qint32, 12> EqualizerBands{};
    QString EqualizerLastPreset = QStringLiteral("Default");
    bool EqualizerAuto = false;
    qint32 CompressorGain = 0;
    CrossfadeTable Crossfade;
    QString CrossfadeLastPreset = QStringLiteral("Default");
    std::array<QString, 9> JinglePaths;
    bool QuietOn = false;
    qint32 QuietInterval = 120;
    qint32 QuietAction = 1;
    QString QuietList;
    // First value -1: the list uses its built-in widths.
    ColumnWidths ColumnsMaster{-1};
    ColumnWidths ColumnsSlave{};
    ColumnWidths ColumnsSchedule{-1};
    std::array<qint32, 13> HotKeys{80, 83, 78, 66, 82, 77, 84, 32, 13, 188, 190, 1, 1};

    // Options
    bool btRepeat = false;
    bool btBreak = false;
    bool btShuffle = false;
    bool btRepeatList = false;
    bool btnShuffle = true;
    bool btnRepeat = true;
    bool btnBreak = true;
    bool ctrVolume = true;
    qint32 RecDestination = 0;
    qint32 RecControl = 1;
    qint32 MicMusicVol = -15;
    qint32 MicMusicFade = 400;
    bool AutoSavePrf = true;
    qint32 Volume = 1000;
    qint32 Color_PLBACK = 16777215;
    qint32 ClockFontColor = 0;
    bool Report = true;
    QString DefBase;
    qint32 TimeShowType = 0;
    qint32 JinglVolume = 100;
    bool AutoupdateTag = true;
    bool Visualization = true;
    bool PlaylistCenter = true;
    bool NotesReadTag = true;
    bool Break1 = true;
    qint32 MuteLevel = -30;
    qint32 Close = 1;
    qint32 JVol = 100;
    bool AllowSort = false;
    qint32 RearVolume = 100;
    qint32 MainOutput = 0;
    qint32 SecondaryOutput = 33554432;
    bool CanChangeTrackPos = true;
    bool TaskbarButton = true;
    bool CutSilence = true;
    bool ShowSecondTimeLabel = true;
    qint32 FormWidth = 799;
    qint32 FormHeight = 573;
    qint32 ScheduleFadeTime = 1000;
    qint32 MuteFadeTime = 1000;
    qint32 ReadTrackInfoType = 0;
    QString DateFormat;
    bool Clock24h = true;

    // Encoder
    QString EncoderOutDir;
    QString EncoderExt = QStringLiteral("mp3");
    QString EncoderCommand = QStringLiteral("lame.exe -h - ::s");
    qint32 EncoderPresetIndex = 0;
    QString EncoderPresetName = QStringLiteral("MP3 Lame, 128 kbps, Joint Stereo");
    bool EncoderShowParam = true;

    TFileTypesArray FileTypes;
    bool ScheduleState = false;
    QString ActivePluginName = QStringLiteral("-");

    bool operator==(const TProfile&) const = default;

    // The identifiers of item types 2..11, for recognising typed items.
    QStringList fileTypeIds() const;
};

// The effect settings: for Reverb, Echo, AutoAmp and Echo2 an on flag, the parameter block
// (16, 20, 16 and 20 bytes) and the last preset chosen.
struct TFXEffect {
    bool On = false;
    QByteArray Settings;
    QString LastPreset;
    bool operator==(const TFXEffect&) const = default;
};

struct TFXParams {
    TFXParams();
    TFXEffect Reverb;
    TFXEffect Echo;
    TFXEffect AutoAmp;
    TFXEffect Echo2;
    bool operator==(const TFXParams&) const = default;
};

inline constexpr int kReverbBytes = 16;
inline constexpr int kEchoBytes = 20;
inline constexpr int kAutoAmpBytes = 16;
inline constexpr int kEcho2Bytes = 20;

// The system's own defaults for the keys that follow the desktop's settings.
QString systemShortDateFormat();
bool system24hClock();

// Fills record and fx from the file; a missing file or key gives the default.
void ReadProfile(TProfile& record, TFXParams& fx, const QString& fileName,
                 const QString& programDir);
// Parses profile text the same way (for tests and fuzzing).
void ReadProfileText(TProfile& record, TFXParams& fx, const QString& text,
                     const QString& programDir);
// Writes every key in its section order (font colours as plain colours); false with *error when the
// file cannot be written.
bool WriteProfile(const TProfile& record, const TFXParams& fx, const QString& fileName,
                  QString* error = nullptr);
// The text WriteProfile would write into an empty file.
QString profileText(const TProfile& record, const TFXParams& fx);

} // namespace wc
