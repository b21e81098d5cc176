#pragma once
// The memory of the in-memory store: whole records in file order. Large images live in
// 2 MB-aligned anonymous mappings marked for transparent huge pages, so reading a store of
// 100,000 records (37 MB) does not pay one page fault per 4 KB.
#include <QByteArrayView>
#include <cstddef>

namespace wc {

class RecordBuffer {
public:
    RecordBuffer() = default;
    ~RecordBuffer();
    RecordBuffer(RecordBuffer&& other) noexcept;
    RecordBuffer& operator=(RecordBuffer&& other) noexcept;
    RecordBuffer(const RecordBuffer&) = delete;
    RecordBuffer& operator=(const RecordBuffer&) = delete;

    explicit RecordBuffer(QByteArrayView bytes);
    RecordBuffer clone() const { return RecordBuffer(view()); }

    char* data() { return data_; }
    const char* constData() const { return data_; }
    qsizetype size() const { return qsizetype(size_); }
    QByteArrayView view() const { return QByteArrayView(data_, qsizetype(size_)); }

    // New bytes are uninitialised. False (contents unchanged) when memory runs out.
    bool resize(qsizetype size);
    bool append(const char* bytes, qsizetype n);
    // Removes n bytes at offset, moving what follows down.
    void remove(qsizetype offset, qsizetype n);
    void clear() { size_ = 0; }

private:
    bool reserve(size_t capacity);
    void release();

    char* map_ = nullptr; // the mapping (data_ is aligned inside it)
    size_t mapLength_ = 0;
    char* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

} // namespace wc
