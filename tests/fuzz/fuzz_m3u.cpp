// Playlist files come from other programs and users' hands: any bytes must parse, every
// entry must have a path, and writing what was read and reading it again gives the same
// entries.
#include "common/playlistfile/m3u.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (bool header : {false, true}) {
        const std::vector<wc::M3uEntry> entries = wc::parseM3u(bytes, "/lists", header);
        for (const wc::M3uEntry& e : entries)
            if (e.path.isEmpty()) std::abort();
        // The written form reads back to the same paths, seconds and (trimmed) texts.
        const std::vector<wc::M3uEntry> again = wc::parseM3u(wc::formatM3u(entries), "", true);
        if (again.size() != entries.size()) std::abort();
        for (size_t i = 0; i < entries.size(); ++i) {
            if (again[i].path != entries[i].path.trimmed()) std::abort();
            if (again[i].seconds != entries[i].seconds) std::abort();
        }
    }
    return 0;
}
