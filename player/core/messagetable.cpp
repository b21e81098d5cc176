#include "player/core/messagetable.h"

namespace wc {

PlayerMessageTable::PlayerMessageTable() {
    texts_ = {
        QString::fromUtf8("Ошибка: генератор не запущен!"),
        QString::fromUtf8("Сохранить текущий плейлист?"),
        QString::fromUtf8("Ошибка: база не запущена! Функция поиска в базе будет недоступна."),
        QString::fromUtf8("Треков"),
        QString::fromUtf8("Больше ничего не найдено!"),
        QString::fromUtf8("Детектор тишины"),
        QString::fromUtf8("Приоритет"),
        QString::fromUtf8("Bкл"),
        QString::fromUtf8("Bыкл"),
        QString::fromUtf8("Настройки вступят в силу после перезапуска программы"),
        QString::fromUtf8("Внимание! Удалятся файлы с диска. Продолжить?"),
        QString(),
        QString::fromUtf8("Ошибка: не введено имя файла или команды!"),
        QString::fromUtf8("Ошибка: плейлист не может быть запущен поверх эфира!"),
    };
}

const QString& PlayerMessageTable::text(int n) const {
    static const QString empty;
    return n >= 0 && n < kSize ? texts_[n] : empty;
}

void PlayerMessageTable::setText(int n, const QString& text) {
    if (n >= 0 && n < kSize) texts_[n] = text;
}

} // namespace wc
