#pragma once
// The per-track store bound to the controller: transition values and lengths come from the
// track's record, and every start is recorded (play count, last play) under the store's file
// lock and broadcast.
#include "player/core/playback/playbackhost.h"

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

} // namespace wc
