// Store files come from other installations and damaged disks: any bytes must load, every
// record must survive an encode/decode round trip, and every stored name must be found at or
// before its own slot.
#include "common/trackstore/trackstore.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    wc::TTrackRecord first;
    if (wc::decodeTrackRecord(bytes.constData(), bytes.size(), &first)) {
        const wc::TrackRecordBytes encoded = wc::encodeTrackRecord(first);
        wc::TTrackRecord again;
        if (!wc::decodeTrackRecord(encoded.data(), qsizetype(encoded.size()), &again)) std::abort();
        // Compared as bytes: a NaN last-play date is not equal to itself as a double.
        if (wc::encodeTrackRecord(again) != encoded) std::abort();
        wc::trackInfoLines(&first);
        wc::introOutroText(first.introMs);
        wc::introOutroText(first.outroMs);
    }

    wc::MyDatabase store(QStringLiteral("/nonexistent/fuzz/Files.Dat"));
    store.loadFromBytes(bytes);
    if (store.count() != int(size / wc::kTrackRecordSize)) std::abort();
    for (int i = 0; i < store.count(); ++i) {
        const wc::TTrackRecord r = store.recordAt(i);
        const int found = store.FindTrackRecord(r.nameText());
        // A name that is its own key (this program's lower-case UTF-8) is always found, at the
        // first slot that holds it.
        if (wc::trackKey(r.nameText()) == r.name && (found < 0 || found > i)) std::abort();
        store.GetTrackRecord(r.nameText());
    }
    return 0;
}
