#include "baselanguage.h"

#include "common/ini.h"
#include "common/paths.h"

#include <QFileInfo>

namespace wc::base {

namespace {
BaseLanguage& current() {
    static BaseLanguage lang;
    return lang;
}
} // namespace

BaseLanguage readBaseLanguage(const QString& file) {
    BaseLanguage lang;
    if (file.isEmpty() || !QFileInfo(file).isFile()) return lang;
    const IniFile ini(file);
    lang.loaded = true;
    for (const char* section : {"Main.Captions", "Main.Menus", "Options.Captions",
                                "Progress.Captions", "StatFrm.Captions", "TagEdit.Captions"}) {
        QHash<QString, QString>& map = lang.captions[QString::fromLatin1(section)];
        for (const QString& key : ini.keys(QString::fromLatin1(section)))
            map.insert(key, ini.readString(QString::fromLatin1(section), key, QString()));
    }
    for (int i = 0; i < 9; ++i)
        lang.columns << ini.readString("Main.ListColumns", QStringLiteral("c%1").arg(i), "-");
    for (const QString& key : ini.keys("Strings"))
        lang.strings.insert(key, ini.readString("Strings", key, QString()));
    return lang;
}

QString baseLanguagePath(const QString& langDir) {
    if (langDir.isEmpty() || langDir == QLatin1String("/")) return QString();
    return inProgramDir(QStringLiteral("Lang/%1/lang_b.ini").arg(langDir));
}

QString baseHelpPath(const QString& langDir) {
    return inProgramDir(QStringLiteral("Lang/%1/help.chm").arg(langDir));
}

const BaseLanguage& baseLanguage() {
    return current();
}
void setBaseLanguage(BaseLanguage lang) {
    current() = std::move(lang);
}

QString langString(const QString& key, const QString& builtIn) {
    const auto& s = current().strings;
    const auto it = s.constFind(key);
    return it == s.constEnd() ? builtIn : it.value();
}

} // namespace wc::base
