// Library files come from other installations and other programs: any bytes must read, and
// once written by us (texts in UTF-8 cut to their fields), reading and writing again gives the
// same records and the same bytes. The folded texts that searches scan hold, for every record,
// what folding that record alone gives.
#include "common/library/libraryfile.h"
#include "common/library/librarysearch.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const wc::TBaseEntryArr entries = wc::decodeLibrary(bytes);
    if (qsizetype(entries.size()) != bytes.size() / wc::kBaseEntrySize) std::abort();
    const QByteArray written = wc::encodeLibrary(entries);
    if (written.size() != qsizetype(entries.size()) * wc::kBaseEntrySize) std::abort();
    const wc::TBaseEntryArr again = wc::decodeLibrary(written);
    if (again.size() != entries.size()) std::abort();
    if (wc::encodeLibrary(again) != written) std::abort();
    for (int field = 0; field < wc::kLibrarySearchFieldCount; ++field) {
        const wc::FoldedTexts texts(entries, field);
        if (texts.count() != int(entries.size())) std::abort();
        for (int i = 0; i < texts.count(); ++i)
            if (texts.at(i) != wc::foldedFieldText(entries[size_t(i)], field)) std::abort();
    }
    return 0;
}
