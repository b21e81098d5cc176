#pragma once
// MPEG audio stream analysis: the first frame (confirmed by a second header at the computed
// frame length) and an optional Xing or VBRI header give bit rate, sample rate and channel
// mode for the technical info line.
#include "common/tags/id3.h"

#include <QString>

namespace wc {

class TMPEGaudio {
public:
    struct VBRData {
        bool found = false;
        char id[4] = {}; // "Xing" or "VBRI"
        int32_t frames = 0;
        int32_t bytes = 0;
        uint8_t scale = 0;
        char vendor[8] = {};
    };
    struct FrameData {
        bool found = false;
        int32_t position = 0; // offset inside the searched window
        int32_t size = 0;     // frame length in bytes
        uint8_t header[4] = {};
        uint8_t versionId = 1; // 0 MPEG 2.5, 1 reserved, 2 MPEG 2, 3 MPEG 1
        uint8_t layerId = 0;   // 1 Layer III, 2 Layer II, 3 Layer I
        bool protectionBit = false;
        uint8_t bitRateId = 0;
        uint8_t sampleRateId = 3;
        bool paddingBit = false;
        bool privateBit = false;
        uint8_t modeId = 4; // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono, 4 unknown
        uint8_t modeExtensionId = 4;
        bool copyrightBit = false;
        bool originalBit = false;
        uint8_t emphasisId = 2;
    };

    int32_t fileLength = 0;
    TID3v1 id3v1;
    TID3v2 id3v2;
    VBRData vbr;
    FrameData frame;

    void reset() { *this = TMPEGaudio(); }
    bool read(const tags::ByteSource& src);
    bool readFromFile(const QString& fileName);

    int bitRate() const;    // kbit/s; the average of a VBR stream; 0 when nothing was found
    int sampleRate() const; // Hz
    QString channelMode() const;

    // The search over one window of bytes (at most 3458 are looked at).
    static bool findFrame(const uint8_t* data, int size, FrameData& frame, VBRData& vbr);
    static bool isFrameHeader(const uint8_t* h);
};

// "Stereo", "Joint Stereo", "Dual Channel", "Mono", or "Unknown" for any other index.
QString mpegChannelModeName(int modeId);

} // namespace wc
