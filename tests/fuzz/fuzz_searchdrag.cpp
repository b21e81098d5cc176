// Drag data can come from any program: any bytes must decode, every result has a file name,
// and encoding what was decoded decodes to the same results.
#include "player/core/edit/searchdrag.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::vector<wc::SearchResult> results = wc::decodeSearchResults(bytes);
    for (const wc::SearchResult& r : results)
        if (r.fileName.isEmpty()) std::abort();
    const std::vector<wc::SearchResult> again =
        wc::decodeSearchResults(wc::encodeSearchResults(results));
    if (again.size() != results.size()) std::abort();
    for (size_t i = 0; i < results.size(); ++i)
        if (again[i].fileName != results[i].fileName || again[i].title != results[i].title ||
            again[i].artist != results[i].artist)
            std::abort();
    return 0;
}
