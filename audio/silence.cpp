#include "audio/silence.h"

#include "audio/decoder.h"

#include <QFileInfo>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace wc::audio {

namespace {
constexpr int kBlockBytes = 65536;
constexpr int kBlockFrames = kBlockBytes / kBytesPerFrame;

float frameLevel(const float* s, std::int64_t frame) {
    return std::max(std::fabs(s[2 * frame]), std::fabs(s[2 * frame + 1]));
}
} // namespace

SilenceInfo analyseSilence(const QString& path, float t, std::int64_t knownLengthFrames) {
    SilenceInfo r;
    // A decoder of its own, read directly on this thread: the analysis runs before the
    // deck's stream exists and needs no ring or worker.
    FileDecoder dec;
    if (dec.open(path, knownLengthFrames) != kOk) return r;
    const std::int64_t length = dec.lengthFrames() * kBytesPerFrame;
    std::vector<float> buf(std::size_t(kBlockFrames) * kChannels);

    // Leading silence: up to the first frame louder than t, then back over the quieter
    // run-up (louder than t/4) that belongs to the sound.
    std::int64_t start = 0;
    bool found = false;
    for (;;) {
        const int got = dec.read(buf.data(), kBlockFrames);
        if (got <= 0) break;
        std::int64_t i = 0;
        while (i < got && frameLevel(buf.data(), i) <= t)
            ++i;
        start += i * kBytesPerFrame;
        if (i < got) {
            for (std::int64_t c = i; c > 0 && frameLevel(buf.data(), c) > t * 0.25f; --c)
                start -= kBytesPerFrame;
            found = true;
            break;
        }
    }
    if (!found) start = length;

    // Trailing silence: blocks from the end backwards, each walked back from its end over
    // frames no louder than t/2; the first block with sound gives the end.
    std::int64_t end = length;
    for (std::int64_t pos = length; pos > start;) {
        pos = std::max<std::int64_t>(0, pos - kBlockBytes);
        if (!dec.seek(pos / kBytesPerFrame)) break;
        std::int64_t cursor = dec.read(buf.data(), kBlockFrames);
        while (cursor > 0 && frameLevel(buf.data(), cursor - 1) <= t * 0.5f)
            --cursor;
        if (cursor > 0) {
            end = pos + cursor * kBytesPerFrame;
            break;
        }
        if (pos == 0) break;
    }
    r.startBytes = start;
    r.trailingBytes = std::max<std::int64_t>(0, length - std::max(end, start));
    r.startSec = float(double(r.startBytes / kBytesPerFrame) / dec.rate());
    r.endSec = float(double(r.trailingBytes / kBytesPerFrame) / dec.rate());
    return r;
}

} // namespace wc::audio

// --- analysis ahead of time ----------------------------------------------------------------

namespace wc::audio {

struct SilenceCache::Impl {
    struct Entry {
        bool done = false;
        SilenceInfo info;
        std::uint64_t order = 0;
        std::vector<std::function<void(const SilenceInfo&)>> waiters;
    };
    struct Job {
        QString key, path;
        float threshold;
        std::int64_t knownLength;
    };
    std::mutex mutex;
    std::condition_variable changed;
    std::map<QString, Entry> entries;
    std::deque<Job> queue;
    std::uint64_t counter = 0;
    int hits = 0;
    std::thread::id lastThread;
    bool stopping = false;
    std::thread worker;

    static constexpr std::size_t kMaxEntries = 64;

    static QString keyOf(const QString& path, float threshold) {
        const QFileInfo fi(path);
        return fi.absoluteFilePath() + QChar(0) + QString::number(double(threshold), 'g', 9) +
               QChar(0) + QString::number(fi.size()) + QChar(0) +
               QString::number(fi.lastModified().toMSecsSinceEpoch());
    }

    void trim() {
        while (entries.size() > kMaxEntries) {
            auto oldest = entries.end();
            for (auto it = entries.begin(); it != entries.end(); ++it)
                if (it->second.done && it->second.waiters.empty() &&
                    (oldest == entries.end() || it->second.order < oldest->second.order))
                    oldest = it;
            if (oldest == entries.end()) return;
            entries.erase(oldest);
        }
    }

    void run() {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [this] { return stopping || !queue.empty(); });
            if (stopping) return;
            const Job job = queue.front();
            queue.pop_front();
            lock.unlock();
            const SilenceInfo info = analyseSilence(job.path, job.threshold, job.knownLength);
            lock.lock();
            lastThread = std::this_thread::get_id();
            std::vector<std::function<void(const SilenceInfo&)>> waiters;
            if (auto it = entries.find(job.key); it != entries.end()) {
                it->second.info = info;
                it->second.done = true;
                waiters.swap(it->second.waiters);
            }
            changed.notify_all();
            if (!waiters.empty()) {
                lock.unlock();
                for (auto& w : waiters)
                    w(info);
                lock.lock();
            }
        }
    }
};

SilenceCache::SilenceCache() : d(new Impl) {
    d->worker = std::thread([this] { d->run(); });
}

SilenceCache::~SilenceCache() {
    {
        std::lock_guard lock(d->mutex);
        d->stopping = true;
    }
    d->changed.notify_all();
    d->worker.join();
    delete d;
}

SilenceCache& SilenceCache::instance() {
    static SilenceCache cache;
    return cache;
}

void SilenceCache::prefetch(const QString& path, float threshold) {
    const QString key = Impl::keyOf(path, threshold);
    std::lock_guard lock(d->mutex);
    if (d->entries.count(key)) return;
    d->entries[key].order = ++d->counter;
    d->queue.push_back(Impl::Job{key, path, threshold, -1});
    d->trim();
    d->changed.notify_all();
}

SilenceInfo SilenceCache::lookup(const QString& path, float threshold,
                                 std::int64_t knownLengthFrames) {
    const QString key = Impl::keyOf(path, threshold);
    {
        std::unique_lock lock(d->mutex);
        if (auto it = d->entries.find(key); it != d->entries.end()) {
            ++d->hits;
            d->changed.wait(lock, [&] {
                auto e = d->entries.find(key);
                return e == d->entries.end() || e->second.done;
            });
            if (auto e = d->entries.find(key); e != d->entries.end()) return e->second.info;
        }
        d->lastThread = std::this_thread::get_id();
    }
    return analyseSilence(path, threshold, knownLengthFrames);
}

bool SilenceCache::ready(const QString& path, float threshold, SilenceInfo* out) {
    const QString key = Impl::keyOf(path, threshold);
    std::lock_guard lock(d->mutex);
    auto it = d->entries.find(key);
    if (it == d->entries.end() || !it->second.done) return false;
    ++d->hits;
    if (out) *out = it->second.info;
    return true;
}

void SilenceCache::whenReady(const QString& path, float threshold, std::int64_t knownLengthFrames,
                             std::function<void(const SilenceInfo&)> done) {
    const QString key = Impl::keyOf(path, threshold);
    std::unique_lock lock(d->mutex);
    auto it = d->entries.find(key);
    if (it != d->entries.end() && it->second.done) {
        const SilenceInfo info = it->second.info;
        lock.unlock();
        done(info);
        return;
    }
    if (it != d->entries.end()) {
        // Under way or queued: an item being opened goes first.
        ++d->hits;
        it->second.waiters.push_back(std::move(done));
        for (auto q = d->queue.begin(); q != d->queue.end(); ++q)
            if (q->key == key) {
                Impl::Job job = *q;
                d->queue.erase(q);
                d->queue.push_front(job);
                break;
            }
        return;
    }
    Impl::Entry& e = d->entries[key];
    e.order = ++d->counter;
    e.waiters.push_back(std::move(done));
    d->queue.push_front(Impl::Job{key, path, threshold, knownLengthFrames});
    d->trim();
    d->changed.notify_all();
}

std::thread::id SilenceCache::workerThread() const {
    return d->worker.get_id();
}

std::thread::id SilenceCache::lastAnalysisThread() const {
    std::lock_guard lock(d->mutex);
    return d->lastThread;
}

int SilenceCache::hits() const {
    std::lock_guard lock(d->mutex);
    return d->hits;
}

} // namespace wc::audio
