#pragma once
// Worker threads that measure lengths of audio files away from the window thread. A job
// hands its files to a batch, all at once or in large parts; the workers take them one at a
// time (several at once) and put the results back in the batch, which wakes the job so that
// it applies them on its own thread, many at a time. Nothing here touches the library: the
// workers see only paths.
#include "common/playlistfile/m3u.h"

#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace wc::base {

class LengthWorkers {
public:
    // probe is called from the worker threads, several at once: it must be safe for that.
    // It must outlive the workers. threads < 1 counts as 1.
    LengthWorkers(FileDurationMs& probe, int threads);
    // Lets the measurements under way end (queued ones are dropped) and joins the threads.
    ~LengthWorkers();
    LengthWorkers(const LengthWorkers&) = delete;
    LengthWorkers& operator=(const LengthWorkers&) = delete;

    int threads() const { return int(threads_.size()); }
    // The number of threads for this machine: its cores, at least 2 (files wait on the disk as
    // much as on a core) and at most 4.
    static int defaultThreads();

    struct Result {
        int tag;
        qint32 ms;
    };
    struct File {
        int tag;
        QString path;
    };

    // The measurements of one job.
    class Batch {
    public:
        // Drops the files not started; those under way end unheard.
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        // Queues files, in order after those queued before; each tag comes back with its
        // result. One call wakes the workers once, however many files it brings.
        void submit(std::vector<File> files);
        // The results measured so far (each once).
        std::vector<Result> take(size_t max = size_t(-1));
        // Files submitted whose results were not taken yet.
        int outstanding() const;
        // Files queued or under way.
        int unfinished() const;
        // Files queued and not started; dropping them returns their tags.
        std::vector<int> dropQueued();
        // Blocks until at least `count` results are ready or no more are coming (nothing
        // queued or under way): results come back many at a time, not one wake each.
        void waitForResults(size_t count);

    private:
        friend class LengthWorkers;
        struct State;
        explicit Batch(LengthWorkers& owner, std::function<void()> wake);
        LengthWorkers& owner_;
        std::shared_ptr<State> state_;
    };
    // wake is called from a worker thread when a result is ready and the previous wake has
    // been answered by take(); it must only post to the job's thread.
    std::unique_ptr<Batch> newBatch(std::function<void()> wake);

private:
    void run();

    FileDurationMs& probe_;
    // Guards busy_ and stop_; taken before a batch's own mutex.
    std::mutex mutex_;
    std::condition_variable cv_;
    // The batches with files queued, in the order they got them; the workers serve the first.
    std::deque<std::shared_ptr<Batch::State>> busy_;
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

} // namespace wc::base
