#pragma once
// The generator program's state without its window: file names in the program folder, the
// language texts, the Generate, save-to-file and send-to-player commands, the window messages
// it answers, and the unattended run for stations without an operator.
#include "generator/core/generator.h"
#include "generator/core/presets.h"
#include "platform/messagebus.h"

#include <QHash>
#include <QString>
#include <QTextStream>
#include <array>
#include <functional>

namespace wc {

// The generator window's class name, by which the player finds it.
inline constexpr const char* kGeneratorWindowClass = "TLumbraWnd";

// The generator's message table s0..s4 and the window captions of its language file.
struct GeneratorLanguage {
    std::array<QString, 5> s = {
        QStringLiteral("Ошибка при создании плейлиста! (недостаточно треков) "),
        QStringLiteral("Ошибка"), QStringLiteral("нет"), QStringLiteral("Невозможно создать файл "),
        QStringLiteral("База: %d файлов")};
    QHash<QString, QString> captions; // component name -> caption
};
// Reads "Lang/<dir>/lang_g.ini" (sections Captions and Strings); a missing file keeps the
// built-in texts.
GeneratorLanguage readGeneratorLanguage(const QString& langDir);

class GeneratorSession {
public:
    explicit GeneratorSession(const QString& libraryFile);
    ~GeneratorSession();

    // Start of the program: creates the artist log (an error box when it cannot), deletes
    // the hand-over playlist and the main log, reads the language folder from "system.ini".
    void start();
    // Only the logs and the language, for the unattended mode (which leaves the window's
    // hand-over playlist alone).
    void openLogs();

    QString stackPath() const;
    QString mainLogPath() const;
    QString artistLogPath() const;
    const QString& libraryFile() const { return library_; }
    const GeneratorLanguage& language() const { return lang_; }
    const QString& langDir() const { return langDir_; }

    // Records in the library (0 when there is none).
    int poolSize() const;

    // The Generate command: empties the accepted artists, deletes the hand-over playlist and
    // the main log, and generates into the hand-over playlist. random, when given, replaces
    // the clock-seeded source (tests).
    GenerationOutcome generate(const GeneratorTemplate& t, const GeneratorOptions& o,
                               RandomSource* random = nullptr);
    // Generates into any file (unattended mode); the file is replaced only on success.
    GenerationOutcome generateInto(const QString& output, const GeneratorTemplate& t,
                                   const GeneratorOptions& o, RandomSource* random = nullptr);

    // Copies the hand-over playlist to fileName (temporary file, then rename).
    bool saveTo(const QString& fileName, QString* error = nullptr) const;
    // Sends the load-queue message (wParam 0) to the player recorded from the attach
    // message and waits until it has loaded the list; false when there is no player or it
    // did not answer.
    bool sendToPlayer() const;
    WindowHandle playerWindow() const { return player_; }

    // The window messages the generator answers. onClose runs for the close message and for
    // an attach message whose lParam is not 23; onActivate when pinged.
    qint64 handleMessage(quint32 msg, qint64 wParam, qint64 lParam);
    std::function<void()> onClose;
    std::function<void()> onActivate;

    // The close command: empties the accepted artists.
    void close();

private:
    QString library_;
    QString langDir_;
    GeneratorLanguage lang_;
    ArtistLog artistLog_;
    WindowHandle player_ = 0;
    QSet<QString> acceptedKeep_;
};

// The window title: the caption followed by " (" + the running program's file version + ")",
// or the caption alone when it has no version. The version comes from the executable itself,
// wherever the program was started from.
QString generatorWindowTitle(const QString& caption);

// A seed for one generation from the program's clock and the process.
std::uint64_t clockSeed();

// The unattended mode: "<library.dfs> --preset <name> --output <file.m3u>". Generates once with
// the preset (a name in "Presets/Generator/" or a path to a ".prs" file) and the options of
// "Lumbra.ini", writes the playlist and the logs, prints "ok" or the error text, and returns
// the exit code (0 on success, 1 on error).
int runUnattended(const QStringList& args, QTextStream& out);
// Whether the arguments ask for the unattended mode.
bool isUnattendedCommandLine(const QStringList& args);

} // namespace wc
