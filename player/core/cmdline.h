#pragma once
// The player's command line: a verb with its operand ("file", "profile", "list"), and two
// markers of an outside watchdog searched anywhere in the raw command line.
#include <QString>
#include <QStringList>
#include <optional>

namespace wc {

struct WatchdogResume {
    qint64 index = 0;      // item of the on-air playlist
    qint64 positionMs = 0; // stored play position; playback resumes 10 s after it
};

struct PlayerCommandLine {
    QString verb; // lower case: "file", "profile", "list", or whatever else was given
    QString operand;
    std::optional<qint64> watchdogWindow; // set when "+watchdog" occurs; 0 when malformed
    std::optional<WatchdogResume> resume; // set when "+?wdog__resume" occurs
};

// args: the arguments after the program name.
PlayerCommandLine parsePlayerCommandLine(const QStringList& args);

// The decimal number at the start of text as the classic string-to-integer conversion takes
// it: the whole text must be a number, otherwise 0.
qint64 decimalOrZero(const QString& text);

// The profile file named by the "profile" verb: the Profile folder plus the name, with ".prf"
// added unless the name already ends in it (any case).
QString profilePathForVerb(const QString& name);

} // namespace wc
