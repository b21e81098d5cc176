#pragma once
// The player's command language. Commands come from the lines of command files (playlist
// items ending in ".command"), from the targets of schedule events, and from
// `player --command`; all of them go through RunCommand, which tells whether the text was a
// command at all (the scheduler plays a text that is not one as a file or playlist).
//
// Command words are matched without regard to case; arguments (paths above all) keep their
// case. Everything the commands act on is reached through CommandHost, the playlists and the
// editor, and the two machine services (serial lines, power control), so tests run them
// with fakes behind every side effect.
#include <QString>
#include <QStringList>
#include <memory>

namespace wc {

class PlayerPlaylists;
class PlaylistEditor;
class PlaylistView;
class PowerControl;
class RandomSource;
class SerialLine;
class SerialPorts;

// What the interpreter reads of a schedule event.
struct CommandEvent {
    bool Immediate = false;
};

// The command words in the order they are tried (the prefix words end in their blank), for
// the schedule event window's list of targets.
const QStringList& CommandWords();

// Removes one pair of enclosing single or double quotes (the same character at both ends of
// a text of at least two characters); any other text is returned unchanged.
QString StripQuotes(const QString& text);

// The device of a serial port name "com1".."com9": the system.ini [Serial] key of the same
// name (COM1=/dev/ttyUSB0) when it is set, otherwise /dev/ttyS0../dev/ttyS8. Empty for any
// other name.
QString serialDeviceFor(const QString& port, const QString& systemIniFile);

// What the commands ask of the rest of the player. The defaults do nothing.
class CommandHost {
public:
    virtual ~CommandHost() = default;
    // The transport actions: Stop, Next track, Previous track, and Play of the selected item
    // of the on-air list.
    virtual void stop() {}
    virtual void next() {}
    virtual void prev() {}
    virtual void play() {}
    // The playback-mode buttons.
    virtual void setShuffle(bool /*down*/) {}
    virtual void setRepeatList(bool /*down*/) {}
    virtual void setRepeat(bool /*down*/) {}
    virtual void setBreak(bool /*down*/) {}
    // The volume slider, 0..1000.
    virtual void setVolumeSlider(int /*position*/) {}
    // Loading a profile (it becomes the current one when the file exists), a playlist into the
    // active list (as the Open command does), a schedule file in place of the schedule list.
    virtual void loadProfile(const QString& /*path*/) {}
    virtual void loadPlaylist(const QString& /*path*/) {}
    virtual void loadSchedule(const QString& /*path*/) {}
    // The scheduler's inserted items are there to be cleaned up after they have played.
    virtual void setInsertCleanupDone(bool /*done*/) {}
    // The profile's Options/Report, and a line of the event log.
    virtual bool reportOn() const { return true; }
    virtual void logEvent(const QString& line);
    // Closes the player in order (settings, profile, run.ini, decks), as a stop request does,
    // before the machine is switched off.
    virtual void closeForShutdown() {}
};

class CommandInterpreter {
public:
    // Everything passed in must outlive the interpreter.
    CommandInterpreter(PlayerPlaylists& lists, PlaylistEditor& editor, CommandHost& host,
                       RandomSource& random, SerialPorts& serial, PowerControl& power,
                       QString programDir, QString systemIniFile);
    ~CommandInterpreter();
    CommandInterpreter(const CommandInterpreter&) = delete;
    CommandInterpreter& operator=(const CommandInterpreter&) = delete;

    // Runs text as a command; false when it is not one (then nothing happened). event is the
    // schedule event that carries the text, nullptr for any other source. The first visible
    // row of the active playlist is the same afterwards.
    bool RunCommand(const QString& text, const CommandEvent* event = nullptr);

    // Whether a serial port is open (the first serial command opens it; it stays open).
    bool serialOpen() const { return bool(serial_); }
    QString serialPortName() const { return serialName_; }

private:
    bool dispatch(const QString& text, const CommandEvent* event);
    void setOption(const QString& option, bool on);
    void serialCommand(const QString& option, bool on);
    void load(const QString& arg);
    void playFile(const QString& file);
    void randomPlaylist(const QString& folder, const CommandEvent* event);
    void powerCommand(bool reboot);
    // Numbering and totals after an insert into the on-air list, whichever list is shown.
    void renumberMaster();

    PlayerPlaylists& lists_;
    PlaylistEditor& editor_;
    CommandHost& host_;
    RandomSource& random_;
    SerialPorts& ports_;
    PowerControl& power_;
    QString programDir_;
    QString systemIniFile_;
    std::unique_ptr<SerialLine> serial_;
    QString serialName_;
};

} // namespace wc
