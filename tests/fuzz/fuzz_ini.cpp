// Settings files come from users' hands and older installations: any bytes must parse, and
// reading every key of every section, writing and re-parsing must give the same values.
#include "common/ini.h"
#include "common/text.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = wc::decodeText(reinterpret_cast<const char*>(data), qsizetype(size));
    wc::IniFile ini;
    ini.parse(text);
    for (const QString& s : ini.sections())
        for (const QString& k : ini.keys(s)) {
            ini.readInt(s, k, 0);
            ini.readFloat(s, k, 0);
            ini.readBinary(s, k, 16);
        }
    ini.writeString(QStringLiteral("Fuzz"), QStringLiteral("Key"), text.left(64));
    wc::IniFile again;
    again.parse(ini.serialize());
    for (const QString& s : ini.sections())
        for (const QString& k : ini.keys(s))
            if (ini.value(s, k) != again.value(s, k)) std::abort();
    return 0;
}
