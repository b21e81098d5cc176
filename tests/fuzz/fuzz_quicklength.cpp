// The length headers of MP3, Ogg, WAV and ASF files come from anywhere: any bytes must parse
// without reading outside them, and a length that is given is never negative. The input is cut into
// the head, middle and tail pieces the reader takes from a file.
#include "audio/quicklength.h"

#include <cstdint>
#include <cstdlib>

using namespace wc::audio;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray all(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype third = all.size() / 3;
    const QByteArray head = all.left(all.size() - third);
    const QByteArray middle = all.mid(third, third);
    const QByteArray tail = all.right(third * 2);
    (void)id3v2Size(all);
    for (qint64 audioBytes : {qint64(all.size()), qint64(0), qint64(1) << 40}) {
        const QuickLength m = mp3LengthFromBytes(head, middle, audioBytes);
        if (m.ms < 0) std::abort();
        if (m.source == LengthSource::None && m.ms != 0) std::abort();
    }
    const QuickLength o = oggLengthFromBytes(head, tail);
    if (o.ms < 0) std::abort();
    for (qint64 fileSize : {qint64(all.size()), qint64(0), qint64(1) << 40}) {
        const QuickLength w = wavLengthFromBytes(all, fileSize);
        if (w.ms < 0 || (w.source == LengthSource::None && w.ms != 0)) std::abort();
    }
    const QuickLength a = asfLengthFromBytes(all);
    if (a.ms < 0 || (a.source == LengthSource::None && a.ms != 0)) std::abort();
    if (all.size() >= 4) {
        MpegFrameHeader h;
        if (parseMpegFrameHeader(data, &h) && (h.frameBytes < 4 || h.sampleRate <= 0)) std::abort();
    }
    return 0;
}
