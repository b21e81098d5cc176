#pragma once
// A mixer as a source: it sums its input channels at the mixing rate. It never ends, so it
// delivers silence while empty. Its inputs list is changed by the main thread under the
// render lock of the mixer's device and walked by the render thread under the same lock;
// inputs that end with free-at-end set are dropped here and deleted later by the main thread.
// An input armed to start at another input's trigger is mixed from that frame of the block on.
#include "audio/channel.h"
#include "audio/source.h"

#include <array>
#include <atomic>
#include <utility>
#include <vector>

namespace wc::audio {

class MixerSource final : public Source {
public:
    MixerSource() { inputs.reserve(64); }
    int rate() const override { return kMixRate; }
    int pull(float* out, int frames, bool mayWait) override;
    bool ended() const override { return false; }
    std::int64_t positionFrames() const override {
        return rendered_.load(std::memory_order_relaxed);
    }
    bool seekFrames(std::int64_t frame) override {
        rendered_.store(frame);
        return true;
    }

    // Where inputs began and stopped being heard (for measurements): the render thread
    // records, the main thread drains (single producer and consumer, never blocking; events
    // that find the ring full are dropped).
    void drainEvents(std::vector<HeardEvent>& out);

    // Clears every armed start that involves ch (it is leaving the mixer). Main thread, under
    // the render lock.
    void forget(Channel* ch);

    std::vector<Channel*> inputs;

private:
    // Mixes ch into dst (frames from output frame `at` of the block starting at mixer frame
    // base) and records its first and last frames heard; false when it ended.
    bool mixOne(Channel* ch, float* dst, int frames, std::int64_t base, int at, bool mayWait);
    void record(const HeardEvent& e);

    std::atomic<std::int64_t> rendered_{0}; // written by the render thread
    static constexpr std::uint32_t kEvents = 1024;
    std::array<HeardEvent, kEvents> events_{};
    std::atomic<std::uint32_t> eventHead_{0}, eventTail_{0};
};

} // namespace wc::audio
