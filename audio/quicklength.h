#pragma once
// The length of an audio file read from its headers instead of decoding it: for MP3 the frame
// count of a Xing, Info or VBRI header (less the encoder's delay and padding when a LAME tag
// gives them) or the byte count of a constant-bit-rate stream; for Ogg the last granule
// position; for WAV the data chunk's size; for WMA 1 and 2 (ASF) the play duration less the
// preroll of the file properties and the decoder's first frame. When none of these can be trusted
// (a variable bit rate without a header, a damaged file, a live ASF stream, any other format) the
// file is decoded as FileDurationMs does. Every function here may run on any thread, several at
// once.
#include <QByteArray>
#include <QString>
#include <cstdint>

namespace wc::audio {

// One MPEG audio frame header.
struct MpegFrameHeader {
    int version = 0; // 1 MPEG-1, 2 MPEG-2, 25 MPEG-2.5
    int layer = 0;   // 1..3
    int bitrateKbps = 0;
    int sampleRate = 0;
    int channels = 0;
    int samplesPerFrame = 0;
    int frameBytes = 0;
};

// Parses the four bytes at p; false when they are not a valid frame header (free bit rate
// included, which cannot be measured without decoding).
bool parseMpegFrameHeader(const unsigned char* p, MpegFrameHeader* h);

enum class LengthSource {
    None,
    InfoHeader,
    ConstantBitRate,
    OggGranule,
    WaveHeader,
    AsfHeader,
    Decoded
};

struct QuickLength {
    LengthSource source = LengthSource::None;
    qint64 ms = 0;
};

// The length of samples at rate, with source, when it is one the suite can count (more than
// 0 and below 2^31 ms); both usually come from fields of a file, so any values are taken
// without overflow. None otherwise.
QuickLength lengthFromSamples(qint64 samples, qint64 rate, LengthSource source);

// MP3 from pieces of the file: head holds the bytes from the first byte after an ID3v2 tag
// (audioStart in the file), middle some bytes from the middle of the audio, audioBytes the
// length of the audio (the file less the tags at both ends). None when untrustworthy.
QuickLength mp3LengthFromBytes(const QByteArray& head, const QByteArray& middle, qint64 audioBytes);
// The size of an ID3v2 tag at the start of data (header, body and footer), 0 when none.
qint64 id3v2Size(const QByteArray& data);
// Ogg from the first bytes (the stream's identification header) and the last bytes (the
// last page with a granule position).
QuickLength oggLengthFromBytes(const QByteArray& head, const QByteArray& tail);

// WAV from its first bytes (the RIFF chunks up to the data chunk's header) and the file's
// size: PCM or float data whose chunk fits in the file.
QuickLength wavLengthFromBytes(const QByteArray& head, qint64 fileSize);
// WMA files from their first bytes (the header object with its file and stream properties):
// play duration less preroll, less the frame a WMA 1 or 2 decoder holds back; None for a
// broadcast (live) stream and for other codecs.
QuickLength asfLengthFromBytes(const QByteArray& head);

// The length of a file in milliseconds: from its headers when they can be trusted, otherwise
// by decoding; 0 when it cannot be read. *source tells which way it was measured.
int QuickFileDurationMs(const QString& path, LengthSource* source = nullptr);
// The length by decoding, as FileDurationMs measures it, without a stream of the audio
// system (so any thread may call it); -1 when the file cannot be opened.
int DecodedFileDurationMs(const QString& path);

} // namespace wc::audio
