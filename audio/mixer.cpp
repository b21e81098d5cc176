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
        for (std::size_t i = 0; i < inputs.size();) {
            Channel* ch = inputs[i];
            // Started in this block by another input's trigger: mixed from its frame below.
            if (ch->startOffset < 0 && !ch->mixInto(dst, n, mayWait) && ch->freeAtEnd) {
                drop(i);
                continue;
            }
            ++i;
        }
        for (std::size_t i = 0; i < inputs.size();) {
            Channel* ch = inputs[i];
            if (ch->startOffset >= 0) {
                const int at = std::exchange(ch->startOffset, -1);
                if (!ch->mixInto(dst + std::size_t(at) * kChannels, n - at, mayWait) &&
                    ch->freeAtEnd) {
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
