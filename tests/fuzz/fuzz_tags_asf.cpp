// WMA (ASF) headers: object sizes, text lengths and attribute lists from any bytes.
#include "common/tags/asf.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    wc::tags::MemorySource src(data, int64_t(size));
    wc::TWMA wma;
    if (!wma.read(src)) std::abort(); // a source that exists always reads
    if (wma.title.size() > qsizetype(size) || wma.lyrics.size() > qsizetype(size)) std::abort();
    if (wma.valid && (wma.channels < 1 || wma.channels > 2)) std::abort();
    (void)wma.channelMode();
    return 0;
}
