#include "audio/preparer.h"

#include "audio/decoder.h"
#include "audio/filesource.h"
#include "audio/types.h"

#include <QFileInfo>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace wc::audio {

PreparedItem::~PreparedItem() = default;

namespace {

struct Stamp {
    qint64 size = -1;
    qint64 modified = 0;
};

Stamp stampOf(const QString& path) {
    const QFileInfo fi(path);
    if (!fi.exists()) return {};
    return {fi.size(), fi.lastModified().toMSecsSinceEpoch()};
}

bool sameItem(const PreparedItem& it, const QString& path, bool cut, float threshold) {
    return it.path == path && it.cutSilence == cut && (!cut || it.threshold == threshold);
}

void open(PreparedItem& it) {
    auto decoder = std::make_unique<FileDecoder>();
    it.error = decoder->open(it.path);
    if (it.error != kOk) return;
    const std::int64_t length = decoder->lengthFrames();
    if (it.cutSilence) it.silence = analyseSilence(it.path, it.threshold, length);
    it.source = std::make_unique<FileSource>(std::move(decoder), it.bufferMs);
    // Nobody reads the source yet, so it may be placed in one step.
    if (it.silence.startBytes > 0) it.source->seekFrames(it.silence.startBytes / kBytesPerFrame);
}

} // namespace

struct StreamPreparer::Impl {
    std::mutex mutex;
    std::condition_variable changed;
    // The one item: waiting for the worker, being opened, or ready (under mutex).
    std::unique_ptr<PreparedItem> wanted;            // not started yet
    const PreparedItem* working = nullptr;           // being opened by the worker
    std::unique_ptr<PreparedItem> done;              // ready
    std::deque<std::unique_ptr<PreparedItem>> trash; // closed on the worker
    bool dropWorking = false;
    bool stop = false;
    int preparedCount = 0, takenCount = 0;
    double waitedSeconds = 0;
    std::thread thread;

    void run() {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return stop || wanted || !trash.empty(); });
            if (stop) break;
            if (!trash.empty()) {
                auto old = std::move(trash.front());
                trash.pop_front();
                lock.unlock();
                old.reset(); // a file source's destructor waits for the decode worker
                lock.lock();
                continue;
            }
            auto item = std::move(wanted);
            working = item.get();
            dropWorking = false;
            lock.unlock();
            open(*item);
            lock.lock();
            working = nullptr;
            if (dropWorking || wanted) {
                trash.push_back(std::move(item));
            } else {
                done = std::move(item);
                ++preparedCount;
            }
            changed.notify_all();
        }
    }

    // Whether the item is the one wanted, under way or ready (under mutex).
    bool holds(const QString& path, bool cut, float threshold) const {
        if (done) return sameItem(*done, path, cut, threshold);
        if (working && !dropWorking) return sameItem(*working, path, cut, threshold);
        return wanted && sameItem(*wanted, path, cut, threshold);
    }
    void discardLocked() {
        if (done) trash.push_back(std::move(done));
        if (wanted) wanted.reset();
        if (working) dropWorking = true;
        changed.notify_all();
    }
    void waitWhileUnderWay(std::unique_lock<std::mutex>& lock, const QString& path, bool cut,
                           float threshold) {
        const auto start = std::chrono::steady_clock::now();
        auto waited = [&] {
            waitedSeconds +=
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        };
        changed.wait(lock, [&] {
            const bool underWay =
                (wanted && sameItem(*wanted, path, cut, threshold)) ||
                (working && !dropWorking && sameItem(*working, path, cut, threshold));
            return !underWay;
        });
        waited();
    }
    bool current(const PreparedItem& it) const {
        const Stamp s = stampOf(it.path);
        return s.size == it.size && s.modified == it.modified;
    }
};

StreamPreparer& StreamPreparer::instance() {
    static StreamPreparer p;
    return p;
}

StreamPreparer::StreamPreparer() : d(std::make_unique<Impl>()) {
    DecodeWorker::instance(); // outlives this object: prepared sources unregister from it
    d->thread = std::thread([this] { d->run(); });
}

StreamPreparer::~StreamPreparer() {
    {
        std::lock_guard lock(d->mutex);
        d->stop = true;
        d->changed.notify_all();
    }
    d->thread.join();
}

void StreamPreparer::prepare(const QString& path, bool cutSilence, float threshold, int bufferMs) {
    const Stamp s = stampOf(path);
    std::lock_guard lock(d->mutex);
    if (d->holds(path, cutSilence, threshold)) {
        const PreparedItem* it = d->done      ? d->done.get()
                                 : d->working ? d->working
                                              : d->wanted.get();
        if (it->size == s.size && it->modified == s.modified) return;
    }
    d->discardLocked();
    auto item = std::make_unique<PreparedItem>();
    item->path = path;
    item->cutSilence = cutSilence;
    item->threshold = threshold;
    item->bufferMs = bufferMs;
    item->size = s.size;
    item->modified = s.modified;
    d->wanted = std::move(item);
    d->changed.notify_all();
}

bool StreamPreparer::ready(const QString& path, bool cutSilence, float threshold,
                           bool waitIfUnderWay) {
    std::unique_lock lock(d->mutex);
    if (waitIfUnderWay) d->waitWhileUnderWay(lock, path, cutSilence, threshold);
    return d->done && sameItem(*d->done, path, cutSilence, threshold);
}

std::unique_ptr<PreparedItem> StreamPreparer::take(const QString& path, bool cutSilence,
                                                   float threshold) {
    std::unique_lock lock(d->mutex);
    d->waitWhileUnderWay(lock, path, cutSilence, threshold);
    if (!d->done || !sameItem(*d->done, path, cutSilence, threshold)) return nullptr;
    if (!d->current(*d->done)) { // changed on disk since: open it afresh
        d->discardLocked();
        return nullptr;
    }
    ++d->takenCount;
    return std::move(d->done);
}

void StreamPreparer::drop() {
    std::lock_guard lock(d->mutex);
    d->discardLocked();
}

int StreamPreparer::prepared() const {
    std::lock_guard lock(d->mutex);
    return d->preparedCount;
}

double StreamPreparer::waitedSeconds() const {
    std::lock_guard lock(d->mutex);
    return d->waitedSeconds;
}

int StreamPreparer::taken() const {
    std::lock_guard lock(d->mutex);
    return d->takenCount;
}

} // namespace wc::audio
