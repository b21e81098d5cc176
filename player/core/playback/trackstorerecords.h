#pragma once
// The per-track store bound to the controller: transition values and lengths come from the
// track's record, and every start is recorded (play count, last play) under the store's file
// lock and broadcast.
#include "player/core/playback/playbackhost.h"
#include "player/core/shellservices.h"

namespace wc {

class MyDatabase;

class TrackStoreRecords : public TrackRecords {
public:
    explicit TrackStoreRecords(MyDatabase& store) : store_(store) {}
    TrackTimes times(const QString& fileName) override;
    void recordPlay(const QString& fileName, bool countPlay, double nowOle) override;

private:
    MyDatabase& store_;
};

// Loads the store as the player's start-up does. FailedAndShown: an I/O failure, already shown
// in the store's own error box; the store refuses writes until a load succeeds. Failed:
// something else went wrong (logged), and showing it is left to the caller.
StoreLoadResult loadTrackStoreAtStart(MyDatabase& store);

} // namespace wc
