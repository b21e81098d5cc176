#pragma once
// The length probe of playlists backed by the audio engine's decode-only streams.
#include "audio/audioengine.h"
#include "common/playlistfile/m3u.h"

namespace wc {

class AudioFileDurations : public FileDurationMs {
public:
    // 0 when the file cannot be opened (shown as "??:??").
    qint32 durationMs(const QString& fileName) override {
        const int ms = audio::FileDurationMs(fileName);
        return ms > 0 ? ms : 0;
    }
};

} // namespace wc
