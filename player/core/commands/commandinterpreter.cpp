#include "player/core/commands/commandinterpreter.h"

#include "common/ini.h"
#include "common/log.h"
#include "common/paths.h"
#include "common/random.h"
#include "platform/system/power.h"
#include "platform/system/seriallines.h"
#include "player/core/edit/playlisteditor.h"
#include "player/core/playlist/playerplaylists.h"

#include <QDir>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace wc {
namespace {

// Command words are ASCII; a letter matches only its ASCII other case, so that no Unicode
// case folding ("ſ" for "s", the Kelvin sign for "k") turns another text into a command.
bool asciiNoCaseAt(const QString& text, const char* word) {
    const qsizetype n = qsizetype(std::strlen(word));
    if (text.size() < n) return false;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        const char16_t lower = c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
        if (lower != char16_t(word[i])) return false;
    }
    return true;
}

bool isWord(const QString& text, const char* word) {
    return text.size() == qsizetype(std::strlen(word)) && asciiNoCaseAt(text, word);
}

// The number of a "setvol" or "play" argument, or the default when it is not a number.
qint64 numberOr(const QString& arg, qint64 def) {
    bool ok = false;
    const int v = arg.trimmed().toInt(&ok, 10);
    return ok ? v : def;
}

bool hasFolder(const QString& path) {
    return path.contains(u'/');
}

// Commands come from files and schedules, where the working folder means nothing: a relative
// path is taken from the program folder.
QString fromProgramDir(const QString& programDir, const QString& path) {
    return path.isEmpty() || path.startsWith(u'/') ? path : programDir + path;
}

QString systemErrorText(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

} // namespace

const QStringList& CommandWords() {
    static const QStringList words = {
        QStringLiteral("stop"),          QStringLiteral("next"),
        QStringLiteral("prev"),          QStringLiteral("profile "),
        QStringLiteral("setvol "),       QStringLiteral("play "),
        QStringLiteral("set "),          QStringLiteral("clr "),
        QStringLiteral("load "),         QStringLiteral("poweroff"),
        QStringLiteral("reboot"),        QStringLiteral("playfile "),
        QStringLiteral("clearplaylist"), QStringLiteral("getrandomplaylist ")};
    return words;
}

QString StripQuotes(const QString& text) {
    if (text.size() >= 2) {
        const QChar first = text.front();
        if ((first == u'\'' || first == u'"') && text.back() == first)
            return text.mid(1, text.size() - 2);
    }
    return text;
}

QString serialDeviceFor(const QString& port, const QString& systemIniFile) {
    if (port.size() != 4 || !asciiNoCaseAt(port, "com") || port[3] < u'1' || port[3] > u'9')
        return {};
    const QString configured =
        IniFile(systemIniFile).readString(QStringLiteral("Serial"), port.toUpper(), QString());
    if (!configured.isEmpty()) return configured;
    return QStringLiteral("/dev/ttyS") + QString::number(port[3].unicode() - u'1');
}

void CommandHost::logEvent(const QString& line) {
    logLine(line);
}

CommandInterpreter::CommandInterpreter(PlayerPlaylists& lists, PlaylistEditor& editor,
                                       CommandHost& host, RandomSource& random, SerialPorts& serial,
                                       PowerControl& power, QString programDir,
                                       QString systemIniFile)
    : lists_(lists), editor_(editor), host_(host), random_(random), ports_(serial), power_(power),
      programDir_(std::move(programDir)), systemIniFile_(std::move(systemIniFile)) {}

CommandInterpreter::~CommandInterpreter() = default;

bool CommandInterpreter::RunCommand(const QString& text, const CommandEvent* event) {
    PlaylistView& active = lists_.ActivePlaylist();
    const int top = editor_.host().firstVisibleRow(active);
    const bool isCommand = dispatch(text, event);
    editor_.host().scrollToRow(active, top);
    return isCommand;
}

bool CommandInterpreter::dispatch(const QString& text, const CommandEvent* event) {
    const QString s = StripQuotes(text);
    // The words in this order; the first that matches decides.
    if (isWord(s, "stop")) {
        host_.stop();
    } else if (isWord(s, "next")) {
        host_.next();
    } else if (isWord(s, "prev")) {
        host_.prev();
    } else if (asciiNoCaseAt(s, "profile ")) {
        QString name = toLocalSeparators(s.mid(8));
        if (!name.endsWith(QLatin1String(".prf"), Qt::CaseInsensitive))
            name += QLatin1String(".prf");
        host_.loadProfile(programDir_ + QStringLiteral("Profile/") + name);
    } else if (asciiNoCaseAt(s, "setvol ")) {
        host_.setVolumeSlider(int(std::clamp<qint64>(numberOr(s.mid(7), 100) * 10, 0, 1000)));
    } else if (asciiNoCaseAt(s, "play ")) {
        PlaylistView& m = lists_.LVMaster;
        if (m.count() > 0) {
            qint64 index = numberOr(s.mid(5), 1) - 1;
            if (index < 0 || index >= m.count()) index = 0;
            m.selectOnly(int(index));
            host_.play();
        }
    } else if (asciiNoCaseAt(s, "set ") || asciiNoCaseAt(s, "clr ")) {
        setOption(s.mid(4).toLower(), asciiNoCaseAt(s, "set "));
    } else if (asciiNoCaseAt(s, "load ")) {
        load(s.mid(5));
    } else if (asciiNoCaseAt(s, "poweroff")) {
        powerCommand(false);
    } else if (asciiNoCaseAt(s, "reboot")) {
        powerCommand(true);
    } else if (asciiNoCaseAt(s, "playfile ")) {
        playFile(s.mid(9));
    } else if (isWord(s, "clearplaylist")) {
        PlaylistView& m = lists_.LVMaster;
        if (m.count() > 0) {
            m.PushUndo();
            m.ClearItems();
            renumberMaster();
        }
    } else if (asciiNoCaseAt(s, "getrandomplaylist ")) {
        randomPlaylist(s.mid(18), event);
    } else {
        return false;
    }
    return true;
}

void CommandInterpreter::setOption(const QString& option, bool on) {
    if (option.startsWith(QLatin1String("shuffle"))) {
        host_.setRepeatList(false);
        host_.setShuffle(on);
    } else if (option.startsWith(QLatin1String("repeat_list"))) {
        host_.setShuffle(false);
        host_.setRepeatList(on);
    } else if (option.startsWith(QLatin1String("repeat_track"))) {
        host_.setBreak(false);
        host_.setRepeat(on);
    } else if (option.startsWith(QLatin1String("break"))) {
        host_.setRepeat(false);
        host_.setBreak(on);
    } else if (option.startsWith(QLatin1String("com"))) {
        serialCommand(option, on);
    }
}

void CommandInterpreter::serialCommand(const QString& option, bool on) {
    const QString port = option.left(4);
    if (!serial_) {
        // Only one port is ever open: the first serial command's. A failed open leaves none,
        // so the next serial command tries again.
        QString error;
        const QString device = serialDeviceFor(port, systemIniFile_);
        if (device.isEmpty())
            error = systemErrorText(ENOENT);
        else
            serial_ = ports_.open(device, &error);
        if (!serial_) {
            if (host_.reportOn())
                host_.logEvent(QStringLiteral("Cannot open port \"") + port +
                               QStringLiteral("\". Error: ") + error);
            return;
        }
        serialName_ = port;
    }
    const QString word = option.mid(5);
    QString error;
    bool ok = false;
    if (word == QLatin1String("dtr"))
        ok = serial_->setDtr(on, &error);
    else if (word == QLatin1String("txd"))
        ok = serial_->setBreak(on, &error);
    else
        error = systemErrorText(EINVAL); // no such line function
    if (!ok && host_.reportOn())
        host_.logEvent(QStringLiteral("Cannot write to port \"") + port +
                       QStringLiteral("\". Error: ") + error);
}

void CommandInterpreter::load(const QString& arg) {
    const QString path = toLocalSeparators(arg);
    if (path.endsWith(QLatin1String(".prf"), Qt::CaseInsensitive))
        host_.loadProfile(hasFolder(path) ? path : programDir_ + QStringLiteral("Profile/") + path);
    else if (path.endsWith(QLatin1String(".m3u"), Qt::CaseInsensitive))
        host_.loadPlaylist(fromProgramDir(programDir_, path));
    else if (path.endsWith(QLatin1String(".sdl"), Qt::CaseInsensitive))
        host_.loadSchedule(
            hasFolder(path) ? path : programDir_ + QStringLiteral("Presets/Schedule/") + path);
}

void CommandInterpreter::playFile(const QString& arg) {
    const QString file = fromProgramDir(programDir_, toLocalSeparators(arg));
    if (file.isEmpty()) return;
    PlaylistView& m = lists_.LVMaster;
    const int at = m.PlayingIndex() + 1; // 0 when nothing plays: the top of the list
    editor_.InsertCursor = std::min(at, m.count());
    const bool added = editor_.AddFile(file, kImagePlain, &m);
    editor_.InsertCursor = -1;
    m.RecomputeMarkers();
    renumberMaster();
    // An item that could not be made is not there to play; the one after the playing item
    // must not start in its place.
    if (added && at < m.count()) {
        m.selectOnly(at);
        host_.play();
    }
}

void CommandInterpreter::randomPlaylist(const QString& arg, const CommandEvent* event) {
    QString folder = fromProgramDir(programDir_, toLocalSeparators(arg));
    if (folder.isEmpty()) return;
    QStringList names;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Readable);
    for (const QFileInfo& fi : entries)
        if (fi.fileName().endsWith(QLatin1String(".m3u"), Qt::CaseInsensitive))
            names << fi.fileName();
    // Nothing to insert: the item on air plays on (an immediate event must not skip it for
    // nothing).
    if (names.isEmpty()) return;
    names.sort();
    const QString name = names[random_.below(int(names.size()))];
    if (!folder.endsWith(u'/')) folder += u'/';

    PlaylistView& m = lists_.LVMaster;
    const int playing = m.PlayingIndex();
    editor_.InsertCursor = playing < 0 ? 0 : std::min(playing + 1, m.count());
    editor_.AddFile(folder + name, kImageInserted, &m);
    editor_.InsertCursor = -1;
    host_.setInsertCleanupDone(false);
    m.RecomputeMarkers();
    renumberMaster();
    if (event && event->Immediate) {
        if (m.PlayingIndex() < 0) {
            m.selectOnly(0);
            host_.play();
        } else {
            host_.next();
        }
    }
}

void CommandInterpreter::powerCommand(bool reboot) {
    // The player closes in order first, so settings, profile and run.ini are on disk before
    // the system takes the machine down.
    host_.closeForShutdown();
    QString error;
    const bool asked = reboot ? power_.reboot(&error) : power_.powerOff(&error);
    if (!asked)
        logLine(
            (reboot ? QStringLiteral("Reboot refused: ") : QStringLiteral("Power off refused: ")) +
            error);
}

void CommandInterpreter::renumberMaster() {
    if (&lists_.ActivePlaylist() == &lists_.LVMaster) {
        editor_.RenumberAndTotals();
        return;
    }
    lists_.LVMaster.Renumber();
    editor_.host().masterRenumbered();
}

} // namespace wc
