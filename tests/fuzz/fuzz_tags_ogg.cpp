// Ogg Vorbis headers from damaged or hostile files: lengths and counts inside the comment
// packet, page structure and the backward search for the last page.
#include "common/tags/ogg.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    wc::tags::MemorySource src(data, int64_t(size));
    wc::TOggVorbis ogg;
    ogg.read(src);
    if (ogg.samples < 0) std::abort();
    const double d = ogg.duration();
    if (!(d >= 0)) std::abort(); // also catches NaN
    (void)ogg.bitRate();
    (void)ogg.valid();
    // Nothing stored can be longer than the input it came from.
    qsizetype stored = 0;
    for (const QByteArray& c : ogg.otherComments)
        stored += c.size();
    if (stored > qsizetype(size)) std::abort();
    return 0;
}
