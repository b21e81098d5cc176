#include "player/core/playback/trackstorerecords.h"

#include "common/log.h"
#include "common/trackstore/trackstore.h"

#include <exception>

namespace wc {

TrackTimes TrackStoreRecords::times(const QString& fileName) {
    const TTrackRecord r = store_.GetTrackRecord(fileName);
    TrackTimes t;
    t.introMs = r.introMs;
    t.outroMs = r.outroMs;
    t.mixMs = r.mixMs;
    t.mixOn = r.mixOn;
    t.fadeOutMs = r.fadeOutMs;
    t.fadeOn = r.fadeOutOn;
    t.fadeInMs = r.fadeInMs;
    t.fadeInOn = r.fadeInOn;
    return t;
}

void TrackStoreRecords::recordPlay(const QString& fileName, bool countPlay, double nowOle) {
    // A store that cannot be written (its load failed) refuses; playout goes on regardless.
    store_.recordPlay(fileName, countPlay, nowOle);
}

StoreLoadResult loadTrackStoreAtStart(MyDatabase& store) {
    try {
        return store.LoadTrackStore() ? StoreLoadResult::Loaded : StoreLoadResult::FailedAndShown;
    } catch (const std::exception& e) {
        // Running out of memory while the records are indexed, for instance: nothing has been
        // shown yet.
        logLine(QStringLiteral("Track store not loaded: ") + QString::fromLocal8Bit(e.what()));
        return StoreLoadResult::Failed;
    }
}

} // namespace wc
