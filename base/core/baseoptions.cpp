#include "baseoptions.h"

#include "common/paths.h"

#include <QtEndian>

namespace wc::base {
namespace {

const QString kOptions = QStringLiteral("Options");

quint32 le32(const QByteArray& b, int i) {
    return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(b.constData()) + 4 * i);
}

void putLe32(QByteArray& b, int i, quint32 v) {
    qToLittleEndian<quint32>(v, reinterpret_cast<uchar*>(b.data()) + 4 * i);
}

int clampInt(qint32 v, int lo, int hi, int def) {
    return v < lo || v > hi ? def : v;
}

} // namespace

BaseOptions readBaseOptions(const IniFile& ini) {
    BaseOptions o;
    o.noEmpty = ini.readBool(kOptions, "NoEmpty", o.noEmpty);
    o.noError = ini.readBool(kOptions, "NoError", o.noError);
    o.checkTimeOnce = ini.readBool(kOptions, "CheckTimeOnce", o.checkTimeOnce);
    o.overwriteOnCopy = ini.readBool(kOptions, "OverwriteOnCopy", o.overwriteOnCopy);
    o.openLastBase = ini.readBool(kOptions, "OpenLastBase", o.openLastBase);
    o.parseFileName = ini.readBool(kOptions, "ParseFN", o.parseFileName);
    o.tagNoChangeGenre = ini.readBool(kOptions, "Tag_NoChangeGenre", o.tagNoChangeGenre);
    o.quickSearch = ini.readBool(kOptions, "QSearch", o.quickSearch);
    o.countTime = ini.readBool(kOptions, "CountTime", o.countTime);
    o.volume = clampInt(ini.readInt(kOptions, "Volume", o.volume), 0, 100, o.volume);
    o.monType = clampInt(ini.readInt(kOptions, "MonType", o.monType), 0, 3, o.monType);
    o.sendToMain = ini.readBool(kOptions, "SPList", o.sendToMain);
    o.sendPosition = clampInt(ini.readInt(kOptions, "SPPos", o.sendPosition), 1, 3, 1);

    if (ini.hasKey(kOptions, "Colors")) {
        const QByteArray c = ini.readBinary(kOptions, "Colors", 16);
        for (int i = 0; i < 4; ++i)
            o.colors[size_t(i)] = le32(c, i) & 0x00FFFFFFu;
    }
    if (ini.hasKey(kOptions, "ColWidth")) {
        const QByteArray stored = ini.readBinary(kOptions, "ColWidth");
        QByteArray w = stored.left(88);
        w.resize(88, '\0');
        if (qint32(le32(w, 0)) > 0) {
            // Only the widths the value holds; a short value leaves the others as they are.
            for (int i = 0; i < kColumnCount && 4 * (i + 2) <= stored.size(); ++i) {
                const qint32 v = qint32(le32(w, i + 1));
                // A width the list cannot show (negative or absurd) keeps its default.
                if (v >= 0 && v <= 10000) o.columnWidths[size_t(i)] = v;
            }
        }
    }
    o.counterColor = quint32(ini.readInt(kOptions, "Color1", qint32(o.counterColor))) & 0x00FFFFFFu;

    o.fontName = ini.readString("Font", "Name", o.fontName);
    o.fontSize = clampInt(ini.readInt("Font", "Size", o.fontSize), 0, 400, 0);
    o.fontStyle = ini.readInt("Font", "Style", o.fontStyle) & 0x1E;
    o.lastBaseName = ini.readString("Data", "LastBaseName", o.lastBaseName);
    if (ini.hasKey("WindowPos", "X") && ini.hasKey("WindowPos", "Y") &&
        ini.hasKey("WindowPos", "W") && ini.hasKey("WindowPos", "H")) {
        const int w = ini.readInt("WindowPos", "W", 0);
        const int h = ini.readInt("WindowPos", "H", 0);
        if (w > 0 && h > 0)
            o.windowPos = std::array<int, 4>{ini.readInt("WindowPos", "X", 0),
                                             ini.readInt("WindowPos", "Y", 0), w, h};
    }
    return o;
}

void writeBaseOptions(const BaseOptions& o, IniFile& ini) {
    ini.writeBool(kOptions, "NoEmpty", o.noEmpty);
    ini.writeBool(kOptions, "NoError", o.noError);
    ini.writeBool(kOptions, "CheckTimeOnce", o.checkTimeOnce);
    ini.writeBool(kOptions, "OverwriteOnCopy", o.overwriteOnCopy);
    ini.writeBool(kOptions, "OpenLastBase", o.openLastBase);
    ini.writeBool(kOptions, "ParseFN", o.parseFileName);
    ini.writeBool(kOptions, "Tag_NoChangeGenre", o.tagNoChangeGenre);
    ini.writeBool(kOptions, "QSearch", o.quickSearch);
    ini.writeBool(kOptions, "CountTime", o.countTime);
    ini.writeInt(kOptions, "Volume", o.volume);
    ini.writeInt(kOptions, "MonType", o.monType);
    ini.writeBool(kOptions, "SPList", o.sendToMain);
    ini.writeInt(kOptions, "SPPos", o.sendPosition);
    QByteArray c(16, '\0');
    for (int i = 0; i < 4; ++i)
        putLe32(c, i, o.colors[size_t(i)]);
    ini.writeBinary(kOptions, "Colors", c);
    QByteArray w(88, '\0');
    putLe32(w, 0, 1);
    for (int i = 0; i < kColumnCount; ++i)
        putLe32(w, i + 1, quint32(o.columnWidths[size_t(i)]));
    ini.writeBinary(kOptions, "ColWidth", w);
    if (!o.fontName.isEmpty()) ini.writeString("Font", "Name", o.fontName);
    if (o.fontSize > 0) ini.writeInt("Font", "Size", o.fontSize);
    ini.writeInt("Font", "Style", o.fontStyle);
    ini.writeString("Data", "LastBaseName", o.lastBaseName);
    if (o.windowPos) {
        ini.writeInt("WindowPos", "X", (*o.windowPos)[0]);
        ini.writeInt("WindowPos", "Y", (*o.windowPos)[1]);
        ini.writeInt("WindowPos", "W", (*o.windowPos)[2]);
        ini.writeInt("WindowPos", "H", (*o.windowPos)[3]);
    }
}

QString baseIniPath() {
    return programDir() + QStringLiteral("Base.ini");
}

} // namespace wc::base
