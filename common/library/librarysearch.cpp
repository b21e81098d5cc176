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

namespace {

// The raw text of a field, appended to out (the time as "mm:ss", "??:??" for no length).
void appendField(QString& out, const TBaseEntry& e, int field) {
    switch (field) {
    case SearchTitle:
        out += e.title;
        break;
    case SearchArtist:
        out += e.artist;
        break;
    case SearchAlbum:
        out += e.album;
        break;
    case SearchYear:
        out += e.year;
        break;
    case SearchGenre:
        out += e.genre;
        break;
    case SearchComment:
        out += e.comment;
        break;
    case SearchTime: {
        if (e.durationMs == 0) {
            out += QLatin1String("??:??");
            break;
        }
        const quint32 s = e.durationMs / 1000, m = s / 60, r = s % 60;
        if (m < 10) out += QLatin1Char('0');
        out += QString::number(m);
        out += QLatin1Char(':');
        out += QLatin1Char(char('0' + r / 10));
        out += QLatin1Char(char('0' + r % 10));
        break;
    }
    case SearchFileName:
        out += e.fileName;
        break;
    default:
        break;
    }
}

bool hasExpandingFold(const QString& s) {
    for (QChar c : s) {
        const char16_t u = c.unicode();
        if (u == 0x00DF || u == 0x1E9E || u == 0xFB00 || u == 0xFB01 || u == 0xFB02 ||
            u == 0xFB05 || u == 0xFB06)
            return true;
    }
    return false;
}

} // namespace

FoldedTexts::FoldedTexts(const TBaseEntryArr& records, int field) {
    // All texts are laid out one after another and folded in one go: Qt's folding maps each
    // character on its own, so the folded buffer keeps every record's place. Only when a
    // character folds into two (sharp s, ligatures) is each record folded by itself.
    start_.reserve(records.size() + 1);
    qsizetype total = 0;
    if (field != SearchTime)
        for (const auto& e : records) {
            QString probe;
            appendField(probe, e, field); // shares the record's text: no copy
            total += probe.size();
        }
    text_.reserve(field == SearchTime ? qsizetype(records.size()) * 6 : total);
    for (const auto& e : records) {
        start_.push_back(quint32(text_.size()));
        appendField(text_, e, field);
    }
    start_.push_back(quint32(text_.size()));
    // Plain ASCII is folded here; any other character sends the whole text through Qt.
    bool ascii = true;
    for (QChar& c : text_) {
        const char16_t u = c.unicode();
        if (u >= 0x80) {
            ascii = false;
            break;
        }
        if (u >= 'A' && u <= 'Z') c = QChar(char16_t(u + 32));
    }
    if (!ascii) text_ = std::move(text_).toCaseFolded();
    if (hasExpandingFold(text_)) {
        text_.clear();
        start_.clear();
        for (const auto& e : records) {
            start_.push_back(quint32(text_.size()));
            text_ += foldedFieldText(e, field);
        }
        start_.push_back(quint32(text_.size()));
    }
    text_.squeeze();
}

void FoldedTexts::matches(const QString& foldedNeedle, int from, int to,
                          std::vector<int>& out) const {
    for (int i = from; i < to; ++i)
        if (contains(i, foldedNeedle)) out.push_back(i);
}

} // namespace wc
