#pragma once
// The timing of a playlist: the length of an item read back from its duration text, the
// computed start-time column of the on-air list, and the numbering and total-length line.
#include "player/core/playlist/playlistview.h"

#include <QString>

namespace wc {

// The seconds of a length text "m:ss": the number before the first ":" times 60 plus the
// number after it. The minutes may have any number of digits ("123:45" is 7425 s). Returns
// false (and *seconds untouched) when the seconds are not a number, which is how "??:??" and
// an empty text read. Minutes that are not a number count 0.
bool lengthTextSeconds(const QString& text, qint64* seconds);
// The same for start times: a text that cannot be read counts 0.
qint64 startTimeLengthSeconds(const QString& text);

// Seconds of the day as "hh:mm:ss", the hours taken modulo 24.
QString timeOfDayText(qint64 seconds);

struct StartTimeParams {
    int window = 50;            // player.ini Options/CountStartTimeFor
    qint64 nowSeconds = 0;      // the time of day in whole seconds
    qint64 positionSeconds = 0; // the play position of the item on air in whole seconds
};

// Recomputes the start-time column of the on-air list from index from on: the item at
// from + offset gets the time of day (and becomes fixed) when offset is 0, the items after it
// up to from + window follow on by their lengths; every other item's time is cleared unless
// it is fixed. clearOnly only clears. Nothing happens when from is outside 0..count.
void UpdateStartTimes(PlaylistView& master, int from, int offset, bool clearOnly,
                      const StartTimeParams& p);

struct PlaylistTotals {
    int count = 0;
    qint64 seconds = 0;
    bool incomplete = false; // some item's length could not be read
};
PlaylistTotals playlistTotals(const PlaylistView& view);
// " Треков: 12 [0:43:10+]": the panel's text; tracksWord is the message table's text.
QString totalsText(const PlaylistTotals& t, const QString& tracksWord);

} // namespace wc
