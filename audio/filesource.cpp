#include "audio/filesource.h"

#include <algorithm>
#include <cstring>
#include <semaphore>
#include <thread>
#include <utility>

namespace wc::audio {

FileSource::Ring::Ring(unsigned n) : blocks(n) {
    for (Block& b : blocks)
        b.data.resize(std::size_t(kBlockFrames) * kChannels);
}

void FileSource::Ring::reset(std::int64_t frame) {
    head.store(0, std::memory_order_relaxed);
    tail.store(0, std::memory_order_relaxed);
    readOffset = 0;
    decoderDone = false;
    start = frame;
}

FileSource::FileSource(std::unique_ptr<FileDecoder> decoder, int bufferMs)
    : decoder_(std::move(decoder)), rate_(decoder_->rate()), length_(decoder_->lengthFrames()),
      blocks_(unsigned(std::clamp<std::int64_t>(
          (std::int64_t(std::max(bufferMs, 0)) * rate_ / 1000 + kBlockFrames - 1) / kBlockFrames, 2,
          kMaxBlocks))),
      reading_(std::make_unique<Ring>(blocks_)) {
    writing_ = reading_.get();
    fillOne(); // the first block at once, so that playback starts without waiting
    DecodeWorker::instance().add(this);
}

FileSource::~FileSource() {
    DecodeWorker::instance().remove(this);
}

bool FileSource::fillOne() {
    std::lock_guard lock(decodeMutex_);
    return fillLocked(nullptr);
}

bool FileSource::fillLocked(const Ring* only) {
    Ring& r = *writing_;
    if (only && only != &r) return false;
    const std::uint32_t head = r.head.load(std::memory_order_relaxed);
    if (r.decoderDone || head - r.tail.load(std::memory_order_acquire) >= blocks_) return false;
    Block& b = r.blocks[head % blocks_];
    b.start = decoder_->position();
    b.frames = decoder_->read(b.data.data(), kBlockFrames);
    b.last = b.frames < kBlockFrames || decoder_->position() >= length_;
    r.decoderDone = b.last;
    r.head.store(head + 1, std::memory_order_release);
    return true;
}

int FileSource::pull(float* out, int frames, bool mayWait) {
    Ring& r = *reading_;
    int done = 0;
    bool freed = false;
    while (done < frames) {
        const std::uint32_t tail = r.tail.load(std::memory_order_relaxed);
        if (tail == r.head.load(std::memory_order_acquire)) {
            if (!mayWait) break;
            {
                // The worker may have filled the ring meanwhile: look again either way.
                std::lock_guard lock(decodeMutex_);
                fillLocked(&r);
            }
            if (tail == r.head.load(std::memory_order_acquire)) break; // decoded to the end
            continue;
        }
        Block& b = r.blocks[tail % blocks_];
        const int take = std::min(frames - done, b.frames - r.readOffset);
        std::memcpy(out + std::size_t(done) * kChannels,
                    b.data.data() + std::size_t(r.readOffset) * kChannels,
                    std::size_t(take) * kChannels * sizeof(float));
        done += take;
        r.readOffset += take;
        position_.store(b.start + r.readOffset, std::memory_order_release);
        if (r.readOffset >= b.frames) {
            r.readOffset = 0;
            r.tail.store(tail + 1, std::memory_order_release);
            freed = true;
            if (b.last) {
                ended_.store(true, std::memory_order_release);
                break;
            }
        }
    }
    if (freed) DecodeWorker::instance().wake();
    return done;
}

bool FileSource::prepareSeek(std::int64_t frame) {
    {
        std::lock_guard lock(decodeMutex_);
        frame = std::clamp<std::int64_t>(frame, 0, length_);
        if (!decoder_->seek(frame)) return false;
        // A ring of its own: the reader goes on with the old one until the commit.
        if (!prepared_) prepared_ = spare_ ? std::move(spare_) : std::make_unique<Ring>(blocks_);
        prepared_->reset(frame);
        writing_ = prepared_.get();
        fillLocked(nullptr);
    }
    DecodeWorker::instance().wake();
    return true;
}

bool FileSource::commitSeek() {
    // No decoder lock: the writer fills the prepared ring through writing_, which stays as it
    // is, and prepared_ and spare_ are only touched by the seeking thread (prepareSeek).
    if (!prepared_) return false;
    const std::int64_t frame = prepared_->start;
    spare_ = std::exchange(reading_, std::move(prepared_));
    position_.store(frame, std::memory_order_release);
    ended_.store(false, std::memory_order_release);
    return true;
}

bool FileSource::seekFrames(std::int64_t frame) {
    return prepareSeek(frame) && commitSeek();
}

struct DecodeWorker::Impl {
    std::mutex listMutex;
    std::vector<FileSource*> sources;
    std::counting_semaphore<1 << 20> wake{0};
    std::atomic<bool> stop{false};
    std::thread thread;

    void run() {
        while (!stop.load()) {
            wake.acquire();
            bool progress = true;
            while (progress && !stop.load()) {
                progress = false;
                std::lock_guard lock(listMutex);
                for (FileSource* s : sources)
                    progress = s->fillOne() || progress;
            }
        }
    }
};

DecodeWorker::DecodeWorker() : d(std::make_unique<Impl>()) {
    d->thread = std::thread([this] { d->run(); });
}

DecodeWorker::~DecodeWorker() {
    d->stop = true;
    d->wake.release();
    d->thread.join();
}

DecodeWorker& DecodeWorker::instance() {
    static DecodeWorker w;
    return w;
}

void DecodeWorker::add(FileSource* s) {
    {
        std::lock_guard lock(d->listMutex);
        d->sources.push_back(s);
    }
    wake();
}

void DecodeWorker::remove(FileSource* s) {
    std::lock_guard lock(d->listMutex);
    std::erase(d->sources, s);
}

void DecodeWorker::wake() {
    d->wake.release();
}

} // namespace wc::audio
