#pragma once
// The library program's language file "Lang/<LangDir>/lang_b.ini": captions per window
// section (component name = caption), the nine list column headings and the message table.
#include <QHash>
#include <QString>
#include <QStringList>

namespace wc::base {

struct BaseLanguage {
    bool loaded = false;
    // Section ("Main.Captions", "Main.Menus", "Options.Captions", "Progress.Captions",
    // "StatFrm.Captions", "TagEdit.Captions") -> component -> caption.
    QHash<QString, QHash<QString, QString>> captions;
    // Main.ListColumns c0..c8; a missing key gives "-". Empty without a language file.
    QStringList columns;
    QHash<QString, QString> strings;
};

BaseLanguage readBaseLanguage(const QString& file);
// "Lang/<langDir>/lang_b.ini" in the program folder.
QString baseLanguagePath(const QString& langDir);
// "Lang/<langDir>/help.chm" in the program folder.
QString baseHelpPath(const QString& langDir);

// The process-wide language (empty until set) and a message by its key, the built-in text
// when the language file has none.
const BaseLanguage& baseLanguage();
void setBaseLanguage(BaseLanguage lang);
QString langString(const QString& key, const QString& builtIn);

} // namespace wc::base
