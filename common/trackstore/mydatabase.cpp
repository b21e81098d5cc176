// MyDatabase: the in-memory copy of "Database/Files.Dat", its name-to-slot index, and the
// locked writes shared by every process that holds the store.
//
// Between processes: every change of the file happens while holding an exclusive flock() on
// the companion file "<store>.lock", after bringing the in-memory copy up to date with the
// file. The lock file also carries a small journal (a generation number and the slot of the
// last one-record write, or -1 after a whole-file rewrite), so a holder that is one change
// behind reads just that slot instead of the whole file. Readers take the lock shared. Record
// writes go to their slot in place; deletes and the counter reset rewrite the whole file
// through a temporary file and a rename.
#include "common/atomicfile.h"
#include "common/clock.h"
#include "common/log.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/trackstore/recordbuffer.h"
#include "common/trackstore/slotindex.h"
#include "common/trackstore/trackstore.h"
#include "platform/messagebus.h"
#include "platform/prompts.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wc {

namespace {

constexpr qint64 kRec = kTrackRecordSize;
constexpr int kOffMarker = 256;
constexpr int kOffPlayCount = 360;

struct Journal {
    quint64 generation = 0;
    qint64 slot = -1; // the one slot written by the last change; -1: anything may have changed
};

// What identifies the file's state between two looks at it.
struct FileId {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    qint64 mtimeNs = 0;
    qint64 ctimeNs = 0;
    bool operator==(const FileId&) const = default;
};

FileId idFromStat(const struct stat& st) {
    FileId id;
    id.exists = true;
    id.dev = st.st_dev;
    id.ino = st.st_ino;
    id.size = st.st_size;
    id.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    id.ctimeNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return id;
}

FileId statFile(const QByteArray& path) {
    struct stat st;
    if (::stat(path.constData(), &st) != 0) return {};
    return idFromStat(st);
}

void putLe64(char* p, quint64 v) {
    for (int i = 0; i < 8; ++i)
        p[i] = char((v >> (8 * i)) & 0xFF);
}

quint64 getLe64(const char* p) {
    quint64 v = 0;
    for (int i = 0; i < 8; ++i)
        v |= quint64(static_cast<unsigned char>(p[i])) << (8 * i);
    return v;
}

// The flock() on the store's lock file, held for the lifetime of the object.
class StoreLock {
public:
    StoreLock(const QByteArray& lockPath, bool exclusive) {
        fd_ = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ < 0 && !exclusive) fd_ = ::open(lockPath.constData(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) {
            error_ = errno;
            return;
        }
        int rc;
        do {
            rc = ::flock(fd_, exclusive ? LOCK_EX : LOCK_SH);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            error_ = errno;
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~StoreLock() {
        if (fd_ >= 0) {
            ::flock(fd_, LOCK_UN);
            ::close(fd_);
        }
    }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

    bool held() const { return fd_ >= 0; }
    int error() const { return error_; }

    Journal read() const {
        Journal j;
        char b[16];
        if (fd_ >= 0 && ::pread(fd_, b, sizeof b, 0) == qint64(sizeof b)) {
            j.generation = getLe64(b);
            j.slot = qint64(getLe64(b + 8));
        }
        return j;
    }
    bool write(const Journal& j) {
        char b[16];
        putLe64(b, j.generation);
        putLe64(b + 8, quint64(j.slot));
        return fd_ >= 0 && ::pwrite(fd_, b, sizeof b, 0) == qint64(sizeof b);
    }

private:
    int fd_ = -1;
    int error_ = 0;
};

enum class ReadResult { Ok, Missing, Failed };

// Reads the whole file into *out (whole records only) and its identity into *id.
ReadResult readWhole(const QByteArray& path, RecordBuffer* out, FileId* id, int* error) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = errno;
        return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        *error = errno;
        ::close(fd);
        return ReadResult::Failed;
    }
    if (!S_ISREG(st.st_mode)) {
        *error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        return ReadResult::Failed;
    }
    const qint64 want = (qint64(st.st_size) / kRec) * kRec;
    RecordBuffer buf;
    if (!buf.resize(want)) {
        *error = ENOMEM;
        ::close(fd);
        return ReadResult::Failed;
    }
    qint64 got = 0;
    while (got < want) {
        const ssize_t n = ::read(fd, buf.data() + got, size_t(want - got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // A read error, or the file ended early: it changed while we read it.
            *error = n < 0 ? errno : EIO;
            ::close(fd);
            return ReadResult::Failed;
        }
        got += n;
    }
    ::close(fd);
    *out = std::move(buf);
    *id = idFromStat(st);
    return ReadResult::Ok;
}

void markRecordZero(RecordBuffer& image) {
    if (image.size() >= kRec) {
        image.data()[kOffMarker] = 1;
        image.data()[kOffMarker + 1] = 0;
    }
}

MyDatabase* g_store = nullptr;
std::unique_ptr<MyDatabase> g_ownStore;

} // namespace

struct MyDatabase::Impl {
    QString path;
    QByteArray nativePath;
    QByteArray lockPath;
    RecordBuffer image; // whole records in file order
    SlotIndex index;
    bool blocked = false;
    bool synced = false; // seen and seenId describe what image holds
    Journal seen;
    FileId seenId;
    std::function<void(quint8)> notifier;
    std::map<int, std::function<void(qint64)>> hooks;
    int nextHook = 1;

    int count() const { return int(image.size() / kRec); }
    const char* slot(int i) const { return image.constData() + qint64(i) * kRec; }

    int find(QByteArrayView key) const { return index.find(image.view(), key); }

    void showLoadError(int error) const {
        prompts().notify(PromptKind::Error, QString(),
                         QStringLiteral("I/O Error %1\r\nFile: %2").arg(error).arg(path));
    }

    void adopt(RecordBuffer img, const Journal& j, const FileId& id) {
        markRecordZero(img);
        image = std::move(img);
        index.rebuild(image.view());
        seen = j;
        seenId = id;
        synced = true;
        blocked = false;
    }

    // Reads the whole file (the caller holds the lock). A missing file keeps the contents,
    // or, before a write, empties them, since the write must start from what the file holds.
    bool fullLoad(const Journal& j, bool forWrite, bool showError) {
        RecordBuffer img;
        FileId id;
        int error = 0;
        switch (readWhole(nativePath, &img, &id, &error)) {
        case ReadResult::Ok:
            adopt(std::move(img), j, id);
            return true;
        case ReadResult::Missing:
            if (forWrite) {
                image.clear();
                index.clear();
            }
            seen = j;
            seenId = FileId{};
            synced = true;
            blocked = false;
            return true;
        case ReadResult::Failed:
            break;
        }
        blocked = true;
        synced = false;
        logLine(QStringLiteral("Track store: cannot read %1 (error %2); writes are refused until "
                               "it reads again")
                    .arg(path)
                    .arg(error));
        if (showError) showLoadError(error);
        return false;
    }

    // Puts a record read from the file into slot i (i == count() appends).
    void applySlot(int i, const char* rec) {
        if (i == count()) {
            if (!image.append(rec, kRec)) {
                synced = false; // out of memory: the next look reads the whole file
                return;
            }
            if (i == 0) markRecordZero(image);
            index.appended(image.view());
            return;
        }
        const QByteArray oldKey = SlotIndex::keyOf(slot(i));
        std::memcpy(image.data() + qint64(i) * kRec, rec, kRec);
        if (i == 0) markRecordZero(image);
        if (SlotIndex::keyOf(slot(i)) != oldKey) index.rebuild(image.view());
    }

    // Brings the in-memory copy up to date with the file; the caller holds the lock.
    bool sync(const StoreLock& lock, bool forWrite, bool showError) {
        const Journal j = lock.read();
        const FileId id = statFile(nativePath);
        if (!id.exists) return fullLoad(j, forWrite, showError);
        if (synced && !blocked && j.generation == seen.generation && id == seenId) return true;
        if (synced && !blocked && seenId.exists && j.generation == seen.generation + 1 &&
            j.slot >= 0 && id.dev == seenId.dev && id.ino == seenId.ino) {
            const qint64 records = qint64(id.size) / kRec;
            const int n = count();
            if ((j.slot < n && records == n) || (j.slot == n && records == n + 1)) {
                char rec[kRec];
                const int fd = ::open(nativePath.constData(), O_RDONLY | O_CLOEXEC);
                const bool ok = fd >= 0 && ::pread(fd, rec, kRec, j.slot * kRec) == kRec;
                if (fd >= 0) ::close(fd);
                if (ok) {
                    applySlot(int(j.slot), rec);
                    seen = j;
                    seenId = id;
                    return true;
                }
            }
        }
        return fullLoad(j, forWrite, showError);
    }

    bool writeSlot(StoreLock& lock, int i, const TrackRecordBytes& bytes) {
        const int fd = ::open(nativePath.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            logLine(QStringLiteral("Track store: cannot write %1 (error %2)").arg(path).arg(errno));
            return false;
        }
        qint64 done = 0;
        int error = 0;
        while (done < kRec) {
            const ssize_t n =
                ::pwrite(fd, bytes.data() + done, size_t(kRec - done), qint64(i) * kRec + done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                error = n < 0 ? errno : EIO;
                break;
            }
            done += n;
        }
        ::close(fd);
        if (done < kRec) {
            // The slot may be torn: make every holder read the whole file again.
            lock.write({seen.generation + 1, -1});
            synced = false;
            logLine(
                QStringLiteral("Track store: write to %1 failed (error %2)").arg(path).arg(error));
            return false;
        }
        const Journal j{seen.generation + 1, i};
        lock.write(j);
        applySlot(i, bytes.data());
        seen = j;
        seenId = statFile(nativePath);
        return true;
    }

    bool rewrite(StoreLock& lock, RecordBuffer img, QString* error) {
        QString why;
        if (!writeFileAtomically(path, QByteArray::fromRawData(img.constData(), img.size()),
                                 &why)) {
            logLine(QStringLiteral("Track store: cannot rewrite %1: %2").arg(path, why));
            if (error) *error = why;
            return false;
        }
        const Journal j{seen.generation + 1, -1};
        lock.write(j);
        adopt(std::move(img), j, statFile(nativePath));
        return true;
    }

    // Takes the exclusive lock (creating the folder and the lock file when needed) and syncs.
    std::unique_ptr<StoreLock> lockForWrite(QString* error) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        auto lock = std::make_unique<StoreLock>(lockPath, true);
        if (!lock->held()) {
            const QString why = QStringLiteral("cannot lock %1 (error %2)")
                                    .arg(QString::fromLocal8Bit(lockPath))
                                    .arg(lock->error());
            logLine(QStringLiteral("Track store: ") + why);
            if (error) *error = why;
            return nullptr;
        }
        if (!sync(*lock, true, false)) {
            if (error) *error = QStringLiteral("cannot read %1").arg(path);
            return nullptr;
        }
        return lock;
    }

    // Stores r (already holding its key) in slot i, or appends it when i < 0.
    bool store(StoreLock& lock, int i, TTrackRecord r) {
        r.nameCRC = TrackNameCRC(r.name);
        r.NotifyCode = 0;
        r.deleteRequest = false;
        return writeSlot(lock, i < 0 ? count() : i, encodeTrackRecord(r));
    }

    bool remove(StoreLock& lock, int i) {
        RecordBuffer img = image.clone();
        if (img.size() != image.size()) return false; // out of memory
        img.remove(qint64(i) * kRec, kRec);
        return rewrite(lock, std::move(img), nullptr);
    }

    void notify(quint8 code) {
        if (notifier) notifier(code);
    }
};

MyDatabase::MyDatabase(QString path) : d_(new Impl) {
    d_->path = path.isEmpty() ? inProgramDir(QStringLiteral("Database/Files.Dat")) : path;
    d_->nativePath = QFile::encodeName(d_->path);
    d_->lockPath = d_->nativePath + ".lock";
    d_->notifier = [](quint8 code) { broadcastMessage(DatabaseMessage(), code, 0); };
}

MyDatabase::~MyDatabase() {
    delete d_;
}

const QString& MyDatabase::path() const {
    return d_->path;
}

bool MyDatabase::LoadTrackStore() {
    StoreLock lock(d_->lockPath, false);
    return d_->fullLoad(lock.read(), false, true);
}

bool MyDatabase::reloadChanged(qint64 notifyCode) {
    bool ok;
    {
        StoreLock lock(d_->lockPath, false);
        ok = d_->sync(lock, false, true);
    }
    const auto hooks = d_->hooks; // a hook may add or remove hooks
    for (const auto& [id, hook] : hooks)
        hook(notifyCode);
    return ok;
}

bool MyDatabase::writesBlocked() const {
    return d_->blocked;
}

int MyDatabase::FindTrackRecord(const QString& name) const {
    char buf[kTrackNameCapacity];
    QByteArray spill;
    return d_->find(nameKey(name, buf, &spill));
}

TTrackRecord MyDatabase::GetTrackRecord(const QString& name) const {
    const int i = FindTrackRecord(name);
    return i < 0 ? zeroTrackRecord(name) : recordAt(i);
}

TTrackRecord MyDatabase::recordAt(int index) const {
    TTrackRecord r;
    if (index >= 0 && index < d_->count()) decodeTrackRecord(d_->slot(index), kRec, &r);
    return r;
}

int MyDatabase::count() const {
    return d_->count();
}

bool MyDatabase::SetTrackRecord(const QString& name, const TTrackRecord& record) {
    const QByteArray key = trackKey(name);
    // Deleting a name that is not stored changes nothing and announces nothing.
    if (record.deleteRequest && d_->find(key) < 0) {
        StoreLock peek(d_->lockPath, false);
        if (!d_->sync(peek, false, false) || d_->find(key) < 0) return false;
    }
    quint8 code = 0;
    {
        const auto lock = d_->lockForWrite(nullptr);
        if (!lock) return false;
        const int i = d_->find(key);
        if (record.deleteRequest) {
            if (i < 0 || !d_->remove(*lock, i)) return false;
        } else {
            TTrackRecord r = record;
            r.name = key;
            code = record.NotifyCode;
            if (!d_->store(*lock, i, std::move(r))) return false;
        }
    }
    d_->notify(code);
    return true;
}

bool MyDatabase::updateTrackRecord(const QString& name,
                                   const std::function<void(TTrackRecord&)>& change,
                                   quint8 notifyCode) {
    const QByteArray key = trackKey(name);
    {
        const auto lock = d_->lockForWrite(nullptr);
        if (!lock) return false;
        const int i = d_->find(key);
        TTrackRecord r = i < 0 ? zeroTrackRecord(name) : recordAt(i);
        change(r);
        r.name = key;
        if (r.deleteRequest) {
            if (i < 0 || !d_->remove(*lock, i)) return false;
            notifyCode = kNotifyEdited;
        } else if (!d_->store(*lock, i, std::move(r))) {
            return false;
        }
    }
    d_->notify(notifyCode);
    return true;
}

bool MyDatabase::recordPlay(const QString& name, bool countPlay) {
    return recordPlay(name, countPlay, clock().nowOle());
}

bool MyDatabase::recordPlay(const QString& name, bool countPlay, double now) {
    return updateTrackRecord(
        name,
        [&](TTrackRecord& r) {
            if (countPlay && r.playCount < INT_MAX) ++r.playCount;
            r.lastPlay = now;
        },
        kNotifyPlayRecorded);
}

bool MyDatabase::resetPlayCounts(QString* error) {
    {
        const auto lock = d_->lockForWrite(error);
        if (!lock) return false;
        if (statFile(d_->nativePath).exists) {
            RecordBuffer img = d_->image.clone();
            if (img.size() != d_->image.size()) {
                if (error) *error = QStringLiteral("out of memory");
                return false;
            }
            for (qint64 at = kOffPlayCount; at + 4 <= img.size(); at += kRec)
                std::memset(img.data() + at, 0, 4);
            if (!d_->rewrite(*lock, std::move(img), error)) return false;
        }
    }
    d_->notify(kNotifyEdited);
    return true;
}

void MyDatabase::setNotifier(std::function<void(quint8 code)> notifier) {
    d_->notifier = std::move(notifier);
}

int MyDatabase::addChangedHook(std::function<void(qint64 code)> hook) {
    const int id = d_->nextHook++;
    d_->hooks.emplace(id, std::move(hook));
    return id;
}

void MyDatabase::removeChangedHook(int id) {
    d_->hooks.erase(id);
}

void MyDatabase::loadFromBytes(const QByteArray& image) {
    d_->adopt(RecordBuffer(QByteArrayView(image).first((image.size() / kRec) * kRec)), Journal{},
              FileId{});
    d_->synced = false; // the next look at the file reads it whole
}

quint32 DatabaseMessage() {
    static const quint32 id = registerMessage(QString::fromLatin1(kDatabaseMessageName));
    return id;
}

bool handleDatabaseMessage(MyDatabase& store, quint32 msg, qint64 wParam) {
    const quint32 id = DatabaseMessage();
    if (id == 0 || msg != id) return false;
    store.reloadChanged(wParam);
    return true;
}

MyDatabase& trackStore() {
    if (!g_store) {
        if (!g_ownStore) g_ownStore = std::make_unique<MyDatabase>();
        g_store = g_ownStore.get();
    }
    return *g_store;
}

void setTrackStore(MyDatabase* store) {
    g_store = store;
}

bool confirmAndResetTop100Counters(MyDatabase& store) {
    const int answer =
        prompts().ask(PromptKind::Question, QStringLiteral("Top-100"),
                      QStringLiteral("Are you sure you want to reset TOP-100 counters?"),
                      {PromptYes, PromptNo}, PromptNo);
    if (answer != PromptYes) return false;
    QString error;
    if (store.resetPlayCounts(&error)) return true;
    prompts().notify(PromptKind::Error, QStringLiteral("Error"), error);
    return false;
}

} // namespace wc
