#pragma once
// Small helpers for the library program's tests: scratch folders, tiny tagged audio files.
#include "common/library/libraryfile.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace basetest {

// A 128-byte ID3v1 block with the given texts (cut or zero-padded to their fields).
QByteArray id3v1(const QByteArray& title, const QByteArray& artist, const QByteArray& album = {},
                 const QByteArray& year = {}, const QByteArray& comment = {}, int genre = 255);
// Writes bytes to a file, creating its folders.
void writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

// A record with the given texts.
wc::TBaseEntry entry(const QString& artist, const QString& title, const QString& file = {},
                     quint32 ms = 0);

} // namespace basetest
