#include "player/core/edit/searchdrag.h"

namespace wc {

namespace {

QString escaped(const QString& s) {
    QString out;
    out.reserve(s.size());
    for (const QChar c : s) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else
            out += c;
    }
    return out;
}

QString unescaped(QStringView s) {
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] != u'\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const QChar n = s[++i];
        out += n == u't' ? QChar(u'\t') : n == u'n' ? QChar(u'\n') : n == u'r' ? QChar(u'\r') : n;
    }
    return out;
}

} // namespace

QByteArray encodeSearchResults(const std::vector<SearchResult>& results) {
    QString out;
    for (const SearchResult& r : results)
        out += escaped(r.artist) + u'\t' + escaped(r.title) + u'\t' + escaped(r.durationText) +
               u'\t' + escaped(r.fileName) + u'\n';
    return out.toUtf8();
}

std::vector<SearchResult> decodeSearchResults(const QByteArray& data) {
    std::vector<SearchResult> out;
    const QString text = QString::fromUtf8(data);
    for (QStringView line : QStringView(text).split(u'\n')) {
        const QList<QStringView> f = line.split(u'\t');
        if (f.size() != 4) continue;
        SearchResult r{unescaped(f[0]), unescaped(f[1]), unescaped(f[2]), unescaped(f[3])};
        if (r.fileName.isEmpty()) continue;
        out.push_back(std::move(r));
    }
    return out;
}

} // namespace wc
