#pragma once
// Lengths of FLAC, MP4 (".m4a") and Ogg files named ".oga" read from their headers: FLAC's
// STREAMINFO total samples (native or inside Ogg), the edit list or media header of an MP4's
// audio track, and for Vorbis and Opus in ".oga" the last granule as for ".ogg" and ".opus".
// A header that does not give a length it can vouch for gives None, and the caller decodes.
// Every function here may run on any thread.
#include "audio/quicklength.h"

#include <QByteArray>
#include <QString>

namespace wc::audio {

// FLAC from its first bytes ("fLaC" and the STREAMINFO block, after any ID3v2 tag): total
// samples over the sample rate. None when the total is not recorded (0) or the block is
// damaged.
QuickLength flacLengthFromBytes(const QByteArray& head);

// Ogg from its first bytes and its last ones: Vorbis and Opus as oggLengthFromBytes, FLAC in
// Ogg from the STREAMINFO block in its first packet, or when that does not know the total
// (streams written on the fly), from the last granule position at its sample rate.
QuickLength oggAnyLengthFromBytes(const QByteArray& head, const QByteArray& tail);

// MP4 from the body of its "moov" atom: the first sound track's single edit (its length in the
// movie's time scale), or without an edit list the media header's duration in the track's
// time scale. None for several edits, a rate other than 1, or missing boxes.
QuickLength mp4LengthFromMoov(const QByteArray& moov);

// The header length of a file with the suffix (lower case, without dot) "flac", "oga" or
// "m4a"; None for other suffixes, unreadable files and untrustworthy headers.
QuickLength containerLength(const QString& path, const QString& suffix);

} // namespace wc::audio
