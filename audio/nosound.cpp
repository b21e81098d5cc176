// Device 0, "No sound". A thread renders and discards audio at exactly the real-time rate:
// the number of frames due is computed from the monotonic time elapsed since the start, so
// rounding never accumulates and the output does not drift however long it runs.
#include "audio/device.h"

#include <chrono>
#include <condition_variable>
#include <thread>

namespace wc::audio {

namespace {

class NoSoundDevice final : public Device {
public:
    NoSoundDevice() : Device(0), buf_(std::size_t(kBlock) * kChannels) {}
    ~NoSoundDevice() override { stop(); }

    bool start() override {
        if (thread_.joinable()) return true;
        stopping_ = false;
        thread_ = std::thread([this] { run(); });
        return true;
    }
    void stop() override {
        {
            std::lock_guard lock(waitMutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

private:
    static constexpr int kBlock = 441; // 10 ms
    void run() {
        using clock = std::chrono::steady_clock;
        const auto t0 = clock::now();
        std::int64_t rendered = 0;
        std::unique_lock lock(waitMutex_);
        while (!stopping_) {
            const auto due =
                t0 + std::chrono::microseconds((rendered + kBlock) * 1000000 / kMixRate);
            wake_.wait_until(lock, due, [this] { return stopping_; });
            if (stopping_) break;
            const std::int64_t target =
                std::chrono::duration_cast<std::chrono::microseconds>(clock::now() - t0).count() *
                kMixRate / 1000000;
            while (rendered < target && !stopping_) {
                const int n = int(std::min<std::int64_t>(target - rendered, kBlock));
                render(buf_.data(), n, false);
                rendered += n;
            }
        }
    }

    std::vector<float> buf_;
    std::thread thread_;
    std::mutex waitMutex_; // only this device's own pacing thread and stop() use it
    std::condition_variable wake_;
    bool stopping_ = false;
};

} // namespace

std::unique_ptr<Device> makeNoSoundDevice() {
    return std::make_unique<NoSoundDevice>();
}

} // namespace wc::audio
