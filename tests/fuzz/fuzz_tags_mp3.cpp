// MP3 files come from anywhere: the ID3v1 block, the ID3v2 size probe and the MPEG frame
// search must cope with any bytes and stay inside them.
#include "common/tags/id3.h"
#include "common/tags/mpeg.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    wc::tags::MemorySource src(data, int64_t(size));
    wc::TMPEGaudio mpeg;
    const bool ok = mpeg.read(src);
    if (ok && size < 128) std::abort(); // no ID3v1 read is possible below 128 bytes
    if (mpeg.frame.found && (mpeg.frame.position > 1729 || mpeg.frame.size <= 0)) std::abort();
    if (mpeg.bitRate() < 0 || mpeg.sampleRate() < 0) std::abort();
    (void)mpeg.channelMode();
    if (mpeg.id3v2.size < 0 || mpeg.id3v2.size > int64_t(size)) std::abort();
    wc::TrackTag tag;
    wc::readId3v1(src, tag);
    if (tag.genreLength > 30) std::abort();
    return 0;
}
