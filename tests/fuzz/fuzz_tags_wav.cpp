// RIFF WAVE format headers from any bytes.
#include "common/tags/id3.h"
#include "common/tags/wav.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    wc::tags::MemorySource src(data, int64_t(size));
    wc::TWAVfile wav;
    if (!wav.read(src)) std::abort();
    if (wav.valid && (wav.channels < 1 || wav.channels > 2)) std::abort();
    if (wav.headerSize > size) std::abort();
    (void)wav.channelMode();
    wc::TrackTag tag;
    wc::readId3v1(src, tag);
    return 0;
}
