#pragma once
// The built-in texts of the library program's message table (language files replace them).
#include <QString>

namespace wc::base::str {

inline QString addTracks() {
    return QStringLiteral("Добавление треков...");
}
inline QString scanFolders() {
    return QStringLiteral("Сканирование папок...");
}
inline QString readTags() {
    return QStringLiteral("Чтение тегов...");
}
inline QString countTime() {
    return QStringLiteral("Подсчет времени...");
}
inline QString askDelFile() {
    return QStringLiteral("Удалить файл?");
}
inline QString askSaveBase() {
    return QStringLiteral("База не сохранена! Сохранить?");
}
inline QString askCheckBase() {
    return QStringLiteral("Эта операция удалит из базы информацию о файлах, которых больше нет "
                          "на диске. Продолжить?");
}
inline QString recordsRemoved() {
    return QStringLiteral(" записей было удалено");
}

} // namespace wc::base::str
