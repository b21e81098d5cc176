#include "common/playlistfile/shellassoc.h"

#include "common/atomicfile.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>

namespace wc {

QStringList shellExtensions(const QString& extensionList) {
    QStringList out;
    for (const QString& part : extensionList.split(u'|')) {
        const QString e = part.trimmed().toLower();
        if (!e.isEmpty()) out << (e.startsWith(u'.') ? e.mid(1) : e);
    }
    return out;
}

QStringList mimeTypesForExtension(const QString& ext) {
    static const QHash<QString, QStringList> table{
        {"mp3", {"audio/mpeg"}},
        {"ogg", {"audio/ogg", "audio/x-vorbis+ogg"}},
        {"wav", {"audio/x-wav", "audio/vnd.wave"}},
        {"wma", {"audio/x-ms-wma"}},
        {"cda", {"application/x-cda"}},
        {"spx", {"audio/x-speex"}},
        {"aac", {"audio/aac"}},
        {"mp4", {"audio/mp4"}},
        {"ac3", {"audio/ac3"}},
        {"mpc", {"audio/x-musepack"}},
        {"ofr", {"audio/x-optimfrog"}},
        {"tta", {"audio/x-tta"}},
        {"wv", {"audio/x-wavpack"}},
        {"wmv", {"video/x-ms-wmv"}},
        {"flac", {"audio/flac"}},
        {"m3u", {"audio/x-mpegurl", "application/vnd.apple.mpegurl"}},
    };
    return table.value(ext.toLower());
}

QString xdgDataHome() {
    const QString env = qEnvironmentVariable("XDG_DATA_HOME");
    if (!env.isEmpty()) return env;
    return QDir::homePath() + QStringLiteral("/.local/share");
}

namespace {

QString quoteExec(const QString& path) {
    QString p = path;
    p.replace(u'\\', QLatin1String("\\\\")).replace(u'"', QLatin1String("\\\""));
    return u'"' + p + u'"';
}

QByteArray desktopEntry(const QString& name, const QString& exec, const QString& verb,
                        const QStringList& mimes) {
    QByteArray out = "[Desktop Entry]\nType=Application\n";
    out += "Name=" + name.toUtf8() + "\n";
    out += "Exec=" + quoteExec(exec).toUtf8() + " " + verb.toUtf8() + " %f\n";
    out += "NoDisplay=true\nTerminal=false\n";
    out += "MimeType=" + mimes.join(u';').toUtf8() + ";\n";
    return out;
}

// Sets key=value in [Default Applications] of a mimeapps.list text, keeping every other line.
QByteArray withDefaults(const QByteArray& old, const QHash<QString, QString>& defaults) {
    const QString section = QStringLiteral("[Default Applications]");
    QStringList lines = QString::fromUtf8(old).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    qsizetype start = -1, end = lines.size();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString t = lines[i].trimmed();
        if (start < 0 && t == section) {
            start = i;
        } else if (start >= 0 && t.startsWith(u'[')) {
            end = i;
            break;
        }
    }
    if (start < 0) {
        lines << section;
        start = lines.size() - 1;
        end = lines.size();
    }
    QHash<QString, QString> pending = defaults;
    for (qsizetype i = start + 1; i < end; ++i) {
        const qsizetype eq = lines[i].indexOf(u'=');
        if (eq <= 0) continue;
        const QString key = lines[i].left(eq).trimmed();
        if (pending.contains(key)) lines[i] = key + u'=' + pending.take(key);
    }
    QStringList keys = pending.keys();
    keys.sort();
    for (const QString& k : keys)
        lines.insert(end++, k + u'=' + pending.value(k));
    return (lines.join(u'\n') + u'\n').toUtf8();
}

} // namespace

bool RegisterShellTypes(const QString& extensionList, const QString& executable,
                        const QString& dataHome) {
    QStringList fileMimes, listMimes;
    for (const QString& e : shellExtensions(extensionList))
        (e == QLatin1String("m3u") ? listMimes : fileMimes) << mimeTypesForExtension(e);
    const QString apps = dataHome + QStringLiteral("/applications");
    if (!QDir().mkpath(apps)) return false;
    if (!writeFileAtomically(apps + u'/' + QLatin1String(kFileDesktopId),
                             desktopEntry(QStringLiteral("Media File"), executable,
                                          QStringLiteral("file"), fileMimes)))
        return false;
    if (!writeFileAtomically(apps + u'/' + QLatin1String(kListDesktopId),
                             desktopEntry(QStringLiteral("Playlist File"), executable,
                                          QStringLiteral("list"), listMimes)))
        return false;
    QHash<QString, QString> defaults;
    for (const QString& m : fileMimes)
        defaults.insert(m, QLatin1String(kFileDesktopId) + u';');
    for (const QString& m : listMimes)
        defaults.insert(m, QLatin1String(kListDesktopId) + u';');
    const QString mimeapps = apps + QStringLiteral("/mimeapps.list");
    QFile f(mimeapps);
    QByteArray old;
    if (f.open(QIODevice::ReadOnly)) old = f.readAll();
    f.close();
    return writeFileAtomically(mimeapps, withDefaults(old, defaults));
}

bool RegisterLibraryType(const QString& executable, const QString& dataHome,
                         bool refreshMimeCache) {
    const QString packages = dataHome + QStringLiteral("/mime/packages");
    const QString apps = dataHome + QStringLiteral("/applications");
    if (!QDir().mkpath(packages) || !QDir().mkpath(apps)) return false;
    const QByteArray mime =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"" +
        QByteArray(kLibraryMimeType) +
        "\">\n"
        "    <comment>Music library</comment>\n"
        "    <glob pattern=\"*.dfs\"/>\n"
        "  </mime-type>\n"
        "</mime-info>\n";
    if (!writeFileAtomically(packages + QStringLiteral("/wavecrest-library.xml"), mime))
        return false;
    QByteArray entry = "[Desktop Entry]\nType=Application\nName=Music Library\n";
    entry += "Exec=" + quoteExec(executable).toUtf8() + " %f\n";
    entry += "NoDisplay=true\nTerminal=false\n";
    entry += "MimeType=" + QByteArray(kLibraryMimeType) + ";\n";
    if (!writeFileAtomically(apps + u'/' + QLatin1String(kLibraryDesktopId), entry)) return false;
    const QString mimeapps = apps + QStringLiteral("/mimeapps.list");
    QFile f(mimeapps);
    QByteArray old;
    if (f.open(QIODevice::ReadOnly)) old = f.readAll();
    f.close();
    if (!writeFileAtomically(
            mimeapps, withDefaults(old, {{QLatin1String(kLibraryMimeType),
                                          QLatin1String(kLibraryDesktopId) + QLatin1Char(';')}})))
        return false;
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
    if (refreshMimeCache && !tool.isEmpty())
        QProcess::startDetached(tool, {dataHome + QStringLiteral("/mime")});
    return true;
}

} // namespace wc
