#pragma once
// Text helpers: the program works in Unicode (QString); bytes from outside are UTF-8
// when they are valid UTF-8 and otherwise the legacy 8-bit code page (Windows-1251),
// so that files written by older Windows installations still read correctly.
#include <QByteArray>
#include <QString>

namespace wc {

// True when the bytes form valid UTF-8 (overlong forms and surrogates rejected).
bool isValidUtf8(const char* data, qsizetype size);
inline bool isValidUtf8(const QByteArray& b) {
    return isValidUtf8(b.constData(), b.size());
}

// Windows-1251 to Unicode and back. Characters with no 1251 form become '?'.
QString fromCp1251(const char* data, qsizetype size);
inline QString fromCp1251(const QByteArray& b) {
    return fromCp1251(b.constData(), b.size());
}
QByteArray toCp1251(const QString& s);

// UTF-8 when valid, else Windows-1251. A leading UTF-8 byte-order mark is dropped.
QString decodeText(const char* data, qsizetype size);
inline QString decodeText(const QByteArray& b) {
    return decodeText(b.constData(), b.size());
}

// The text of a fixed-size record field: UTF-8 when valid, else Windows-1251. Nothing is
// dropped (a leading U+FEFF stays), so a field reads back exactly as it was written.
QString decodeFieldText(const char* data, qsizetype size);

// The UTF-8 form of s cut to at most maxBytes bytes on a character boundary.
QByteArray utf8Truncated(const QString& s, qsizetype maxBytes);

// s cut to at most maxChars characters (code points), never splitting a surrogate pair.
QString truncatedChars(const QString& s, qsizetype maxChars);

// ASCII-and-Unicode case-insensitive equality, as used for section and key names.
inline bool sameTextCI(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace wc
