// The length headers of FLAC, Ogg (".oga") and MP4 files come from anywhere: any bytes must
// parse without reading outside them, and a length that is given is positive. The input is
// taken whole as each header, and cut into the head and tail pieces the Ogg reader takes.
#include "audio/containerlength.h"

#include <cstdint>
#include <cstdlib>

using namespace wc::audio;

namespace {
void check(const QuickLength& q) {
    if (q.source == LengthSource::None ? q.ms != 0 : q.ms <= 0) std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray all(reinterpret_cast<const char*>(data), qsizetype(size));
    check(flacLengthFromBytes(all));
    check(mp4LengthFromMoov(all));
    const qsizetype half = all.size() / 2;
    check(oggAnyLengthFromBytes(all, all));
    check(oggAnyLengthFromBytes(all.left(all.size() - half), all.right(half)));
    return 0;
}
