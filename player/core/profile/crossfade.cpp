#include "player/core/profile/crossfade.h"

#include "common/ini.h"
#include "common/playlistfile/m3u.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <cstring>

namespace wc {

namespace {

void putFloat(char* p, float v) {
    quint32 bits;
    std::memcpy(&bits, &v, 4);
    qToLittleEndian(bits, p);
}

float getFloat(const char* p) {
    const quint32 bits = qFromLittleEndian<quint32>(p);
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}

} // namespace

QByteArray CrossfadeTable::toBytes() const {
    QByteArray out(kBytes, '\0');
    for (int i = 0; i < kEntries; ++i) {
        char* p = out.data() + i * kEntryBytes;
        const CrossfadeEntry& e = entries[size_t(i)];
        putFloat(p, e.mix);
        putFloat(p + 4, e.fade);
        putFloat(p + 8, e.fadeIn);
        p[12] = char(e.mixOn);
        p[13] = char(e.fadeOn);
        p[14] = char(e.fadeInOn);
        p[15] = char(e.reserved);
    }
    return out;
}

CrossfadeTable CrossfadeTable::fromBytes(const QByteArray& bytes) {
    QByteArray b = bytes.left(kBytes);
    b.append(QByteArray(kBytes - b.size(), '\0'));
    CrossfadeTable t;
    for (int i = 0; i < kEntries; ++i) {
        const char* p = b.constData() + i * kEntryBytes;
        CrossfadeEntry& e = t.entries[size_t(i)];
        e.mix = getFloat(p);
        e.fade = getFloat(p + 4);
        e.fadeIn = getFloat(p + 8);
        // Any non-zero byte is on; stored back as 1.
        e.mixOn = p[12] != 0;
        e.fadeOn = p[13] != 0;
        e.fadeInOn = p[14] != 0;
        e.reserved = quint8(p[15]);
    }
    return t;
}

QString CrossfadePresets::filePath(const QString& name) const {
    return QDir(folder_).filePath(name + QStringLiteral(".crp"));
}

QStringList CrossfadePresets::list() const {
    return ListPresetNames(folder_, QStringLiteral("crp"));
}

bool CrossfadePresets::load(const QString& name, CrossfadeTable& table) const {
    const QString path = filePath(stripUnsafePresetChars(name));
    if (name.isEmpty() || !QFile::exists(path)) return false;
    const IniFile ini(path);
    table = CrossfadeTable::fromBytes(ini.readBinary(
        QStringLiteral("Crossfade"), QStringLiteral("Settings"), CrossfadeTable::kBytes));
    return true;
}

QString CrossfadePresets::save(const QString& typedName, const CrossfadeTable& table,
                               QString* error) const {
    const QString name = stripUnsafePresetChars(typedName).trimmed();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) {
        if (error) *error = QStringLiteral("empty preset name");
        return {};
    }
    QDir().mkpath(folder_);
    IniFile ini(filePath(name));
    ini.writeBinary(QStringLiteral("Crossfade"), QStringLiteral("Settings"), table.toBytes());
    if (!ini.save(error)) return {};
    return name;
}

bool CrossfadePresets::remove(const QString& name) const {
    const QString clean = stripUnsafePresetChars(name);
    return !clean.isEmpty() && QFile::remove(filePath(clean));
}

} // namespace wc
