#include "common/settings.h"

#include "common/ini.h"
#include "common/paths.h"

#include <QRandomGenerator>
#include <QSysInfo>
#include <cmath>
#include <variant>

namespace wc {
namespace {

// Threshold is stored in ten-thousandths of full scale and held as a fraction plus 0.0001.
struct ThresholdField {};
// The installation number, drawn at random when the file has none.
struct UidField {};
// One of the twelve equaliser band frequencies.
struct FreqField {
    int band;
};

template <class Rec>
using Field = std::variant<bool Rec::*, qint32 Rec::*, QString Rec::*, float Rec::*, ThresholdField,
                           UidField, FreqField>;

template <class Rec> struct KeyDef {
    const char* section;
    const char* key;
    Field<Rec> field;
    bool written = true; // false for keys the program only reads
};

const KeyDef<TPlayerIni> kPlayerKeys[] = {
    {"Options", "Comment", &TPlayerIni::Comment},
    {"Options", "VisUpdateDelay", &TPlayerIni::VisUpdateDelay},
    {"Options", "Threshold", ThresholdField{}},
    {"Options", "NoCopy", &TPlayerIni::NoCopy},
    {"Options", "ShellExt", &TPlayerIni::ShellExt},
    {"Options", "ShellExtFiles", &TPlayerIni::ShellExtFiles},
    {"Options", "DeleteScheduleItemsOnPlay", &TPlayerIni::DeleteScheduleItemsOnPlay},
    {"Options", "CountStartTimeFor", &TPlayerIni::CountStartTimeFor},
    {"Options", "VoiceTrackEnabled", &TPlayerIni::VoiceTrackEnabled},
    {"Options", "VoiceTrackMusicLev", &TPlayerIni::VoiceTrackMusicLev},
    {"Options", "XMLExportFileName", &TPlayerIni::XMLExportFileName},
    {"Options", "bEnableExport", &TPlayerIni::bEnableExport},
    {"Options", "iExportFormat", &TPlayerIni::iExportFormat},
    {"Options", "ShowTrackNumberInReport", &TPlayerIni::ShowTrackNumberInReport},
    {"Options", "FadeSign", &TPlayerIni::FadeSign},
    {"Options", "CountTop100", &TPlayerIni::CountTop100},
    {"Options", "UID", UidField{}},
    {"Broadcast", "bEnableBroadcast", &TPlayerIni::bEnableBroadcast},
    {"Broadcast", "bPublic", &TPlayerIni::bPublic},
    {"Broadcast", "sServer", &TPlayerIni::sServer},
    {"Broadcast", "sPassword", &TPlayerIni::sPassword},
    {"Broadcast", "sStreamTitle", &TPlayerIni::sStreamTitle},
    {"Broadcast", "sStreamUrl", &TPlayerIni::sStreamUrl},
    {"Broadcast", "sStreamGenre", &TPlayerIni::sStreamGenre},
    {"Broadcast", "sStreamDescription", &TPlayerIni::sStreamDescription},
    {"Broadcast", "iFormat", &TPlayerIni::iFormat},
    {"Broadcast", "iBitrate", &TPlayerIni::iBitrate},
    {"Broadcast", "bAutoReconnect", &TPlayerIni::bAutoReconnect},
    {"Broadcast", "bUseNoSound", &TPlayerIni::bUseNoSound},
    {"Broadcast", "iTitleType", &TPlayerIni::iTitleType},
    {"Broadcast", "sTitleText", &TPlayerIni::sTitleText},
};

const KeyDef<TSystemIni> kSystemKeys[] = {
    {"Options", "Priority", &TSystemIni::Priority},
    {"Options", "Lg", &TSystemIni::Lg},
    {"Options", "LangDir", &TSystemIni::LangDir},
    {"Options", "BufferLength", &TSystemIni::BufferLength},
    {"Options", "FXTempo", &TSystemIni::FXTempo},
    {"Options", "UseLineIn", &TSystemIni::UseLineIn},
    {"Options", "NoLineFx", &TSystemIni::NoLineFx},
    {"Options", "AllowWinampPlugins", &TSystemIni::AllowWinampPlugins},
    {"Options", "DisableVisThread", &TSystemIni::DisableVisThread, false},
    {"Options", "NoMixerChannel", &TSystemIni::NoMixerChannel, false},
    {"Device", "MainDev", &TSystemIni::MainDev},
    {"Device", "SecondDev", &TSystemIni::SecondDev},
    {"Device", "RecDev", &TSystemIni::RecDev},
    {"Device", "RecSrc", &TSystemIni::RecSrc},
    {"Equalizer", "BandsNum", &TSystemIni::BandsNum},
    {"Equalizer", "Freq0", FreqField{0}},
    {"Equalizer", "Freq1", FreqField{1}},
    {"Equalizer", "Freq2", FreqField{2}},
    {"Equalizer", "Freq3", FreqField{3}},
    {"Equalizer", "Freq4", FreqField{4}},
    {"Equalizer", "Freq5", FreqField{5}},
    {"Equalizer", "Freq6", FreqField{6}},
    {"Equalizer", "Freq7", FreqField{7}},
    {"Equalizer", "Freq8", FreqField{8}},
    {"Equalizer", "Freq9", FreqField{9}},
    {"Equalizer", "Freq10", FreqField{10}},
    {"Equalizer", "Freq11", FreqField{11}},
    {"Equalizer", "Bandwidth", &TSystemIni::Bandwidth},
};

template <class... F> struct Overload : F... { using F::operator()...; };
template <class... F> Overload(F...) -> Overload<F...>;

qint32 drawUid() {
    return qint32(QRandomGenerator::system()->bounded(100000));
}

template <class Rec>
void readKeys(const IniFile& ini, const KeyDef<Rec>* keys, size_t n, Rec& rec, bool* uidDrawn) {
    for (size_t i = 0; i < n; ++i) {
        const QString s = QLatin1String(keys[i].section), k = QLatin1String(keys[i].key);
        std::visit(Overload{
                       [&](bool Rec::*f) { rec.*f = ini.readBool(s, k, rec.*f); },
                       [&](qint32 Rec::*f) { rec.*f = ini.readInt(s, k, rec.*f); },
                       [&](QString Rec::*f) { rec.*f = ini.readString(s, k, rec.*f); },
                       [&](float Rec::*f) { rec.*f = float(ini.readFloat(s, k, rec.*f)); },
                       [&](ThresholdField) {
                           if constexpr (requires { rec.Threshold; })
                               rec.Threshold = ini.readInt(s, k, 50) / 10000.0 + 0.0001;
                       },
                       [&](UidField) {
                           if constexpr (requires { rec.UID; }) {
                               const auto v = parseIniInt(ini.readString(s, k, QString()));
                               rec.UID = v ? *v : drawUid();
                               if (uidDrawn) *uidDrawn = !v;
                           }
                       },
                       [&](FreqField b) {
                           if constexpr (requires { rec.Freq; })
                               rec.Freq[b.band] = ini.readInt(s, k, rec.Freq[b.band]);
                       },
                   },
                   keys[i].field);
    }
}

template <class Rec>
void writeKeys(IniFile& ini, const KeyDef<Rec>* keys, size_t n, const Rec& rec) {
    for (size_t i = 0; i < n; ++i) {
        if (!keys[i].written) continue;
        const QString s = QLatin1String(keys[i].section), k = QLatin1String(keys[i].key);
        std::visit(Overload{
                       [&](bool Rec::*f) { ini.writeBool(s, k, rec.*f); },
                       [&](qint32 Rec::*f) { ini.writeInt(s, k, rec.*f); },
                       [&](QString Rec::*f) { ini.writeString(s, k, rec.*f); },
                       [&](float Rec::*f) { ini.writeFloat(s, k, rec.*f); },
                       [&](ThresholdField) {
                           if constexpr (requires { rec.Threshold; })
                               ini.writeInt(s, k, std::llround((rec.Threshold - 0.0001) * 10000));
                       },
                       [&](UidField) {
                           if constexpr (requires { rec.UID; }) ini.writeInt(s, k, rec.UID);
                       },
                       [&](FreqField b) {
                           if constexpr (requires { rec.Freq; })
                               ini.writeInt(s, k, rec.Freq[b.band]);
                       },
                   },
                   keys[i].field);
    }
}

} // namespace

TPlayerIni::TPlayerIni() : sServer(QSysInfo::machineHostName() + QStringLiteral(":8000")) {}

QString playerIniPath() {
    return inProgramDir(QStringLiteral("player.ini"));
}
QString systemIniPath() {
    return inProgramDir(QStringLiteral("system.ini"));
}
QString runIniPath() {
    return inProgramDir(QStringLiteral("Profile/run.ini"));
}
QString installerIniPath() {
    return inProgramDir(QStringLiteral("installer.ini"));
}

void ReadPlayerIni(TPlayerIni& rec, const QString& file, bool* uidDrawn) {
    rec = TPlayerIni();
    const IniFile ini(file);
    readKeys(ini, kPlayerKeys, std::size(kPlayerKeys), rec, uidDrawn);
}

bool WritePlayerIni(const TPlayerIni& rec, const QString& file, QString* error) {
    IniFile ini(file);
    writeKeys(ini, kPlayerKeys, std::size(kPlayerKeys), rec);
    return ini.save(error);
}

bool WritePlayerUid(qint32 uid, const QString& file, QString* error) {
    IniFile ini(file);
    ini.writeInt(QStringLiteral("Options"), QStringLiteral("UID"), uid);
    return ini.save(error);
}

QString languageDirForInstallerId(const QString& id) {
    static const QHash<QString, QString> table = {
        {"1049", "RU"}, {"1033", "EN"}, {"1058", "UA"}, {"1048", "RO"},
        {"1031", "DE"}, {"1034", "ES"}, {"2070", "PT"}, {"2074", "SR"},
        {"1040", "IT"}, {"1045", "PL"}, {"1051", "SK"}, {"1044", "NO"},
    };
    return table.value(id.trimmed(), QStringLiteral("EN"));
}

void ReadSystemIni(TSystemIni& rec, const QString& file, const QString& installerFile) {
    rec = TSystemIni();
    const IniFile ini(file);
    readKeys(ini, kSystemKeys, std::size(kSystemKeys), rec, nullptr);
    if (rec.LangDir == QLatin1String("/")) {
        // The installer records its language in a small file in the program folder. Without
        // that file or value LangDir stays "/"; an empty value means the default language.
        const IniFile installer(installerFile);
        if (auto id = installer.value(QStringLiteral("Installer"), QStringLiteral("Language")))
            rec.LangDir = languageDirForInstallerId(*id);
    }
}

bool WriteSystemIni(const TSystemIni& rec, const QString& file, QString* error) {
    IniFile ini(file);
    writeKeys(ini, kSystemKeys, std::size(kSystemKeys), rec);
    return ini.save(error);
}

QString RunIni::lastProfileName() const {
    return IniFile(file).readString(QStringLiteral("LastProfile"),
                                    QStringLiteral("LastProfileName"),
                                    inProgramDir(QStringLiteral("Profile/Default.prf")));
}

QString RunIni::lastFileName() const {
    return IniFile(file).readString(QStringLiteral("LastFile"), QStringLiteral("LastFileName"),
                                    QStringLiteral("-"));
}

bool RunIni::setLastProfileName(const QString& name, QString* error) const {
    IniFile ini(file);
    ini.writeString(QStringLiteral("LastProfile"), QStringLiteral("LastProfileName"), name);
    return ini.save(error);
}

bool RunIni::setLastFileName(const QString& name, QString* error) const {
    IniFile ini(file);
    ini.writeString(QStringLiteral("LastFile"), QStringLiteral("LastFileName"), name);
    return ini.save(error);
}

} // namespace wc
