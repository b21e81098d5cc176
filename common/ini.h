#pragma once
// INI files with the semantics of the classic private-profile functions:
// case-insensitive section and key names, the first occurrence of a section or key wins,
// values longer than 2047 characters are cut on reading, and an update keeps every
// other line (unknown keys, comments, their order) as it was.
//
// Files are read as UTF-8, falling back to Windows-1251 for files from older installations,
// and written as UTF-8 with CR LF through a temporary file that is renamed over the
// original, so a crash or a full disk never leaves a half-written settings file.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace wc {

// Parses an integer the way settings values are read: optional sign, then decimal digits or
// hexadecimal after "$" or "0x". Hexadecimal values up to 0xFFFFFFFF wrap into 32 bits.
std::optional<qint32> parseIniInt(const QString& text);
// Parses a float with "." as the decimal separator, whatever the locale.
std::optional<double> parseIniFloat(const QString& text);
// Formats a single-precision float with "." and the fewest digits that read back the same.
QString formatIniFloat(float value);
// Upper-case hexadecimal, two digits per byte.
QString toIniHex(const QByteArray& bytes);
// Decodes hexadecimal pairs up to the first character that is not one; an odd last digit is
// dropped.
QByteArray fromIniHex(const QString& text);

class IniFile {
public:
    static constexpr int kMaxValueChars = 2047;

    IniFile() = default;
    // Reads the file; a missing or unreadable file gives an empty store (see loadError()).
    explicit IniFile(const QString& path);

    const QString& path() const { return path_; }
    // Why the last load found nothing to read ("" when it read the file or the file is absent).
    const QString& loadError() const { return loadError_; }
    bool existed() const { return existed_; }

    // Parses text as the contents of an INI file (used by load, and by tests).
    void parse(const QString& text);
    QString serialize() const;

    bool hasSection(const QString& section) const;
    bool hasKey(const QString& section, const QString& key) const;
    QStringList sections() const;
    QStringList keys(const QString& section) const;

    std::optional<QString> value(const QString& section, const QString& key) const;
    QString readString(const QString& section, const QString& key, const QString& def) const;
    qint32 readInt(const QString& section, const QString& key, qint32 def) const;
    bool readBool(const QString& section, const QString& key, bool def) const;
    double readFloat(const QString& section, const QString& key, double def) const;
    // The bytes of a hexadecimal block. With size >= 0 the result has exactly that many bytes:
    // what the value holds is copied and the rest is zero.
    QByteArray readBinary(const QString& section, const QString& key, qsizetype size = -1) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInt(const QString& section, const QString& key, qint64 value);
    void writeBool(const QString& section, const QString& key, bool value);
    void writeFloat(const QString& section, const QString& key, float value);
    void writeBinary(const QString& section, const QString& key, const QByteArray& bytes);
    void deleteKey(const QString& section, const QString& key);
    void deleteSection(const QString& section);

    // Writes the store to path() (temporary file, then rename). Returns false and sets
    // *error on failure; the original file is then untouched.
    bool save(QString* error = nullptr) const;
    bool saveAs(const QString& path, QString* error = nullptr) const;

private:
    struct Entry {
        QString key; // empty for lines that are not key=value (comments, blanks, junk)
        QString value;
        QString raw; // the line as it stands in the file
        bool isKey() const { return !key.isEmpty(); }
    };
    struct Section {
        QString name;
        std::vector<Entry> entries;
        QHash<QString, int> index; // folded key -> first entry
        void reindex();
    };

    static QString fold(const QString& s) { return s.toCaseFolded(); }
    const Section* findSection(const QString& name) const;
    Section* findSection(const QString& name);
    const Entry* findEntry(const QString& section, const QString& key) const;

    QString path_;
    QString loadError_;
    bool existed_ = false;
    std::vector<QString> preamble_; // lines before the first section header
    std::vector<Section> sections_;
    QHash<QString, int> sectionIndex_; // folded name -> first section
};

} // namespace wc
