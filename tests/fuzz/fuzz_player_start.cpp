// The start-up script and the command line come from outside: any bytes must parse, and the
// numbers read from the watchdog markers must stay within what the text can hold.
#include "common/text.h"
#include "player/core/autoexec.h"
#include "player/core/cmdline.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = wc::decodeText(reinterpret_cast<const char*>(data), qsizetype(size));
    wc::parseAutoexec(text);
    const QStringList args = text.split(u' ');
    const wc::PlayerCommandLine cl = wc::parsePlayerCommandLine(args);
    if (cl.resume && (cl.resume->index > 9999999999LL || cl.resume->positionMs > 9999999999LL))
        std::abort();
    QStringList files = text.split(u'\n');
    const auto sel = wc::resumeSelection(files, files.value(0));
    if (sel && (*sel < -1 || *sel >= files.size())) std::abort();
    return 0;
}
