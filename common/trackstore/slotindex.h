#pragma once
// The name-to-slot index of the in-memory store: an open-addressing table of slot numbers
// whose keys are read from the file image itself, so building it for 100,000 records
// allocates nothing per record. Names that are not their own key (upper case or
// Windows-1251 bytes from older installations) keep their key on the side.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <vector>

namespace wc {

// The key of a caller's name (see trackKey) without allocating for ASCII names: those are
// lower-cased into buf (at least 255 bytes); other names are keyed into *spill.
QByteArrayView nameKey(const QString& name, char* buf, QByteArray* spill);

class SlotIndex {
public:
    // Indexes every record of image (whole 368-byte records); the first slot of a key wins.
    void rebuild(QByteArrayView image);
    // The image grew by one record at its end.
    void appended(QByteArrayView image);
    void clear();
    // The first slot holding key, or -1.
    int find(QByteArrayView image, QByteArrayView key) const;
    // The key of the record at rec.
    static QByteArray keyOf(const char* rec);

private:
    QByteArrayView keyAt(QByteArrayView image, int slot) const;
    void insert(QByteArrayView image, int slot);
    void grow(QByteArrayView image);

    struct Entry {
        qint32 slot = -1; // -1: free
        quint32 hash = 0; // compared before the key, so probes rarely touch other records
    };
    std::vector<Entry> table_; // size a power of two
    size_t mask_ = 0;
    int count_ = 0;           // slots indexed
    std::vector<qint32> alt_; // per slot: -1, or the position of its key in altKeys_
    std::vector<QByteArray> altKeys_;
};

} // namespace wc
