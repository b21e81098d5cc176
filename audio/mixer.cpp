#include "audio/mixer.h"

#include <algorithm>

namespace wc::audio {

int MixerSource::pull(float* out, int frames, bool mayWait) {
    std::fill(out, out + std::size_t(frames) * kChannels, 0.0f);
    // Ended with free-at-end: leave the list now (erasing never allocates), and let the main
    // thread delete it.
    auto drop = [this](std::size_t i) {
        inputs[i]->pendingFree.store(true, std::memory_order_release);
        inputs.erase(inputs.begin() + std::ptrdiff_t(i));
    };
    for (int done = 0; done < frames;) {
        const int n = std::min(frames - done, Channel::kMaxBlock);
        float* dst = out + std::size_t(done) * kChannels;
        const std::int64_t base = rendered_.load(std::memory_order_relaxed) + done;
        for (std::size_t i = 0; i < inputs.size();) {
            Channel* ch = inputs[i];
            // Started in this block by another input's trigger: mixed from its frame below.
            if (ch->startOffset < 0 && !mixOne(ch, dst, n, base, 0, mayWait) && ch->freeAtEnd) {
                drop(i);
                continue;
            }
            ++i;
        }
        for (std::size_t i = 0; i < inputs.size();) {
            Channel* ch = inputs[i];
            if (ch->startOffset >= 0) {
                const int at = std::exchange(ch->startOffset, -1);
                if (!mixOne(ch, dst, n, base, at, mayWait) && ch->freeAtEnd) {
                    drop(i);
                    continue;
                }
            }
            ++i;
        }
        done += n;
    }
    rendered_.fetch_add(frames, std::memory_order_relaxed);
    return frames;
}

bool MixerSource::mixOne(Channel* ch, float* dst, int frames, std::int64_t base, int at,
                         bool mayWait) {
    const std::int64_t before = ch->mixedFrames;
    const bool on = ch->mixInto(dst + std::size_t(at) * kChannels, frames - at, mayWait);
    const std::int64_t made = ch->mixedFrames - before;
    if (made > 0 && before == 0) record(HeardEvent{ch->handle, true, base + at});
    if (!on) record(HeardEvent{ch->handle, false, base + at + made});
    return on;
}

void MixerSource::record(const HeardEvent& e) {
    const std::uint32_t head = eventHead_.load(std::memory_order_relaxed);
    if (head - eventTail_.load(std::memory_order_acquire) >= kEvents) return; // nobody drains
    events_[head % kEvents] = e;
    eventHead_.store(head + 1, std::memory_order_release);
}

void MixerSource::drainEvents(std::vector<HeardEvent>& out) {
    std::uint32_t tail = eventTail_.load(std::memory_order_relaxed);
    for (; tail != eventHead_.load(std::memory_order_acquire); ++tail)
        out.push_back(events_[tail % kEvents]);
    eventTail_.store(tail, std::memory_order_release);
}

void MixerSource::forget(Channel* ch) {
    for (Channel* in : inputs) {
        if (in->dependent == ch) in->dependent = nullptr;
        if (in->armedOn == ch) in->armedOn = nullptr;
    }
    if (ch->dependent) ch->dependent->armedOn = nullptr;
    ch->dependent = nullptr;
    ch->armedOn = nullptr;
    ch->startOffset = -1;
}

} // namespace wc::audio
