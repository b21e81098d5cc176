#include "player/core/settings/encoderpresets.h"

#include "common/atomicfile.h"
#include "common/log.h"
#include "common/text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>

namespace wc {
namespace {

struct Field {
    int offset;
    int capacity;
};
constexpr Field kName{0, kEncoderPresetNameCapacity};
constexpr Field kCommand{101, kEncoderPresetCommandCapacity};
constexpr Field kExt{357, kEncoderPresetExtCapacity};
static_assert(kExt.offset + 1 + kExt.capacity == kEncoderPresetSize);

void putString(unsigned char* rec, Field f, const QString& text) {
    const QByteArray bytes = utf8Truncated(text, f.capacity);
    rec[f.offset] = static_cast<unsigned char>(bytes.size());
    std::memcpy(rec + f.offset + 1, bytes.constData(), size_t(bytes.size()));
}

QString getString(const unsigned char* rec, Field f) {
    const int len = std::min<int>(rec[f.offset], f.capacity);
    return decodeFieldText(reinterpret_cast<const char*>(rec + f.offset + 1), len);
}

} // namespace

void encodeEncoderPreset(const TEncoderPreset& preset, unsigned char* out) {
    std::memset(out, 0, kEncoderPresetSize);
    putString(out, kName, preset.name);
    putString(out, kCommand, preset.command);
    putString(out, kExt, preset.ext);
}

TEncoderPreset decodeEncoderPreset(const unsigned char* in) {
    return {getString(in, kName), getString(in, kCommand), getString(in, kExt)};
}

QByteArray encodeEncoderPresets(const TEncoderPresets& presets) {
    QByteArray bytes(qsizetype(presets.size()) * kEncoderPresetSize, Qt::Uninitialized);
    auto* p = reinterpret_cast<unsigned char*>(bytes.data());
    for (const TEncoderPreset& e : presets) {
        encodeEncoderPreset(e, p);
        p += kEncoderPresetSize;
    }
    return bytes;
}

TEncoderPresets decodeEncoderPresets(const QByteArray& bytes, qsizetype* trailing) {
    const qsizetype count = bytes.size() / kEncoderPresetSize;
    if (trailing) *trailing = bytes.size() - count * kEncoderPresetSize;
    TEncoderPresets presets;
    presets.reserve(size_t(count));
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    for (qsizetype i = 0; i < count; ++i, p += kEncoderPresetSize)
        presets.push_back(decodeEncoderPreset(p));
    return presets;
}

TEncoderPresets readEncoderPresetFile(const QString& path, PresetReadStatus* status,
                                      QString* error) {
    auto set = [&](PresetReadStatus s) {
        if (status) *status = s;
    };
    const QFileInfo info(path);
    if (!info.exists()) {
        set(PresetReadStatus::Missing);
        return {};
    }
    QFile f(path);
    if (!info.isFile() || !f.open(QIODevice::ReadOnly)) {
        set(PresetReadStatus::Unreadable);
        if (error) *error = info.isFile() ? f.errorString() : QStringLiteral("not a file");
        return {};
    }
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        set(PresetReadStatus::Unreadable);
        if (error) *error = f.errorString();
        return {};
    }
    qsizetype trailing = 0;
    TEncoderPresets presets = decodeEncoderPresets(bytes, &trailing);
    if (trailing > 0)
        logLine(QStringLiteral("%1: %2 bytes after the last whole preset are left out")
                    .arg(path)
                    .arg(trailing));
    set(PresetReadStatus::Ok);
    return presets;
}

bool writeEncoderPresetFile(const QString& path, const TEncoderPresets& presets, QString* error) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    return writeFileAtomically(path, encodeEncoderPresets(presets), error);
}

} // namespace wc
