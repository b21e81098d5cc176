#include "common/text.h"

#include <QStringDecoder>

#include <array>
#include <unordered_map>

namespace wc {
namespace {

// Windows-1251, bytes 0x80..0xFF. 0x98 is undefined and maps to U+FFFD.
constexpr std::array<char16_t, 128> kCp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
    0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F};

const std::unordered_map<char16_t, char>& reverseCp1251() {
    static const std::unordered_map<char16_t, char> table = [] {
        std::unordered_map<char16_t, char> t;
        for (int i = 0; i < 128; ++i)
            if (kCp1251High[i] != 0xFFFD) t.emplace(kCp1251High[i], char(0x80 + i));
        return t;
    }();
    return table;
}

} // namespace

bool isValidUtf8(const char* data, qsizetype size) {
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    qsizetype i = 0;
    while (i < size) {
        unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int len;
        char32_t cp;
        if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + len > size) return false;
        for (int k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        static constexpr char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += len;
    }
    return true;
}

QString fromCp1251(const char* data, qsizetype size) {
    QString out;
    out.reserve(size);
    for (qsizetype i = 0; i < size; ++i) {
        auto c = static_cast<unsigned char>(data[i]);
        out.append(c < 0x80 ? QChar(c) : QChar(kCp1251High[c - 0x80]));
    }
    return out;
}

QByteArray toCp1251(const QString& s) {
    QByteArray out;
    out.reserve(s.size());
    const auto& rev = reverseCp1251();
    for (QChar ch : s) {
        char16_t u = ch.unicode();
        if (u < 0x80) {
            out.append(char(u));
        } else {
            auto it = rev.find(u);
            out.append(it == rev.end() ? '?' : it->second);
        }
    }
    return out;
}

QString decodeText(const char* data, qsizetype size) {
    if (size >= 3 && static_cast<unsigned char>(data[0]) == 0xEF &&
        static_cast<unsigned char>(data[1]) == 0xBB &&
        static_cast<unsigned char>(data[2]) == 0xBF) {
        data += 3;
        size -= 3;
    }
    if (isValidUtf8(data, size)) return QString::fromUtf8(data, size);
    return fromCp1251(data, size);
}

QString decodeFieldText(const char* data, qsizetype size) {
    bool ascii = true;
    for (qsizetype i = 0; i < size && ascii; ++i)
        ascii = static_cast<unsigned char>(data[i]) < 0x80;
    if (ascii) return QString::fromLatin1(data, size); // most fields: no decoding needed
    if (!isValidUtf8(data, size)) return fromCp1251(data, size);
    // QString::fromUtf8 would drop a leading byte-order mark.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return utf8.decode(QByteArrayView(data, size));
}

QByteArray utf8Truncated(const QString& s, qsizetype maxBytes) {
    QByteArray u = s.toUtf8();
    if (u.size() <= maxBytes) return u;
    qsizetype cut = maxBytes;
    // Step back over continuation bytes so that no character is split.
    while (cut > 0 && (static_cast<unsigned char>(u[cut]) & 0xC0) == 0x80)
        --cut;
    u.truncate(cut);
    return u;
}

QString truncatedChars(const QString& s, qsizetype maxChars) {
    qsizetype units = 0, chars = 0;
    while (units < s.size() && chars < maxChars) {
        units += (s[units].isHighSurrogate() && units + 1 < s.size()) ? 2 : 1;
        ++chars;
    }
    return units >= s.size() ? s : s.left(units);
}

} // namespace wc
