#include "common/tags/id3.h"

#include "common/text.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace wc {

using namespace tags;

namespace {

QString fieldText(const char* p, int n) {
    const void* zero = std::memchr(p, 0, size_t(n));
    if (zero) n = int(static_cast<const char*>(zero) - p);
    return decodeText(p, n).trimmed();
}

} // namespace

bool TID3v1::read(const ByteSource& src) {
    reset();
    if (src.size() < 128) return false;
    char b[128];
    if (src.readAt(src.size() - 128, b, 128) != 128) return false;
    if (std::memcmp(b, "TAG", 3) != 0) return true;
    exists = true;
    title = fieldText(b + 3, 30);
    artist = fieldText(b + 33, 30);
    album = fieldText(b + 63, 30);
    year = fieldText(b + 93, 4);
    if (id3v11HasTrack(b + 97)) {
        version = 2;
        track = uint8_t(b[126]);
        comment = fieldText(b + 97, 28);
    } else {
        comment = fieldText(b + 97, 30);
    }
    genre = uint8_t(b[127]);
    return true;
}

bool TID3v1::readFromFile(const QString& fileName) {
    InFile f(fileName);
    if (!f.isOpen()) {
        reset();
        return false;
    }
    return read(f);
}

bool TID3v2::read(const ByteSource& src) {
    reset();
    uint8_t h[10];
    if (src.readAt(0, h, 10) != 10) return false;
    if (std::memcmp(h, "ID3", 3) != 0) return true;
    exists = true;
    version = h[3];
    int64_t total = int64_t(h[6]) * (1 << 21) + int64_t(h[7]) * (1 << 14) +
                    int64_t(h[8]) * (1 << 7) + int64_t(h[9]);
    total += 10;
    if (h[5] & 0x10) total += 10;
    size = total > src.size() ? 0 : int32_t(total);
    return true;
}

bool TID3v2::readFromFile(const QString& fileName) {
    InFile f(fileName);
    if (!f.isOpen()) {
        reset();
        return false;
    }
    return read(f);
}

bool readId3v1(const ByteSource& src, TrackTag& tag) {
    clearTag(tag);
    if (src.size() < 128) return false;
    uint8_t b[128];
    if (src.readAt(src.size() - 128, b, 128) != 128) return false;
    if (std::memcmp(b, "TAG", 3) != 0) return true;
    std::memcpy(&tag, b, 127);
    if (b[127] < kGenreCount) setTagText(tag, TagField::Genre, genreNames().at(b[127]));
    return true;
}

bool ReadID3v1(const QString& fileName, TrackTag& tag) {
    InFile f(fileName);
    if (!f.isOpen()) {
        clearTag(tag);
        return false;
    }
    return readId3v1(f, tag);
}

namespace {

QString systemError(const QString& fileName) {
    return QStringLiteral("%1: %2").arg(fileName, QString::fromLocal8Bit(std::strerror(errno)));
}

TagWriteResult failed(const QString& fileName) {
    return {false, systemError(fileName)};
}

// Appends a new block; on failure the file gets its old length back.
TagWriteResult appendBlock(const QString& fileName, int64_t size, const uint8_t* block) {
    if (faults::hit()) return failed(fileName);
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return failed(fileName);
    int64_t done = 0;
    bool ok = true;
    while (ok && done < 128) {
        if (faults::hit()) {
            ok = false;
            break;
        }
        // Half of the block first: a failure after it must still restore the length.
        const int64_t chunk = std::min<int64_t>(64, 128 - done);
        const ssize_t n = ::pwrite(fd, block + done, size_t(chunk), off_t(size + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            ok = false;
        else
            done += n;
    }
    if (ok && (faults::hit() || ::fsync(fd) != 0)) ok = false;
    TagWriteResult r{ok, ok ? QString() : systemError(fileName)};
    if (!ok) (void)!::ftruncate(fd, off_t(size));
    ::close(fd);
    return r;
}

TagWriteResult truncateBlock(const QString& fileName, int64_t size) {
    if (faults::hit()) return failed(fileName);
    if (::truncate(QFile::encodeName(fileName).constData(), off_t(size - 128)) != 0)
        return failed(fileName);
    return {true, {}};
}

// Rewrites the block at the end of a file that nobody else sees yet (a copy being prepared).
TagWriteResult rewriteBlock(const QString& fileName, int64_t size, const uint8_t* block) {
    if (faults::hit()) return failed(fileName);
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return failed(fileName);
    int64_t done = 0;
    while (done < 128) {
        const ssize_t n = ::pwrite(fd, block + done, size_t(128 - done), off_t(size - 128 + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const TagWriteResult r = failed(fileName);
            ::close(fd);
            return r;
        }
        done += n;
    }
    if (::close(fd) != 0) return failed(fileName);
    return {true, {}};
}

TagWriteResult writeId3v1(const QString& fileName, const TrackTag& tag, uint8_t genre,
                          bool inPlace) {
    if (!fileExists(fileName))
        return {false, QStringLiteral("Error: file %1 not found!").arg(fileName)};
    if (!makeWritable(fileName)) return {false, QStringLiteral("Access denied: %1").arg(fileName)};
    InFile in(fileName);
    if (!in.isOpen()) return failed(fileName);
    const int64_t size = in.size();
    uint8_t old[128] = {};
    bool hadTag = false;
    if (size >= 128) {
        if (in.readAt(size - 128, old, 128) != 128) return failed(fileName);
        hadTag = std::memcmp(old, "TAG", 3) == 0;
    }
    const bool wantTag = tagHasMarker(tag, "TAG");
    const auto* rec = reinterpret_cast<const uint8_t*>(&tag);
    if (wantTag && hadTag) {
        uint8_t block[128];
        std::memcpy(block, old, 128);
        struct Field {
            int offset, size;
        };
        for (const Field f : {Field{3, 30}, {33, 30}, {63, 30}, {93, 4}, {97, 30}})
            if (rec[f.offset] != 0) std::memcpy(block + f.offset, rec + f.offset, size_t(f.size));
        if (genre < kGenreCount || genre == 255) block[127] = genre;
        if (std::memcmp(block, old, 128) == 0) return {true, {}};
        if (inPlace) return rewriteBlock(fileName, size, block);
        FileReplacement out(fileName);
        if (!out.open() || !out.copyFrom(in, 0, size - 128) || !out.write(block, 128) ||
            !out.commit())
            return failed(fileName);
        return {true, {}};
    }
    if (wantTag) {
        uint8_t block[128];
        std::memcpy(block, rec, 127);
        block[127] = genre;
        return appendBlock(fileName, size, block);
    }
    if (hadTag) return truncateBlock(fileName, size);
    return {true, {}};
}

} // namespace

TagWriteResult WriteID3v1(const QString& fileName, const TrackTag& tag, uint8_t genre) {
    return writeId3v1(fileName, tag, genre, false);
}

TagWriteResult WriteID3v1InPlace(const QString& fileName, const TrackTag& tag, uint8_t genre) {
    return writeId3v1(fileName, tag, genre, true);
}

} // namespace wc
