#pragma once
// Ogg Vorbis: the identification and comment headers (texts, channels, sample rate, nominal
// bit rate), the length from the last page's granule position, and the rewrite of the
// comment header with the pages after it renumbered and their checksums recomputed.
#include "common/tags/id3.h"

#include <QByteArrayList>
#include <QString>

namespace wc {

class TOggVorbis {
public:
    int64_t fileSize = 0;
    uint8_t channels = 0;
    uint32_t sampleRate = 0;
    uint16_t nominalBitRate = 0; // kbit/s
    int64_t samples = 0;         // granule position of the last page
    int32_t id3v2Size = 0;
    QString title, artist, album;
    uint8_t track = 0;
    QString date, genre, comment, vendor;
    QString performer, description, trackText;
    // Comments that are none of the nine known fields, as stored; a save keeps them.
    QByteArrayList otherComments;
    bool headerFound = false; // first page and identification packet

    void reset() { *this = TOggVorbis(); }
    // True when the first page and the identification packet were found.
    bool read(const tags::ByteSource& src);
    bool readFromFile(const QString& fileName);

    double duration() const; // seconds
    int bitRate() const;     // kbit/s over the whole file
    bool valid() const;
    QString channelMode() const;

    // Replaces the comment header of the file with this object's texts. The file is written
    // through a temporary file; on any failure it stays as it was.
    TagWriteResult saveTag(const QString& fileName) const;

private:
    QByteArray vendorRaw_;
    QString readTrackText_; // TRACKNUMBER as read, kept on save when the number is unchanged
};

// The Ogg page checksum (polynomial 0x04C11DB7, no reflection, initial value 0).
uint32_t oggCrc(const uint8_t* data, size_t size, uint32_t crc = 0);

} // namespace wc
