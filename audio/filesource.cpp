#include "audio/filesource.h"

#include <algorithm>
#include <cstring>
#include <semaphore>
#include <thread>

namespace wc::audio {

FileSource::FileSource(std::unique_ptr<FileDecoder> decoder, int bufferMs)
    : decoder_(std::move(decoder)), rate_(decoder_->rate()), length_(decoder_->lengthFrames()),
      blocks_(unsigned(std::clamp<std::int64_t>(
          (std::int64_t(std::max(bufferMs, 0)) * rate_ / 1000 + kBlockFrames - 1) / kBlockFrames, 2,
          kMaxBlocks))),
      ring_(blocks_) {
    for (Block& b : ring_)
        b.data.resize(std::size_t(kBlockFrames) * kChannels);
    fillOne(); // the first block at once, so that playback starts without waiting
    DecodeWorker::instance().add(this);
}

FileSource::~FileSource() {
    DecodeWorker::instance().remove(this);
}

bool FileSource::fillOne() {
    std::lock_guard lock(decodeMutex_);
    const std::uint32_t head = head_.load(std::memory_order_relaxed);
    if (decoderDone_ || head - tail_.load(std::memory_order_acquire) >= blocks_) return false;
    Block& b = ring_[head % blocks_];
    b.start = decoder_->position();
    b.frames = decoder_->read(b.data.data(), kBlockFrames);
    b.last = b.frames < kBlockFrames || decoder_->position() >= length_;
    decoderDone_ = b.last;
    head_.store(head + 1, std::memory_order_release);
    return true;
}

int FileSource::pull(float* out, int frames, bool mayWait) {
    int done = 0;
    bool freed = false;
    while (done < frames) {
        const std::uint32_t tail = tail_.load(std::memory_order_relaxed);
        if (tail == head_.load(std::memory_order_acquire)) {
            if (!mayWait) break;
            fillOne(); // the worker may have filled the ring meanwhile: look again either way
            if (tail == head_.load(std::memory_order_acquire)) break; // decoded to the end
            continue;
        }
        Block& b = ring_[tail % blocks_];
        const int take = std::min(frames - done, b.frames - readOffset_);
        std::memcpy(out + std::size_t(done) * kChannels,
                    b.data.data() + std::size_t(readOffset_) * kChannels,
                    std::size_t(take) * kChannels * sizeof(float));
        done += take;
        readOffset_ += take;
        position_.store(b.start + readOffset_, std::memory_order_release);
        if (readOffset_ >= b.frames) {
            readOffset_ = 0;
            tail_.store(tail + 1, std::memory_order_release);
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

bool FileSource::seekFrames(std::int64_t frame) {
    {
        std::lock_guard lock(decodeMutex_);
        frame = std::clamp<std::int64_t>(frame, 0, length_);
        if (!decoder_->seek(frame)) return false;
        tail_.store(head_.load(std::memory_order_relaxed), std::memory_order_release);
        readOffset_ = 0;
        decoderDone_ = false;
        position_.store(frame, std::memory_order_release);
        ended_.store(false, std::memory_order_release);
    }
    fillOne();
    DecodeWorker::instance().wake();
    return true;
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
