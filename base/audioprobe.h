#pragma once
// Lengths through the audio engine. A file it cannot open gives no length (0), never the
// engine's -1.
#include "audio/audioengine.h"
#include "common/playlistfile/m3u.h"

namespace wc::base {

class AudioProbe final : public FileDurationMs {
public:
    qint32 durationMs(const QString& fileName) override {
        const int ms = audio::FileDurationMs(fileName);
        return ms > 0 ? ms : 0;
    }
};

} // namespace wc::base
