#include "audio/mixer.h"

#include <algorithm>

namespace wc::audio {

int MixerSource::pull(float* out, int frames, bool mayWait) {
    std::fill(out, out + std::size_t(frames) * kChannels, 0.0f);
    for (int done = 0; done < frames;) {
        const int n = std::min(frames - done, Channel::kMaxBlock);
        float* dst = out + std::size_t(done) * kChannels;
        for (std::size_t i = 0; i < inputs.size();) {
            Channel* ch = inputs[i];
            if (!ch->mixInto(dst, n, mayWait) && ch->freeAtEnd) {
                // Ended with free-at-end: leave the list now (erasing never allocates), and
                // let the main thread delete it.
                ch->pendingFree.store(true, std::memory_order_release);
                inputs.erase(inputs.begin() + std::ptrdiff_t(i));
                continue;
            }
            ++i;
        }
        done += n;
    }
    rendered_.fetch_add(frames, std::memory_order_relaxed);
    return frames;
}

} // namespace wc::audio
