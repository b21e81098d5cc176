#pragma once
// Tagged MP3, Ogg and WMA files made with the command-line encoders, one second of tone each.
#include <QString>
#include <QTemporaryDir>
#include <array>

namespace basetest {

struct TaggedFiles {
    TaggedFiles();
    QTemporaryDir dir;
    QString mp3, ogg, wma;
    bool made = false;
};

// Title, artist, album, year, comment and genre as the file's tag holds them.
std::array<QString, 6> fileTag(const QString& path);

} // namespace basetest
