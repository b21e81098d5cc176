#pragma once
// The length probe of playlists: MP3, Ogg, Opus, FLAC and MP4 lengths from their headers
// where those can be trusted, everything else through the audio engine's decode-only streams.
#include "audio/quicklength.h"
#include "common/playlistfile/m3u.h"

namespace wc {

class AudioFileDurations : public FileDurationMs {
public:
    // 0 when the file cannot be opened (shown as "??:??").
    qint32 durationMs(const QString& fileName) override {
        const int ms = audio::QuickFileDurationMs(fileName);
        return ms > 0 ? ms : 0;
    }
};

} // namespace wc
