#include "common/ini.h"

#include "common/atomicfile.h"
#include "common/text.h"

#include <QFile>
#include <charconv>
#include <cmath>

namespace wc {
namespace {
// Records only the first occurrence of a name: the first section or key wins.
void addFirst(QHash<QString, int>& h, const QString& k, int v) {
    if (!h.contains(k)) h.insert(k, v);
}
// The text stored for a value. Reading trims blanks and strips one pair of enclosing quotes,
// so a value that would lose something that way is written inside double quotes.
QString storedForm(const QString& v) {
    if (v.isEmpty()) return v;
    const bool padded = v.front().isSpace() || v.back().isSpace();
    const bool quoted =
        v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front();
    return padded || quoted ? u'"' + v + u'"' : v;
}
} // namespace

std::optional<qint32> parseIniInt(const QString& text) {
    QString t = text.trimmed();
    bool negative = false;
    if (t.startsWith(u'-') || t.startsWith(u'+')) {
        negative = t.startsWith(u'-');
        t = t.mid(1);
    }
    if (t.isEmpty()) return std::nullopt;
    bool ok = false;
    qint64 v;
    if (t.startsWith(u'$')) {
        const QString digits = t.mid(1);
        if (digits.isEmpty() || digits.size() > 8) return std::nullopt;
        v = static_cast<qint64>(static_cast<qint32>(digits.toUInt(&ok, 16)));
    } else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const QString digits = t.mid(2);
        if (digits.isEmpty() || digits.size() > 8) return std::nullopt;
        v = static_cast<qint64>(static_cast<qint32>(digits.toUInt(&ok, 16)));
    } else {
        for (QChar c : t)
            if (!c.isDigit() || c.unicode() > '9') return std::nullopt;
        v = t.toLongLong(&ok, 10);
        if (ok && (v > 2147483648LL || (!negative && v > 2147483647LL))) ok = false;
    }
    if (!ok) return std::nullopt;
    return static_cast<qint32>(negative ? -v : v);
}

std::optional<double> parseIniFloat(const QString& text) {
    const QByteArray t = text.trimmed().toLatin1();
    if (t.isEmpty()) return std::nullopt;
    const char* begin = t.constData();
    const char* end = begin + t.size();
    if (*begin == '+') ++begin;
    double v = 0;
    auto [ptr, ec] = std::from_chars(begin, end, v, std::chars_format::general);
    if (ec != std::errc() || ptr != end || !std::isfinite(v)) return std::nullopt;
    return v;
}

QString formatIniFloat(float value) {
    char buf[64];
    auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (ec != std::errc()) return QStringLiteral("0");
    return QString::fromLatin1(buf, ptr - buf);
}

QString toIniHex(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex().toUpper());
}

QByteArray fromIniHex(const QString& text) {
    QByteArray out;
    out.reserve(text.size() / 2);
    auto nibble = [](QChar c) -> int {
        const char16_t u = c.unicode();
        if (u >= '0' && u <= '9') return u - '0';
        if (u >= 'A' && u <= 'F') return u - 'A' + 10;
        if (u >= 'a' && u <= 'f') return u - 'a' + 10;
        return -1;
    };
    for (qsizetype i = 0; i + 1 < text.size(); i += 2) {
        const int hi = nibble(text[i]), lo = nibble(text[i + 1]);
        if (hi < 0 || lo < 0) break;
        out.append(char(hi << 4 | lo));
    }
    return out;
}

void IniFile::Section::reindex() {
    index.clear();
    for (int i = 0; i < int(entries.size()); ++i)
        if (entries[i].isKey()) addFirst(index, fold(entries[i].key), i);
}

IniFile::IniFile(const QString& path) : path_(path) {
    QFile f(path);
    if (!f.exists()) return;
    existed_ = true;
    if (!f.open(QIODevice::ReadOnly)) {
        loadError_ = f.errorString();
        return;
    }
    parse(decodeText(f.readAll()));
}

void IniFile::parse(const QString& text) {
    preamble_.clear();
    sections_.clear();
    sectionIndex_.clear();
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    for (QString line : lines) {
        if (line.endsWith(u'\r')) line.chop(1);
        const QString t = line.trimmed();
        if (t.startsWith(u'[')) {
            const qsizetype close = t.indexOf(u']');
            if (close > 0) {
                Section s;
                s.name = t.mid(1, close - 1).trimmed();
                addFirst(sectionIndex_, fold(s.name), int(sections_.size()));
                sections_.push_back(std::move(s));
                continue;
            }
        }
        Entry e;
        const qsizetype eq = t.indexOf(u'=');
        if (!sections_.empty() && eq > 0 && !t.startsWith(u';')) {
            e.key = t.left(eq).trimmed();
            e.value = t.mid(eq + 1).trimmed();
            // A value enclosed in matching quotes is read without them.
            if (e.value.size() >= 2 && (e.value.front() == u'"' || e.value.front() == u'\'') &&
                e.value.back() == e.value.front())
                e.value = e.value.mid(1, e.value.size() - 2);
        }
        e.raw = line;
        if (sections_.empty())
            preamble_.push_back(line);
        else
            sections_.back().entries.push_back(std::move(e));
    }
    for (auto& s : sections_)
        s.reindex();
}

QString IniFile::serialize() const {
    QString out;
    const QString crlf = QStringLiteral("\r\n");
    for (const auto& l : preamble_)
        out += l + crlf;
    for (const auto& s : sections_) {
        out += u'[' + s.name + u']' + crlf;
        for (const auto& e : s.entries)
            out += e.raw + crlf;
    }
    return out;
}

const IniFile::Section* IniFile::findSection(const QString& name) const {
    auto it = sectionIndex_.constFind(fold(name.trimmed()));
    return it == sectionIndex_.cend() ? nullptr : &sections_[*it];
}

IniFile::Section* IniFile::findSection(const QString& name) {
    return const_cast<Section*>(std::as_const(*this).findSection(name));
}

const IniFile::Entry* IniFile::findEntry(const QString& section, const QString& key) const {
    const Section* s = findSection(section);
    if (!s) return nullptr;
    auto it = s->index.constFind(fold(key.trimmed()));
    return it == s->index.cend() ? nullptr : &s->entries[*it];
}

bool IniFile::hasSection(const QString& section) const {
    return findSection(section) != nullptr;
}
bool IniFile::hasKey(const QString& section, const QString& key) const {
    return findEntry(section, key) != nullptr;
}

QStringList IniFile::sections() const {
    QStringList out;
    for (const auto& s : sections_)
        out << s.name;
    return out;
}

QStringList IniFile::keys(const QString& section) const {
    QStringList out;
    if (const Section* s = findSection(section))
        for (const auto& e : s->entries)
            if (e.isKey()) out << e.key;
    return out;
}

std::optional<QString> IniFile::value(const QString& section, const QString& key) const {
    const Entry* e = findEntry(section, key);
    if (!e) return std::nullopt;
    return truncatedChars(e->value, kMaxValueChars);
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const {
    return value(section, key).value_or(def);
}

qint32 IniFile::readInt(const QString& section, const QString& key, qint32 def) const {
    auto v = value(section, key);
    if (!v) return def;
    return parseIniInt(*v).value_or(def);
}

bool IniFile::readBool(const QString& section, const QString& key, bool def) const {
    auto v = value(section, key);
    if (!v) return def;
    auto i = parseIniInt(*v);
    return i ? *i != 0 : def;
}

double IniFile::readFloat(const QString& section, const QString& key, double def) const {
    auto v = value(section, key);
    if (!v) return def;
    return parseIniFloat(*v).value_or(def);
}

QByteArray IniFile::readBinary(const QString& section, const QString& key, qsizetype size) const {
    auto v = value(section, key);
    QByteArray bytes = v ? fromIniHex(*v) : QByteArray();
    if (size >= 0) {
        if (bytes.size() > size) bytes.truncate(size);
        bytes.append(QByteArray(size - bytes.size(), '\0'));
    }
    return bytes;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    // Line breaks cannot be stored in a line-based file; they become blanks.
    QString v = value;
    v.replace(u'\r', u' ').replace(u'\n', u' ');
    Section* s = findSection(section);
    if (!s) {
        Section ns;
        ns.name = section.trimmed();
        sectionIndex_.insert(fold(ns.name), int(sections_.size()));
        sections_.push_back(std::move(ns));
        s = &sections_.back();
    }
    auto it = s->index.constFind(fold(key.trimmed()));
    if (it != s->index.cend()) {
        Entry& e = s->entries[*it];
        e.value = v;
        e.raw = e.key + u'=' + storedForm(v);
        return;
    }
    // A new key goes after the section's last key, ahead of trailing blanks and comments.
    qsizetype pos = 0;
    for (qsizetype i = qsizetype(s->entries.size()); i > 0; --i)
        if (s->entries[i - 1].isKey()) {
            pos = i;
            break;
        }
    Entry e;
    e.key = key.trimmed();
    e.value = v;
    e.raw = e.key + u'=' + storedForm(v);
    s->entries.insert(s->entries.begin() + pos, std::move(e));
    s->reindex();
}

void IniFile::writeInt(const QString& section, const QString& key, qint64 value) {
    writeString(section, key, QString::number(value));
}
void IniFile::writeBool(const QString& section, const QString& key, bool value) {
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}
void IniFile::writeFloat(const QString& section, const QString& key, float value) {
    writeString(section, key, formatIniFloat(value));
}
void IniFile::writeBinary(const QString& section, const QString& key, const QByteArray& bytes) {
    writeString(section, key, toIniHex(bytes));
}

void IniFile::deleteKey(const QString& section, const QString& key) {
    Section* s = findSection(section);
    if (!s) return;
    const QString k = fold(key.trimmed());
    // Every occurrence goes, so that a later duplicate cannot come back to the surface.
    std::erase_if(s->entries, [&](const Entry& e) { return e.isKey() && fold(e.key) == k; });
    s->reindex();
}

void IniFile::deleteSection(const QString& section) {
    const QString n = fold(section.trimmed());
    std::erase_if(sections_, [&](const Section& s) { return fold(s.name) == n; });
    sectionIndex_.clear();
    for (int i = 0; i < int(sections_.size()); ++i)
        addFirst(sectionIndex_, fold(sections_[i].name), i);
}

bool IniFile::save(QString* error) const {
    return saveAs(path_, error);
}

bool IniFile::saveAs(const QString& path, QString* error) const {
    return writeFileAtomically(path, serialize().toUtf8(), error);
}

} // namespace wc
