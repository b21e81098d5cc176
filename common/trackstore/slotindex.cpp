#include "common/trackstore/slotindex.h"

#include "common/text.h"
#include "common/trackstore/trackstore.h"

#include <QHashFunctions>
#include <QString>
#include <algorithm>

namespace wc {

namespace {

// Plain names are lower-case ASCII: their bytes are their key.
bool isPlain(const char* rec) {
    const int n = static_cast<unsigned char>(rec[0]);
    for (int i = 1; i <= n; ++i) {
        const auto c = static_cast<unsigned char>(rec[i]);
        if (c >= 0x80 || (c >= 'A' && c <= 'Z')) return false;
    }
    return true;
}

size_t hashOf(QByteArrayView key) {
    return qHashBits(key.data(), size_t(key.size()), 0);
}

} // namespace

QByteArrayView nameKey(const QString& name, char* buf, QByteArray* spill) {
    // Only the first 255 characters can reach the key when they are all ASCII.
    const qsizetype n = std::min<qsizetype>(name.size(), kTrackNameCapacity);
    const QChar* c = name.constData();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = c[i].unicode();
        if (u >= 0x80) {
            *spill = trackKey(name);
            return QByteArrayView(*spill);
        }
        buf[i] = char(u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u);
    }
    return QByteArrayView(buf, n);
}

QByteArray SlotIndex::keyOf(const char* rec) {
    const int n = static_cast<unsigned char>(rec[0]);
    const char* s = rec + 1;
    if (isPlain(rec)) return QByteArray(s, n);
    return trackKey(isValidUtf8(s, n) ? QString::fromUtf8(s, n) : fromCp1251(s, n));
}

QByteArrayView SlotIndex::keyAt(QByteArrayView image, int slot) const {
    const qint32 alt = alt_[size_t(slot)];
    if (alt >= 0) return QByteArrayView(altKeys_[size_t(alt)]);
    const char* rec = image.constData() + qsizetype(slot) * kTrackRecordSize;
    return QByteArrayView(rec + 1, static_cast<unsigned char>(rec[0]));
}

void SlotIndex::insert(QByteArrayView image, int slot) {
    const char* rec = image.constData() + qsizetype(slot) * kTrackRecordSize;
    if (isPlain(rec)) {
        alt_.push_back(-1);
    } else {
        alt_.push_back(qint32(altKeys_.size()));
        altKeys_.push_back(keyOf(rec));
    }
    ++count_;
    const QByteArrayView key = keyAt(image, slot);
    const size_t h = hashOf(key);
    for (size_t p = h & mask_;; p = (p + 1) & mask_) {
        Entry& e = table_[p];
        if (e.slot < 0) {
            e.slot = slot;
            e.hash = quint32(h);
            return;
        }
        // An earlier slot holds this name: it stays the one found.
        if (e.hash == quint32(h) && keyAt(image, e.slot) == key) return;
    }
}

void SlotIndex::rebuild(QByteArrayView image) {
    const int n = int(image.size() / kTrackRecordSize);
    size_t size = 16;
    while (size < size_t(n) * 2 + 2)
        size *= 2;
    table_.assign(size, Entry{});
    mask_ = size - 1;
    count_ = 0;
    alt_.clear();
    alt_.reserve(size_t(n));
    altKeys_.clear();
    for (int i = 0; i < n; ++i)
        insert(image, i);
}

void SlotIndex::appended(QByteArrayView image) {
    const int n = int(image.size() / kTrackRecordSize);
    if (n != count_ + 1 || size_t(n) * 2 + 2 > table_.size()) {
        rebuild(image);
        return;
    }
    insert(image, n - 1);
}

void SlotIndex::clear() {
    table_.clear();
    mask_ = 0;
    count_ = 0;
    alt_.clear();
    altKeys_.clear();
}

int SlotIndex::find(QByteArrayView image, QByteArrayView key) const {
    if (table_.empty()) return -1;
    const size_t h = hashOf(key);
    for (size_t p = h & mask_;; p = (p + 1) & mask_) {
        const Entry& e = table_[p];
        if (e.slot < 0) return -1;
        if (e.hash == quint32(h) && keyAt(image, e.slot) == key) return e.slot;
    }
}

} // namespace wc
