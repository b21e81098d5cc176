#include "audio/silence.h"

#include "audio/decoder.h"

#include <cmath>
#include <vector>

namespace wc::audio {

namespace {
constexpr int kBlockBytes = 65536;
constexpr int kBlockFrames = kBlockBytes / kBytesPerFrame;

float frameLevel(const float* s, std::int64_t frame) {
    return std::max(std::fabs(s[2 * frame]), std::fabs(s[2 * frame + 1]));
}
} // namespace

SilenceInfo analyseSilence(const QString& path, float t, std::int64_t knownLengthFrames) {
    SilenceInfo r;
    // A decoder of its own, read directly on this thread: the analysis runs before the
    // deck's stream exists and needs no ring or worker.
    FileDecoder dec;
    if (dec.open(path, knownLengthFrames) != kOk) return r;
    const std::int64_t length = dec.lengthFrames() * kBytesPerFrame;
    std::vector<float> buf(std::size_t(kBlockFrames) * kChannels);

    // Leading silence: up to the first frame louder than t, then back over the quieter
    // run-up (louder than t/4) that belongs to the sound.
    std::int64_t start = 0;
    bool found = false;
    for (;;) {
        const int got = dec.read(buf.data(), kBlockFrames);
        if (got <= 0) break;
        std::int64_t i = 0;
        while (i < got && frameLevel(buf.data(), i) <= t)
            ++i;
        start += i * kBytesPerFrame;
        if (i < got) {
            for (std::int64_t c = i; c > 0 && frameLevel(buf.data(), c) > t * 0.25f; --c)
                start -= kBytesPerFrame;
            found = true;
            break;
        }
    }
    if (!found) start = length;

    // Trailing silence: blocks from the end backwards, each walked back from its end over
    // frames no louder than t/2; the first block with sound gives the end.
    std::int64_t end = length;
    for (std::int64_t pos = length; pos > start;) {
        pos = std::max<std::int64_t>(0, pos - kBlockBytes);
        if (!dec.seek(pos / kBytesPerFrame)) break;
        std::int64_t cursor = dec.read(buf.data(), kBlockFrames);
        while (cursor > 0 && frameLevel(buf.data(), cursor - 1) <= t * 0.5f)
            --cursor;
        if (cursor > 0) {
            end = pos + cursor * kBytesPerFrame;
            break;
        }
        if (pos == 0) break;
    }
    r.startBytes = start;
    r.trailingBytes = std::max<std::int64_t>(0, length - std::max(end, start));
    r.startSec = float(double(r.startBytes / kBytesPerFrame) / dec.rate());
    r.endSec = float(double(r.trailingBytes / kBytesPerFrame) / dec.rate());
    return r;
}

} // namespace wc::audio
