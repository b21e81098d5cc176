// Encoder preset files come from other installations: any bytes must read (whole records
// only), and once written by us, reading and writing again gives the same presets and bytes.
#include "player/core/settings/encoderpresets.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    qsizetype trailing = -1;
    const wc::TEncoderPresets presets = wc::decodeEncoderPresets(bytes, &trailing);
    if (qsizetype(presets.size()) != bytes.size() / wc::kEncoderPresetSize) std::abort();
    if (trailing != bytes.size() % wc::kEncoderPresetSize) std::abort();
    for (const wc::TEncoderPreset& p : presets)
        if (p.ext.size() > wc::kEncoderPresetExtCapacity) std::abort();
    const QByteArray written = wc::encodeEncoderPresets(presets);
    if (written.size() != qsizetype(presets.size()) * wc::kEncoderPresetSize) std::abort();
    const wc::TEncoderPresets again = wc::decodeEncoderPresets(written);
    if (wc::encodeEncoderPresets(again) != written) std::abort();
    return 0;
}
