// "Base.ini" comes from users' hands and older installations: any bytes must give options in
// their ranges, and writing them and reading them back must give the same options.
#include "base/core/baseoptions.h"
#include "common/text.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = wc::decodeText(reinterpret_cast<const char*>(data), qsizetype(size));
    wc::IniFile ini;
    ini.parse(text);
    const wc::base::BaseOptions o = wc::base::readBaseOptions(ini);
    if (o.volume < 0 || o.volume > 100 || o.monType < 0 || o.monType > 3 || o.sendPosition < 1 ||
        o.sendPosition > 3)
        std::abort();
    for (int w : o.columnWidths)
        if (w < 0 || w > 10000) std::abort();
    wc::IniFile out;
    wc::base::writeBaseOptions(o, out);
    wc::IniFile again;
    again.parse(out.serialize());
    wc::base::BaseOptions back = wc::base::readBaseOptions(again);
    // Color1 is read only, never written.
    back.counterColor = o.counterColor;
    if (!(back == o)) std::abort();
    return 0;
}
