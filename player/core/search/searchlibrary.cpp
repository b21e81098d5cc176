#include "player/core/search/searchlibrary.h"

#include "common/tags/tracktag.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QFile>
#include <QThreadPool>
#include <algorithm>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <utility>

namespace wc {

namespace {

FileIdentity identityOf(const struct stat& st) {
    FileIdentity id;
    id.exists = true;
    id.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    id.size = qint64(st.st_size);
    id.inode = quint64(st.st_ino);
    return id;
}

} // namespace

FileIdentity fileIdentity(const QString& path) {
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
    return identityOf(st);
}

LibrarySnapshotPtr makeLibrarySnapshot(TBaseEntryArr records) {
    auto s = std::make_shared<LibrarySnapshot>();
    s->records = std::move(records);
    // The fields are folded on two threads, half each: the machine has at least two cores.
    auto foldRange = [&s](int from, int to) {
        for (int f = from; f < to; ++f)
            s->folded[size_t(f)] = FoldedTexts(s->records, f);
    };
    std::thread helper(foldRange, 0, kLibrarySearchFieldCount / 2);
    foldRange(kLibrarySearchFieldCount / 2, kLibrarySearchFieldCount);
    helper.join();
    return s;
}

void releaseSnapshot(LibrarySnapshotPtr snapshot) {
    if (snapshot.use_count() != 1) return;
    QThreadPool::globalInstance()->start([s = std::move(snapshot)]() mutable { s.reset(); });
}

LibraryReadResult readLibrarySnapshot(const QString& path, LibrarySnapshotPtr* snapshot,
                                      FileIdentity* identity) {
    QFile file(path);
    if (!file.exists()) return LibraryReadResult::Missing;
    if (!file.open(QIODevice::ReadOnly)) return LibraryReadResult::Failed;
    struct stat before {};
    if (::fstat(file.handle(), &before) != 0) return LibraryReadResult::Failed;
    const FileIdentity id = identityOf(before);
    // Read and decoded a piece at a time through one small buffer that stays in the cache:
    // a buffer for the whole file (tens of megabytes) costs as much in fresh pages as the
    // decoding itself.
    constexpr qint64 kPiece = qint64(kBaseEntrySize) * 2048; // about 1 MB
    TBaseEntryArr records;
    records.reserve(size_t(id.size / kBaseEntrySize));
    QByteArray piece(kPiece, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const qint64 n = file.read(piece.data(), kPiece);
        if (n < 0) return LibraryReadResult::Failed;
        if (n == 0) break;
        total += n;
        // A piece ends on a record boundary unless the file ends there (a trailing partial
        // record is ignored, as in the library program).
        const auto* p = reinterpret_cast<const unsigned char*>(piece.constData());
        for (qint64 at = 0; at + kBaseEntrySize <= n; at += kBaseEntrySize)
            records.push_back(decodeBaseEntry(p + at));
        if (n % kBaseEntrySize != 0) break;
    }
    struct stat after {};
    if (::fstat(file.handle(), &after) != 0) return LibraryReadResult::Failed;
    // A file changed in place while it was read, or read short, is not taken as current.
    if (!(identityOf(after) == id) || total != id.size) return LibraryReadResult::Failed;
    *snapshot = makeLibrarySnapshot(std::move(records));
    *identity = id;
    return LibraryReadResult::Ok;
}

// What a read on the worker hands back; the cache may be gone by the time it finishes.
struct SearchLibraryCache::Shared {
    std::mutex mutex;
    SearchLibraryCache* owner = nullptr;
};

SearchLibraryCache::SearchLibraryCache(Runner runner)
    : runner_(std::move(runner)), shared_(std::make_shared<Shared>()) {
    shared_->owner = this;
    if (!runner_)
        runner_ = [](std::function<void()> work) {
            QThreadPool::globalInstance()->start(std::move(work));
        };
}

SearchLibraryCache::~SearchLibraryCache() {
    std::lock_guard lock(shared_->mutex);
    shared_->owner = nullptr;
}

void SearchLibraryCache::setPath(const QString& path) {
    if (path == path_) return;
    path_ = path;
    current_ = {};
    ++ticket_; // a read of the old path that is still running is not taken
    reading_ = false;
}

bool SearchLibraryCache::reading() const {
    return reading_;
}

bool SearchLibraryCache::refresh() {
    if (reading_ || path_.isEmpty()) return false;
    const FileIdentity now = fileIdentity(path_);
    if (!now.exists || (current_.exists && now == current_)) return false;
    reading_ = true;
    const quint64 ticket = ++ticket_;
    std::weak_ptr<Shared> weak = shared_;
    TimerHost* host = &timerHost();
    runner_([weak, host, ticket, path = path_] {
        LibrarySnapshotPtr snapshot;
        FileIdentity identity;
        const LibraryReadResult result = readLibrarySnapshot(path, &snapshot, &identity);
        auto alive = weak.lock();
        if (!alive) return;
        // Posted under the lock: the cache (and so the window and the host that outlive it)
        // cannot go away meanwhile. A cache already gone drops the result here.
        std::lock_guard lock(alive->mutex);
        if (!alive->owner) return;
        host->post([weak, ticket, result, snapshot, identity] {
            auto shared = weak.lock();
            if (!shared) return;
            SearchLibraryCache* owner = nullptr;
            {
                std::lock_guard lock(shared->mutex);
                owner = shared->owner;
            }
            if (owner) owner->finished(ticket, result, snapshot, identity);
        });
    });
    return true;
}

void SearchLibraryCache::finished(quint64 ticket, LibraryReadResult result,
                                  LibrarySnapshotPtr snapshot, FileIdentity identity) {
    if (ticket != ticket_) return;
    reading_ = false;
    if (result != LibraryReadResult::Ok) return;
    releaseSnapshot(std::exchange(snapshot_, std::move(snapshot)));
    current_ = identity;
    if (onLoaded) onLoaded();
}

LibrarySearch::LibrarySearch(int sliceRecords)
    : slice_(std::max(1, sliceRecords)), alive_(std::make_shared<int>(0)) {}

LibrarySearch::~LibrarySearch() = default;

void LibrarySearch::setSnapshot(LibrarySnapshotPtr snapshot) {
    releaseSnapshot(std::exchange(snapshot_, std::move(snapshot)));
    if (field_ >= 0) search(text_, field_);
}

void LibrarySearch::search(const QString& text, int field) {
    text_ = text;
    field_ = field;
    needle_ = foldForSearch(text);
    pending_.clear();
    next_ = 0;
    running_ = true;
    ++ticket_;
    step();
}

void LibrarySearch::step() {
    const int n = snapshot_ && field_ >= 0 && field_ < kLibrarySearchFieldCount
                      ? int(snapshot_->records.size())
                      : 0;
    const int to = std::min(n, next_ + slice_);
    if (next_ < to) {
        const FoldedTexts& texts = snapshot_->folded[size_t(field_)];
        if (needle_.isEmpty())
            for (int i = next_; i < to; ++i)
                pending_.push_back(i);
        else
            texts.matches(needle_, next_, to, pending_);
    }
    next_ = to;
    if (next_ < n) {
        std::weak_ptr<int> alive = alive_;
        timerHost().post([this, alive, ticket = ticket_] {
            if (alive.lock() && ticket == ticket_ && running_) step();
        });
        return;
    }
    running_ = false;
    results_.swap(pending_);
    pending_.clear();
    if (onFinished) onFinished();
}

void sortSearchResults(const LibrarySnapshot& library, std::vector<int>& rows, int column,
                       bool ascending) {
    const auto& recs = library.records;
    if (column == 2) {
        std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
            const quint32 da = recs[size_t(a)].durationMs, db = recs[size_t(b)].durationMs;
            return ascending ? da < db : db < da;
        });
        return;
    }
    auto text = [&](int r) -> const QString& {
        const TBaseEntry& e = recs[size_t(r)];
        return column == 0 ? e.artist : column == 1 ? e.title : e.fileName;
    };
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // One key per row, so the sort compares keys rather than collating each pair anew. The
    // text is case-folded first: in the C locale the collator itself does not ignore case.
    std::vector<std::pair<QCollatorSortKey, int>> keyed;
    keyed.reserve(rows.size());
    for (int r : rows)
        keyed.emplace_back(collator.sortKey(text(r).toCaseFolded()), r);
    std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
        const int c = a.first.compare(b.first);
        return ascending ? c < 0 : c > 0;
    });
    for (size_t i = 0; i < keyed.size(); ++i)
        rows[i] = keyed[i].second;
}

} // namespace wc
