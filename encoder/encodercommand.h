#pragma once
// The encoder helper's command line and what it makes of the profile's encoder command.
//
//   encoder <window> <source file> <output folder> <extension> <program> [arguments...]
//
// The program and its arguments are the profile's Encoder command split into words. In the
// arguments "-" is the encoder's standard input (the helper writes the decoded file there as a
// 16-bit WAV stream) and "::s" stands for the output file: the source's name with the
// extension in the output folder. The program is looked for in the program folder's
// "plugins" first (a Windows-style "lame.exe" also finds "lame"), then on the PATH.
#include <QString>
#include <QStringList>
#include <optional>

namespace wc::encoder {

struct EncoderCommand {
    qint32 window = 0;
    QString source;
    QString outDir;
    QString ext;
    QString program;
    QStringList args;
};

// Parses the helper's own arguments (without argv[0]); nothing when they are incomplete.
std::optional<EncoderCommand> parseEncoderArgs(const QStringList& args);
// The output file: outDir / source's base name . ext.
QString outputFile(const EncoderCommand& c);
// The arguments with "::s" replaced by the output file.
QStringList programArgs(const EncoderCommand& c);
// The program to start: plugins/<name> in programDir, the name without ".exe" there, or the
// name (or the name without ".exe") found on the PATH; empty when there is none.
QString resolveProgram(const QString& program, const QString& programDir);

} // namespace wc::encoder
