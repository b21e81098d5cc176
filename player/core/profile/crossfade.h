#pragma once
// The crossfade table: 13 entries of mix, fade and fade-in times with their switches, kept as
// a 208-byte block in the profile and in the crossfade preset files (".crp").
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>

namespace wc {

struct CrossfadeEntry {
    float mix = 0;    // seconds before the effective end at which the next item starts
    float fade = 0;   // seconds before the end at which the item fades out; the fade's length
    float fadeIn = 0; // seconds over which the item rises from silence
    bool mixOn = false;
    bool fadeOn = false;
    bool fadeInOn = false;
    quint8 reserved = 0;
    bool operator==(const CrossfadeEntry&) const = default;
};

struct CrossfadeTable {
    static constexpr int kEntries = 13;
    static constexpr int kEntryBytes = 16;
    static constexpr int kBytes = kEntries * kEntryBytes; // 208
    // Entry indexes: 0 CD tracks, 1 music, 2..11 the item types, 12 the item's own values.
    static constexpr int kCdEntry = 0;
    static constexpr int kMusicEntry = 1;
    static constexpr int kItemEntry = 12;

    std::array<CrossfadeEntry, kEntries> entries{};

    // Little-endian layout: three float32, three bool bytes, one reserved byte per entry.
    QByteArray toBytes() const;
    // Takes exactly 208 bytes: a shorter block is zero-filled, a longer one cut.
    static CrossfadeTable fromBytes(const QByteArray& bytes);
    bool operator==(const CrossfadeTable&) const = default;
};

// The crossfade presets of one folder ("Presets/Crossfade" in the program folder): INI files
// "<name>.crp" with the table as the binary key Settings of section Crossfade.
class CrossfadePresets {
public:
    explicit CrossfadePresets(QString folder) : folder_(std::move(folder)) {}
    QStringList list() const;
    // Loads a preset; false (table unchanged) when the file does not exist.
    bool load(const QString& name, CrossfadeTable& table) const;
    // Saves under the typed name with the characters that cannot be in a file name removed;
    // returns the name used ("" when nothing usable is left or the file cannot be written).
    QString save(const QString& typedName, const CrossfadeTable& table,
                 QString* error = nullptr) const;
    bool remove(const QString& name) const;
    QString filePath(const QString& name) const;

private:
    QString folder_;
};

} // namespace wc
