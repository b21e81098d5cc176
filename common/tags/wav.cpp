#include "common/tags/wav.h"

#include <cstring>

namespace wc {

using namespace tags;

QString channelCountName(int channels) {
    switch (channels) {
    case 1:
        return QStringLiteral("Mono");
    case 2:
        return QStringLiteral("Stereo");
    default:
        return QStringLiteral("Unknown");
    }
}

bool TWAVfile::read(const ByteSource& src) {
    reset();
    if (src.size() <= 39) return true;
    uint8_t h[40];
    if (src.readAt(0, h, 40) != 40) return false;
    const uint32_t fmtSize = le32(h + 16);
    const bool dataFollows = std::memcmp(h + 36, "data", 4) == 0;
    uint32_t dataSize = 0;
    if (!dataFollows) {
        // The "data" chunk comes after other chunks: its size is read where a fmt chunk
        // followed directly by "data" would put it.
        uint8_t d[4];
        const int64_t n = src.readAt(int64_t(fmtSize) + 28, d, 4);
        if (n < 0) return false;
        if (n == 4) dataSize = le32(d);
    } else {
        uint8_t d[4];
        const int64_t n = src.readAt(40, d, 4);
        if (n < 0) return false;
        if (n == 4) dataSize = le32(d);
    }
    const uint16_t channelCount = le16(h + 22);
    if (std::memcmp(h, "RIFF", 4) != 0 || std::memcmp(h + 8, "WAVE", 4) != 0 ||
        std::memcmp(h + 12, "fmt ", 4) != 0 || (channelCount != 1 && channelCount != 2))
        return true;
    valid = true;
    formatTag = le16(h + 20);
    channels = uint8_t(channelCount);
    sampleRate = le32(h + 24);
    bytesPerSecond = le32(h + 28);
    blockAlign = le16(h + 32);
    bitsPerSample = le16(h + 34);
    sampleDataSize = dataSize;
    const uint64_t header = dataFollows ? 44 : uint64_t(fmtSize) + 40;
    headerSize = uint32_t(std::min<uint64_t>(header, uint64_t(src.size())));
    fileSize = le32(h + 4) + 8u;
    return true;
}

bool TWAVfile::readFromFile(const QString& fileName) {
    InFile f(fileName);
    if (!f.isOpen()) return false;
    return read(f);
}

QString TWAVfile::channelMode() const {
    return channelCountName(valid ? channels : 0);
}

} // namespace wc
