#include "common/library/librarysearch.h"

#include "common/tags/tracktag.h"

#include <utility>

namespace wc {

QString foldForSearch(const QString& text) {
    QString s = text.toCaseFolded();
    // Qt folds one character to one; the full folding also expands these. The string is read
    // through a const view, so a text that folds to itself stays shared with the record.
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = std::as_const(s)[i].unicode();
        if (c < 0xDF) continue;
        const char* with = nullptr;
        switch (c) {
        case 0x00DF:
        case 0x1E9E:
            with = "ss";
            break;
        case 0xFB00:
            with = "ff";
            break;
        case 0xFB01:
            with = "fi";
            break;
        case 0xFB02:
            with = "fl";
            break;
        case 0xFB05:
        case 0xFB06:
            with = "st";
            break;
        default:
            break;
        }
        if (with) {
            s.replace(i, 1, QLatin1String(with));
            ++i;
        }
    }
    return s;
}

QString foldedFieldText(const TBaseEntry& e, int field) {
    switch (field) {
    case SearchTitle:
        return foldForSearch(e.title);
    case SearchArtist:
        return foldForSearch(e.artist);
    case SearchAlbum:
        return foldForSearch(e.album);
    case SearchYear:
        return foldForSearch(e.year);
    case SearchGenre:
        return foldForSearch(e.genre);
    case SearchComment:
        return foldForSearch(e.comment);
    case SearchTime:
        return FormatMinSec(e.durationMs);
    case SearchFileName:
        return foldForSearch(e.fileName);
    default:
        return QString();
    }
}

FoldedTexts::FoldedTexts(const TBaseEntryArr& records, int field) {
    start_.reserve(records.size() + 1);
    for (const auto& e : records) {
        start_.push_back(quint32(text_.size()));
        text_ += foldedFieldText(e, field);
    }
    start_.push_back(quint32(text_.size()));
    text_.squeeze();
}

void FoldedTexts::matches(const QString& foldedNeedle, int from, int to,
                          std::vector<int>& out) const {
    for (int i = from; i < to; ++i)
        if (contains(i, foldedNeedle)) out.push_back(i);
}

} // namespace wc
