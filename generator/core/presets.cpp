#include "presets.h"

#include "common/ini.h"
#include "common/paths.h"
#include "common/playlistfile/m3u.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace wc {
namespace {

constexpr int kListPiece = 2000;

const QString S1 = QStringLiteral("Step1"), S2 = QStringLiteral("Step2"),
              S3 = QStringLiteral("Step3"), S4 = QStringLiteral("Step4"),
              S5 = QStringLiteral("Step5"), S6 = QStringLiteral("Step6");

QString listsKey(int i) {
    return i == 0 ? QStringLiteral("Lists") : QStringLiteral("Lists%1").arg(i);
}

} // namespace

GeneratorTemplate LoadPreset(const QString& fileName) {
    const IniFile ini(fileName);
    GeneratorTemplate t;
    t.type = ini.readInt(S1, "Type", 1);
    const int count = ini.readInt(S1, "Count", 1);
    // Selecting a type clears the other type's count; Count goes to the selected one.
    if (t.type == 2) {
        t.trackCount = 0;
        t.minuteCount = count;
    } else {
        t.minuteCount = 0;
        t.trackCount = count;
    }
    t.startHour = ini.readInt(S1, "StartTime", 1);
    t.isStartTime = ini.readBool(S1, "IsStartTime", false);

    t.chooseType = ini.readInt(S2, "Type", 1);
    t.dontRepeat = ini.readBool(S2, "DontRepeat", false);
    t.noRepeatArtists = ini.readBool(S2, "NoRepeatArtists", false);
    if (t.noRepeatArtists) t.dontRepeat = false; // checking one clears the other
    t.comment = ini.readString(S2, "Comment", QString());

    t.isRotation = ini.readBool(S3, "IsRotation", false);
    t.rotationType = ini.readInt(S3, "Type", 1);
    t.rotationEvery = ini.readInt(S3, "NumTrack", 1);
    t.rotationList = ini.readString(S3, "PlayList", QString());

    t.isJingles = ini.readBool(S4, "IsJingles", false);
    t.jingleEvery = ini.readInt(S4, "NumTrack", 1);
    t.jingleList = ini.readString(S4, "PlayList", QString());

    t.isClock = ini.readBool(S5, "IsClock", false);
    t.clockList = ini.readString(S5, "PlayList", QString());

    t.isAds = ini.readBool(S6, "IsAds", false);
    // The value reader keeps blanks that the writer protected with quotes, so a piece that
    // begins or ends with a blank comes back whole.
    QString joined;
    for (int i = 0;; ++i) {
        const auto v = ini.value(S6, listsKey(i));
        if (!v) break;
        joined += ini.readString(S6, listsKey(i), QString());
    }
    if (!joined.isEmpty()) {
        QStringList lines = joined.split(u'?');
        if (joined.endsWith(u'?')) lines.removeLast(); // the "?" after the last name
        t.adLists = lines;
    }
    return t;
}

GeneratorTemplate clampedTemplate(GeneratorTemplate t) {
    t.type = t.type == 2 ? 2 : 1;
    t.trackCount = std::clamp(t.trackCount, 0, 10000);
    t.minuteCount = std::clamp(t.minuteCount, 0, 1440);
    t.startHour = std::clamp(t.startHour, 0, 23);
    t.chooseType = t.chooseType == 2 ? 2 : 1;
    t.rotationType = t.rotationType == 2 ? 2 : 1;
    t.rotationEvery = std::clamp(t.rotationEvery, 1, 100);
    t.jingleEvery = std::clamp(t.jingleEvery, 1, 100);
    return t;
}

bool SavePreset(const QString& fileName, const GeneratorTemplate& t, QString* error) {
    IniFile ini(fileName);
    ini.writeInt(S1, "Type", t.type);
    ini.writeInt(S1, "Count", t.count());
    ini.writeInt(S1, "StartTime", t.startHour);
    ini.writeBool(S1, "IsStartTime", t.isStartTime);
    ini.writeInt(S2, "Type", t.chooseType);
    ini.writeBool(S2, "DontRepeat", t.dontRepeat);
    ini.writeBool(S2, "NoRepeatArtists", t.noRepeatArtists);
    ini.writeString(S2, "Comment", t.comment);
    ini.writeBool(S3, "IsRotation", t.isRotation);
    ini.writeInt(S3, "Type", t.rotationType);
    ini.writeInt(S3, "NumTrack", t.rotationEvery);
    ini.writeString(S3, "PlayList", t.rotationList);
    ini.writeBool(S4, "IsJingles", t.isJingles);
    ini.writeInt(S4, "NumTrack", t.jingleEvery);
    ini.writeString(S4, "PlayList", t.jingleList);
    ini.writeBool(S5, "IsClock", t.isClock);
    ini.writeString(S5, "PlayList", t.clockList);
    ini.writeBool(S6, "IsAds", t.isAds);

    // Continuation keys of an earlier, longer list would otherwise be read back after ours.
    static const QRegularExpression continuation(QStringLiteral("^Lists[0-9]+$"),
                                                 QRegularExpression::CaseInsensitiveOption);
    for (const QString& key : ini.keys(S6))
        if (continuation.match(key).hasMatch()) ini.deleteKey(S6, key);
    QString joined;
    for (const QString& name : t.adLists)
        joined += name + u'?';
    ini.writeString(S6, listsKey(0), joined.left(kListPiece));
    for (int i = 1; i * kListPiece < joined.size(); ++i)
        ini.writeString(S6, listsKey(i), joined.mid(qsizetype(i) * kListPiece, kListPiece));
    return ini.save(error);
}

QString presetFolder() {
    return inProgramDir(QStringLiteral("Presets/Generator/"));
}

QString defaultTemplatePath() {
    // File names compare without regard to case: take whatever spelling is there.
    const QDir dir(presetFolder());
    for (const QString& name : dir.entryList(QDir::Files))
        if (name.compare(QLatin1String("Default.prs.1"), Qt::CaseInsensitive) == 0)
            return dir.filePath(name);
    return presetFolder() + QStringLiteral("Default.prs.1");
}

QString presetPath(const QString& name) {
    return presetFolder() + stripUnsafePresetChars(name) + QStringLiteral(".prs");
}

QString presetNameFromText(const QString& text) {
    return stripUnsafePresetChars(text).trimmed();
}

QString existingPresetFile(const QString& text) {
    const QString name = presetNameFromText(text);
    if (name.isEmpty()) return {};
    const QString path = presetPath(name);
    return QFileInfo(path).isFile() ? path : QString();
}

GeneratorOptions clampedOptions(GeneratorOptions o) {
    o.minTime = std::clamp(o.minTime, 0, 5);
    o.findTime = std::clamp(o.findTime, 0, 10);
    o.tryCount = std::clamp(o.tryCount, 0, 50000);
    o.findTry = std::clamp(o.findTry, 10, 100);
    o.cfadeLen = std::clamp(o.cfadeLen, 0, 10);
    return o;
}

GeneratorOptions ReadGeneratorOptions(const QString& fileName) {
    const IniFile ini(fileName);
    const QString s = QStringLiteral("Options");
    GeneratorOptions o;
    o.minTime = ini.readInt(s, "MinTime", 2);
    o.findTime = ini.readInt(s, "FindTime", 5);
    o.tryCount = ini.readInt(s, "TryCount", 100);
    o.findTry = ini.readInt(s, "FindTry", 50);
    o.cfadeLen = ini.readInt(s, "CfadeLen", 0);
    return clampedOptions(o);
}

bool WriteGeneratorOptions(const QString& fileName, const GeneratorOptions& opts, QString* error) {
    const GeneratorOptions o = clampedOptions(opts);
    IniFile ini(fileName);
    const QString s = QStringLiteral("Options");
    ini.writeInt(s, "MinTime", o.minTime);
    ini.writeInt(s, "FindTime", o.findTime);
    ini.writeInt(s, "TryCount", o.tryCount);
    ini.writeInt(s, "FindTry", o.findTry);
    ini.writeInt(s, "CfadeLen", o.cfadeLen);
    return ini.save(error);
}

QString generatorOptionsPath() {
    return inProgramDir(QStringLiteral("Lumbra.ini"));
}

QString tryCountText(int tryCount) {
    return QString::asprintf("%.1fK", tryCount / 1000.0);
}

} // namespace wc
