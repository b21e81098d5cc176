#pragma once
// The encoder preset file "Presets/Encoder.prs" in the program folder: no header, a sequence
// of 366-byte records, one per preset, in list order. Texts are length-prefixed strings of
// fixed capacity holding UTF-8 cut on a character boundary (files from older installations
// hold Windows-1251, which is read as such).
//
// Record layout (offset, size):
//   0    101  name          (length byte + 100)
//   101  256  command line  (length byte + 255)
//   357  9    extension     (length byte + 8)
#include <QByteArray>
#include <QString>
#include <vector>

namespace wc {

inline constexpr int kEncoderPresetSize = 366;
inline constexpr int kEncoderPresetNameCapacity = 100;
inline constexpr int kEncoderPresetCommandCapacity = 255;
inline constexpr int kEncoderPresetExtCapacity = 8;

struct TEncoderPreset {
    QString name;
    QString command;
    QString ext;
    bool operator==(const TEncoderPreset&) const = default;
};

using TEncoderPresets = std::vector<TEncoderPreset>;

// Writes one record into out[0..365]: texts cut to their capacity, unused bytes zero.
void encodeEncoderPreset(const TEncoderPreset& preset, unsigned char* out);
// Reads one record from in[0..365]; a length byte larger than its field is clamped.
TEncoderPreset decodeEncoderPreset(const unsigned char* in);

QByteArray encodeEncoderPresets(const TEncoderPresets& presets);
// Every whole record; *trailing (when given) receives the number of bytes after the last one.
TEncoderPresets decodeEncoderPresets(const QByteArray& bytes, qsizetype* trailing = nullptr);

enum class PresetReadStatus { Ok, Missing, Unreadable };

// Reads the file. A missing file is an empty list (Missing); a file that cannot be opened or
// read gives an empty list, Unreadable and *error. Bytes after the last whole record are
// logged and left out.
TEncoderPresets readEncoderPresetFile(const QString& path, PresetReadStatus* status = nullptr,
                                      QString* error = nullptr);
// Writes the file through a temporary file renamed over it, making its folder when needed.
bool writeEncoderPresetFile(const QString& path, const TEncoderPresets& presets,
                            QString* error = nullptr);

} // namespace wc
