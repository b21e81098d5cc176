#include "player/core/profile/profile.h"

#include "common/ini.h"

#include <QLocale>
#include <QtEndian>
#include <algorithm>
#include <variant>

namespace wc {

void setFontStyleBits(TFontSettings& font, qint32 bits) {
    font.Bold = bits & 2;
    font.Italic = bits & 4;
    font.Underline = bits & 8;
    font.StrikeOut = bits & 16;
}

qint32 fontStyleBits(const TFontSettings& font) {
    return (font.Bold ? 2 : 0) + (font.Italic ? 4 : 0) + (font.Underline ? 8 : 0) +
           (font.StrikeOut ? 16 : 0);
}

qint32 resolveSystemColor(qint32 color) {
    const quint32 c = quint32(color);
    const quint32 high = c & 0xFF000000u;
    if (high != 0x80000000u && high != 0xFF000000u) return color;
    // The classic scheme's values, 0x00BBGGRR.
    switch (c & 0xFFu) {
    case 4:  // menu
    case 15: // button face
        return 0xF0F0F0;
    case 5:  // window
    case 14: // highlighted text
        return 0xFFFFFF;
    case 13: // highlight
        return 0xFF9933;
    case 16: // button shadow
        return 0xA0A0A0;
    case 17: // grey text
        return 0x6D6D6D;
    case 24: // tooltip background
        return 0xE1FFFF;
    default: // window, menu, caption, button and tooltip texts
        return 0;
    }
}

std::vector<int> storedColumnWidths(const ColumnWidths& stored, int columns) {
    std::vector<int> widths(std::size_t(std::max(columns, 0)), 0);
    if (stored[0] == -1) return widths;
    for (std::size_t c = 0; c < widths.size() && c + 1 < stored.size(); ++c)
        widths[c] = std::max(stored[c], 0);
    return widths;
}

ColumnWidths columnWidthsRecord(const std::vector<int>& widths, bool mainList) {
    ColumnWidths record{};
    for (std::size_t c = 0; c < widths.size() && c + 1 < record.size(); ++c)
        record[c] = std::max(widths[c], 0);
    if (mainList) record[kColumnValues - 1] = kColumnsLayoutVersion;
    return record;
}

QString systemShortDateFormat() {
    return QLocale::system().dateFormat(QLocale::ShortFormat);
}

bool system24hClock() {
    // A time format with an AM/PM marker means a 12-hour clock.
    return !QLocale::system().timeFormat(QLocale::ShortFormat).contains(u'a', Qt::CaseInsensitive);
}

TProfile::TProfile(const QString& programDir)
    : DefBase(programDir + QStringLiteral("Database/Base.dfs")),
      DateFormat(systemShortDateFormat()), Clock24h(system24hClock()),
      EncoderOutDir(programDir + QStringLiteral("Temp")) {
    FileTypes[0] = {QStringLiteral("Commercial"), QStringLiteral("Commercial"), 8816262, 0};
    FileTypes[1] = {QStringLiteral("Jingle"), QStringLiteral("Jingle"), 8388608, 0};
    for (int t = 4; t <= 11; ++t)
        FileTypes[size_t(t - 2)] = {QStringLiteral("Type%1").arg(t - 1), QString(), 0, 0};
}

QStringList TProfile::fileTypeIds() const {
    QStringList ids;
    for (const TFileType& t : FileTypes)
        ids << t.Id;
    return ids;
}

TFXParams::TFXParams() {
    Reverb.Settings = QByteArray(kReverbBytes, '\0');
    Echo.Settings = QByteArray(kEchoBytes, '\0');
    AutoAmp.Settings = QByteArray(kAutoAmpBytes, '\0');
    Echo2.Settings = QByteArray(kEcho2Bytes, '\0');
}

namespace {

// The plain keys, in table order within each section.
struct PlainKey {
    const char* section;
    const char* key;
    std::variant<QString TProfile::*, qint32 TProfile::*, bool TProfile::*> member;
};

const PlainKey kPlainKeys[] = {
    {"Explorer", "Path", &TProfile::ExplorerPath},
    {"Equalizer", "On", &TProfile::EqualizerOn},
    {"Equalizer", "LastPreset", &TProfile::EqualizerLastPreset},
    {"Equalizer", "Auto", &TProfile::EqualizerAuto},
    {"Compressor", "Gain", &TProfile::CompressorGain},
    {"Crossfade", "LastPreset", &TProfile::CrossfadeLastPreset},
    {"QuietDetection", "On", &TProfile::QuietOn},
    {"QuietDetection", "Interval", &TProfile::QuietInterval},
    {"QuietDetection", "Action", &TProfile::QuietAction},
    {"QuietDetection", "List", &TProfile::QuietList},
    {"Options", "btRepeat", &TProfile::btRepeat},
    {"Options", "btBreak", &TProfile::btBreak},
    {"Options", "btShuffle", &TProfile::btShuffle},
    {"Options", "btRepeatList", &TProfile::btRepeatList},
    {"Options", "btnShuffle", &TProfile::btnShuffle},
    {"Options", "btnRepeat", &TProfile::btnRepeat},
    {"Options", "btnBreak", &TProfile::btnBreak},
    {"Options", "ctrVolume", &TProfile::ctrVolume},
    {"Options", "RecDestination", &TProfile::RecDestination},
    {"Options", "RecControl", &TProfile::RecControl},
    {"Options", "MicMusicVol", &TProfile::MicMusicVol},
    {"Options", "MicMusicFade", &TProfile::MicMusicFade},
    {"Options", "AutoSavePrf", &TProfile::AutoSavePrf},
    {"Options", "Volume", &TProfile::Volume},
    {"Options", "Color_PLBACK", &TProfile::Color_PLBACK},
    {"Options", "ClockFontColor", &TProfile::ClockFontColor},
    {"Options", "Report", &TProfile::Report},
    {"Options", "DefBase", &TProfile::DefBase},
    {"Options", "TimeShowType", &TProfile::TimeShowType},
    {"Options", "JinglVolume", &TProfile::JinglVolume},
    {"Options", "AutoupdateTag", &TProfile::AutoupdateTag},
    {"Options", "Visualization", &TProfile::Visualization},
    {"Options", "PlaylistCenter", &TProfile::PlaylistCenter},
    {"Options", "NotesReadTag", &TProfile::NotesReadTag},
    {"Options", "Break1", &TProfile::Break1},
    {"Options", "MuteLevel", &TProfile::MuteLevel},
    {"Options", "Close", &TProfile::Close},
    {"Options", "JVol", &TProfile::JVol},
    {"Options", "AllowSort", &TProfile::AllowSort},
    {"Options", "RearVolume", &TProfile::RearVolume},
    {"Options", "MainOutput", &TProfile::MainOutput},
    {"Options", "SecondaryOutput", &TProfile::SecondaryOutput},
    {"Options", "CanChangeTrackPos", &TProfile::CanChangeTrackPos},
    {"Options", "TaskbarButton", &TProfile::TaskbarButton},
    {"Options", "CutSilence", &TProfile::CutSilence},
    {"Options", "ShowSecondTimeLabel", &TProfile::ShowSecondTimeLabel},
    {"Options", "FormWidth", &TProfile::FormWidth},
    {"Options", "FormHeight", &TProfile::FormHeight},
    {"Options", "ScheduleFadeTime", &TProfile::ScheduleFadeTime},
    {"Options", "MuteFadeTime", &TProfile::MuteFadeTime},
    {"Options", "ReadTrackInfoType", &TProfile::ReadTrackInfoType},
    {"Options", "DateFormat", &TProfile::DateFormat},
    {"Options", "Clock24h", &TProfile::Clock24h},
    {"Encoder", "OutDir", &TProfile::EncoderOutDir},
    {"Encoder", "Ext", &TProfile::EncoderExt},
    {"Encoder", "Command", &TProfile::EncoderCommand},
    {"Encoder", "PresetIndex", &TProfile::EncoderPresetIndex},
    {"Encoder", "PresetName", &TProfile::EncoderPresetName},
    {"Encoder", "ShowParam", &TProfile::EncoderShowParam},
    {"TimeTable", "ScheduleState", &TProfile::ScheduleState},
    {"WinampPlugins", "ActivePluginName", &TProfile::ActivePluginName},
};

QString S(const char* s) {
    return QString::fromLatin1(s);
}

void readPlain(const IniFile& ini, TProfile& rec, const TProfile& def) {
    for (const PlainKey& k : kPlainKeys) {
        std::visit(
            [&](auto member) {
                using T = std::decay_t<decltype(rec.*member)>;
                if constexpr (std::is_same_v<T, QString>)
                    rec.*member = ini.readString(S(k.section), S(k.key), def.*member);
                else if constexpr (std::is_same_v<T, bool>)
                    rec.*member = ini.readBool(S(k.section), S(k.key), def.*member);
                else
                    rec.*member = ini.readInt(S(k.section), S(k.key), def.*member);
            },
            k.member);
    }
}

void writePlain(IniFile& ini, const TProfile& rec, const char* section) {
    for (const PlainKey& k : kPlainKeys) {
        if (qstrcmp(k.section, section) != 0) continue;
        std::visit(
            [&](auto member) {
                using T = std::decay_t<decltype(rec.*member)>;
                if constexpr (std::is_same_v<T, QString>)
                    ini.writeString(S(k.section), S(k.key), rec.*member);
                else if constexpr (std::is_same_v<T, bool>)
                    ini.writeBool(S(k.section), S(k.key), rec.*member);
                else
                    ini.writeInt(S(k.section), S(k.key), rec.*member);
            },
            k.member);
    }
}

template <size_t N>
void readInts(const IniFile& ini, const char* section, const char* key,
              std::array<qint32, N>& out) {
    const QByteArray b = ini.readBinary(S(section), S(key), qsizetype(N * 4));
    for (size_t i = 0; i < N; ++i)
        out[i] = qFromLittleEndian<qint32>(b.constData() + i * 4);
}

template <size_t N> QByteArray intsBytes(const std::array<qint32, N>& in) {
    QByteArray b(qsizetype(N * 4), '\0');
    for (size_t i = 0; i < N; ++i)
        qToLittleEndian(in[i], b.data() + i * 4);
    return b;
}

void readFont(const IniFile& ini, const char* section, TFontSettings& f, const TFontSettings& def) {
    f.Name = ini.readString(S(section), QStringLiteral("Name"), def.Name);
    f.Size = ini.readInt(S(section), QStringLiteral("Size"), def.Size);
    f.Color = ini.readInt(S(section), QStringLiteral("Color"), def.Color);
    setFontStyleBits(f, ini.readInt(S(section), QStringLiteral("Style"), fontStyleBits(def)));
}

void writeFont(IniFile& ini, const char* section, const TFontSettings& f) {
    ini.writeString(S(section), QStringLiteral("Name"), f.Name);
    ini.writeInt(S(section), QStringLiteral("Size"), f.Size);
    ini.writeInt(S(section), QStringLiteral("Color"), resolveSystemColor(f.Color));
    ini.writeInt(S(section), QStringLiteral("Style"), fontStyleBits(f));
}

void readEffect(const IniFile& ini, const char* section, int bytes, TFXEffect& fx) {
    fx.Settings = ini.readBinary(S(section), QStringLiteral("Settings"), bytes);
    fx.On = ini.readBool(S(section), QStringLiteral("On"), false);
    fx.LastPreset = ini.readString(S(section), QStringLiteral("LastPreset"), QString());
}

void writeEffect(IniFile& ini, const char* section, int bytes, const TFXEffect& fx) {
    QByteArray b = fx.Settings.left(bytes);
    b.append(QByteArray(bytes - b.size(), '\0'));
    ini.writeBinary(S(section), QStringLiteral("Settings"), b);
    ini.writeBool(S(section), QStringLiteral("On"), fx.On);
    ini.writeString(S(section), QStringLiteral("LastPreset"), fx.LastPreset);
}

void readAll(const IniFile& ini, TProfile& rec, TFXParams& fx, const QString& programDir) {
    const TProfile def(programDir);
    rec = def;
    readPlain(ini, rec, def);
    readFont(ini, "Font", rec.Font, def.Font);
    readFont(ini, "NotesFont", rec.NotesFont, def.NotesFont);
    readInts(ini, "Equalizer", "Settings", rec.EqualizerBands);

    readEffect(ini, "Reverb", kReverbBytes, fx.Reverb);
    readEffect(ini, "Echo", kEchoBytes, fx.Echo);
    readEffect(ini, "AutoAmp", kAutoAmpBytes, fx.AutoAmp);
    readEffect(ini, "Echo2", kEcho2Bytes, fx.Echo2);
    // The second echo's fifth value is always -1 after loading.
    qToLittleEndian<qint32>(-1, fx.Echo2.Settings.data() + 16);

    rec.Crossfade = CrossfadeTable::fromBytes(ini.readBinary(
        QStringLiteral("Crossfade"), QStringLiteral("Settings"), CrossfadeTable::kBytes));

    for (int i = 0; i < 9; ++i)
        rec.JinglePaths[size_t(i)] =
            ini.readString(QStringLiteral("Jingles"), QStringLiteral("Path%1").arg(i + 1), {});

    // Column widths, upgrading the layouts of older files.
    const QString cols = QStringLiteral("Columns");
    if (!ini.hasKey(cols, QStringLiteral("Master"))) {
        rec.ColumnsMaster[0] = -1;
    } else {
        readInts(ini, "Columns", "Master", rec.ColumnsMaster);
        if (rec.ColumnsMaster[15] == 0) rec.ColumnsMaster[1] = 70;
        if (rec.ColumnsMaster[15] != kColumnsLayoutVersion) {
            rec.ColumnsMaster[3] = 47;
            rec.ColumnsMaster[4] = 47;
            rec.ColumnsMaster[5] = 70;
        }
        readInts(ini, "Columns", "Slave", rec.ColumnsSlave);
    }
    if (!ini.hasKey(cols, QStringLiteral("Schedule")))
        rec.ColumnsSchedule[0] = -1;
    else
        readInts(ini, "Columns", "Schedule", rec.ColumnsSchedule);

    for (int i = 0; i < 13; ++i)
        rec.HotKeys[size_t(i)] = ini.readInt(
            QStringLiteral("HotKeys"), QStringLiteral("hk%1").arg(i + 1), def.HotKeys[size_t(i)]);

    const QString ft = QStringLiteral("FileTypes");
    for (int t = 2; t <= 11; ++t) {
        TFileType& x = rec.FileTypes[size_t(t - 2)];
        const TFileType& d = def.FileTypes[size_t(t - 2)];
        x.Name = ini.readString(ft, QStringLiteral("Name%1").arg(t), d.Name);
        x.Id = ini.readString(ft, QStringLiteral("Id%1").arg(t), d.Id);
        x.Color = ini.readInt(ft, QStringLiteral("Color%1").arg(t), d.Color);
        x.Amp = ini.readInt(ft, QStringLiteral("Amp%1").arg(t), d.Amp);
    }
}

void writeAll(IniFile& ini, const TProfile& rec, const TFXParams& fx) {
    writePlain(ini, rec, "Explorer");
    writeFont(ini, "Font", rec.Font);
    writeFont(ini, "NotesFont", rec.NotesFont);
    ini.writeBool(QStringLiteral("Equalizer"), QStringLiteral("On"), rec.EqualizerOn);
    ini.writeBinary(QStringLiteral("Equalizer"), QStringLiteral("Settings"),
                    intsBytes(rec.EqualizerBands));
    ini.writeString(QStringLiteral("Equalizer"), QStringLiteral("LastPreset"),
                    rec.EqualizerLastPreset);
    ini.writeBool(QStringLiteral("Equalizer"), QStringLiteral("Auto"), rec.EqualizerAuto);
    writeEffect(ini, "Reverb", kReverbBytes, fx.Reverb);
    writeEffect(ini, "Echo", kEchoBytes, fx.Echo);
    writeEffect(ini, "AutoAmp", kAutoAmpBytes, fx.AutoAmp);
    writePlain(ini, rec, "Compressor");
    writeEffect(ini, "Echo2", kEcho2Bytes, fx.Echo2);
    ini.writeBinary(QStringLiteral("Crossfade"), QStringLiteral("Settings"),
                    rec.Crossfade.toBytes());
    writePlain(ini, rec, "Crossfade");
    for (int i = 0; i < 9; ++i)
        ini.writeString(QStringLiteral("Jingles"), QStringLiteral("Path%1").arg(i + 1),
                        rec.JinglePaths[size_t(i)]);
    writePlain(ini, rec, "QuietDetection");
    writePlain(ini, rec, "Options");

    // A list that uses its built-in widths (first value -1) has no key, so reading it back
    // gives the built-in widths again rather than an "upgraded" layout.
    const QString cols = QStringLiteral("Columns");
    if (rec.ColumnsMaster[0] == -1) {
        ini.deleteKey(cols, QStringLiteral("Master"));
        ini.deleteKey(cols, QStringLiteral("Slave"));
    } else {
        ini.writeBinary(cols, QStringLiteral("Master"), intsBytes(rec.ColumnsMaster));
        ini.writeBinary(cols, QStringLiteral("Slave"), intsBytes(rec.ColumnsSlave));
    }
    if (rec.ColumnsSchedule[0] == -1)
        ini.deleteKey(cols, QStringLiteral("Schedule"));
    else
        ini.writeBinary(cols, QStringLiteral("Schedule"), intsBytes(rec.ColumnsSchedule));

    for (int i = 0; i < 13; ++i)
        ini.writeInt(QStringLiteral("HotKeys"), QStringLiteral("hk%1").arg(i + 1),
                     rec.HotKeys[size_t(i)]);
    writePlain(ini, rec, "Encoder");
    const QString ft = QStringLiteral("FileTypes");
    for (int t = 2; t <= 11; ++t) {
        const TFileType& x = rec.FileTypes[size_t(t - 2)];
        ini.writeString(ft, QStringLiteral("Name%1").arg(t), x.Name);
        ini.writeString(ft, QStringLiteral("Id%1").arg(t), x.Id);
        ini.writeInt(ft, QStringLiteral("Color%1").arg(t), x.Color);
        ini.writeInt(ft, QStringLiteral("Amp%1").arg(t), x.Amp);
    }
    writePlain(ini, rec, "TimeTable");
    writePlain(ini, rec, "WinampPlugins");
}

} // namespace

void ReadProfile(TProfile& record, TFXParams& fx, const QString& fileName,
                 const QString& programDir) {
    const IniFile ini(fileName);
    readAll(ini, record, fx, programDir);
}

void ReadProfileText(TProfile& record, TFXParams& fx, const QString& text,
                     const QString& programDir) {
    IniFile ini;
    ini.parse(text);
    readAll(ini, record, fx, programDir);
}

bool WriteProfile(const TProfile& record, const TFXParams& fx, const QString& fileName,
                  QString* error) {
    IniFile ini(fileName);
    writeAll(ini, record, fx);
    return ini.save(error);
}

QString profileText(const TProfile& record, const TFXParams& fx) {
    IniFile ini;
    writeAll(ini, record, fx);
    return ini.serialize();
}

} // namespace wc
