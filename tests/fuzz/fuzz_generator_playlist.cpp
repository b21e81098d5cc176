// The generator's auxiliary playlists come from users' hands: any bytes must parse, every
// entry has a path that fits the library record, and lengths never wrap around.
#include "generator/core/genplaylist.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const wc::TBaseEntryArr entries = wc::parseGeneratorPlaylist(bytes, "/lists");
    for (const wc::TBaseEntry& e : entries) {
        if (e.fileName.isEmpty() || e.fileName.size() > wc::kFileNameCapacity) std::abort();
        if (e.durationMs % 1000 != 0) std::abort();
    }
    // Each record survives the library codec.
    if (wc::decodeLibrary(wc::encodeLibrary(entries)).size() != entries.size()) std::abort();
    return 0;
}
