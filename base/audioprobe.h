#pragma once
// Lengths through the audio library: from the file's headers when they can be trusted,
// otherwise by decoding. A file that cannot be opened gives no length (0), never -1. Safe to
// call from several threads at once.
#include "audio/quicklength.h"
#include "common/playlistfile/m3u.h"

namespace wc::base {

class AudioProbe final : public FileDurationMs {
public:
    qint32 durationMs(const QString& fileName) override {
        const int ms = audio::QuickFileDurationMs(fileName);
        return ms > 0 ? ms : 0;
    }
};

} // namespace wc::base
