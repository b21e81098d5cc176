#include "basefixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace basetest {

QByteArray id3v1(const QByteArray& title, const QByteArray& artist, const QByteArray& album,
                 const QByteArray& year, const QByteArray& comment, int genre) {
    QByteArray b(128, '\0');
    b.replace(0, 3, "TAG");
    auto put = [&](int at, int len, const QByteArray& t) {
        for (int i = 0; i < len && i < t.size(); ++i)
            b[at + i] = t[i];
    };
    put(3, 30, title);
    put(33, 30, artist);
    put(63, 30, album);
    put(93, 4, year);
    put(97, 30, comment);
    b[127] = char(genre);
    return b;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

wc::TBaseEntry entry(const QString& artist, const QString& title, const QString& file, quint32 ms) {
    wc::TBaseEntry e;
    e.artist = artist;
    e.title = title;
    e.fileName = file.isEmpty() ? QStringLiteral("/music/") + artist + '-' + title + ".mp3" : file;
    e.durationMs = ms;
    return e;
}

} // namespace basetest
