#include "libraryfile.h"

#include "common/atomicfile.h"
#include "common/log.h"
#include "common/text.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <cstring>

namespace wc {
namespace {

struct Field {
    int offset;
    int capacity;
};
constexpr Field kTitle{1, kTitleCapacity};
constexpr Field kArtist{52, kArtistCapacity};
constexpr Field kAlbum{103, kAlbumCapacity};
constexpr Field kYear{154, kYearCapacity};
constexpr Field kComment{159, kCommentCapacity};
constexpr Field kGenre{190, kGenreCapacity};
constexpr Field kFileName{221, kFileNameCapacity};
constexpr int kDurationOffset = 480;
constexpr int kFileSizeOffset = 484;
static_assert(kFileName.offset + 1 + kFileName.capacity == 477);

void putString(unsigned char* rec, Field f, const QString& text) {
    // Most fields are plain ASCII that fits: written as they are, without a conversion. One
    // pass narrows the characters and gathers their bits; a field that was not ASCII after all
    // is written again below (and its bytes after the length are cleared).
    if (text.size() <= f.capacity) {
        const ushort* u = text.utf16();
        const qsizetype n = text.size();
        unsigned char* out = rec + f.offset + 1;
        ushort bits = 0;
        for (qsizetype i = 0; i < n; ++i) {
            bits |= u[i];
            out[i] = static_cast<unsigned char>(u[i]);
        }
        if (bits < 0x80) {
            rec[f.offset] = static_cast<unsigned char>(n);
            return;
        }
        std::memset(out, 0, size_t(n));
    }
    const QByteArray bytes = utf8Truncated(text, f.capacity);
    rec[f.offset] = static_cast<unsigned char>(bytes.size());
    std::memcpy(rec + f.offset + 1, bytes.constData(), size_t(bytes.size()));
}

QString getString(const unsigned char* rec, Field f) {
    int len = rec[f.offset];
    if (len > f.capacity) len = f.capacity;
    // UTF-8 when valid, else the legacy code page. Unlike text files, a field keeps a leading
    // U+FEFF, so that reading what was written gives back the same text.
    const unsigned char* p = rec + f.offset + 1;
    if (len == 0) return QString();
    bool ascii = true;
    for (int i = 0; i < len && ascii; ++i)
        ascii = p[i] < 0x80;
    const char* c = reinterpret_cast<const char*>(p);
    if (ascii) return QString::fromLatin1(c, len); // most fields: no decoding needed
    if (!isValidUtf8(c, len)) return fromCp1251(c, len);
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return utf8.decode(QByteArrayView(c, len));
}

void putU32(unsigned char* rec, int offset, quint32 v) {
    rec[offset] = static_cast<unsigned char>(v);
    rec[offset + 1] = static_cast<unsigned char>(v >> 8);
    rec[offset + 2] = static_cast<unsigned char>(v >> 16);
    rec[offset + 3] = static_cast<unsigned char>(v >> 24);
}

quint32 getU32(const unsigned char* rec, int offset) {
    return quint32(rec[offset]) | quint32(rec[offset + 1]) << 8 | quint32(rec[offset + 2]) << 16 |
           quint32(rec[offset + 3]) << 24;
}

} // namespace

void encodeBaseEntry(const TBaseEntry& e, unsigned char* out) {
    std::memset(out, 0, kBaseEntrySize);
    putString(out, kTitle, e.title);
    putString(out, kArtist, e.artist);
    putString(out, kAlbum, e.album);
    putString(out, kYear, e.year);
    putString(out, kComment, e.comment);
    putString(out, kGenre, e.genre);
    putString(out, kFileName, e.fileName);
    putU32(out, kDurationOffset, e.durationMs);
    putU32(out, kFileSizeOffset, e.fileSize);
}

TBaseEntry decodeBaseEntry(const unsigned char* in) {
    TBaseEntry e;
    e.title = getString(in, kTitle);
    e.artist = getString(in, kArtist);
    e.album = getString(in, kAlbum);
    e.year = getString(in, kYear);
    e.comment = getString(in, kComment);
    e.genre = getString(in, kGenre);
    e.fileName = getString(in, kFileName);
    e.durationMs = getU32(in, kDurationOffset);
    e.fileSize = getU32(in, kFileSizeOffset);
    return e;
}

QByteArray encodeLibrary(const TBaseEntryArr& entries) {
    QByteArray bytes(qsizetype(entries.size()) * kBaseEntrySize, Qt::Uninitialized);
    auto* p = reinterpret_cast<unsigned char*>(bytes.data());
    for (const TBaseEntry& e : entries) {
        encodeBaseEntry(e, p);
        p += kBaseEntrySize;
    }
    return bytes;
}

TBaseEntryArr decodeLibrary(const QByteArray& bytes) {
    const qsizetype count = bytes.size() / kBaseEntrySize;
    TBaseEntryArr entries;
    entries.reserve(size_t(count));
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    for (qsizetype i = 0; i < count; ++i, p += kBaseEntrySize)
        entries.push_back(decodeBaseEntry(p));
    return entries;
}

TBaseEntryArr readLibraryFile(const QString& fileName, LibraryReadStatus* status, QString* error) {
    auto set = [&](LibraryReadStatus s) {
        if (status) *status = s;
    };
    if (fileName.isEmpty() || !QFileInfo::exists(fileName)) {
        set(LibraryReadStatus::Missing);
        return {};
    }
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) {
        set(LibraryReadStatus::Unreadable);
        if (error) *error = f.errorString();
        return {};
    }
    // Map the file when possible (no copy of up to tens of megabytes), else read it whole.
    const qint64 size = f.size();
    if (size >= kBaseEntrySize) {
        if (uchar* mapped = f.map(0, size)) {
            TBaseEntryArr entries =
                decodeLibrary(QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), size));
            f.unmap(mapped);
            set(LibraryReadStatus::Ok);
            return entries;
        }
    }
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        set(LibraryReadStatus::Unreadable);
        if (error) *error = f.errorString();
        return {};
    }
    set(LibraryReadStatus::Ok);
    return decodeLibrary(bytes);
}

bool writeLibraryFile(const QString& fileName, const TBaseEntryArr& entries, QString* error) {
    // Encoded a few thousand records at a time into one buffer that stays in the cache and is
    // written at once: building the whole file in fresh memory first cost as much again as
    // the write itself (page faults and cache misses on every byte, twice). (Encoding the
    // next piece on a second thread while one is written gained nothing measurable.)
    constexpr size_t kPerPiece = 2048; // about 1 MB
    size_t next = 0;
    return writeFileAtomically(
        fileName,
        [&](QByteArray& piece) {
            if (next >= entries.size()) return false;
            const size_t n = std::min(kPerPiece, entries.size() - next);
            piece.resize(qsizetype(n) * kBaseEntrySize);
            auto* p = reinterpret_cast<unsigned char*>(piece.data());
            for (size_t i = 0; i < n; ++i, p += kBaseEntrySize)
                encodeBaseEntry(entries[next + i], p);
            next += n;
            return true;
        },
        error);
}

bool LibraryStore::LoadLibrary(const QString& fileName, QString* error) {
    LibraryReadStatus status = LibraryReadStatus::Ok;
    QString why;
    TBaseEntryArr loaded = readLibraryFile(fileName, &status, &why);
    if (status == LibraryReadStatus::Unreadable) {
        logLine(QStringLiteral("Library %1 cannot be read: %2").arg(fileName, why));
        if (error) *error = why;
        return false;
    }
    list_ = std::move(loaded);
    name_ = fileName;
    modified_ = false;
    return true;
}

bool LibraryStore::SaveLibrary(const QString& fileName, QString* error) {
    QString why;
    if (!writeLibraryFile(fileName, list_, &why)) {
        logLine(QStringLiteral("Library %1 cannot be saved: %2").arg(fileName, why));
        if (error) *error = why;
        return false;
    }
    name_ = fileName;
    modified_ = false;
    return true;
}

} // namespace wc
