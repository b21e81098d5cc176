#include "common/tags/mpeg.h"

#include <cmath>
#include <cstring>

namespace wc {

using namespace tags;

namespace {

constexpr int kWindow = 3458;    // bytes read per search
constexpr int kUsable = 3457;    // of which the search may use
constexpr int kLastStart = 1729; // last candidate position

// kbit/s by [MPEG 1 ? 0 : 1][layer index][bit-rate index]
constexpr int kBitRates[2][4][16] = {
    {{0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0}},
    {{0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0}}};

// Hz by [version index][sample-rate index]
constexpr int kSampleRates[4][4] = {
    {11025, 12000, 8000, 0}, {0, 0, 0, 0}, {22050, 24000, 16000, 0}, {44100, 48000, 32000, 0}};

int tableBitRate(const TMPEGaudio::FrameData& f) {
    if (f.versionId == 1 || f.layerId == 0 || f.layerId > 3 || f.bitRateId > 15) return 0;
    return kBitRates[f.versionId == 3 ? 0 : 1][f.layerId][f.bitRateId];
}

int tableSampleRate(const TMPEGaudio::FrameData& f) {
    if (f.versionId > 3 || f.sampleRateId > 3) return 0;
    return kSampleRates[f.versionId][f.sampleRateId];
}

// Bytes per frame for each kbit/s of bit rate and Hz of sample rate.
int coefficient(const TMPEGaudio::FrameData& f) {
    if (f.layerId == 3) return 48;                      // 384 samples of Layer I, any version
    if (f.versionId == 3 || f.layerId == 2) return 144; // 1152 samples
    return 72;                                          // Layer III of MPEG 2 and 2.5: 576 samples
}

int paddingOf(const TMPEGaudio::FrameData& f) {
    if (!f.paddingBit) return 0;
    return f.layerId == 3 ? 4 : 1;
}

void decode(const uint8_t* h, TMPEGaudio::FrameData& f) {
    std::memcpy(f.header, h, 4);
    f.versionId = h[1] >> 3 & 3;
    f.layerId = h[1] >> 1 & 3;
    f.protectionBit = (h[1] & 1) != 1;
    f.bitRateId = h[2] >> 4;
    f.sampleRateId = h[2] >> 2 & 3;
    f.paddingBit = (h[2] >> 1 & 1) == 1;
    f.privateBit = (h[2] & 1) == 1;
    f.modeId = h[3] >> 6;
    f.modeExtensionId = h[3] >> 4 & 3;
    f.copyrightBit = (h[3] >> 3 & 1) == 1;
    f.originalBit = (h[3] >> 2 & 1) == 1;
    f.emphasisId = h[3] & 3;
}

// Frame length in bytes. Layer I counts in 4-byte slots, the others in bytes; the division
// truncates, and the padding bit adds one slot.
int frameLength(const TMPEGaudio::FrameData& f) {
    const int rate = tableSampleRate(f);
    if (rate == 0) return 0;
    const int64_t bits = int64_t(tableBitRate(f)) * 1000;
    if (f.layerId == 3) return int(12 * bits / rate) * 4 + paddingOf(f);
    return int(coefficient(f) * bits / rate) + paddingOf(f);
}

int sideInfoOffset(const TMPEGaudio::FrameData& f) {
    const bool mono = f.modeId == 3;
    if (f.versionId == 3) return mono ? 21 : 36;
    return mono ? 13 : 21;
}

// Looks for a Xing or VBRI header at data[o]; only bytes below size are read.
void readVbr(const uint8_t* data, int size, int o, TMPEGaudio::VBRData& vbr) {
    if (o < 0 || o + 4 > size) return;
    const uint8_t* p = data + o;
    if (std::memcmp(p, "Xing", 4) == 0) {
        if (o + 16 > size) return;
        vbr.found = true;
        std::memcpy(vbr.id, p, 4);
        vbr.frames = int32_t(be32(p + 8));
        vbr.bytes = int32_t(be32(p + 12));
        if (o + 120 <= size) vbr.scale = p[119];
        if (o + 128 <= size) std::memcpy(vbr.vendor, p + 120, 8);
    } else if (std::memcmp(p, "VBRI", 4) == 0) {
        if (o + 18 > size) return;
        vbr.found = true;
        std::memcpy(vbr.id, p, 4);
        vbr.scale = p[9];
        vbr.bytes = int32_t(be32(p + 10));
        vbr.frames = int32_t(be32(p + 14));
    }
}

} // namespace

QString mpegChannelModeName(int modeId) {
    switch (modeId) {
    case 0:
        return QStringLiteral("Stereo");
    case 1:
        return QStringLiteral("Joint Stereo");
    case 2:
        return QStringLiteral("Dual Channel");
    case 3:
        return QStringLiteral("Mono");
    default:
        return QStringLiteral("Unknown");
    }
}

bool TMPEGaudio::isFrameHeader(const uint8_t* h) {
    return h[0] == 0xFF && h[1] >= 0xE0 && (h[1] >> 3 & 3) != 1 && (h[1] >> 1 & 3) != 0 &&
           (h[2] >> 4) >= 1 && (h[2] >> 4) <= 14 && (h[2] >> 2 & 3) != 3 && (h[3] & 3) != 2;
}

bool TMPEGaudio::findFrame(const uint8_t* data, int size, FrameData& frame, VBRData& vbr) {
    size = std::min(size, kUsable);
    for (int p = 0; p <= kLastStart && p + 4 <= size; ++p) {
        if (!isFrameHeader(data + p)) continue;
        FrameData f;
        decode(data + p, f);
        const int len = frameLength(f);
        if (len <= 0 || int64_t(p) + len + 4 > size || !isFrameHeader(data + p + len)) continue;
        f.found = true;
        f.position = p;
        f.size = len;
        frame = f;
        readVbr(data, size, p + sideInfoOffset(f), vbr);
        return true;
    }
    return false;
}

bool TMPEGaudio::read(const ByteSource& src) {
    reset();
    const bool v2 = id3v2.read(src);
    const bool v1 = id3v1.read(src);
    if (!v2 || !v1) return false;
    fileLength = int32_t(std::min<int64_t>(src.size(), INT32_MAX));
    uint8_t window[kWindow];
    int64_t n = src.readAt(id3v2.size, window, kWindow);
    if (n < 0) return false;
    bool found = findFrame(window, int(n), frame, vbr);
    if (!found && n == kWindow) {
        n = src.readAt((src.size() - id3v2.size) / 2, window, kWindow);
        if (n < 0) return false;
        found = findFrame(window, int(n), frame, vbr);
    }
    if (!found) {
        frame = FrameData();
        vbr = VBRData();
    }
    return true;
}

bool TMPEGaudio::readFromFile(const QString& fileName) {
    InFile f(fileName);
    if (!f.isOpen()) {
        reset();
        return false;
    }
    return read(f);
}

int TMPEGaudio::bitRate() const {
    if (!frame.found) return 0;
    const int rate = tableSampleRate(frame);
    if (vbr.found && vbr.frames >= 1 && rate > 0) {
        const double perFrame = double(vbr.bytes) / vbr.frames - paddingOf(frame);
        const double kbit = std::nearbyint(perFrame * rate / coefficient(frame) / 1000);
        return kbit < 0 ? 0 : kbit > 1e6 ? 1000000 : int(kbit);
    }
    return tableBitRate(frame);
}

int TMPEGaudio::sampleRate() const {
    return frame.found ? tableSampleRate(frame) : 0;
}

QString TMPEGaudio::channelMode() const {
    return mpegChannelModeName(frame.found ? frame.modeId : 4);
}

} // namespace wc
