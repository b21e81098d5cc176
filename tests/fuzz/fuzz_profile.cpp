// Profiles are edited by hand and come from older installations: any bytes must load, every
// binary block must have its exact size, and a written profile reads back to the same text.
#include "common/text.h"
#include "player/core/profile/profile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = wc::decodeText(reinterpret_cast<const char*>(data), qsizetype(size));
    wc::TProfile p(QStringLiteral("/opt/station/"));
    wc::TFXParams fx;
    wc::ReadProfileText(p, fx, text, QStringLiteral("/opt/station/"));
    if (fx.Reverb.Settings.size() != wc::kReverbBytes || fx.Echo.Settings.size() != wc::kEchoBytes ||
        fx.AutoAmp.Settings.size() != wc::kAutoAmpBytes ||
        fx.Echo2.Settings.size() != wc::kEcho2Bytes)
        std::abort();
    const QString written = wc::profileText(p, fx);
    wc::TProfile back(QStringLiteral("/opt/station/"));
    wc::TFXParams fxBack;
    wc::ReadProfileText(back, fxBack, written, QStringLiteral("/opt/station/"));
    if (wc::profileText(back, fxBack) != written) std::abort();
    return 0;
}
