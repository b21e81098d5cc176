#pragma once
// The built-in texts of the library program's message table (language files replace them).
#include "base/core/baselanguage.h"

#include <QString>

namespace wc::base::str {

inline QString addTracks() {
    return langString(QStringLiteral("_p_addtracks"), QStringLiteral("Добавление треков..."));
}
inline QString scanFolders() {
    return langString(QStringLiteral("_p_scanfolders"), QStringLiteral("Сканирование папок..."));
}
inline QString readTags() {
    return langString(QStringLiteral("_p_readtags"), QStringLiteral("Чтение тегов..."));
}
inline QString countTime() {
    return langString(QStringLiteral("_p_counttime"), QStringLiteral("Подсчет времени..."));
}
inline QString askDelFile() {
    return langString(QStringLiteral("_ask_delfile"), QStringLiteral("Удалить файл?"));
}
inline QString askSaveBase() {
    return langString(QStringLiteral("_ask_savebase"),
                      QStringLiteral("База не сохранена! Сохранить?"));
}
inline QString askCheckBase() {
    return langString(
        QStringLiteral("_ask_checkbase"),
        QStringLiteral("Эта операция удалит из базы информацию о файлах, которых больше нет "
                       "на диске. Продолжить?"));
}
// Appended to a number; a leading "." of a translated text is dropped.
inline QString recordsRemoved() {
    QString s = langString(QStringLiteral("_str1"), QStringLiteral(" записей было удалено"));
    if (s.startsWith(QLatin1Char('.'))) s.remove(0, 1);
    return s;
}

} // namespace wc::base::str
