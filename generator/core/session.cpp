#include "session.h"

#include "common/atomicfile.h"
#include "common/clock.h"
#include "common/ini.h"
#include "common/log.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/settings.h"
#include "common/tags/tracktag.h"
#include "platform/prompts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace wc {

GeneratorLanguage readGeneratorLanguage(const QString& langDir) {
    GeneratorLanguage lang;
    if (langDir.isEmpty()) return lang;
    const QString path = inProgramDir(QStringLiteral("Lang/%1/lang_g.ini").arg(langDir));
    if (!QFileInfo::exists(path)) return lang;
    const IniFile ini(path);
    for (int i = 0; i < 5; ++i)
        lang.s[size_t(i)] =
            ini.readString("Strings", QStringLiteral("s%1").arg(i), lang.s[size_t(i)]);
    for (const QString& key : ini.keys("Captions"))
        lang.captions.insert(key, ini.readString("Captions", key, QString()));
    return lang;
}

QString generatorWindowTitle(const QString& caption) {
    const QString version = FileVersionText(QCoreApplication::applicationFilePath());
    return version.isEmpty() ? caption : caption + QStringLiteral(" (") + version + u')';
}

std::uint64_t clockSeed() {
    const double ole = clock().nowOle();
    std::uint64_t bits = 0;
    std::memcpy(&bits, &ole, sizeof bits);
    return bits ^ (std::uint64_t(clock().tickMs()) << 20) ^ (std::uint64_t(::getpid()) << 40);
}

GeneratorSession::GeneratorSession(const QString& libraryFile) : library_(libraryFile) {}

GeneratorSession::~GeneratorSession() {
    artistLog_.close();
}

QString GeneratorSession::stackPath() const {
    return inProgramDir(QStringLiteral("Temp/Stack.m3u"));
}

QString GeneratorSession::mainLogPath() const {
    return inProgramDir(QStringLiteral("Log/Playlist Generator Log.txt"));
}

QString GeneratorSession::artistLogPath() const {
    return artistLogNameFor(mainLogPath());
}

void GeneratorSession::openLogs() {
    QDir().mkpath(inProgramDir(QStringLiteral("Log")));
    TSystemIni sys;
    ReadSystemIni(sys);
    langDir_ = sys.LangDir;
    lang_ = readGeneratorLanguage(langDir_);
    if (!artistLog_.open(artistLogPath()))
        prompts().notify(PromptKind::Error, QStringLiteral("Error"), lang_.s[3] + artistLogPath());
    QFile::remove(mainLogPath());
}

void GeneratorSession::start() {
    QDir().mkpath(inProgramDir(QStringLiteral("Temp")));
    QFile::remove(stackPath());
    openLogs();
}

int GeneratorSession::poolSize() const {
    return int(readLibraryFile(library_).size());
}

GenerationOutcome GeneratorSession::generateInto(const QString& output, const GeneratorTemplate& t,
                                                 const GeneratorOptions& o, RandomSource* random) {
    std::unique_ptr<SeededRandom> seeded;
    if (!random) seeded = std::make_unique<SeededRandom>(clockSeed());
    RandomSource* r = random ? random : seeded.get();
    PlaylistGenerator gen({r, r, r}, artistLog_);
    gen.setTemplate(t);
    gen.setOptions(o);
    GeneratorTexts texts;
    texts.notEnoughTracks = lang_.s[0];
    texts.errorCaption = lang_.s[1];
    gen.setTexts(texts);
    gen.setLibraryFile(library_);
    gen.setMainLog(mainLogPath());
    QFile::remove(mainLogPath());
    if (output == stackPath()) {
        QFile::remove(output);
        return gen.Generate(output);
    }
    // Into a file of its own beside the target, renamed over it only when generation worked,
    // so a failed run leaves the previous playlist in place.
    const QString part = output + QStringLiteral(".generating");
    QFile::remove(part);
    GenerationOutcome result = gen.Generate(part);
    if (result.ok()) {
        if (::rename(QFile::encodeName(part).constData(), QFile::encodeName(output).constData()) !=
            0) {
            result.writeError = QStringLiteral("Playlist %1 cannot be written: %2")
                                    .arg(output, QString::fromLocal8Bit(std::strerror(errno)));
            logLine(result.writeError);
        }
    }
    QFile::remove(part);
    return result;
}

GenerationOutcome GeneratorSession::generate(const GeneratorTemplate& t, const GeneratorOptions& o,
                                             RandomSource* random) {
    return generateInto(stackPath(), t, o, random);
}

bool GeneratorSession::saveTo(const QString& fileName, QString* error) const {
    QFile f(stackPath());
    if (!f.open(QIODevice::ReadOnly)) {
        if (error) *error = f.errorString();
        return false;
    }
    return writeFileAtomically(fileName, f.readAll(), error);
}

bool GeneratorSession::sendToPlayer() const {
    if (player_ == 0) return false;
    return sendMessage(player_, MSG_LOAD_QUEUE, 0, 0).has_value();
}

qint64 GeneratorSession::handleMessage(quint32 msg, qint64 wParam, qint64 lParam) {
    switch (msg) {
    case MSG_GENERATOR_ATTACH:
        player_ = WindowHandle(wParam);
        if (lParam != kGeneratorAttachKey && onClose) onClose();
        return 1;
    case MSG_PING:
        if (onActivate) onActivate();
        return kGeneratorPingAnswer;
    case MSG_GENERATOR_CLOSE:
        close();
        if (onClose) onClose();
        return 1;
    default:
        return 0;
    }
}

void GeneratorSession::close() {
    artistLog_.flush();
}

bool isUnattendedCommandLine(const QStringList& args) {
    return args.contains(QStringLiteral("--preset")) || args.contains(QStringLiteral("--output"));
}

int runUnattended(const QStringList& args, QTextStream& out) {
    QString library, preset, output;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--preset") && i + 1 < args.size())
            preset = args[++i];
        else if (a == QLatin1String("--output") && i + 1 < args.size())
            output = args[++i];
        else if (!a.startsWith(QLatin1String("--")) && library.isEmpty())
            library = a;
    }
    if (library.isEmpty() || preset.isEmpty() || output.isEmpty()) {
        out << "usage: Lumbra <library.dfs> --preset <name> --output <file.m3u>\n";
        out.flush();
        return 1;
    }
    const QString presetFile =
        preset.endsWith(QLatin1String(".prs"), Qt::CaseInsensitive) || preset.contains(u'/')
            ? preset
            : presetPath(preset);
    if (!QFileInfo(presetFile).isFile()) {
        out << QStringLiteral("Preset \"%1\" not found!\n").arg(presetFile);
        out.flush();
        return 1;
    }
    GeneratorSession session(library);
    session.openLogs();
    // A hand-edited preset may hold any number; the window's fields would clamp them.
    const GeneratorTemplate t = clampedTemplate(LoadPreset(presetFile));
    const GeneratorOptions o = ReadGeneratorOptions(generatorOptionsPath());
    const GenerationOutcome r = session.generateInto(QFileInfo(output).absoluteFilePath(), t, o);
    if (r.error)
        out << session.language().s[0].trimmed() << "\n";
    else if (!r.writeError.isEmpty())
        out << r.writeError << "\n";
    else
        out << "ok\n";
    out.flush();
    return r.ok() ? 0 : 1;
}

} // namespace wc
