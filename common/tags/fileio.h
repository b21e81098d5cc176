#pragma once
// File access shared by the tag readers and writers: a read-only file read by position
// (each call opens its own, so readers share nothing between threads), little- and
// big-endian fields, and the replacement of a file through a temporary file.
#include <QByteArray>
#include <QString>

#include <cstdint>

namespace wc::tags {

inline uint16_t le16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
inline uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint64_t le64(const uint8_t* p) {
    return le32(p) | uint64_t(le32(p + 4)) << 32;
}
inline uint32_t be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}
inline void putLe16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void putLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}
inline void putLe64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i)
        p[i] = uint8_t(v >> (8 * i));
}
inline const uint8_t* bytesOf(const QByteArray& b) {
    return reinterpret_cast<const uint8_t*>(b.constData());
}

// Bytes read by position: a file, or memory (tests and fuzzing).
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual int64_t size() const = 0;
    // Reads up to len bytes at pos into buf; returns the count read (short at the end), or
    // -1 on an I/O error.
    virtual int64_t readAt(int64_t pos, void* buf, int64_t len) const = 0;
    // The bytes at pos, at most len; empty and *ok false on an I/O error.
    QByteArray bytesAt(int64_t pos, int64_t len, bool* ok = nullptr) const;
};

class MemorySource : public ByteSource {
public:
    MemorySource(const void* data, int64_t size)
        : data_(static_cast<const char*>(data)), size_(size) {}
    int64_t size() const override { return size_; }
    int64_t readAt(int64_t pos, void* buf, int64_t len) const override;

private:
    const char* data_;
    int64_t size_;
};

// A file opened read-only for the life of the object.
class InFile : public ByteSource {
public:
    explicit InFile(const QString& name);
    ~InFile() override;
    InFile(const InFile&) = delete;
    InFile& operator=(const InFile&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    int64_t size() const override { return size_; }
    int64_t readAt(int64_t pos, void* buf, int64_t len) const override;

private:
    int fd_ = -1;
    int64_t size_ = 0;
};

bool fileExists(const QString& name);

// Makes a file writable by its owner when it is not; false when that is refused.
bool makeWritable(const QString& name);

// Writes the new version of a file into a temporary file in the same folder and renames it
// over the original, with the original's mode (and, where allowed, owner). Until commit()
// succeeds the original is untouched; a replacement that is dropped removes its temporary.
class FileReplacement {
public:
    explicit FileReplacement(const QString& target);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    bool open();
    bool write(const void* data, int64_t len);
    bool write(const QByteArray& b) { return write(b.constData(), b.size()); }
    // Copies len bytes of src starting at pos; false when fewer could be read or written.
    bool copyFrom(const ByteSource& src, int64_t pos, int64_t len);
    bool commit();
    // The temporary file's path (encoded), for writers that edit the copy by name between
    // open() and commit().
    const QByteArray& tempPath() const { return temp_; }

private:
    QByteArray target_;
    QByteArray temp_;
    int fd_ = -1;
    bool committed_ = false;
};

// A seam for tests: makes the n-th step (1-based) of the file writes on this thread fail,
// as a full disk or a crash at that point would. 0 turns it off. steps() counts the steps
// taken since the last call to failStep().
namespace faults {
void failStep(int n);
int steps();
bool hit(); // called by every step of a write; true when this step is to fail
} // namespace faults

} // namespace wc::tags
