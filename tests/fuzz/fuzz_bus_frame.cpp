// Message-bus frames come from any process of the user: any bytes must decode without harm, a
// decoded frame must encode back to exactly the bytes it came from, and no shorter piece of it
// may pass for a frame.
#include "platform/busframe.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace wc::bus;
    const char* p = reinterpret_cast<const char*>(data);
    // Read the input as the stream of one connection after another, as the endpoint would.
    while (size > 0) {
        Frame f;
        const DecodeResult r = decodeFrame(p, size, &f);
        if (r.status != DecodeStatus::Ok) break;
        if (r.size < kHeaderSize || r.size > kMaxFrameSize || r.size > size) std::abort();
        const QByteArray again = encodeFrame(f);
        if (std::size_t(again.size()) != r.size || std::memcmp(again.constData(), p, r.size) != 0)
            std::abort();
        for (std::size_t n = 0; n < r.size; ++n)
            if (decodeFrame(p, n, nullptr).status == DecodeStatus::Ok) std::abort();
        p += r.size;
        size -= r.size;
    }
    return 0;
}
