// Tags read through TagLib come from anywhere: whatever the bytes, reading ends without
// reading outside them, and what it stores fits the record. The first byte chooses the format
// (FLAC, FLAC in Ogg, Opus, MP4, an MP3's ID3v2 tag) and whether the info line is composed;
// the rest is the file.
#include "common/tags/taglibtags.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace wc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const TagLibFormat kFormats[] = {TagLibFormat::Flac, TagLibFormat::OggFlac,
                                            TagLibFormat::Opus, TagLibFormat::Mp4,
                                            TagLibFormat::Id3v2};
    const TagLibFormat format = kFormats[data[0] % 5];
    const bool withInfo = data[0] & 0x80;
    tags::MemorySource src(data + 1, int64_t(size - 1));
    (void)oggContentOf(src);
    TrackTag tag;
    std::memset(&tag, 0x55, sizeof tag);
    QString info;
    if (readTagLibTag(src, format, tag, withInfo ? &info : nullptr)) {
        if (!tagHasMarker(tag, tagLibMarker(format))) std::abort();
        if (tag.genreLength > 30) std::abort();
        if (withInfo && format != TagLibFormat::Id3v2 && !info.endsWith(QLatin1String("Hz")))
            std::abort();
    } else {
        // A failed read leaves the record as it was.
        for (size_t i = 0; i < sizeof tag; ++i)
            if (reinterpret_cast<const uint8_t*>(&tag)[i] != 0x55) std::abort();
    }
    return 0;
}
