#pragma once
// The transition of one item: which crossfade entry it uses (its type, or its own values from
// the track store or from the fade sign in its title) and the values of the item entry.
#include "player/core/playback/playbackhost.h"
#include "player/core/profile/crossfade.h"

#include <QStringList>

namespace wc {

// The number after the fade sign in the lower-cased title (digits with at most one "."),
// or -1 when the sign is missing or no number follows it.
double FadeSignSeconds(const QString& title, const QString& fadeSign);

// Fills entry 12 of the table and returns the entry the item uses: 2..11 for a typed item, 0
// for a ".cda" track, 1 for music, 12 when the track's record or the fade sign in the title
// gives the item its own values.
int DetermineTransition(const QString& title, const QString& fileName, const TrackTimes& record,
                        const QStringList& typeIds, const QString& fadeSign, CrossfadeTable& table);

} // namespace wc
