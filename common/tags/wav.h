#pragma once
// The format header of a RIFF WAVE file, for the technical info line.
#include "common/tags/fileio.h"

#include <QString>

namespace wc {

class TWAVfile {
public:
    bool valid = false;
    uint16_t formatTag = 0;
    uint8_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t bytesPerSecond = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint32_t sampleDataSize = 0;
    uint32_t headerSize = 0;
    uint32_t fileSize = 0;

    void reset() { *this = TWAVfile(); }
    // False on an I/O error; a file that is not a mono or stereo WAVE file reads as not
    // valid with every field zero.
    bool read(const tags::ByteSource& src);
    bool readFromFile(const QString& fileName);
    QString channelMode() const;
};

// "Unknown", "Mono", "Stereo" by channel count (Ogg and WMA use the same names).
QString channelCountName(int channels);

} // namespace wc
