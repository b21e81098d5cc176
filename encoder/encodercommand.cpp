#include "encoder/encodercommand.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace wc::encoder {

std::optional<EncoderCommand> parseEncoderArgs(const QStringList& args) {
    if (args.size() < 5) return std::nullopt;
    EncoderCommand c;
    bool ok = false;
    c.window = args[0].toInt(&ok);
    if (!ok || c.window <= 0) return std::nullopt;
    c.source = args[1];
    c.outDir = args[2];
    c.ext = args[3];
    c.program = args[4];
    c.args = args.mid(5);
    if (c.source.isEmpty() || c.program.isEmpty()) return std::nullopt;
    return c;
}

QString outputFile(const EncoderCommand& c) {
    QString ext = c.ext;
    while (ext.startsWith(u'.'))
        ext.remove(0, 1);
    return QDir(c.outDir).filePath(QFileInfo(c.source).completeBaseName() + u'.' + ext);
}

QStringList programArgs(const EncoderCommand& c) {
    QStringList out = c.args;
    const QString file = outputFile(c);
    for (QString& a : out)
        a.replace(QStringLiteral("::s"), file);
    return out;
}

QString resolveProgram(const QString& program, const QString& programDir) {
    QString name = QFileInfo(program).fileName();
    QStringList names{name};
    if (name.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive)) names << name.chopped(4);
    const QString plugins = QDir(programDir).filePath(QStringLiteral("plugins"));
    for (const QString& n : names) {
        const QFileInfo fi(QDir(plugins).filePath(n));
        if (fi.isFile() && fi.isExecutable()) return fi.absoluteFilePath();
    }
    if (QFileInfo(program).isAbsolute() && QFileInfo(program).isExecutable()) return program;
    for (const QString& n : names) {
        const QString found = QStandardPaths::findExecutable(n);
        if (!found.isEmpty()) return found;
    }
    return {};
}

} // namespace wc::encoder
