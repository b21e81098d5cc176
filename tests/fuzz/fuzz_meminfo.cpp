// The memory panel reads /proc/meminfo: any bytes must parse, and a figure, when there is
// one, is a percentage.
#include "platform/sysload.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto load = wc::memoryLoadFromMeminfo(
        QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (load && !(*load >= 0.0 && *load <= 100.0)) std::abort();
    return 0;
}
