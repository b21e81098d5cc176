#pragma once
// WMA files (ASF container): stream data and texts from the header objects, and the
// rewrite of the Content Description and Extended Content Description objects.
#include "common/tags/id3.h"

#include <QString>

namespace wc {

class TWMA {
public:
    bool opened = false;
    bool valid = false;
    bool vbr = false;
    int64_t fileSize = 0;
    uint32_t maxBitRate = 0;
    uint8_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t bytesPerSecond = 0;
    int bitRate = 0; // kbit/s
    QString title, artist, album, track, year, genre, comment, sdkVersion, genreId, promotionUrl,
        copyright, rating, encoder, streamType, lyrics;

    void reset() { *this = TWMA(); }
    // False only when the file cannot be opened; a file that is not ASF reads with empty
    // texts.
    bool read(const tags::ByteSource& src);
    bool readFromFile(const QString& fileName);
    QString channelMode() const;

    // Writes title, artist, copyright, comment and rating into the Content Description and
    // album, year, promotion URL, genre identifier, genre, track and lyrics into the Extended
    // Content Description, keeping every other attribute. Through a temporary file.
    TagWriteResult writeTag(const QString& fileName) const;
};

} // namespace wc
