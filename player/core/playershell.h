#pragma once
// The life of the player process: main-window creation, the first showing, the start-up
// script, the command line and the watchdog markers, the private messages, the heartbeat,
// the companion programs, and the orderly close. UI-free: the window binds it to widgets
// through ShellServices.
#include "common/clock.h"
#include "common/settings.h"
#include "player/core/cmdline.h"
#include "player/core/messagetable.h"
#include "player/core/shellservices.h"

#include <QString>
#include <memory>

namespace wc {

using WindowHandle = qint32;

class PlayerShell {
public:
    PlayerShell(ShellServices& services, ShellPlaylist& master);
    ~PlayerShell();

    // Settings records of this process.
    TPlayerIni playerIni;
    TSystemIni systemIni;
    PlayerMessageTable messages;

    // Start-up state.
    QString currentProfile; // full path of the profile in use
    RunIni runIni;
    bool resumeMode = false;
    bool watchdogMode = false;
    WindowHandle watchdogWindow = 0;
    WindowHandle generatorWindow = 0;
    bool exitRequested = false;
    bool windowShown = false;
    WindowHandle mainWindow = 0; // this window's address on the message bus
    PlayerCommandLine commandLine;
    QStringList equalizerPresets; // "Presets/Equalizer/*.eqp", names without extension
    QStringList crossfadePresets; // "Presets/Crossfade/*.crp"
    QStringList profileNames;     // "Profile/*.prf"
    QStringList languageFolders;  // sub-folders of "Lang/"
    QStringList todaysReport;     // lines of today's report file, when it exists

    void create();
    void firstShown();

    // Steps of the first showing that can also be run on their own.
    void runAutoexec();
    void actOnCommandLine();
    // True when the command line names a playlist to load ("list" and a path).
    bool loadsPlaylistFromCommandLine() const;
    void actOnWatchdogMarkers();
    // Resume mode: the file of the item now on air ("" after Stop) goes to run.ini
    // [LastFile] LastFileName at once.
    void writeLastFile(const QString& fileName);

    // The private messages; returns the answer.
    qint64 handleMessage(quint32 msg, qint64 wParam, qint64 lParam);
    // The registered message number of the per-track store's change broadcast.
    quint32 databaseMessage() const { return databaseMessage_; }

    // One tick of the 50 ms main timer (the heartbeat to the watchdog lives here).
    void mainTimerTick();

    // The window is asked to close; returns whether it really closes. When it does, every
    // closing step has run, also when one of them failed.
    bool closeRequested();
    // The Exit commands of the menus and of the session's end.
    void exitCommand();

    // Companion programs. Both get the library file of the profile in use.
    void launchLibrary();
    void launchGenerator();
    QString libraryFile() const;

    QString titleText() const;
    QString captionText() const;
    QStringList statusPanels() const;
    QString todaysReportPath() const;

private:
    void selectAndPlay(int index);
    void enterResumeMode();
    void stopTimers();

    ShellServices& services_;
    ShellPlaylist& master_;
    quint32 databaseMessage_ = 0;
    qint64 mainTicks_ = 0;
    qint64 startTickMs_ = 0;
    std::unique_ptr<Timer> mainTimer_;
    std::unique_ptr<Timer> clockTimer_;
    std::unique_ptr<Timer> centreTimer_; // Timer2
    std::unique_ptr<Timer> generatorWait_;
    int generatorPolls_ = 0;
};

// "1K", "16K", "500": the label of an equaliser band.
QString equalizerBandLabel(int hz);
// File names without extension of the files with the given extension in a folder, in
// directory order.
QStringList fileNamesWithExtension(const QString& folder, const QString& extension);

} // namespace wc
