#pragma once
// A decoded file as a Source. The decode worker runs ahead of playback and fills a ring of
// blocks; the render thread only copies out of the ring.
//
//   ring_ blocks: written by the decode worker (or by a waiting reader, see pull), under
//                 decodeMutex_; read by the render thread without a lock.
//   head_:        advanced by the writer only (release); tail_, readOffset_: by the reader only.
//   seekFrames:   main thread, with the render lock of the owning device held (so the reader
//                 is idle) and decodeMutex_ taken (so the writer is idle).
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

    std::unique_ptr<FileDecoder> decoder_;
    std::mutex decodeMutex_;
    int rate_;
    std::int64_t length_;
    unsigned blocks_;
    std::vector<Block> ring_;
    std::atomic<std::uint32_t> head_{0};
    std::atomic<std::uint32_t> tail_{0};
    int readOffset_ = 0;
    bool decoderDone_ = false; // under decodeMutex_
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
