// Jingle list files come from users' hands and other machines: any bytes must parse into nine
// slots without a line break in any path, and writing what was read reads back the same.
#include "player/core/jingles/jingleslots.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const wc::JingleListPaths paths = wc::parseJingleList(bytes);
    for (const QString& p : paths)
        if (p.contains('\r') || p.contains('\n')) std::abort();
    if (wc::parseJingleList(wc::formatJingleList(paths)) != paths) std::abort();
    return 0;
}
