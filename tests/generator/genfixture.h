#pragma once
// Small libraries, playlists and program folders made by the tests themselves.
#include "common/library/libraryfile.h"
#include "common/playlistfile/m3u.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace gentest {

struct Track {
    QString artist;
    QString title;
    int seconds;
    QString comment = {};
};

inline wc::TBaseEntryArr makeLibrary(const std::vector<Track>& tracks, const QString& folder) {
    wc::TBaseEntryArr out;
    int i = 0;
    for (const Track& t : tracks) {
        wc::TBaseEntry e;
        e.artist = t.artist;
        e.title = t.title;
        e.comment = t.comment;
        e.durationMs = quint32(t.seconds) * 1000u;
        e.fileName = QStringLiteral("%1/music/%2.mp3").arg(folder).arg(i++);
        out.push_back(e);
    }
    return out;
}

inline void writeText(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

// An M3U with information lines: (seconds, path) pairs.
inline void writeList(const QString& path, const std::vector<std::pair<int, QString>>& items) {
    QByteArray b = "#EXTM3U\r\n";
    for (const auto& [s, p] : items)
        b += "#EXTINF:" + QByteArray::number(s) + ",x\r\n" + p.toUtf8() + "\r\n";
    writeText(path, b);
}

inline std::vector<wc::M3uEntry> readOutput(const QString& path) {
    bool found = false;
    auto e = wc::readM3uFile(path, true, &found);
    EXPECT_TRUE(found) << path.toStdString();
    return e;
}

inline QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace gentest
