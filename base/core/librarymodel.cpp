#include "librarymodel.h"

#include "common/tags/tracktag.h"

#include <QCollator>
#include <algorithm>
#include <utility>

namespace wc::base {

bool SearchQuery::empty() const {
    return std::all_of(fields.begin(), fields.end(), [](const QString& f) { return f.isEmpty(); });
}

QString sizeText(quint32 size) {
    if (size > 1000000) return QString::asprintf("%.2f MB", size / 1024.0 / 1024.0);
    if (size > 1000) return QString::asprintf("%.2f KB", size / 1024.0);
    return QString();
}

QString columnText(const TBaseEntry& e, int column) {
    switch (column) {
    case ColArtist:
        return e.artist;
    case ColTitle:
        return e.title;
    case ColAlbum:
        return e.album;
    case ColYear:
        return e.year;
    case ColGenre:
        return e.genre;
    case ColComment:
        return e.comment;
    case ColTime:
        return FormatMinSec(e.durationMs);
    case ColFileName:
        return e.fileName;
    case ColSize:
        return sizeText(e.fileSize);
    default:
        return QString();
    }
}

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
            with = "ss";
            break;
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

namespace {

QString foldField(const TBaseEntry& e, int field) {
    switch (field) {
    case FindTitle:
        return foldForSearch(e.title);
    case FindArtist:
        return foldForSearch(e.artist);
    case FindAlbum:
        return foldForSearch(e.album);
    case FindYear:
        return foldForSearch(e.year);
    case FindGenre:
        return foldForSearch(e.genre);
    case FindComment:
        return foldForSearch(e.comment);
    case FindTime:
        return FormatMinSec(e.durationMs);
    case FindFileName:
        return foldForSearch(e.fileName);
    default:
        return QString();
    }
}

} // namespace

LibraryModel::LibraryModel() = default;
LibraryModel::~LibraryModel() = default;

void LibraryModel::invalidateCaches() {
    dropFolded();
    for (auto& k : keys_)
        k.reset();
}

void LibraryModel::changed() {
    ++generation_;
    store_.setModified(true);
}

bool LibraryModel::load(const QString& fileName, QString* error) {
    if (jobActive_) {
        if (error) *error = QStringLiteral("a job is running");
        return false;
    }
    if (!store_.LoadLibrary(fileName, error)) return false;
    lengthPending_.clear();
    pendingCount_ = 0;
    ++generation_;
    invalidateCaches();
    reset();
    return true;
}

bool LibraryModel::save(const QString& fileName, QString* error) {
    return store_.SaveLibrary(fileName, error);
}

void LibraryModel::append(TBaseEntry entry) {
    auto& list = store_.LibraryList();
    dropFolded();
    list.push_back(std::move(entry));
    if (!lengthPending_.empty()) lengthPending_.push_back(0);
    for (auto& k : keys_)
        k.reset();
    view_.push_back(int(list.size()) - 1);
    changed();
}

bool LibraryModel::update(int pos, const TBaseEntry& entry) {
    auto& list = store_.LibraryList();
    if (pos < 0 || size_t(pos) >= list.size() || list[size_t(pos)] == entry) return false;
    list[size_t(pos)] = entry;
    dropFolded();
    for (auto& k : keys_)
        k.reset();
    changed();
    return true;
}

bool LibraryModel::setDuration(int pos, quint32 ms) {
    auto& list = store_.LibraryList();
    if (pos < 0 || size_t(pos) >= list.size() || list[size_t(pos)].durationMs == ms) return false;
    list[size_t(pos)].durationMs = ms;
    folded_[FindTime].valid = false;
    changed();
    return true;
}

bool LibraryModel::remove(std::vector<int> positions) {
    if (jobActive_) return false;
    auto& list = store_.LibraryList();
    const int n = int(list.size());
    std::vector<int> newPos(size_t(n), 0);
    int removed = 0;
    for (int p : positions)
        if (p >= 0 && p < n && newPos[size_t(p)] == 0) {
            newPos[size_t(p)] = -1;
            ++removed;
        }
    if (removed == 0) return true;
    // One pass: each kept record moves down by the number of removed records before it.
    int out = 0;
    for (int i = 0; i < n; ++i) {
        if (newPos[size_t(i)] < 0) continue;
        newPos[size_t(i)] = out;
        if (out != i) {
            list[size_t(out)] = std::move(list[size_t(i)]);
            if (!lengthPending_.empty()) lengthPending_[size_t(out)] = lengthPending_[size_t(i)];
        }
        ++out;
    }
    list.resize(size_t(out));
    if (!lengthPending_.empty()) {
        lengthPending_.resize(size_t(out));
        pendingCount_ = int(std::count(lengthPending_.begin(), lengthPending_.end(), 1));
        if (pendingCount_ == 0) lengthPending_.clear();
    }
    dropFolded();
    for (auto& k : keys_)
        k.reset();
    std::vector<int> view;
    view.reserve(view_.size());
    for (int p : view_)
        if (newPos[size_t(p)] >= 0) view.push_back(newPos[size_t(p)]);
    view_ = std::move(view);
    changed();
    if (searchShown_ && lastQuery_) search(*lastQuery_);
    return true;
}

bool LibraryModel::clear() {
    if (jobActive_) return false;
    const bool had = !store_.LibraryList().empty();
    store_.LibraryList().clear();
    lengthPending_.clear();
    pendingCount_ = 0;
    invalidateCaches();
    view_.clear();
    if (had) changed();
    reset();
    return true;
}

void LibraryModel::markLengthPending(const std::vector<int>& positions) {
    const int n = count();
    for (int p : positions) {
        if (p < 0 || p >= n) continue;
        if (lengthPending_.empty()) lengthPending_.assign(size_t(n), 0);
        if (!lengthPending_[size_t(p)]) {
            lengthPending_[size_t(p)] = 1;
            ++pendingCount_;
        }
    }
}

void LibraryModel::clearLengthPending(int pos) {
    if (!lengthPending(pos)) return;
    lengthPending_[size_t(pos)] = 0;
    if (--pendingCount_ == 0) lengthPending_.clear();
}

std::vector<int> LibraryModel::pendingLengths() const {
    std::vector<int> out;
    if (pendingCount_ == 0) return out;
    out.reserve(size_t(pendingCount_));
    std::vector<char> taken(lengthPending_.size(), 0);
    for (int p : view_)
        if (lengthPending(p) && !taken[size_t(p)]) {
            taken[size_t(p)] = 1;
            out.push_back(p);
        }
    for (size_t p = 0; p < lengthPending_.size(); ++p)
        if (lengthPending_[p] && !taken[p]) out.push_back(int(p));
    return out;
}

void LibraryModel::dropFolded() {
    for (auto& f : folded_)
        if (f.valid) {
            f.valid = false;
            f.text.clear();
            f.start.clear();
        }
}

const LibraryModel::FoldedField& LibraryModel::folded(int field) const {
    FoldedField& f = folded_[size_t(field)];
    if (!f.valid) {
        const auto& list = store_.LibraryList();
        f.text.clear();
        f.start.clear();
        f.start.reserve(list.size() + 1);
        for (const auto& e : list) {
            f.start.push_back(quint32(f.text.size()));
            f.text += foldField(e, field);
        }
        f.start.push_back(quint32(f.text.size()));
        f.text.squeeze();
        f.valid = true;
    }
    return f;
}

void LibraryModel::search(const SearchQuery& query) {
    lastQuery_ = query;
    searchShown_ = true;
    view_.clear();
    std::array<QString, kSearchFieldCount> needles;
    std::vector<int> active;
    for (int f = 0; f < kSearchFieldCount; ++f) {
        needles[size_t(f)] = foldForSearch(query.fields[size_t(f)]);
        if (!needles[size_t(f)].isEmpty()) active.push_back(f);
    }
    const int n = count();
    if (active.empty()) {
        view_.resize(size_t(n));
        for (int i = 0; i < n; ++i)
            view_[size_t(i)] = i;
        return;
    }
    std::vector<const FoldedField*> texts;
    for (int f : active)
        texts.push_back(&folded(f));
    for (int i = 0; i < n; ++i) {
        bool match = true;
        for (size_t k = 0; k < active.size() && match; ++k) {
            const FoldedField& t = *texts[k];
            const qsizetype from = t.start[size_t(i)], to = t.start[size_t(i) + 1];
            match =
                QStringView(t.text).sliced(from, to - from).contains(needles[size_t(active[k])]);
        }
        if (match) view_.push_back(i);
    }
}

void LibraryModel::reset() {
    searchShown_ = false;
    lastQuery_.reset();
    const int n = count();
    view_.resize(size_t(n));
    for (int i = 0; i < n; ++i)
        view_[size_t(i)] = i;
}

const std::vector<QCollatorSortKey>& LibraryModel::sortKeys(int column) const {
    auto& slot = keys_[size_t(column)];
    if (!slot) {
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        auto keys = std::make_unique<std::vector<QCollatorSortKey>>();
        const auto& list = store_.LibraryList();
        keys->reserve(list.size());
        for (const auto& e : list)
            keys->push_back(collator.sortKey(columnText(e, column)));
        slot = std::move(keys);
    }
    return *slot;
}

bool LibraryModel::sortBy(int column) {
    if (column < 0 || column >= ColSize) return false;
    reset();
    direction_ = -direction_;
    const int dir = direction_;
    const auto& list = store_.LibraryList();
    if (column == ColTime) {
        std::stable_sort(view_.begin(), view_.end(), [&](int a, int b) {
            const quint32 da = list[size_t(a)].durationMs, db = list[size_t(b)].durationMs;
            return dir > 0 ? da < db : da > db;
        });
        return true;
    }
    const auto& keys = sortKeys(column);
    std::stable_sort(view_.begin(), view_.end(), [&](int a, int b) {
        const int c = keys[size_t(a)].compare(keys[size_t(b)]);
        return dir > 0 ? c < 0 : c > 0;
    });
    return true;
}

} // namespace wc::base
