#pragma once
// A decoded file as a Source. The decode worker runs ahead of playback and fills a ring of
// blocks; the render thread only copies out of the ring.
//
//   Ring blocks: written by the decode worker (or by a waiting reader, see pull), under
//                decodeMutex_, into the ring writing_ points to; read by the render thread
//                without a lock from reading_.
//   head:        advanced by the writer only (release); tail, readOffset: by the reader only.
//   prepareSeek: main thread (or the silence worker for a held stream), under decodeMutex_
//                only: it seeks the decoder, decodes the first block into a fresh ring and
//                points the writer at it, while the reader goes on with the old ring.
//   commitSeek:  under the render lock of the owning device (or while nobody reads): swaps
//                the prepared ring in. The old ring is kept for the next seek, so seeking
//                allocates only the first time.
#include "audio/decoder.h"
#include "audio/source.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace wc::audio {

class FileSource final : public Source {
public:
    // Takes an opened decoder. The worker decodes up to bufferMs ahead of playback (in whole
    // blocks of 4096 frames, at least two).
    explicit FileSource(std::unique_ptr<FileDecoder> decoder, int bufferMs = 500);
    // Blocks in the ring (for tests and diagnostics).
    unsigned blocks() const { return blocks_; }
    ~FileSource() override;

    int rate() const override { return rate_; }
    int pull(float* out, int frames, bool mayWait) override;
    bool ended() const override { return ended_.load(std::memory_order_acquire); }
    std::int64_t lengthFrames() const override { return length_; }
    std::int64_t positionFrames() const override {
        return position_.load(std::memory_order_acquire);
    }
    bool prepareSeek(std::int64_t frame) override;
    bool commitSeek() override;
    bool seekFrames(std::int64_t frame) override;
    bool isFile() const override { return true; }

    // Decode worker: decodes one block if there is room. Returns whether it did.
    bool fillOne();

private:
    static constexpr int kBlockFrames = 4096;
    static constexpr unsigned kMaxBlocks = 64;
    struct Block {
        std::int64_t start = 0;
        int frames = 0;
        bool last = false;
        std::vector<float> data;
    };
    struct Ring {
        explicit Ring(unsigned blocks);
        void reset(std::int64_t frame);
        std::vector<Block> blocks;
        std::atomic<std::uint32_t> head{0};
        std::atomic<std::uint32_t> tail{0};
        int readOffset = 0;       // reader only
        bool decoderDone = false; // writer only (under decodeMutex_)
        std::int64_t start = 0;   // the frame the ring starts at
    };
    // Writer side of fillOne, with decodeMutex_ held; only into ring `only` when given.
    bool fillLocked(const Ring* only);

    std::unique_ptr<FileDecoder> decoder_;
    std::mutex decodeMutex_;
    int rate_;
    std::int64_t length_;
    unsigned blocks_;
    std::unique_ptr<Ring> reading_; // the reader's ring
    // The seeking thread's (prepareSeek, then commitSeek, always from one thread):
    std::unique_ptr<Ring> prepared_; // made by prepareSeek, not yet current
    std::unique_ptr<Ring> spare_;    // the ring the last commit let go
    Ring* writing_ = nullptr;        // under decodeMutex_: reading_ or prepared_
    std::atomic<std::int64_t> position_{0};
    std::atomic<bool> ended_{false};
};

// The one decode worker of the process: it keeps every registered file source's ring full.
// The render threads wake it (a semaphore release, which never blocks) when they free a block.
class DecodeWorker {
public:
    static DecodeWorker& instance();
    void add(FileSource* s);
    void remove(FileSource* s); // waits until the worker no longer uses s
    void wake();

private:
    DecodeWorker();
    ~DecodeWorker();
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace wc::audio
