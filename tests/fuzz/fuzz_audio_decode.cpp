// Audio files come from anywhere: whatever the bytes, opening, reading to the end, seeking
// and reading again must neither crash nor read past the length the decoder reported.
#include "audio/decoder.h"

#include <QTemporaryFile>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QTemporaryFile file;
    if (!file.open()) return 0;
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.flush();
    wc::audio::FileDecoder dec;
    if (dec.open(file.fileName()) != wc::audio::kOk) return 0;
    std::vector<float> buf(4096 * 2);
    std::int64_t total = 0;
    for (int got; (got = dec.read(buf.data(), 4096)) > 0 && total < 10'000'000;)
        total += got;
    if (total > dec.lengthFrames()) std::abort();
    for (std::int64_t target : {dec.lengthFrames() / 2, std::int64_t(0), dec.lengthFrames()}) {
        dec.seek(target);
        const int got = dec.read(buf.data(), 1024);
        if (got < 0 || dec.position() > dec.lengthFrames()) std::abort();
    }
    return 0;
}
